// The driver: its checks, its work space, and what a solve prints.
#include "linsolve/driver.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "support.hpp"

namespace {

using linsolve_test::SolverTest;

class Driver : public SolverTest {};

TEST_F(Driver, NonPositiveOrderIsRefusedBeforeAnyWorkSpace) {
  for (int n : {0, -3}) {
    errstack::reset();
    clear_console();
    linsolve::state().failing_requests =
        linsolve::kRequestFac;  // would fail if a request were made
    float x = 5.0f;
    const float a = 1.0f, b = 1.0f;
    EXPECT_THROW(LSARG(n, &a, 1, &b, 1, &x), io::RunStopped);
    EXPECT_TRUE(printed(
        "TERMINAL ERROR 1 from LSARG.  The number of equations must be positive while N = " +
        std::to_string(n) + " is given."));
    EXPECT_FALSE(printed("storage"));
    EXPECT_EQ(x, 5.0f);
  }
}

TEST_F(Driver, EachFailedRequestIsTerminalCodeTwo) {
  const std::vector<float> a = {2, 0, 0, 2};
  const std::vector<float> b = {1, 1};
  for (unsigned which : {linsolve::kRequestFac, linsolve::kRequestWork, linsolve::kRequestPivot,
                         linsolve::kRequestFac | linsolve::kRequestPivot}) {
    errstack::reset();
    clear_console();
    linsolve::state().failing_requests = which;
    std::vector<float> x = {7, 7};
    EXPECT_THROW(LSARG(2, a.data(), 2, b.data(), 1, x.data()), io::RunStopped);
    EXPECT_TRUE(printed(
        "TERMINAL ERROR 2 from LSARG.  The required storage cannot be allocated.  The workspace "
        "is based on N, where N = 2."))
        << which;
    EXPECT_EQ(x, (std::vector<float>{7, 7}));
  }
}

TEST_F(Driver, OrderWhoseSquareOverflowsCannotBeAllocated) {
  const int n = 50000;  // N * N does not fit in 32 bits; only the two short arrays are obtained
  const float a = 1.0f, b = 1.0f;
  float x = 3.0f;
  EXPECT_THROW(LSARG(n, &a, n, &b, 1, &x), io::RunStopped);
  EXPECT_TRUE(printed(
      "The required storage cannot be allocated.  The workspace is based on N, where N = 50000."));
  EXPECT_EQ(x, 3.0f);
}

TEST_F(Driver, WorkerChecksLeadingDimensionAndPath) {
  const std::vector<float> a(9, 1.0f), b(3, 1.0f);
  std::vector<float> x(3, 8.0f);
  EXPECT_THROW(LSARG(3, a.data(), 2, b.data(), 1, x.data()), io::RunStopped);
  EXPECT_TRUE(printed(
      "TERMINAL ERROR 2 from L2ARG.  The order of the matrix must be less than or equal to its "
      "leading dimension while N = 3 and LDA = 2 are given."));
  for (int ipath : {0, 3}) {
    errstack::reset();
    clear_console();
    EXPECT_THROW(LSARG(3, a.data(), 3, b.data(), ipath, x.data()), io::RunStopped);
    EXPECT_TRUE(
        printed("TERMINAL ERROR 3 from L2ARG.  IPATH must be either 1 or 2 while a value of " +
                std::to_string(ipath) + " is given."));
  }
  EXPECT_EQ(x, std::vector<float>(3, 8.0f));
  // Called directly, the worker makes the order check itself.
  errstack::reset();
  clear_console();
  EXPECT_THROW(L2ARG(0, a.data(), 3, b.data(), 1, x.data(), nullptr, nullptr, nullptr),
               io::RunStopped);
  EXPECT_TRUE(
      printed("TERMINAL ERROR 1 from L2ARG.  The number of equations must be positive while N = 0 "
              "is given."));
}

TEST_F(Driver, ZeroRightHandSideGivesExactZero) {
  const int n = 6;
  const std::vector<float> a = linsolve_test::random_matrix(n, 21u);
  const std::vector<float> b(n, 0.0f);
  std::vector<float> x(n, 1.0f);
  LSARG(n, a.data(), n, b.data(), 1, x.data());
  EXPECT_EQ(x, std::vector<float>(n, 0.0f));
  EXPECT_EQ(console(), "");
}

TEST_F(Driver, PowerOfTwoOrderOne) {
  const float a = 0.25f, b = 3.0f;
  float x = 0.0f;
  LSARG(1, &a, 1, &b, 1, &x);
  EXPECT_EQ(x, 12.0f);
  EXPECT_EQ(linsolve::state().rcond, 1.0f);
  EXPECT_EQ(console(), "");
}

TEST_F(Driver, TransposedSystemAndInputsUnchanged) {
  // A = [[1, 2], [3, 4]] by rows; A x = (5, 11) gives (1, 2), transpose(A) x = (7, 10) gives (1,
  // 2).
  const std::vector<float> a = {1, 3, 2, 4};
  const std::vector<float> b1 = {5, 11}, b2 = {7, 10};
  std::vector<float> x(2);
  LSARG(2, a.data(), 2, b1.data(), 1, x.data());
  EXPECT_NEAR(x[0], 1.0f, 1e-6);
  EXPECT_NEAR(x[1], 2.0f, 1e-6);
  LSARG(2, a.data(), 2, b2.data(), 2, x.data());
  EXPECT_NEAR(x[0], 1.0f, 1e-6);
  EXPECT_NEAR(x[1], 2.0f, 1e-6);
  EXPECT_EQ(a, (std::vector<float>{1, 3, 2, 4}));
  EXPECT_EQ(b1, (std::vector<float>{5, 11}));
  EXPECT_EQ(b2, (std::vector<float>{7, 10}));
}

TEST_F(Driver, SingularMatrixStopsAtTheDriversPop) {
  const std::vector<float> a = {1, 2, 3, 2, 4, 6, 1, 1, 1};
  const std::vector<float> b = {1, 1, 1};
  std::vector<float> x(3, 4.0f);
  EXPECT_THROW(LSARG(3, a.data(), 3, b.data(), 1, x.data()), io::RunStopped);
  EXPECT_TRUE(printed("FATAL    ERROR 2 from LSARG.  The input matrix is singular."));
  EXPECT_EQ(x, std::vector<float>(3, 4.0f));
}

TEST_F(Driver, IllConditionedSolvePrintsOneWarning) {
  const int n = 8;
  const std::vector<float> a = linsolve_test::hilbert(n);
  const std::vector<float> b(n, 1.0f);
  std::vector<float> x(n, 0.0f);
  LSARG(n, a.data(), n, b.data(), 1, x.data());
  EXPECT_TRUE(
      printed("WARNING  ERROR 1 from LSARG.  The matrix is too ill-conditioned. An estimate of the "
              "reciprocal of its L1 condition number is RCOND = "));
  EXPECT_TRUE(printed("The solution might not be accurate."));
  EXPECT_EQ(console().find("WARNING"), console().rfind("WARNING"));
  EXPECT_LT(linsolve::state().rcond, 0x1p-23f);
  // The run goes on: the level is back to the user.
  EXPECT_EQ(N1RTY(1), kWarning);
}

}  // namespace
