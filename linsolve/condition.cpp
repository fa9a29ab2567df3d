// The L1 norm and the condition estimate: one pass of the estimator that solves
// transpose(A) y = e with e of entries +-1 chosen to make y large, then A z = y,
// and takes g, the growth of z carried through every scaling; RCOND = g / ||A||1.
#include "linsolve/condition.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "errstack/errstack.hpp"
#include "linsolve/checks.hpp"
#include "linsolve/factor.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/matrix_access.hpp"
#include "linsolve/vector_paths.hpp"

using linsolve::at;
using linsolve::terminal;

namespace {

constexpr std::string_view kRowsLda =
    "The number of rows of the input matrix must be less than or equal to the leading "
    "dimension while NRA = %(I1) and LDA = %(I2) are given.";
constexpr std::string_view kRows =
    "The number of rows of the input matrix must be greater than zero while NRA = %(I1) is "
    "given.";
constexpr std::string_view kColumns =
    "The number of columns of the input matrix must be greater than zero while NCA = %(I1) "
    "is given.";

constexpr std::string_view kOrder =
    "The order of the matrix must be positive while N = %(I1) is given.";
constexpr std::string_view kLda =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(I1) and LDA = %(I2) are given.";
constexpr std::string_view kLdfac =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(I1) and LDFAC = %(I2) are given.";
constexpr std::string_view kFlag =
    "The flag value for computing the matrix condition number must be 1 or 2 while %(I1) is "
    "given.";
constexpr std::string_view kAlgorithmicallySingular =
    "The matrix is algorithmically singular.  An estimate of the reciprocal of its L1 "
    "condition number is RCOND = %(R1).";

constexpr int kConditionOption = 17;
constexpr int kEstimate = 2;
constexpr int kNoEstimate = 1;

// z = s * z with s = 1 / ||z||1; returns s.
float normalise(int n, float* z) {
  const float s = float(1.0 / SASUM(n, z, 1));
  SSCAL(n, s, z, 1);
  return s;
}

// The estimator over the factors; returns g, the reciprocal of the estimate of
// ||A^-1||1. z, ek, w+, t and every scale factor are floats; w- and the sums
// s+ and s- stay in double until compared or used.
float estimate(int n, const float* fac, int ldfac, const int* pivot, float* z) {
  auto u = [&](int i, int j) { return at(fac, ldfac, i, j); };

  // Phase 1: transpose(U) w = e, the signs of e chosen as we go. Each step
  // walks a row of U, in a copy of the next eight rows laid out one after
  // another with unit stride while they fit.
  constexpr int kStrip = 512;
  float strip[8 * kStrip];
  bool stripped = false;
  float ek = 1.0f;
  SFILL(n, 0.0f, z, 1);
  for (int k = 1; k <= n; ++k) {
    const int r = (k - 1) % 8;
    if (r == 0) {
      stripped = n - k <= kStrip;
      if (stripped)
        linsolve::rows_to_strip(std::min(8, n - k + 1), n - k, &at(fac, ldfac, k, k + 1), ldfac,
                                strip, kStrip);
    }
    const float zk = z[k - 1];
    if (zk != 0.0f) ek = zk > 0.0f ? -std::fabs(ek) : std::fabs(ek);
    const float ukk = u(k, k);
    if (std::fabs(double(ek) - z[k - 1]) > std::fabs(ukk)) {
      const float s = float(std::fabs(double(ukk)) / std::fabs(double(ek) - z[k - 1]));
      SSCAL(n, s, z, 1);
      ek = float(double(s) * ek);
    }
    float wp = float(double(ek) - z[k - 1]);
    double wm = -double(ek) - z[k - 1];
    const double sp = std::fabs(double(wp));
    const double sm = std::fabs(wm);
    if (ukk != 0.0f) {
      wp = float(double(wp) / ukk);
      wm = wm / ukk;
    } else {
      wp = 1.0f;
      wm = 1.0;
    }
    // z(j) += w+ u(k, j) over the rest of the row, and the sums of both choices;
    // when w- wins (a tie keeps w+), z(j) += (w- - w+) u(k, j) as well.
    bool minus = false;
    if (k < n)
      minus = stripped ? linsolve::estimate_row(n - k, wp, wm, sp, sm, &strip[r * kStrip + r], 1,
                                                &z[k]) != 0
                       : linsolve::estimate_row(n - k, wp, wm, sp, sm, &at(fac, ldfac, k, k + 1),
                                                ldfac, &z[k]) != 0;
    if (minus) wp = float(wm);
    z[k - 1] = wp;
  }
  normalise(n, z);

  // Phase 2: transpose(L) y = w.
  for (int k = n; k >= 1; --k) {
    if (k < n)
      z[k - 1] = float(z[k - 1] + double(SDOT(n - k, &at(fac, ldfac, k + 1, k), 1, &z[k], 1)));
    if (std::fabs(z[k - 1]) > 1.0f) SSCAL(n, float(1.0 / std::fabs(z[k - 1])), z, 1);
    std::swap(z[pivot[k - 1] - 1], z[k - 1]);
  }
  normalise(n, z);
  float g = 1.0f;

  // Phase 3: L v = y.
  for (int k = 1; k <= n; ++k) {
    std::swap(z[pivot[k - 1] - 1], z[k - 1]);
    const float t = z[k - 1];
    if (k < n) SAXPY(n - k, t, &at(fac, ldfac, k + 1, k), 1, &z[k], 1);
    if (std::fabs(z[k - 1]) > 1.0f) {
      const float s = float(1.0 / std::fabs(z[k - 1]));
      SSCAL(n, s, z, 1);
      g = float(double(s) * g);
    }
  }
  g = float(double(normalise(n, z)) * g);

  // Phase 4: U z = v.
  for (int k = n; k >= 1; --k) {
    const float ukk = u(k, k);
    if (std::fabs(z[k - 1]) > std::fabs(ukk)) {
      const float s = float(std::fabs(double(ukk)) / std::fabs(z[k - 1]));
      SSCAL(n, s, z, 1);
      g = float(double(s) * g);
    }
    z[k - 1] = ukk != 0.0f ? float(double(z[k - 1]) / ukk) : 1.0f;
    const float t = -z[k - 1];
    SAXPY(k - 1, t, &at(fac, ldfac, 1, k), 1, z, 1);
  }
  g = float(double(normalise(n, z)) * g);
  return g;
}

// The largest column sum of |A|; a zero column never lowers it (>=).
void largest_column_sum(int nra, int nca, const float* a, int lda, float& norm1) {
  norm1 = 0.0f;
  for (int j = 1; j <= nca; ++j) {
    const float c = SASUM(nra, &at(a, lda, 1, j), 1);
    if (c >= norm1) norm1 = c;
  }
}

// L2CRG once its arguments have passed.
void factor_and_estimate(int n, const float* a, int lda, float* fac, int ldfac, int* pivot,
                         float& rcond, float* work) {
  rcond = 1.0f;

  const int option[1] = {kConditionOption};
  int values[2] = {0, 0};
  IUMAG("MATH", 1, 1, 1, option, values);
  const int flag = values[1];
  if (flag != kNoEstimate && flag != kEstimate) {
    terminal(4, kFlag, {flag});
    return;
  }

  float norm1 = 0.0f;
  if (flag == kEstimate) NR1RR(n, n, a, lda, norm1);

  L2TRG(n, a, lda, fac, ldfac, pivot, work);
  // A singular matrix: RCOND stays 1.0, with neither estimate nor warning.
  if (N1RTY(1) == kFatal) return;

  if (flag == kEstimate) {
    const float g = estimate(n, fac, ldfac, pivot, work);
    if (norm1 != 0.0f) rcond = float(double(g) / norm1);
  }
  if (rcond <= AMACH(4)) {
    E1ARGR(1, rcond);
    E1MES(kWarning, 1, kAlgorithmicallySingular);
  }
}

}  // namespace

void NR1RR(int nra, int nca, const float* a, int lda, float& norm1) {
  E1PSH("NR1RR ");
  // Not a first-failure ladder: past the leading dimension both counts are
  // checked and each failure is recorded (the later code stands); the norm is
  // formed only when neither failed.
  if (nra > lda) {
    terminal(1, kRowsLda, {nra, lda});
  } else {
    if (nra <= 0) terminal(2, kRows, {nra});
    if (nca <= 0) terminal(3, kColumns, {nca});
    if (N1RCD(0) == 0) largest_column_sum(nra, nca, a, lda, norm1);
  }
  E1POP("NR1RR ");
}

void L2CRG(int n, const float* a, int lda, float* fac, int ldfac, int* pivot, float& rcond,
           float* work) {
  E1PSH("L2CRG ");
  if (n <= 0)
    terminal(1, kOrder, {n});
  else if (n > lda)
    terminal(2, kLda, {n, lda});
  else if (n > ldfac)
    terminal(3, kLdfac, {n, ldfac});
  else
    factor_and_estimate(n, a, lda, fac, ldfac, pivot, rcond, work);
  E1POP("L2CRG ");
}
