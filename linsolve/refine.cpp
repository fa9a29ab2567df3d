// Iterative refinement: residuals of the unfactored matrix accumulated in double
// from -B(i), corrections solved with the same factors. A pass counts as
// progress only when the largest correction relative to the largest element of
// X strictly decreases.
#include "linsolve/refine.hpp"

#include <cmath>
#include <string_view>

#include "errstack/errstack.hpp"
#include "linsolve/checks.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/matrix_access.hpp"
#include "linsolve/solve.hpp"
#include "linsolve/vector_paths.hpp"

using linsolve::at;
using linsolve::terminal;

namespace {

constexpr int kMaxPasses = 50;

constexpr std::string_view kOrder =
    "The number of equations must be positive while N = %(I1) is given.";
constexpr std::string_view kLda =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(I1) and LDA = %(I2) are given.";
constexpr std::string_view kLdfac =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(I1) and LDFAC = %(I2) are given.";
constexpr std::string_view kIpath = "IPATH must be either 1 or 2 while a value of %(I1) is given.";
constexpr std::string_view kIneffective =
    "The matrix is too ill-conditioned for iterative refinement to be effective.";

float largest_magnitude(int n, const float* v) { return std::fabs(v[ISAMAX(n, v, 1) - 1]); }

// LFIRG once its arguments have passed: the first solve, then the refinement.
// Returns on convergence, on a failed correction solve, or after recording the
// warning; a zero first solution is returned unrefined.
void solve_and_refine(int n, const float* a, int lda, const float* fac, int ldfac, const int* pivot,
                      const float* b, int ipath, float* x, float* resid) {
  LFSRG(n, fac, ldfac, pivot, b, ipath, x);
  if (largest_magnitude(n, x) == 0.0f) return;

  const float eps = AMACH(4);
  float previous = AMACH(2);
  for (int pass = 1; pass <= kMaxPasses; ++pass) {
    // Each element accumulated in double from -B(i), along row i of A (IPATH 1)
    // or down column i (IPATH 2), and rounded once.
    if (ipath == 1) {
      linsolve::residual_rows(n, a, lda, b, x, resid);
    } else {
      for (int i = 1; i <= n; ++i) resid[i - 1] = SDSDOT(n, -b[i - 1], &at(a, lda, 1, i), 1, x, 1);
    }
    LFSRG(n, fac, ldfac, pivot, resid, ipath, resid);
    if (N1RCD(1) != 0) return;
    SAXPY(n, -1.0f, resid, 1, x, 1);

    const float ratio = float(double(largest_magnitude(n, resid)) / largest_magnitude(n, x));
    if (ratio >= previous) {
      E1MES(kWarning, 2, kIneffective);
      return;
    }
    if (ratio <= eps) return;
    previous = ratio;
  }
  E1MES(kWarning, 2, kIneffective);
}

}  // namespace

void LFIRG(int n, const float* a, int lda, const float* fac, int ldfac, const int* pivot,
           const float* b, int ipath, float* x, float* resid) {
  E1PSH("LFIRG ");
  if (n <= 0)
    terminal(1, kOrder, {n});
  else if (n > lda)
    terminal(2, kLda, {n, lda});
  else if (n > ldfac)
    terminal(3, kLdfac, {n, ldfac});
  else if (ipath != 1 && ipath != 2)
    terminal(4, kIpath, {ipath});
  else
    solve_and_refine(n, a, lda, fac, ldfac, pivot, b, ipath, x, resid);
  E1POP("LFIRG ");
}
