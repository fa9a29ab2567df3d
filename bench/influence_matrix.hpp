#pragma once
// The program's influence matrix at order n, column by column with leading
// dimension n, for the benchmark and the solver tests: element (j, i) is the
// velocity induced at control point j by a unit vortex at i.
#include <cstddef>
#include <memory>
#include <vector>

#include "app/bounded_array.hpp"
#include "app/influence.hpp"

// COORD's and MATRICA's arithmetic without their bound of 201: the spacing and
// both offsets divided by n and stored as floats, each abscissa formed in double
// from those floats and stored, each element the reciprocal of the stored
// difference divided by the float 6.28, stored once.
inline std::vector<float> unbounded_influence_matrix(int n) {
  const float spacing = float(1.0 / n);
  const float quarter = float(0.25 / n);
  const float threequarter = float(0.75 / n);
  const float divisor = 6.28f;
  std::vector<float> xv(n), xc(n), a(std::size_t(n) * n);
  for (int i = 1; i <= n; ++i) {
    xv[i - 1] = float(double(i - 1) * double(spacing) + double(quarter));
    xc[i - 1] = float(double(i - 1) * double(spacing) + double(threequarter));
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      a[std::size_t(i - 1) * n + (j - 1)] =
          float((1.0 / (double(xc[j - 1]) - double(xv[i - 1]))) / double(divisor));
  return a;
}

// Up to 201 the matrix is MATRICA's own, taken from the leading block of its
// array; above, where the program's arrays end, the same arithmetic stands in.
inline std::vector<float> influence_matrix(int n) {
  if (n > kExtent) return unbounded_influence_matrix(n);
  auto xv = std::make_unique<RealArray>();
  auto rhs = std::make_unique<RealArray>();
  auto amat = std::make_unique<RealMatrix>();
  MATRICA(*xv, float(n), *amat, *rhs, 0.0f, 1.0f);
  std::vector<float> a(std::size_t(n) * n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a[std::size_t(i - 1) * n + (j - 1)] = (*amat)(j, i);
  return a;
}
