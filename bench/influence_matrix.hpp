#pragma once
// The program's influence matrix at any order, for the benchmark and the solver
// tests (the program's own arrays stop at 201): vortices at the quarter points
// and control points at the three-quarter points of N equal panels; element
// (j, i), column by column, is the velocity induced at control point j by a
// unit vortex at i.
#include <cstddef>
#include <vector>

inline std::vector<float> influence_matrix(int n) {
  const float h = float(1.0 / n);
  std::vector<float> xv(n), xc(n), a(std::size_t(n) * n);
  for (int i = 1; i <= n; ++i) {
    xv[i - 1] = float(double(i - 1) * h + 0.25 / n);
    xc[i - 1] = float(double(i - 1) * h + 0.75 / n);
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      a[std::size_t(i - 1) * n + (j - 1)] = float((1.0 / (double(xc[j - 1]) - xv[i - 1])) / 6.28f);
  return a;
}
