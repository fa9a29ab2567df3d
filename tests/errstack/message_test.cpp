// Composition of a message from its template and the values of the argument
// table; the value texts of the three setters.
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "errstack/detail.hpp"
#include "tests/support/console.hpp"

namespace {

const std::string& composed() { return errstack::detail::message().text; }

// The message composed from a template that quotes one value.
std::string composed_from(std::string_view tmpl) {
  E1MES(kWarning, 1, tmpl);
  return composed();
}

class MessageTest : public test_support::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    E1PSH("LSARG ");
  }
};

TEST_F(MessageTest, OrderOfEquationsMessage) {
  E1ARGI(1, 0);
  E1MES(kFatal, 1, "The number of equations must be positive while N = %(I1) is given.");
  EXPECT_EQ(composed(), ".  The number of equations must be positive while N = 0 is given.");
}

TEST_F(MessageTest, PlaceholdersTakeTheValuesSetBeforeTheMessage) {
  const struct {
    std::function<void()> set;
    const char* tmpl;
    const char* want;
  } cases[] = {
      // Either case, and a placeholder at the very end.
      {[] { E1ARGI(1, 12), E1ARGI(2, 34); }, "a %(i1) b %(I1) c %(I2)", ".  a 12 b 12 c 34"},
      // Digit 0, a letter without a setter, no value for index 3, unknown letter.
      {[] { E1ARGI(1, 5); }, "%(I0) %(A1) %(I3) %(X1) %(I1", ".  %(I0) %(A1) %(I3) %(X1) %(I1"},
      // The first value with a key wins.
      {[] { E1ARGI(1, 1), E1ARGI(1, 2); }, "%(I1)", ".  1"},
      // Values of the three kinds do not mix.
      {[] { E1ARGI(1, 3), E1ARGR(1, 0.25f), E1ARGL(1, "L2ARG "); }, "%(L1) %(R1) %(I1)",
       ".  L2ARG 2.500000E-01 3"},
      // A value text is never taken for a key.
      {[] { E1ARGL(1, "*I1*9%xyz"), E1ARGI(1, 4); }, "%(I1)", ".  4"},
      // Integer texts.
      {[] { E1ARGI(1, -7), E1ARGI(2, INT_MAX), E1ARGI(3, INT_MIN); }, "%(I1)|%(I2)|%(I3)",
       ".  -7|2147483647|-2147483648"},
  };
  // Each message empties the argument table, so the cases follow one another.
  for (const auto& c : cases) {
    c.set();
    EXPECT_EQ(composed_from(c.tmpl), c.want) << c.tmpl;
  }
}

TEST_F(MessageTest, EachMessageEmptiesTheArgumentTable) {
  E1ARGI(1, 9);
  EXPECT_EQ(composed_from("first"), ".  first");
  EXPECT_EQ(composed_from("second %(I1)"), ".  second %(I1)");
}

TEST_F(MessageTest, EmptyOrBlankTemplateKeepsThePreviousMessage) {
  EXPECT_EQ(composed_from("kept"), ".  kept");
  EXPECT_EQ(composed_from(""), ".  kept");
  EXPECT_EQ(composed_from(" "), ".  kept");
}

TEST_F(MessageTest, RealTexts) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float value;
    std::string text;
  } cases[] = {
      {0.0f, "0.000000E+00"},
      {-0.0f, "0.000000E+00"},
      {0.25f, "2.500000E-01"},
      {-25.0f, "-2.500000E+01"},
      {0.001234568f, "1.234568E-03"},
      {12345665.0f, "1.234566E+07"},  // an exact tie goes to the even digit
      {12345675.0f, "1.234568E+07"},
      {std::numeric_limits<float>::max(), "3.402823E+38"},
      {std::numeric_limits<float>::denorm_min(), "1.401298E-45"},
      {std::numeric_limits<float>::quiet_NaN(), "NaN          "},
      {inf, "Infinity     "},
      {-inf, "-Infinity    "},
  };
  for (const auto& c : cases) {
    E1ARGR(1, c.value);
    EXPECT_EQ(composed_from("[%(R1)]"), ".  [" + c.text + "]") << c.text;
  }
}

TEST_F(MessageTest, CharacterTexts) {
  E1ARGL(1, "LSARG ");
  E1ARGL(-2, "AB  ");
  E1ARGL(3, "   ");
  E1ARGL(4, "");
  EXPECT_EQ(composed_from("[%(L1)][%(L2)][%(L3)][%(L4)]"), ".  [LSARG][AB  ][ ][ ]");
  E1ARGL(1, std::string(300, 'x'));
  EXPECT_EQ(composed_from("%(L1)"), ".  " + std::string(255, 'x'));
}

TEST_F(MessageTest, BadIndexIsDroppedSilently) {
  E1ARGI(0, 1);
  E1ARGI(10, 1);
  E1ARGR(-1, 1.0f);
  E1ARGL(0, "a");
  E1ARGL(10, "a");
  E1ARGL(-10, "a");
  EXPECT_EQ(composed_from("%(I1) %(R1) %(L1)"), ".  %(I1) %(R1) %(L1)");
  EXPECT_EQ(console(), "");
}

TEST_F(MessageTest, FullTableDropsTheValue) {
  // The first entry takes 4 + 3 + 1 + 255 positions; a value fits while the
  // fill plus its length plus 8 stays within 300.
  E1ARGL(1, std::string(255, 'a'));
  E1ARGL(2, std::string(30, 'b'));  // 263 + 30 + 8 = 301: dropped
  E1ARGL(3, std::string(29, 'c'));  // 263 + 29 + 8 = 300: kept, the fill is now 299
  E1ARGI(4, 5);                     // 299 + 1 + 8: dropped
  EXPECT_EQ(composed_from("%(L2)%(L3)%(I4)"), ".  %(L2)" + std::string(29, 'c') + "%(I4)");
}

TEST_F(MessageTest, TrailingBlanksCountForTheRoom) {
  E1ARGL(1, std::string(255, 'a'));
  E1ARGL(2, "c" + std::string(29, ' '));  // would fit trimmed, not with its blanks
  EXPECT_EQ(composed_from("%(L2)"), ".  %(L2)");
}

TEST_F(MessageTest, MessageIsCutAt1024) {
  EXPECT_EQ(composed_from(std::string(1100, 'm')), ".  " + std::string(1021, 'm'));
  E1ARGL(1, std::string(200, 'v'));
  const std::string text = composed_from(std::string(900, 'm') + "%(L1)tail");
  EXPECT_EQ(text, ".  " + std::string(900, 'm') + std::string(121, 'v'));
}

}  // namespace
