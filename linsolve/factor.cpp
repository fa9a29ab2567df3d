// LU factorization by Gaussian elimination with scaled partial pivoting,
// organised in panels of eight elimination steps.
//
// Within a panel each column receives the pending updates of the panel's earlier
// steps, one step at a time, just before its own pivot search. The columns to the
// right of the panel then receive the panel's steps in one sweep: the panel's
// exchanges first, the rows of the panel one step at a time, and every row below
// the panel its eight products summed in double and stored once. Only the
// rounding of those sums differs from eliminating one step at a time.
//
// The elimination one step at a time is kept beside this file, in
// factor_unblocked.cpp: the program does not use it, and the factorization
// tests compare these panels with it.
#include "linsolve/factor.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "errstack/errstack.hpp"
#include "linsolve/checks.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/matrix_access.hpp"
#include "linsolve/state.hpp"
#include "linsolve/vector_paths.hpp"

using linsolve::at;
using linsolve::terminal;

namespace {

constexpr int kPanel = 8;

constexpr std::string_view kCopyOrder = "The argument N = %(I1).  It must be at least 1.";
constexpr std::string_view kCopyLda =
    "The argument LDA = %(I1).  It must be at least as large as N = %(I2).";
constexpr std::string_view kCopyLdb =
    "The argument LDB = %(I1).  It must be at least as large as N = %(I2).";

constexpr std::string_view kOrder =
    "The order of the matrix must be positive while N = %(i1) is given.";
constexpr std::string_view kLda =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(i1) and LDA = %(i2) are given.";
constexpr std::string_view kLdfac =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(i1) and LDFAC = %(i2) are given.";
constexpr std::string_view kSingular =
    "The input matrix is singular.  Some of the diagonal elements of the upper triangular "
    "matrix U of the LU factorization are close to zero.";

// Steps k0 to k1 on their own columns: pivot search, exchange of the pivot
// element and its scale, then in one pass over the rows below the pivot the
// multipliers and the step on the panel's later columns (each of their rows
// exchanged first), which also searches the next column for its pivot. Each
// column thus takes its earlier steps one at a time and in order before its
// own search; the columns' steps are independent of each other, so taking them
// column after column would store the same values, but the chain from one
// search to the next holds one pass instead of all of them.
void factor_panel(int n, float* fac, int ldfac, int* pivot, float* scale, int k0, int k1,
                  float small, bool& too_small) {
  // The position in column k of its pivot, once the step before has found it.
  int found = 0;
  for (int k = k0; k <= k1; ++k) {
    // The first row of largest |FAC(i, k) * SCALE(i)| among k to N.
    const int m = found > 0 ? found
                            : linsolve::first_largest_product(n - k + 1, &at(fac, ldfac, k, k),
                                                              &scale[k - 1]);
    const int l = k - 1 + m;
    pivot[k - 1] = l;
    // A too-small pivot forms no multipliers: the column keeps its entries.
    const bool small_pivot = std::fabs(at(fac, ldfac, l, k)) <= small;
    if (small_pivot) too_small = true;

    std::swap(scale[k - 1], scale[l - 1]);
    std::swap(at(fac, ldfac, k, k), at(fac, ldfac, l, k));
    // The later columns' rows k and l exchanged; s, their new elements in row k.
    float s[kPanel];
    for (int j = k + 1; j <= k1; ++j) {
      s[j - k - 1] = at(fac, ldfac, l, j);
      at(fac, ldfac, l, j) = at(fac, ldfac, k, j);
      at(fac, ldfac, k, j) = s[j - k - 1];
    }
    const float t = small_pivot ? 1.0f : float(-1.0 / at(fac, ldfac, k, k));
    // The next column's search rides along when its rows make one block of
    // the product search.
    const bool search = k < k1 && n - k <= linsolve::kProductBlock;
    found = 1 + linsolve::panel_step(n - k, !small_pivot, t, &at(fac, ldfac, k + 1, k), k1 - k, s,
                                     &at(fac, ldfac, k + 1, k + 1), ldfac, &scale[k], search);
  }
}

// Puts the panel's multiplier columns into the row order that the panel's later
// exchanges give (forward), or back into the order in which they are kept.
void permute_multipliers(float* fac, int ldfac, const int* pivot, int k0, int k1, bool forward) {
  // An exchange of a row with itself is left out.
  for (int p = k0; p < k1; ++p) {
    if (forward) {
      for (int q = p + 1; q <= k1; ++q)
        if (pivot[q - 1] != q) std::swap(at(fac, ldfac, q, p), at(fac, ldfac, pivot[q - 1], p));
    } else {
      for (int q = k1; q > p; --q)
        if (pivot[q - 1] != q) std::swap(at(fac, ldfac, q, p), at(fac, ldfac, pivot[q - 1], p));
    }
  }
}

// The panel's steps on every column to its right, a block of columns at a time.
void update_trailing(int n, float* fac, int ldfac, const int* pivot, int k0, int k1) {
  constexpr int kColumns = 256;
  const int width = k1 - k0 + 1;

  permute_multipliers(fac, ldfac, pivot, k0, k1, true);
  for (int j0 = k1 + 1; j0 <= n; j0 += kColumns) {
    const int ncol = std::min(kColumns, n - j0 + 1);
    // The exchanges, those of a row with itself left out.
    for (int p = k0; p <= k1; ++p) {
      const int l = pivot[p - 1];
      if (l == p) continue;
      for (int j = j0; j < j0 + ncol; ++j) std::swap(at(fac, ldfac, p, j), at(fac, ldfac, l, j));
    }
    // Rows of the panel: one step at a time, as their own elimination has it.
    // s(q, p): the element of the pivot row of step k0 + p in column j0 + q.
    float s[kColumns * kPanel];
    linsolve::panel_rows(width, &at(fac, ldfac, k0, k0), ldfac, ncol, &at(fac, ldfac, k0, j0),
                         ldfac, s);
    // Rows below the panel: stored once, the panel's products summed in double.
    linsolve::panel_sweep(n - k1, width, &at(fac, ldfac, k1 + 1, k0), ldfac, ncol, s,
                          &at(fac, ldfac, k1 + 1, j0), ldfac);
  }
  permute_multipliers(fac, ldfac, pivot, k0, k1, false);
}

}  // namespace

void CRGRG(int n, const float* a, int lda, float* b, int ldb) {
  E1PSH("CRGRG ");
  if (n < 1)
    terminal(1, kCopyOrder, {n});
  else if (lda < n)
    terminal(2, kCopyLda, {lda, n});
  else if (ldb < n)
    terminal(3, kCopyLdb, {ldb, n});
  else
    for (int j = 1; j <= n; ++j) SCOPY(n, &at(a, lda, 1, j), 1, &at(b, ldb, 1, j), 1);
  E1POP("CRGRG ");
}

namespace {

// L2TRG once its arguments have passed: copy, row scales, the panels, and the
// singular-matrix error after the elimination has run to its end.
void factor(int n, const float* a, int lda, float* fac, int ldfac, int* pivot, float* scale) {
  CRGRG(n, a, lda, fac, ldfac);

  const float small = linsolve::singularity_threshold();

  // Row scales: the reciprocal of the row's largest magnitude, 1.0 for a row
  // whose largest magnitude is below SMALL.
  linsolve::row_magnitudes(n, fac, ldfac, scale);
  for (int i = 1; i <= n; ++i) {
    const float r = scale[i - 1];
    scale[i - 1] = r < small ? 1.0f : float(1.0 / r);
  }

  bool too_small = false;
  for (int k0 = 1; k0 <= n - 1; k0 += kPanel) {
    const int k1 = std::min(k0 + kPanel - 1, n - 1);
    factor_panel(n, fac, ldfac, pivot, scale, k0, k1, small, too_small);
    update_trailing(n, fac, ldfac, pivot, k0, k1);
  }
  pivot[n - 1] = n;
  if (std::fabs(at(fac, ldfac, n, n)) <= small) too_small = true;

  if (too_small) E1MES(kFatal, 2, kSingular);
}

}  // namespace

void L2TRG(int n, const float* a, int lda, float* fac, int ldfac, int* pivot, float* scale) {
  E1PSH("L2TRG ");
  if (n <= 0)
    terminal(1, kOrder, {n});
  else if (n > lda)
    terminal(2, kLda, {n, lda});
  else if (n > ldfac)
    terminal(3, kLdfac, {n, ldfac});
  else
    factor(n, a, lda, fac, ldfac, pivot, scale);
  E1POP("L2TRG ");
}
