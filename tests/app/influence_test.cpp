#include "app/influence.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct System {
  std::unique_ptr<RealArray> xv = std::make_unique<RealArray>();
  std::unique_ptr<RealMatrix> a = std::make_unique<RealMatrix>();
  std::unique_ptr<RealArray> rhs = std::make_unique<RealArray>();
  void fill(float nvort, float vinf = 20.0f) { MATRICA(*xv, nvort, *a, *rhs, 0.0f, vinf); }
};

float coefficient(float xc, float xv) {
  return float((1.0 / (double(xc) - double(xv))) / double(6.28f));
}

TEST(Matrica, OneVortex) {
  System s;
  s.fill(1.0f);
  EXPECT_EQ((*s.xv)(1), 0.25f);
  EXPECT_EQ((*s.a)(1, 1), coefficient(0.75f, 0.25f));
  EXPECT_NEAR((*s.a)(1, 1), 0.318471f, 1e-6f);
  EXPECT_EQ((*s.rhs)(1), 0.0f);
}

TEST(Matrica, TwoVorticesGiveSignsByTheSideOfTheControlPoint) {
  System s;
  s.fill(2.0f);
  RealMatrix& a = *s.a;
  EXPECT_EQ((*s.xv)(1), 0.125f);
  EXPECT_EQ((*s.xv)(2), 0.625f);
  EXPECT_EQ(a(1, 2), coefficient(0.375f, 0.625f));  // control point 1 in front of vortex 2
  EXPECT_LT(a(1, 2), 0.0f);
  EXPECT_EQ(a(2, 1), coefficient(0.875f, 0.125f));
  EXPECT_GT(a(2, 2), 0.0f);
}

TEST(Matrica, FractionalCountFillsOnlyTheLeadingBlock) {
  System s;
  s.fill(4.5f);
  RealMatrix& a = *s.a;
  // Offsets are divisions of 0.25 and 0.75 by the count, not fractions of the spacing.
  const float spacing = float(1.0 / 4.5);
  EXPECT_EQ((*s.xv)(4), float(3.0 * double(spacing) + double(float(0.25 / 4.5))));
  const float xc4 = float(3.0 * double(spacing) + double(float(0.75 / 4.5)));
  EXPECT_EQ(a(4, 4), coefficient(xc4, (*s.xv)(4)));
  EXPECT_NE(a(4, 1), 0.0f);
  EXPECT_EQ(a(5, 1), 0.0f);
  EXPECT_EQ(a(1, 5), 0.0f);
  EXPECT_EQ((*s.xv)(5), 0.0f);
}

TEST(Matrica, BelowOneVortexWritesNothing) {
  for (float n : {0.0f, 0.9f, -4.0f}) {
    System s;
    s.fill(n);
    EXPECT_EQ((*s.a)(1, 1), 0.0f);
    EXPECT_EQ((*s.xv)(1), 0.0f);
  }
}

}  // namespace
