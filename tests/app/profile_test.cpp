#include "app/profile.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "io/bit_cast.hpp"
#include "io/terminate.hpp"

namespace {

struct Profile {
  std::unique_ptr<RealArray> rhs = std::make_unique<RealArray>();
  std::unique_ptr<RealArray> y = std::make_unique<RealArray>();
};

constexpr float kUntouched = -999.0f;

// Number of right-hand side entries PROFIL wrote, each pass writing one.
int passes(float nvort) {
  Profile p;
  p.rhs->v.fill(kUntouched);
  PROFIL(nvort, *p.rhs, *p.y, 0.0f, 1.0f);
  int n = 0;
  for (float v : p.rhs->v) n += v != kUntouched;
  return n;
}

TEST(Profil, SomeWholeCountsMakeOnePassFewer) {
  for (int n = 1; n <= 201; ++n) {
    const bool short_count =
        n == 93 || n == 99 || n == 105 || n == 117 || n == 123 || n == 186 || n == 198;
    EXPECT_EQ(passes(float(n)), short_count ? n - 1 : n) << "NVORT = " << n;
  }
  EXPECT_EQ(passes(5.5f), 5);
  EXPECT_EQ(passes(0.0f), 0);
  EXPECT_EQ(passes(-3.0f), 0);
  EXPECT_EQ(passes(0.5f), 0);
}

TEST(Profil, TenPointsFollowTheThreePiecesOfTheCamberLine) {
  Profile p;
  PROFIL(10.0f, *p.rhs, *p.y, 0.0f, 20.0f);
  RealArray& y = *p.y;
  EXPECT_EQ(y(1), 0.079056941f);  // the nose: 0.25 sqrt(0.1)
  EXPECT_EQ(y(2), 0.1f);          // 0.2 as summed is not below 0.2
  EXPECT_EQ(y(5), 0.1f);
  // The sixth running sum is exactly 0.6f and takes the falling line.
  EXPECT_EQ(io::bit_cast<std::uint32_t>(y(6)), io::bit_cast<std::uint32_t>(0.099999994f));
  // The tenth is 1.0000001, past 1.0: no ordinate, so the slope falls to zero.
  EXPECT_EQ(y(10), 0.0f);
  // Right-hand side: minus the backward-difference slope times the velocity 20.
  EXPECT_EQ(y(9), 0.0249999762f);
  EXPECT_EQ((*p.rhs)(10), 4.99999523f);  // -((0 - y(9)) / 0.1) * 20
  EXPECT_EQ((*p.rhs)(1), -15.811388f);   // -((y(1) - 0) / 0.1) * 20
}

TEST(Profil, FiveVorticesStartOnTheFlatPart) {
  Profile p;
  PROFIL(5.0f, *p.rhs, *p.y, 0.0f, 1.0f);
  EXPECT_EQ((*p.y)(1), 0.1f);
}

TEST(Profil, ShortCountLeavesTheLastRightHandSideZero) {
  Profile p;
  PROFIL(93.0f, *p.rhs, *p.y, 0.0f, 20.0f);
  EXPECT_NE((*p.rhs)(92), 0.0f);
  EXPECT_EQ((*p.rhs)(93), 0.0f);
}

TEST(Profil, OneVortexSitsAtTheTrailingEdge) {
  Profile p;
  PROFIL(1.0f, *p.rhs, *p.y, 0.0f, 20.0f);
  EXPECT_EQ((*p.y)(1), 0.0f);
  EXPECT_EQ((*p.rhs)(1), 0.0f);
}

TEST(Profil, TwoHundredAndTwoPointsStopAtTheBoundsCheck) {
  Profile p;
  try {
    PROFIL(202.0f, *p.rhs, *p.y, 0.0f, 20.0f);
    FAIL() << "no bounds error";
  } catch (const io::RunStopped& stop) {
    EXPECT_EQ(stop.status, 161);
  }
}

}  // namespace
