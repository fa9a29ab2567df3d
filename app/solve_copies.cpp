#include "app/solve_copies.hpp"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "io/runtime_error.hpp"
#include "linsolve/driver.hpp"
#include "linsolve/matrix_access.hpp"

void solve_on_copies(int n, RealMatrix& AMAT, RealArray& RHS, RealArray& X) {
  using linsolve::at;
  const int order = n > 0 ? n : 0;
  // Every element is written before the call, so the copies start uninitialised
  // (new without an initialiser; libc++ 14 has no make_unique_for_overwrite).
  // Memory that runs out here stops the run with the routines still active.
  const std::unique_ptr<float[]> a(
      new (std::nothrow) float[std::size_t(order) * std::size_t(order)]);
  const std::unique_ptr<float[]> b(new (std::nothrow) float[std::size_t(order)]);
  if (!a || !b) io::out_of_memory();
  // Within the bounds, a column's leading elements are contiguous and move as
  // one block, bit for bit; beyond them the elements go one at a time, and the
  // bounds check stops the run at the first one outside.
  const bool in_bounds = order <= kExtent;
  const std::size_t column = std::size_t(order) * sizeof(float);
  for (int col = 1; col <= order; ++col) {
    if (in_bounds) {
      std::memcpy(&at(a.get(), order, 1, col), &AMAT(1, col), column);
      continue;
    }
    for (int row = 1; row <= order; ++row) at(a.get(), order, row, col) = AMAT(row, col);
  }
  for (int row = 1; row <= order; ++row) b[std::size_t(row - 1)] = RHS(row);

  LSARG(n, a.get(), n, b.get(), 1, X.data());

  for (int col = 1; col <= order; ++col) {
    if (in_bounds) {
      std::memcpy(&AMAT(1, col), &at(a.get(), order, 1, col), column);
      continue;
    }
    for (int row = 1; row <= order; ++row) AMAT(row, col) = at(a.get(), order, row, col);
  }
  for (int row = 1; row <= order; ++row) RHS(row) = b[std::size_t(row - 1)];
}
