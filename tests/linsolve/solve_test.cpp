// The triangular solve, the solve with the factors and the refinement.
#include "linsolve/solve.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "linsolve/condition.hpp"
#include "linsolve/factor.hpp"
#include "linsolve/refine.hpp"
#include "linsolve/triangular.hpp"
#include "support.hpp"

namespace {

using linsolve_test::SolverTest;

class Solve : public SolverTest {};

// A well-conditioned n by n triangle-friendly matrix: random with a heavy diagonal.
std::vector<float> triangle_matrix(int n) {
  std::vector<float> a = linsolve_test::random_matrix(n, 31u);
  for (int i = 0; i < n; ++i) a[std::size_t(i) * n + i] = float(4.0 + i % 3);
  return a;
}

// The solution of the triangular system in double, for comparison.
std::vector<double> triangle_solve(int n, const std::vector<float>& a, const std::vector<float>& b,
                                   bool upper, bool transposed, bool unit) {
  std::vector<float> t(std::size_t(n) * n, 0.0f);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const bool in = upper ? i <= j : i >= j;
      if (in) t[std::size_t(j) * n + i] = (unit && i == j) ? 1.0f : a[std::size_t(j) * n + i];
    }
  return linsolve_test::solve_double(n, t, std::vector<double>(b.begin(), b.end()), transposed);
}

TEST_F(Solve, TriangularSolvesAllCasesAndStrides) {
  const int n = 7;
  const std::vector<float> a = triangle_matrix(n);
  const std::vector<float> b = linsolve_test::random_vector(n, 5u);
  for (char uplo : {'U', 'l'})
    for (char trans : {'N', 't', 'C'})
      for (char diag : {'N', 'u'})
        for (int incx : {1, 2, -1, -3}) {
          const int step = std::abs(incx);
          std::vector<float> x(std::size_t(n - 1) * step + 1, 99.0f);
          for (int i = 1; i <= n; ++i) x[incx > 0 ? (i - 1) * step : (n - i) * step] = b[i - 1];
          STRSV(uplo, trans, diag, n, a.data(), n, x.data(), incx);
          const std::vector<double> want =
              triangle_solve(n, a, b, uplo == 'U', trans != 'N', diag == 'u');
          for (int i = 1; i <= n; ++i)
            EXPECT_NEAR(x[incx > 0 ? (i - 1) * step : (n - i) * step], want[i - 1], 1e-5)
                << uplo << trans << diag << incx << " element " << i;
          if (step > 1) {
            EXPECT_EQ(x[1], 99.0f);  // between the elements nothing is written
          }
        }
  EXPECT_EQ(console(), "");
}

TEST_F(Solve, TriangularArgumentChecks) {
  float a[4] = {1, 0, 0, 1};
  float x[2] = {3, 4};
  STRSV('U', 'N', 'N', 0, a, 1, x, 1);  // N = 0: nothing happens, nothing recorded
  EXPECT_EQ(console(), "");
  struct Case {
    char uplo, trans, diag;
    int n, lda, incx, code;
    const char* text;
  };
  const Case cases[] = {
      {'U', 'N', 'N', -1, 2, 1, 1, "N must be greater than or equal to zero while -1 is given."},
      {'U', 'N', 'N', 0, 0, 1, 2,
       "LDA must be greater than or equal to N and greater than zero while LDA = 0 and N = 0 are "
       "given."},
      {'U', 'N', 'N', 2, 1, 1, 2,
       "LDA must be greater than or equal to N and greater than zero while LDA = 1 and N = 2 are "
       "given."},
      {'U', 'N', 'N', 2, 2, 0, 3, "INCX must not be equal to zero while 0 is given."},
      {'X', 'Q', 'N', 2, 2, 1, 4, "TRANS must be set equal to N or T or C while Q is given."},
      {'X', 'N', 'N', 2, 2, 1, 5, "UPLO must be set equal to U or L while X is given."},
      {'U', 'N', 'x', 2, 2, 1, 6, "DIAG must be set equal to U or N while x is given."},
  };
  for (const Case& c : cases) {
    errstack::reset();
    clear_console();
    EXPECT_THROW(STRSV(c.uplo, c.trans, c.diag, c.n, a, c.lda, x, c.incx), io::RunStopped);
    EXPECT_TRUE(printed("TERMINAL ERROR " + std::to_string(c.code) + " from STRSV.  " + c.text))
        << c.text;
    EXPECT_EQ(x[0], 3.0f);
  }
}

// Factors at level 3, as L2CRG would.
void factor(int n, const std::vector<float>& a, std::vector<float>& fac, std::vector<int>& pivot) {
  fac.assign(std::size_t(n) * n, 0.0f);
  pivot.assign(n, 0);
  std::vector<float> scale(n);
  L2TRG(n, a.data(), n, fac.data(), n, pivot.data(), scale.data());
}

TEST_F(Solve, FactorSolveBothPaths) {
  const int n = 12;
  const std::vector<float> a = linsolve_test::random_matrix(n, 8u);
  const std::vector<float> b = linsolve_test::random_vector(n, 9u);
  std::vector<float> fac;
  std::vector<int> pivot;
  enter_library();
  factor(n, a, fac, pivot);
  for (int ipath : {1, 2}) {
    std::vector<float> x(n);
    LFSRG(n, fac.data(), n, pivot.data(), b.data(), ipath, x.data());
    EXPECT_EQ(N1RCD(1), 0);
    const std::vector<double> want =
        linsolve_test::solve_double(n, a, {b.begin(), b.end()}, ipath == 2);
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(x[i], want[i], 1e-4 * (1 + std::fabs(want[i]))) << ipath;
    // In place, as the refinement calls it.
    std::vector<float> y = b;
    LFSRG(n, fac.data(), n, pivot.data(), y.data(), ipath, y.data());
    EXPECT_EQ(y, x);
  }
}

TEST_F(Solve, FactorSolveRefusesTinyDiagonalAndBadPath) {
  const float fac[4] = {1.0f, 0.0f, 0.0f, 0x1p-126f};
  const int pivot[2] = {1, 2};
  const float b[2] = {3.0f, 4.0f};
  for (int ipath : {1, 2}) {
    errstack::reset();
    clear_console();
    float x[2] = {0, 0};
    EXPECT_THROW(LFSRG(2, fac, 2, pivot, b, ipath, x), io::RunStopped);
    EXPECT_TRUE(printed("TERMINAL ERROR " + std::to_string(ipath + 2) +
                        " from LFSRG.  The input matrix is singular."));
    EXPECT_EQ(x[0], 3.0f);  // the copy of B was made
  }
  // 2^-125 is not too small.
  errstack::reset();
  const float fac2[4] = {1.0f, 0.0f, 0.0f, 0x1p-125f};
  float x[2];
  LFSRG(2, fac2, 2, pivot, b, 1, x);
  EXPECT_EQ(x[1], 4.0f * 0x1p125f);

  errstack::reset();
  clear_console();
  float y[2] = {0, 0};
  EXPECT_THROW(LFSRG(2, fac2, 2, pivot, b, 3, y), io::RunStopped);
  EXPECT_TRUE(printed(
      "TERMINAL ERROR 5 from LFSRG.  IPATH must be either 1 or 2 while a value of 3 is given."));
  EXPECT_EQ(y[0], 3.0f);
  EXPECT_EQ(y[1], 4.0f);
}

TEST_F(Solve, RefinementStopsOnZeroAndExactSolutions) {
  // Zero right-hand side: exact zero, no pass (RESID keeps its contents).
  const int n = 5;
  const std::vector<float> a = linsolve_test::random_matrix(n, 3u);
  std::vector<float> fac;
  std::vector<int> pivot;
  enter_library();
  factor(n, a, fac, pivot);
  std::vector<float> b(n, 0.0f), x(n, 1.0f), resid(n, 42.0f);
  LFIRG(n, a.data(), n, fac.data(), n, pivot.data(), b.data(), 1, x.data(), resid.data());
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(x, std::vector<float>(n, 0.0f));
  EXPECT_EQ(resid, std::vector<float>(n, 42.0f));

  // A diagonal of powers of two: the first solution is exact, one pass, no warning.
  const std::vector<float> d = {2, 0, 0, 0, 0.25f, 0, 0, 0, -8};
  factor(3, d, fac, pivot);
  const std::vector<float> rhs = {1, 3, 5};
  std::vector<float> y(3), r(3, 42.0f);
  LFIRG(3, d.data(), 3, fac.data(), 3, pivot.data(), rhs.data(), 2, y.data(), r.data());
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(y, (std::vector<float>{0.5f, 12.0f, -0.625f}));
  EXPECT_EQ(r, std::vector<float>(3, 0.0f));
}

TEST_F(Solve, RefinementImprovesAndLeavesAIntact) {
  const int n = 30;
  const std::vector<float> a = linsolve_test::random_matrix(n, 12u);
  const std::vector<float> b = linsolve_test::random_vector(n, 13u);
  std::vector<float> fac;
  std::vector<int> pivot;
  enter_library();
  factor(n, a, fac, pivot);
  std::vector<float> x(n), resid(n), first(n);
  LFSRG(n, fac.data(), n, pivot.data(), b.data(), 1, first.data());
  LFIRG(n, a.data(), n, fac.data(), n, pivot.data(), b.data(), 1, x.data(), resid.data());
  EXPECT_EQ(N1RTY(1), 0);
  const std::vector<double> want = linsolve_test::solve_double(n, a, {b.begin(), b.end()});
  double err_first = 0, err_refined = 0;
  for (int i = 0; i < n; ++i) {
    err_first = std::max(err_first, std::fabs(first[i] - want[i]));
    err_refined = std::max(err_refined, std::fabs(x[i] - want[i]));
  }
  EXPECT_LE(err_refined, err_first);
  EXPECT_EQ(a, linsolve_test::random_matrix(n, 12u));
}

TEST_F(Solve, HilbertTwelveDefeatsTheRefinement) {
  const int n = 12;
  const std::vector<float> a = linsolve_test::hilbert(n);
  std::vector<float> fac;
  std::vector<int> pivot;
  enter_library();
  factor(n, a, fac, pivot);
  const std::vector<float> ones(n, 1.0f);
  std::vector<float> x(n), resid(n);
  LFIRG(n, a.data(), n, fac.data(), n, pivot.data(), ones.data(), 1, x.data(), resid.data());
  EXPECT_EQ(N1RTY(1), kWarning);
  EXPECT_EQ(N1RCD(1), 2);
  for (float v : x) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(Solve, RefinementArgumentChecks) {
  struct Case {
    int n, lda, ldfac, ipath, code;
    const char* text;
  };
  const Case cases[] = {
      {0, 2, 2, 1, 1, "The number of equations must be positive while N = 0 is given."},
      {2, 1, 2, 1, 2,
       "The order of the matrix must be less than or equal to its leading dimension while N = 2 "
       "and LDA = 1 "
       "are given."},
      {2, 2, 1, 1, 3,
       "The order of the matrix must be less than or equal to its leading dimension while N = 2 "
       "and LDFAC = "
       "1 are given."},
      {2, 2, 2, 0, 4, "IPATH must be either 1 or 2 while a value of 0 is given."},
  };
  const float a[4] = {1, 0, 0, 1};
  const int pivot[2] = {1, 2};
  const float b[2] = {1, 2};
  for (const Case& c : cases) {
    errstack::reset();
    clear_console();
    float x[2] = {9, 9}, r[2];
    EXPECT_THROW(LFIRG(c.n, a, c.lda, a, c.ldfac, pivot, b, c.ipath, x, r), io::RunStopped);
    EXPECT_TRUE(printed("TERMINAL ERROR " + std::to_string(c.code) + " from LFIRG.  " + c.text))
        << c.text;
    EXPECT_EQ(x[0], 9.0f);
  }
}

}  // namespace
