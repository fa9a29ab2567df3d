#pragma once
// The lift coefficient of the program's own system: the profile, the influence
// matrix and both solves made as the program makes them, then
// Cl = 2 * sum(GAM2) / (VINF * chord) with the chord 1.
#include <cstddef>
#include <memory>

#include "app/bounded_array.hpp"
#include "app/influence.hpp"
#include "app/profile.hpp"
#include "io/real_to_int.hpp"
#include "linsolve/driver.hpp"

namespace lift {

struct Flow {
  RealMatrix AMAT;
  RealArray RHS1, GAM1, YPROF, RHS2, GAM2, XV;
};

// LSARG on working copies of the leading n block with leading dimension n; what
// the solver leaves in the copies is written back.
inline void solve_on_copies(int n, RealMatrix& amat, RealArray& rhs, RealArray& x) {
  const std::size_t order = std::size_t(n > 0 ? n : 0);
  auto a = std::make_unique<float[]>(order * order);
  auto b = std::make_unique<float[]>(order);
  for (int col = 1; col <= n; ++col)
    for (int row = 1; row <= n; ++row)
      a[std::size_t(col - 1) * order + std::size_t(row - 1)] = amat(row, col);
  for (int row = 1; row <= n; ++row) b[std::size_t(row - 1)] = rhs(row);
  LSARG(n, a.get(), n, b.get(), 1, x.data());
  for (int col = 1; col <= n; ++col)
    for (int row = 1; row <= n; ++row)
      amat(row, col) = a[std::size_t(col - 1) * order + std::size_t(row - 1)];
  for (int row = 1; row <= n; ++row) rhs(row) = b[std::size_t(row - 1)];
}

// Each call starts from fresh, zero arrays, as a run does: PROFIL leaves the
// entries past its trip count as they were, and an ordinate past x = 1 keeps
// its previous value.
inline double program_lift(float nvort, float vinf) {
  auto f = std::make_unique<Flow>();
  const float alpha = 0.0f;
  const int n = io::real_to_int(double(nvort));
  PROFIL(nvort, f->RHS2, f->YPROF, alpha, vinf);
  MATRICA(f->XV, nvort, f->AMAT, f->RHS1, alpha, vinf);
  solve_on_copies(n, f->AMAT, f->RHS1, f->GAM1);
  solve_on_copies(n, f->AMAT, f->RHS2, f->GAM2);
  double circulation = 0.0;
  for (int k = 1; k <= n; ++k) circulation += double(f->GAM2(k));
  return 2.0 * circulation / double(vinf);
}

}  // namespace lift
