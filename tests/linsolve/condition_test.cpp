// The L1 norm and the condition estimate.
#include "linsolve/condition.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "support.hpp"

namespace {

using linsolve_test::SolverTest;

class Condition : public SolverTest {
 protected:
  // L2CRG at level 3; returns RCOND, with the error type and code it ended with.
  float rcond_of(int n, const std::vector<float>& a) {
    fac_.assign(std::size_t(n) * n, 0.0f);
    pivot_.assign(n, 0);
    work_.assign(n, 0.0f);
    float rcond = -1.0f;
    enter_library();
    L2CRG(n, a.data(), n, fac_.data(), n, pivot_.data(), rcond, work_.data());
    type_ = N1RTY(1);
    code_ = N1RCD(1);
    return rcond;
  }

  std::vector<float> fac_, work_;
  std::vector<int> pivot_;
  int type_ = -1, code_ = -1;
};

std::vector<float> identity(int n, float d = 1.0f) {
  std::vector<float> a(std::size_t(n) * n, 0.0f);
  for (int i = 0; i < n; ++i) a[std::size_t(i) * n + i] = d;
  return a;
}

TEST_F(Condition, IdentityAndPowersOfTwoGiveExactlyOne) {
  for (int n : {1, 2, 4, 8, 9, 17}) {
    errstack::reset();
    EXPECT_EQ(rcond_of(n, identity(n)), 1.0f) << n;
    EXPECT_EQ(type_, 0);
  }
  for (float d : {4.0f, 0.5f, -0.25f}) {
    errstack::reset();
    EXPECT_EQ(rcond_of(1, {d}), 1.0f) << d;
    EXPECT_EQ(rcond_of(3, identity(3, d)), 1.0f) << d;
  }
  // The estimator leaves its normalised vector: L1 norm 1.
  double sum = 0.0;
  for (float z : work_) sum += std::fabs(z);
  EXPECT_FLOAT_EQ(float(sum), 1.0f);
}

TEST_F(Condition, EstimateIsWithinTenOfTheTruth) {
  for (int n : {2, 3, 5, 10, 50}) {
    errstack::reset();
    const std::vector<float> a = linsolve_test::random_matrix(n, 500u + n);
    const double truth = linsolve_test::true_rcond(n, a);
    const float got = rcond_of(n, a);
    EXPECT_GE(got, truth / 10) << n;
    EXPECT_LE(got, truth * 10) << n;
  }
}

TEST_F(Condition, HilbertEightIsAlgorithmicallySingular) {
  const float rcond = rcond_of(8, linsolve_test::hilbert(8));
  EXPECT_GT(rcond, 1e-11f);
  EXPECT_LT(rcond, 1e-9f);
  EXPECT_EQ(type_, kWarning);
  EXPECT_EQ(code_, 1);
  // Printed at the pop of level 2, with the estimate.
  E1POP("CALLER ");
  EXPECT_TRUE(printed(
      "WARNING ERROR 1 from CALLER.  The matrix is algorithmically singular.  An estimate of "
      "the reciprocal of its L1 condition number is RCOND = "));
  EXPECT_TRUE(printed("E-10.") || printed("E-11."));
}

TEST_F(Condition, SingularMatrixKeepsOneAndDoesNotWarn) {
  const std::vector<float> a = {1, 2, 3, 2, 4, 6, 1, 1, 1};
  EXPECT_EQ(rcond_of(3, a), 1.0f);
  EXPECT_EQ(type_, kFatal);
  EXPECT_EQ(code_, 2);
  EXPECT_FALSE(printed("algorithmically"));
}

TEST_F(Condition, ArgumentChecksInOrder) {
  struct Case {
    int n, lda, ldfac, code;
    const char* text;
  };
  const Case cases[] = {
      {0, 1, 1, 1, "The order of the matrix must be positive while N = 0 is given."},
      {2, 1, 1, 2,
       "The order of the matrix must be less than or equal to its leading dimension while N = 2 "
       "and LDA = 1 "
       "are given."},
      {2, 2, 1, 3,
       "The order of the matrix must be less than or equal to its leading dimension while N = 2 "
       "and LDFAC = "
       "1 are given."},
  };
  for (const Case& c : cases) {
    errstack::reset();
    clear_console();
    std::vector<float> a(4, 1.0f), fac(4, 7.0f), work(2, 7.0f);
    std::vector<int> pivot(2, 7);
    float rcond = 7.0f;
    EXPECT_THROW(L2CRG(c.n, a.data(), c.lda, fac.data(), c.ldfac, pivot.data(), rcond, work.data()),
                 io::RunStopped);
    EXPECT_TRUE(printed("TERMINAL ERROR " + std::to_string(c.code) + " from L2CRG.  " + c.text))
        << c.text;
    EXPECT_EQ(rcond, 7.0f);
    EXPECT_EQ(fac, std::vector<float>(4, 7.0f));
  }
}

TEST_F(Condition, NormIsTheLargestColumnSum) {
  const std::vector<float> a = {1, -2, 9, 0, 0, 9, -3, 0, 9};  // lda 3, rows 1..2 used
  float norm = -1.0f;
  enter_library();
  NR1RR(2, 3, a.data(), 3, norm);
  EXPECT_EQ(norm, 3.0f);  // the zero column never lowers it
  const std::vector<float> zeros(4, -0.0f);
  NR1RR(2, 2, zeros.data(), 2, norm);
  EXPECT_EQ(norm, 0.0f);
  EXPECT_EQ(N1RTY(1), 0);
}

TEST_F(Condition, NormArgumentErrors) {
  const std::vector<float> a(4, 1.0f);
  float norm = 5.0f;
  enter_library();
  EXPECT_THROW(NR1RR(3, 1, a.data(), 2, norm), io::RunStopped);
  EXPECT_TRUE(
      printed("The number of rows of the input matrix must be less than or equal to the leading "
              "dimension while NRA = 3 and LDA = 2 are given."));
  // Both counts bad: both recorded, code 3 stands, NORM1 untouched.
  errstack::reset();
  clear_console();
  enter_library();
  EXPECT_THROW(NR1RR(0, -1, a.data(), 2, norm), io::RunStopped);
  EXPECT_TRUE(printed(
      "TERMINAL ERROR 2 from NR1RR.  The number of rows of the input matrix must be greater "
      "than zero while NRA = 0 is given."));
  EXPECT_TRUE(
      printed("TERMINAL ERROR 3 from NR1RR.  The number of columns of the input matrix must be "
              "greater than zero while NCA = -1 is given."));
  EXPECT_EQ(norm, 5.0f);
}

}  // namespace
