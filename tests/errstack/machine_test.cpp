// Machine constants, the unit table and their fixed error texts.
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "io/bit_cast.hpp"
#include "tests/support/console.hpp"

namespace {

using MachineTest = test_support::ConsoleTest;

using Lines = std::vector<std::string>;

TEST_F(MachineTest, RealConstantsAreThoseOfSinglePrecision) {
  using limits = std::numeric_limits<float>;
  EXPECT_EQ(AMACH(1), limits::min());
  EXPECT_EQ(AMACH(2), limits::max());
  EXPECT_EQ(AMACH(3), 0x1p-24f);
  EXPECT_EQ(AMACH(4), limits::epsilon());  // the largest relative spacing, 2^-23
  EXPECT_EQ(AMACH(4), 0x1p-23f);
  EXPECT_EQ(AMACH(5), std::log10(2.0f));
  EXPECT_EQ(io::bit_cast<std::uint32_t>(AMACH(6)),
            io::bit_cast<std::uint32_t>(limits::quiet_NaN()));
  EXPECT_EQ(AMACH(7), limits::infinity());
  EXPECT_EQ(AMACH(8), -limits::infinity());
  const float nan = AMACH(6);
  EXPECT_NE(nan, nan);
}

TEST_F(MachineTest, RealConstantIndexOutOfRangeStops) {
  EXPECT_EQ(stop_status([] { AMACH(9); }), 1);
  EXPECT_EQ(lines(),
            (Lines{"", " *** TERMINAL ERROR 5 from AMACH.  The argument must be between 1 and 8",
                   " ***          inclusive. N = 9"}));
}

TEST_F(MachineTest, RealConstantErrorInsideTheSolverHasATraceback) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  EXPECT_EQ(stop_status([] { AMACH(0); }), 1);
  const Lines out = lines();
  ASSERT_EQ(out.size(), 3u + 3u + 4u);
  EXPECT_EQ(out[2], " ***          inclusive. N = 0");
  EXPECT_EQ(out[6].substr(0, 10), "     AMACH");
  EXPECT_EQ(out[6].substr(out[6].size() - 19), "(Called internally)");
}

TEST_F(MachineTest, IntegerConstantsAreThoseOfIntFloatAndDouble) {
  using Int = std::numeric_limits<int>;
  using Float = std::numeric_limits<float>;
  using Double = std::numeric_limits<double>;
  const int bits = int(sizeof(int)) * CHAR_BIT;
  const int expected[] = {bits,           int(sizeof(int)),     Int::radix,
                          Int::digits,    Int::max(),           Float::radix,
                          Float::digits,  Float::min_exponent,  Float::max_exponent,
                          Double::digits, Double::min_exponent, Double::max_exponent};
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(IMACH(i), expected[i - 1]) << i;
}

TEST_F(MachineTest, IntegerConstantIndexOutOfRangeStopsWithItsFixedText) {
  EXPECT_EQ(stop_status([] { IMACH(13); }), 1);
  EXPECT_EQ(lines(), (Lines{"", " *** TERMINAL ERROR 5 from IMACH.  The argument",
                            " ***          must be between 1 and 12 inclusive.",
                            " ***          N =     13.", ""}));
  errstack::reset();
  EXPECT_EQ(stop_status([] { IMACH(-1234567); }), 1);
  EXPECT_EQ(lines().at(8), " ***          N = ******.");  // too wide for the field
}

TEST_F(MachineTest, UnitsGetAndSet) {
  int unit = 0;
  UMACH(1, unit);
  EXPECT_EQ(unit, 5);
  UMACH(2, unit);
  EXPECT_EQ(unit, 6);
  UMACH(3, unit);
  EXPECT_EQ(unit, 6);
  unit = 10;
  UMACH(-3, unit);
  EXPECT_EQ(unit, 10);
  unit = 0;
  UMACH(3, unit);
  EXPECT_EQ(unit, 10);
  UMACH(2, unit);
  EXPECT_EQ(unit, 6);
}

TEST_F(MachineTest, UnitIndexOutOfRangeStopsWithItsFixedText) {
  int unit = 6;
  EXPECT_EQ(stop_status([&] { UMACH(-4, unit); }), 1);
  EXPECT_EQ(lines(), (Lines{"", " *** TERMINAL ERROR 5 from UMACH.  The absolute",
                            " ***          value of the index variable must be",
                            " ***          1, 2, or 3.  IABS(N) =      4.", ""}));
  errstack::reset();
  EXPECT_EQ(stop_status([&] { UMACH(INT_MIN, unit); }), 1);
  EXPECT_EQ(lines().at(8), " ***          1, 2, or 3.  IABS(N) = ******.");
}

TEST_F(MachineTest, FixedTextsGoToTheirUnits) {
  // IMACH writes on the output unit (entry 2), UMACH on the error unit (entry 3).
  int unit = io::kUnitResults;
  UMACH(-3, unit);
  EXPECT_EQ(stop_status([] { IMACH(0); }), 1);
  EXPECT_EQ(lines().size(), 5u);
  EXPECT_EQ(stop_status([&] { UMACH(7, unit); }), 1);
  EXPECT_EQ(lines().size(), 5u);  // unit 10 is not open: nothing written
}

}  // namespace
