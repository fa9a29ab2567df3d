// The vector kernels: increments, unrolling remainders, double accumulation and
// the first-maximum rules of the searches.
#include "linsolve/kernels.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

std::vector<float> ramp(int n, float first = 1.0f) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = first + float(i);
  return v;
}

TEST(Kernels, NonPositiveCountsChangeNothing) {
  float x[3] = {1, 2, 3};
  float y[3] = {4, 5, 6};
  SFILL(0, 9.0f, x, 1);
  SSCAL(-1, 9.0f, x, 1);
  SCOPY(0, x, 1, y, 1);
  SAXPY(0, 2.0f, x, 1, y, 1);
  EXPECT_EQ(x[0], 1.0f);
  EXPECT_EQ(y[0], 4.0f);
  EXPECT_EQ(SDOT(0, x, 1, y, 1), 0.0f);
  EXPECT_EQ(SASUM(-2, x, 1), 0.0f);
  EXPECT_EQ(SDSDOT(0, 7.5f, x, 1, y, 1), 7.5f);
  EXPECT_EQ(ISAMAX(0, x, 1), 0);
  int imax = -5;
  ISPMAX(0, x, y, imax);
  EXPECT_EQ(imax, 1);
}

// Every unit-stride loop against its strided walk, across the remainders of the
// unrolling (counts 0 to 20 cover every remainder of 4 to 8 and several groups).
TEST(Kernels, UnrolledLoopsMatchStridedWalks) {
  for (int n = 0; n <= 20; ++n) {
    std::vector<float> x(n), y(n), xs(2 * n + 1), ys(3 * n + 1);
    for (int i = 0; i < n; ++i) {
      x[i] = xs[2 * i] = float(i % 2 ? -1 : 1) * (0.1f * float(i) + 1.0f / 3.0f);
      y[i] = ys[3 * i] = 1.0f / float(i + 7);
    }
    EXPECT_EQ(SDOT(n, x.data(), 1, y.data(), 1), SDOT(n, xs.data(), 2, ys.data(), 3)) << n;
    EXPECT_EQ(SASUM(n, x.data(), 1), SASUM(n, xs.data(), 2)) << n;

    std::vector<float> u = y, us = ys;
    SAXPY(n, 0.7f, x.data(), 1, u.data(), 1);
    SAXPY(n, 0.7f, xs.data(), 2, us.data(), 3);
    for (int i = 0; i < n; ++i) EXPECT_EQ(u[i], us[3 * i]) << n;

    u = x;
    us = xs;
    SSCAL(n, 1.1f, u.data(), 1);
    SSCAL(n, 1.1f, us.data(), 2);
    for (int i = 0; i < n; ++i) EXPECT_EQ(u[i], us[2 * i]) << n;

    std::vector<float> c(n + 1, -1.0f);
    SCOPY(n, x.data(), 1, c.data(), 1);
    SFILL(n, 5.0f, us.data(), 2);
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(c[i], x[i]);
      EXPECT_EQ(us[2 * i], 5.0f);
    }
    EXPECT_EQ(c[n], -1.0f) << "written past the end at " << n;
  }
}

TEST(Kernels, AbsoluteSumCoversRemainderAndGroup) {
  std::vector<float> x = ramp(11);
  for (int i = 1; i < 6; i += 2) x[i] = -x[i];  // 1, -2, 3, -4, 5, -6, 7, ..., 11
  EXPECT_EQ(SASUM(11, x.data(), 1), 66.0f);
}

TEST(Kernels, TwoVectorKernelsWalkNegativeIncrementsFromTheFarEnd) {
  const float x[3] = {1, 2, 3};
  const float y[3] = {1, 10, 100};
  EXPECT_EQ(SDOT(3, x, -1, y, 1), 123.0f);
  EXPECT_EQ(SDOT(3, y, 1, x, -1), 123.0f);
  EXPECT_EQ(SDOT(3, x, -1, y, -1), 321.0f);

  float c[3] = {0, 0, 0};
  SCOPY(3, x, -1, c, 1);
  EXPECT_EQ(c[0], 3.0f);
  EXPECT_EQ(c[1], 2.0f);
  EXPECT_EQ(c[2], 1.0f);

  // y walked backwards with a stride of 2: y(1) is at offset 4.
  float w[5] = {0, -1, 0, -1, 0};
  SAXPY(3, 2.0f, x, 1, w, -2);
  EXPECT_EQ(w[4], 2.0f);
  EXPECT_EQ(w[2], 4.0f);
  EXPECT_EQ(w[0], 6.0f);
  EXPECT_EQ(w[1], -1.0f);
}

TEST(Kernels, ZeroIncrementUsesTheFirstElementEveryTime) {
  const float x[3] = {2, 3, 4};
  const float y[3] = {5, 6, 7};
  EXPECT_EQ(SDOT(3, x, 0, y, 1), 36.0f);
  float z[3] = {0, 0, 0};
  SCOPY(3, x, 1, z, 0);
  EXPECT_EQ(z[0], 4.0f);  // the last copy stays
  EXPECT_EQ(z[1], 0.0f);
  float acc[2] = {1, 99};
  SAXPY(3, 1.0f, x, 1, acc, 0);
  EXPECT_EQ(acc[0], 10.0f);
  EXPECT_EQ(acc[1], 99.0f);
  EXPECT_EQ(SDSDOT(3, 1.0f, x, 0, y, 0), 1.0f + 3 * 10.0f);
}

TEST(Kernels, SingleVectorKernelsStepByTheIncrement) {
  float x[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  SSCAL(3, 2.0f, x, 3);
  const float want[9] = {2, 1, 1, 2, 1, 1, 2, 1, 1};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(x[i], want[i]) << i;
  const float v[6] = {1, 9, -9, 9, 4, 9};
  EXPECT_EQ(ISAMAX(3, v, 2), 2);
  EXPECT_EQ(SASUM(3, v, 2), 14.0f);
  // Increments below 1 are outside the contract: nothing is read or written.
  SFILL(3, 7.0f, x, 0);
  SSCAL(3, 7.0f, x, -1);
  EXPECT_EQ(x[0], 2.0f);
  EXPECT_EQ(ISAMAX(3, v, -1), 0);
  EXPECT_EQ(SASUM(3, v, 0), 0.0f);
}

TEST(Kernels, SaxpyWithZeroFactorDoesNoArithmetic) {
  const float x[2] = {std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::quiet_NaN()};
  float y[2] = {-0.0f, 1.0f};
  SAXPY(2, 0.0f, x, 1, y, 1);
  EXPECT_TRUE(std::signbit(y[0]));
  EXPECT_EQ(y[1], 1.0f);
}

TEST(Kernels, SumsAndProductsAreFormedInDouble) {
  // 1 + 2^-24 - 1: the 2^-24 is lost by float steps, kept by a double sum.
  const float x[3] = {1.0f, 0x1p-24f, -1.0f};
  const float ones[3] = {1.0f, 1.0f, 1.0f};
  EXPECT_EQ(SDOT(3, x, 1, ones, 1), 0x1p-24f);
  EXPECT_EQ(SDOT(3, x, 1, ones, 0), 0x1p-24f);
  EXPECT_EQ(SDSDOT(2, 1.0f, x + 1, 1, ones, 1), 0x1p-24f);  // accumulated from SB
  const float xs[4] = {0x1p-24f, 0.0f, -1.0f, 0.0f};
  EXPECT_EQ(SDSDOT(2, 1.0f, xs, 2, ones, 2), 0x1p-24f);  // equal increments
  EXPECT_EQ(SDSDOT(2, 1.0f, xs, 2, ones, 1), 0x1p-24f);  // unequal increments
  const std::vector<float> r = ramp(3);
  EXPECT_EQ(SDSDOT(3, 10.0f, r.data(), 1, ones, 1), 16.0f);
  const float a[3] = {1.0f, 0x1p-24f, -0x1p-24f};
  EXPECT_EQ(SASUM(3, a, 1), 1.0f + 0x1p-23f);
  // (1 + 2^-12)^2 - 1 rounded once: 2^-11 + 2^-24, not 2^-11.
  const float f = 1.0f + 0x1p-12f;
  float y = -1.0f;
  SAXPY(1, f, &f, 1, &y, 1);
  EXPECT_EQ(y, 0x1p-11f + 0x1p-24f);
}

TEST(Kernels, CopyMovesBitPatterns) {
  std::uint32_t bits[2] = {0x7fa00001u, 0x80000000u};  // a signalling NaN and -0
  float src[2], dst[2];
  std::memcpy(src, bits, sizeof src);
  SCOPY(2, src, 1, dst, 1);
  EXPECT_EQ(std::memcmp(src, dst, sizeof src), 0);
  SCOPY(2, src, -1, dst, 1);
  std::uint32_t out[2];
  std::memcpy(out, dst, sizeof out);
  EXPECT_EQ(out[0], bits[1]);
  EXPECT_EQ(out[1], bits[0]);
}

TEST(Kernels, IsamaxKeepsTheFirstMaximum) {
  const float a[5] = {1, -3, 3, 2, -3};
  EXPECT_EQ(ISAMAX(5, a, 1), 2);
  const float b[4] = {1, 5, 5, 5};
  EXPECT_EQ(ISAMAX(4, b, 1), 2);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float c[3] = {1, nan, 2};
  EXPECT_EQ(ISAMAX(3, c, 1), 3);  // a NaN never compares greater
  const float d[3] = {nan, 5, 2};
  EXPECT_EQ(ISAMAX(3, d, 1), 1);  // ... unless it comes first
  EXPECT_EQ(ISAMAX(1, &nan, 1), 1);
}

TEST(Kernels, IspmaxKeepsTheFirstMaximumAcrossBlocks) {
  const float x[5] = {1, -4, 2, 4, 0};
  const float y[5] = {1, 1, 2, 1, 9};
  int imax = 0;
  ISPMAX(5, x, y, imax);
  EXPECT_EQ(imax, 2);

  std::vector<float> ones(900, 1.0f), p(900, 1.0f);
  p[399] = p[400] = p[850] = 5.0f;
  ISPMAX(900, p.data(), ones.data(), imax);
  EXPECT_EQ(imax, 400);  // a tie across the block border keeps the earlier block
  p[399] = 1.0f;
  ISPMAX(900, ones.data(), p.data(), imax);
  EXPECT_EQ(imax, 401);
  p[400] = -1.0f;
  p[850] = -6.0f;
  ISPMAX(900, ones.data(), p.data(), imax);
  EXPECT_EQ(imax, 851);

  std::vector<float> zeros(450, 0.0f);
  ISPMAX(450, zeros.data(), ones.data(), imax);
  EXPECT_EQ(imax, 1);
}

TEST(Kernels, IspmaxComparesProductsRoundedToFloat) {
  // (1 + 2^-12)^2 is larger than 1 + 2^-11 in double but equal once rounded.
  const float x[2] = {1.0f + 0x1p-11f, 1.0f + 0x1p-12f};
  const float y[2] = {1.0f, 1.0f + 0x1p-12f};
  int imax = 0;
  ISPMAX(2, x, y, imax);
  EXPECT_EQ(imax, 1);
}

}  // namespace
