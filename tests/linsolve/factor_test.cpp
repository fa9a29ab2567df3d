// The factorization: the layout of FAC, PIVOT and SCALE on small examples, the
// paneled elimination against one step at a time, the too-small pivot, and the
// argument checks of L2TRG and CRGRG.
#include "linsolve/factor.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "linsolve/factor_unblocked.hpp"
#include "support.hpp"

namespace {

using linsolve_test::bits;
using linsolve_test::SolverTest;

constexpr float kSmall = 0x1p-126f;
// Rounding differences of the panel sums carried through later steps stay
// within a few dozen units of the magnitudes an entry was formed from (24 at
// most on these matrices); a wrong exchange or update is millions of units off.
constexpr double kTolerance = 64.0;

struct Factors {
  std::vector<float> fac;
  std::vector<int> pivot;
  std::vector<float> scale;
  bool singular = false;
  std::vector<double> size;  // per entry: the sum of the magnitudes it was formed from
};

// The library's elimination one step at a time, with per entry the sum of the
// magnitudes it was formed from, replayed from the factors: step k exchanged
// rows k and PIVOT(k) on columns k to N and added U(k, j) times FAC(i, k) to
// FAC(i, j); neither is changed by a later step.
Factors reference_factor(int n, const std::vector<float>& a) {
  Factors r{a, std::vector<int>(n), std::vector<float>(n), false, {}};
  r.singular = linsolve::factor_unblocked(n, r.fac.data(), n, r.pivot.data(), r.scale.data());
  auto f = [&](int i, int j) { return r.fac[std::size_t(j - 1) * n + (i - 1)]; };
  r.size.resize(a.size());
  for (std::size_t k = 0; k < a.size(); ++k) r.size[k] = std::fabs(double(a[k]));
  auto size = [&](int i, int j) -> double& { return r.size[std::size_t(j - 1) * n + (i - 1)]; };
  for (int k = 1; k < n; ++k) {
    for (int j = k; j <= n; ++j) std::swap(size(k, j), size(r.pivot[k - 1], j));
    for (int j = k + 1; j <= n; ++j)
      for (int i = k + 1; i <= n; ++i) size(i, j) += std::fabs(double(f(k, j)) * f(i, k));
  }
  return r;
}

class Factor : public SolverTest {
 protected:
  // Factors a at level 3; returns the error type L2TRG ended with.
  int factor(int n, const std::vector<float>& a, Factors& out) {
    out.fac.assign(std::size_t(n) * n, -99.0f);
    out.pivot.assign(n, -1);
    out.scale.assign(n, -1.0f);
    enter_library();
    L2TRG(n, a.data(), n, out.fac.data(), n, out.pivot.data(), out.scale.data());
    return N1RTY(1);
  }
};

// Columns written row by row for readability.
std::vector<float> by_rows(int n, std::initializer_list<float> rows) {
  std::vector<float> a(std::size_t(n) * n);
  int k = 0;
  for (float v : rows) a[std::size_t(k % n) * n + k / n] = v, ++k;
  return a;
}

TEST_F(Factor, TwoByTwoTieKeepsTheFirstRow) {
  Factors f;
  EXPECT_EQ(factor(2, by_rows(2, {2, 1, 4, 3}), f), 0);
  EXPECT_EQ(f.pivot, (std::vector<int>{1, 2}));
  EXPECT_EQ(f.scale, (std::vector<float>{0.5f, 0.25f}));
  EXPECT_EQ(f.fac, by_rows(2, {2, 1, -2, 1}));
}

TEST_F(Factor, ThreeByThreeKeepsMultipliersWhereTheyWereStored) {
  Factors f;
  EXPECT_EQ(factor(3, by_rows(3, {2, 1, 1, 4, 3, 3, 8, 7, 9}), f), 0);
  EXPECT_EQ(f.pivot, (std::vector<int>{1, 3, 3}));
  EXPECT_EQ(f.scale, (std::vector<float>{0.5f, float(1.0 / 9), 0.25f}));
  const std::vector<float> want =
      by_rows(3, {2, 1, 1, -2, 3, 5, -4, float(-1.0 / 3), float(-2.0 / 3)});
  for (int i = 0; i < 8; ++i) EXPECT_EQ(f.fac[i], want[i]) << i;
  // -2/3 comes out of a rounding tie: accept the nearest float or the one beside it.
  EXPECT_TRUE(f.fac[8] == want[8] || bits(f.fac[8]) == 0xBF2AAAACu) << f.fac[8];
}

// The factors agree within a few units in the last place of the magnitude
// each entry was formed from (an entry that cancelled is judged against the
// sizes of what cancelled, as a rounding difference of a panel sum would be).
void expect_same_factors(int n, const Factors& got, const Factors& want, double tolerance) {
  EXPECT_EQ(got.pivot, want.pivot) << "order " << n;
  EXPECT_EQ(got.scale, want.scale) << "order " << n;
  double worst = 0.0;
  for (std::size_t k = 0; k < got.fac.size(); ++k) {
    // An entry formed from zeros only must come out exactly.
    const double unit =
        want.size[k] > 0.0 ? std::ldexp(1.0, std::ilogb(want.size[k]) - 23) : 0x1p-149;
    worst = std::max(worst, std::fabs(double(got.fac[k]) - want.fac[k]) / unit);
  }
  EXPECT_LE(worst, tolerance) << "order " << n;
}

TEST_F(Factor, PanelsMatchOneStepAtATime) {
  std::vector<int> orders;
  for (int n = 1; n <= 40; ++n) orders.push_back(n);
  orders.push_back(201);
  for (int n : orders) {
    const std::vector<float> a = linsolve_test::random_matrix(n, 1000u + n);
    Factors f;
    EXPECT_EQ(factor(n, a, f), 0) << n;
    expect_same_factors(n, f, reference_factor(n, a), kTolerance);
    errstack::reset();
  }
}

TEST_F(Factor, PanelsMatchOneStepAtATimeThroughTooSmallPivots) {
  // Zero columns inside and across panels: the step forms no multipliers and
  // the elimination goes on with the entries as they stand.
  const int n = 23;
  std::vector<float> a = linsolve_test::random_matrix(n, 77u);
  for (int j : {3, 9, 17})
    for (int i = 0; i < n; ++i) a[std::size_t(j - 1) * n + i] = 0.0f;
  Factors f;
  EXPECT_EQ(factor(n, a, f), kFatal);
  const Factors want = reference_factor(n, a);
  EXPECT_TRUE(want.singular);
  expect_same_factors(n, f, want, kTolerance);
}

TEST_F(Factor, ZeroRowGetsUnitScaleAndIsNeverPivot) {
  const std::vector<float> a = by_rows(3, {0, 0, 0, 1, 2, 3, 4, 5, 7});
  Factors f;
  EXPECT_EQ(factor(3, a, f), kFatal);  // the zero row ends as a zero last pivot
  // Step 1: 4/7 beats 1/3 and the zero row's 0; the zero row moves to row 3.
  // Step 2: row 2 holds 0.75, the zero row still 0.
  EXPECT_EQ(f.pivot, (std::vector<int>{3, 2, 3}));
  EXPECT_EQ(f.scale, (std::vector<float>{float(1.0 / 7), float(1.0 / 3), 1.0f}));
  EXPECT_EQ(f.fac[8], 0.0f);
}

TEST_F(Factor, ProportionalColumnsAreSingularAndTheRoutineReturns) {
  const std::vector<float> a = by_rows(3, {1, 2, 1, 2, 4, 1, 3, 6, 1});
  Factors f;
  EXPECT_EQ(factor(3, a, f), kFatal);
  EXPECT_EQ(N1RCD(1), 2);
  EXPECT_EQ(f.pivot[2], 3);
}

TEST_F(Factor, ZeroFirstColumnFlagsAndGoesOn) {
  const std::vector<float> a = by_rows(3, {0, 1, 2, 0, 4, 1, 0, 2, 8});
  Factors f;
  EXPECT_EQ(factor(3, a, f), kFatal);
  EXPECT_EQ(f.pivot[0], 1);
  // Step 2 still eliminates column 2: rows 2 and 3 hold 4 and 2 (scales 1/4, 1/8).
  EXPECT_EQ(f.pivot[1], 2);
  EXPECT_EQ(f.fac[std::size_t(1) * 3 + 2], -0.5f);
  EXPECT_EQ(f.fac, reference_factor(3, a).fac);
}

TEST_F(Factor, SingularStopsTheRunAtLevelTwo) {
  std::vector<float> fac(9), scale(3);
  std::vector<int> pivot(3);
  const std::vector<float> a(9, 1.0f);
  EXPECT_THROW(L2TRG(3, a.data(), 3, fac.data(), 3, pivot.data(), scale.data()), io::RunStopped);
  EXPECT_TRUE(
      printed("The input matrix is singular.  Some of the diagonal elements of the upper "
              "triangular matrix U of the LU factorization are close to zero."));
}

TEST_F(Factor, SmallestNormalIsTooSmallAsPivotButNotAsRowScale) {
  Factors f;
  EXPECT_EQ(factor(2, by_rows(2, {kSmall, 0, 0, 1}), f), kFatal);
  EXPECT_EQ(f.scale[0], 0x1p126f);
  errstack::reset();
  EXPECT_EQ(factor(1, {0x1p-125f}, f), 0);
  EXPECT_EQ(f.fac[0], 0x1p-125f);
  EXPECT_EQ(f.pivot[0], 1);
  errstack::reset();
  EXPECT_EQ(factor(1, {-kSmall}, f), kFatal);
  errstack::reset();
  // A row below the smallest normal gets the scale 1.0.
  EXPECT_EQ(factor(2, by_rows(2, {0x1p-130f, 0, 0, 1}), f), kFatal);
  EXPECT_EQ(f.scale[0], 1.0f);
}

TEST_F(Factor, RowsBeyondTheOrderAreNotTouched) {
  // A 2 by 2 system inside 4 by 2 storage, factored into 3 by 2 storage.
  const std::vector<float> a = {2, 4, 77, 78, 1, 3, 79, 80};
  const std::vector<float> before = a;
  std::vector<float> fac = {-9, -9, -9, -9, -9, -9};
  std::vector<float> scale(2);
  std::vector<int> pivot(2);
  enter_library();
  L2TRG(2, a.data(), 4, fac.data(), 3, pivot.data(), scale.data());
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(a, before);
  EXPECT_EQ(fac, (std::vector<float>{2, -2, -9, 1, 1, -9}));
}

TEST_F(Factor, ArgumentChecksInOrderTouchNothing) {
  struct Case {
    int n, lda, ldfac, code;
    const char* text;
  };
  const Case cases[] = {
      {0, 3, 3, 1, "The order of the matrix must be positive while N = 0 is given."},
      {-4, 3, 3, 1, "The order of the matrix must be positive while N = -4 is given."},
      {3, 2, 2, 2,
       "The order of the matrix must be less than or equal to its leading dimension while N = 3 "
       "and "
       "LDA = 2 are given."},
      {3, 3, 2, 3,
       "The order of the matrix must be less than or equal to its leading dimension while N = 3 "
       "and "
       "LDFAC = 2 are given."},
  };
  for (const Case& c : cases) {
    errstack::reset();
    clear_console();
    std::vector<float> a(9, 1.0f), fac(9, -1.0f), scale(3, -1.0f);
    std::vector<int> pivot(3, -1);
    enter_library();
    EXPECT_THROW(L2TRG(c.n, a.data(), c.lda, fac.data(), c.ldfac, pivot.data(), scale.data()),
                 io::RunStopped);
    // One message only: the first failing check.
    EXPECT_TRUE(printed("TERMINAL ERROR " + std::to_string(c.code) + " from L2TRG.  " + c.text))
        << c.text;
    EXPECT_EQ(console().find("ERROR"), console().rfind("ERROR"));
    EXPECT_EQ(fac, std::vector<float>(9, -1.0f));
    EXPECT_EQ(pivot, std::vector<int>(3, -1));
    EXPECT_EQ(scale, std::vector<float>(3, -1.0f));
  }
}

TEST_F(Factor, CopyMovesBitsAndChecksItsArguments) {
  std::vector<float> a = {std::numeric_limits<float>::quiet_NaN(), -0.0f, 1.5f, 7.0f};
  std::vector<float> b(6, 5.0f);
  enter_library();
  CRGRG(2, a.data(), 2, b.data(), 3);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(bits(b[0]), bits(a[0]));
  EXPECT_EQ(bits(b[1]), bits(-0.0f));
  EXPECT_EQ(b[2], 5.0f);
  EXPECT_EQ(b[3], 1.5f);
  EXPECT_EQ(b[5], 5.0f);

  const char* texts[] = {"The argument N = 0.  It must be at least 1.",
                         "The argument LDA = 1.  It must be at least as large as N = 2.",
                         "The argument LDB = 1.  It must be at least as large as N = 2."};
  const int args[][3] = {{0, 2, 2}, {2, 1, 2}, {2, 2, 1}};
  for (int c = 0; c < 3; ++c) {
    errstack::reset();
    std::vector<float> out(6, 5.0f);
    EXPECT_THROW(CRGRG(args[c][0], a.data(), args[c][1], out.data(), args[c][2]), io::RunStopped);
    EXPECT_TRUE(printed(texts[c])) << texts[c];
    EXPECT_EQ(out, std::vector<float>(6, 5.0f));
  }
}

}  // namespace
