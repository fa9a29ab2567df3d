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

TEST(Matrica, OneVortex) {
  System s;
  s.fill(1.0f);
  EXPECT_EQ((*s.xv)(1), 0.25f);
  EXPECT_EQ((*s.a)(1, 1), 0.318471313f);  // (1 / 0.5) / 6.28
  EXPECT_NEAR((*s.a)(1, 1), 0.318471f, 1e-6f);
  EXPECT_EQ((*s.rhs)(1), 0.0f);
}

TEST(Matrica, TwoVorticesGiveSignsByTheSideOfTheControlPoint) {
  System s;
  s.fill(2.0f);
  RealMatrix& a = *s.a;
  EXPECT_EQ((*s.xv)(1), 0.125f);
  EXPECT_EQ((*s.xv)(2), 0.625f);
  // Control points at 0.375 and 0.875; control point 1 is in front of vortex 2.
  EXPECT_EQ(a(1, 2), -0.636942625f);  // (1 / -0.25) / 6.28
  EXPECT_LT(a(1, 2), 0.0f);
  EXPECT_EQ(a(2, 1), 0.212314218f);  // (1 / 0.75) / 6.28
  EXPECT_EQ(a(1, 1), 0.636942625f);
  EXPECT_GT(a(2, 2), 0.0f);
}

TEST(Matrica, FractionalCountFillsOnlyTheLeadingBlock) {
  System s;
  s.fill(4.5f);
  RealMatrix& a = *s.a;
  // Vortex 4 at 3.25 / 4.5 and control point 4 at 3.75 / 4.5, each as stored.
  EXPECT_EQ((*s.xv)(4), 0.722222209f);
  EXPECT_EQ(a(4, 4), 1.43312025f);  // (1 / (0.833333373 - 0.722222209)) / 6.28
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
