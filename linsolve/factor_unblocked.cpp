// Gaussian elimination with scaled partial pivoting, one step at a time: the
// method as it reads, which the paneled factorization of factor.cpp reproduces
// apart from the rounding of its panel sums.
#include "linsolve/factor_unblocked.hpp"

#include <cmath>
#include <utility>

#include "linsolve/checks.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/matrix_access.hpp"

namespace linsolve {

bool factor_unblocked(int n, float* fac, int ldfac, int* pivot, float* scale) {
  const float small = singularity_threshold();

  // Row scales: the reciprocal of the row's largest magnitude, 1.0 for a row
  // whose largest magnitude is below SMALL.
  for (int i = 1; i <= n; ++i) {
    const float r = std::fabs(at(fac, ldfac, i, ISAMAX(n, &at(fac, ldfac, i, 1), ldfac)));
    scale[i - 1] = r < small ? 1.0f : float(1.0 / r);
  }

  bool too_small = false;
  for (int k = 1; k <= n - 1; ++k) {
    // The first row of largest |FAC(i, k) * SCALE(i)| among k to N.
    int m = 0;
    ISPMAX(n - k + 1, &at(fac, ldfac, k, k), &scale[k - 1], m);
    const int l = k - 1 + m;
    pivot[k - 1] = l;
    // A too-small pivot forms no multipliers: the column keeps its entries.
    const bool small_pivot = std::fabs(at(fac, ldfac, l, k)) <= small;
    if (small_pivot) too_small = true;

    std::swap(scale[k - 1], scale[l - 1]);
    std::swap(at(fac, ldfac, k, k), at(fac, ldfac, l, k));
    if (!small_pivot) {
      const float t = float(-1.0 / at(fac, ldfac, k, k));
      for (int i = k + 1; i <= n; ++i)
        at(fac, ldfac, i, k) = float(double(t) * at(fac, ldfac, i, k));
    }
    // The columns to the right: the exchange, then the multiple of the pivot row.
    for (int j = k + 1; j <= n; ++j) {
      const float s = at(fac, ldfac, l, j);
      at(fac, ldfac, l, j) = at(fac, ldfac, k, j);
      at(fac, ldfac, k, j) = s;
      for (int i = k + 1; i <= n; ++i)
        at(fac, ldfac, i, j) = float(at(fac, ldfac, i, j) + double(s) * at(fac, ldfac, i, k));
    }
  }
  pivot[n - 1] = n;
  if (std::fabs(at(fac, ldfac, n, n)) <= small) too_small = true;
  return too_small;
}

}  // namespace linsolve
