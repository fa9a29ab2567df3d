#include "io/record.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using io::fixed_field;

std::string f95(float v) { return fixed_field(v, 9, 5); }

TEST(FixedField, WritesTheExactStoredValueRightJustified) {
  EXPECT_EQ(f95(0.1f), "  0.10000");
  EXPECT_EQ(f95(-0.5f), " -0.50000");
  EXPECT_EQ(f95(12.345678f), " 12.34568");
  EXPECT_EQ(f95(-12.345678f), "-12.34568");
  EXPECT_EQ(f95(1.0000001f), "  1.00000");
  EXPECT_EQ(f95(999.99994f), "999.99994");
  EXPECT_EQ(f95(-99.99999f), "-99.99999");
  EXPECT_EQ(f95(1e-45f), "  0.00000");
}

TEST(FixedField, BreaksTiesToEvenOnTheExactValue) {
  EXPECT_EQ(f95(0.015625f), "  0.01562");  // 1/64
  EXPECT_EQ(f95(0.046875f), "  0.04688");  // 3/64
  EXPECT_EQ(f95(-0.015625f), " -0.01562");
  // Not a tie: 0.000015 is stored just below the half.
  EXPECT_EQ(f95(0.000015f), "  0.00001");
  EXPECT_EQ(fixed_field(2.5f, 5, 0), "   2.");
  EXPECT_EQ(fixed_field(3.5f, 5, 0), "   4.");
}

TEST(FixedField, WritesNoMinusSignOnAValueThatRoundsToZero) {
  EXPECT_EQ(f95(-0.0f), "  0.00000");
  EXPECT_EQ(f95(-0.000001f), "  0.00000");
  EXPECT_EQ(f95(-0.000005f), "  0.00000");  // stored just below the half
  EXPECT_EQ(f95(-0.000006f), " -0.00001");
  EXPECT_EQ(f95(-1e-45f), "  0.00000");
}

TEST(FixedField, FillsTheFieldWithAsterisksWhenTheTextIsTooLong) {
  EXPECT_EQ(f95(-123.4f), "*********");
  EXPECT_EQ(f95(-150.2f), "*********");
  EXPECT_EQ(f95(-100.0f), "*********");
  EXPECT_EQ(f95(1000.0f), "*********");
  EXPECT_EQ(fixed_field(9.999999f, 7, 5), "*******");  // rounds to 10.00000
  EXPECT_EQ(f95(std::numeric_limits<float>::max()), "*********");
  EXPECT_EQ(f95(-std::numeric_limits<float>::max()), "*********");
}

TEST(FixedField, WritesNotANumberAndInfinitiesAsWords) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(f95(std::numeric_limits<float>::quiet_NaN()), " NaN     ");
  EXPECT_EQ(f95(-std::numeric_limits<float>::quiet_NaN()), " NaN     ");
  EXPECT_EQ(f95(inf), " Infinity");
  EXPECT_EQ(f95(-inf), "*********");
  EXPECT_EQ(fixed_field(-inf, 10, 5), " -Infinity");
  EXPECT_EQ(fixed_field(inf, 8, 5), "********");
}

TEST(ResultsRecord, HoldsTwoFieldsOfNineCharacters) {
  EXPECT_EQ(io::results_record(0.1f, -0.5f), "  0.10000 -0.50000");
  EXPECT_EQ(io::results_record(0.015625f, std::nanf("")), "  0.01562 NaN     ");
  EXPECT_EQ(io::results_record(1.0000001f, -150.2f), "  1.00000*********");
}

}  // namespace
