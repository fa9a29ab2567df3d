// The solve with the LU factors: the exchanges and the unit lower factor by
// forward elimination, then U by back substitution; for the transposed system
// transpose(U) first, then transpose(L) and the exchanges in reverse.
#include "linsolve/solve.hpp"

#include <cmath>
#include <string_view>
#include <utility>

#include "errstack/errstack.hpp"
#include "linsolve/checks.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/matrix_access.hpp"
#include "linsolve/triangular.hpp"

using linsolve::at;
using linsolve::terminal;

namespace {

constexpr std::string_view kOrder =
    "The number of equations must be positive while N = %(I1) is given.";
constexpr std::string_view kLdfac =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(I1) and LDFAC = %(I2) are given.";
constexpr std::string_view kSingular =
    "The input matrix is singular.  Some of the diagonal elements of the upper triangular "
    "matrix U of the LU factorization are close to zero.";
constexpr std::string_view kIpath = "IPATH must be either 1 or 2 while a value of %(I1) is given.";

bool has_small_diagonal(int n, const float* fac, int ldfac, float small) {
  for (int k = 1; k <= n; ++k)
    if (std::fabs(at(fac, ldfac, k, k)) <= small) return true;
  return false;
}

// LFSRG once the order and the leading dimension have passed. IPATH is checked
// only after the copy, so that a bad path leaves X a copy of B.
void solve_with_factors(int n, const float* fac, int ldfac, const int* pivot, const float* b,
                        int ipath, float* x) {
  SCOPY(n, b, 1, x, 1);

  const float small = linsolve::singularity_threshold();

  if (ipath == 1) {
    for (int k = 1; k <= n - 1; ++k) {
      const int l = pivot[k - 1];
      const float t = x[l - 1];
      if (l != k) {
        x[l - 1] = x[k - 1];
        x[k - 1] = t;
      }
      SAXPY(n - k, t, &at(fac, ldfac, k + 1, k), 1, &x[k], 1);
    }
    if (has_small_diagonal(n, fac, ldfac, small)) {
      terminal(3, kSingular);
    } else {
      STRSV('U', 'N', 'N', n, fac, ldfac, x, 1);
    }
  } else if (ipath == 2) {
    if (has_small_diagonal(n, fac, ldfac, small)) {
      terminal(4, kSingular);
    } else {
      STRSV('U', 'T', 'N', n, fac, ldfac, x, 1);
      for (int k = n - 1; k >= 1; --k) {
        x[k - 1] = float(x[k - 1] + double(SDOT(n - k, &at(fac, ldfac, k + 1, k), 1, &x[k], 1)));
        const int l = pivot[k - 1];
        if (l != k) std::swap(x[l - 1], x[k - 1]);
      }
    }
  } else {
    terminal(5, kIpath, {ipath});
  }
}

}  // namespace

void LFSRG(int n, const float* fac, int ldfac, const int* pivot, const float* b, int ipath,
           float* x) {
  E1PSH("LFSRG ");
  if (n <= 0)
    terminal(1, kOrder, {n});
  else if (n > ldfac)
    terminal(2, kLdfac, {n, ldfac});
  else
    solve_with_factors(n, fac, ldfac, pivot, b, ipath, x);
  E1POP("LFSRG ");
}
