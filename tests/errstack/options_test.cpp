// The option tables: get, put and defaults, the argument checks, the report,
// and ACHAR.
#include <climits>
#include <string>
#include <vector>

#include "tests/support/console.hpp"

namespace {

using OptionsTest = test_support::ConsoleTest;

using Lines = std::vector<std::string>;
using Values = std::vector<int>;

// Gets the values of the options in "MATH" chapter 1.
Values get(std::vector<int> options, std::size_t count) {
  Values v(count, -99);
  IUMAG("MATH", 1, 1, static_cast<int>(options.size()), options.data(), v.data());
  return v;
}

void put(std::string_view product, int chapter, std::vector<int> options, Values v) {
  IUMAG(product, chapter, 2, static_cast<int>(options.size()), options.data(), v.data());
}

// The header lines of the messages printed so far.
Lines headers(const Lines& out) {
  Lines h;
  for (const std::string& line : out)
    if (line.rfind(" *** TERMINAL", 0) == 0) h.push_back(line.substr(0, 33));
  return h;
}

TEST_F(OptionsTest, ConditionEstimateOptionReadsOneAndTwo) {
  int option = 17;
  int values[2] = {0, 0};
  E1PSH("LSARG ");
  IUMAG("math", 1, 1, 1, &option, values);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], 2);
  EXPECT_EQ(N1RTY(1), 0);
  E1POP("LSARG ");
  EXPECT_EQ(console(), "");
}

TEST_F(OptionsTest, SeveralOptionsAreGotInOrder) {
  EXPECT_EQ(get({5, 16, -6, 21}, 8), (Values{1, INT_MAX, 1, 16, 0, 1, INT_MAX, 1}));
}

TEST_F(OptionsTest, PutChangesCurrentValuesAndNegativeOptionsUseTheDefaults) {
  put("MATH", 1, {17, 10}, {5, 6, 7});
  EXPECT_EQ(get({17, 10}, 3), (Values{5, 6, 7}));
  EXPECT_EQ(get({-17, -10}, 3), (Values{1, 2, 1}));
  put("MATH", 1, {-17}, {});
  EXPECT_EQ(get({17, 10}, 3), (Values{1, 2, 7}));
}

TEST_F(OptionsTest, DefaultsAreTheValuesOfTheFirstCall) {
  put("MATH", 1, {17}, {3, 4});
  EXPECT_EQ(get({-17}, 2), (Values{1, 2}));
  errstack::reset();
  EXPECT_EQ(get({17}, 2), (Values{1, 2}));
}

TEST_F(OptionsTest, TwoBadOptionEntriesPrintTwoMessagesBeforeTheStop) {
  EXPECT_EQ(stop_status([] { get({1, 17, 22}, 2); }), 1);
  const Lines out = lines();
  EXPECT_EQ(headers(out), (Lines(2, " *** TERMINAL ERROR 6 from IUMAG.")));
  ASSERT_EQ(out.size(), 6u);
  EXPECT_EQ(out[1], " *** TERMINAL ERROR 6 from IUMAG.  IOPTS(1) = 1 is an invalid MATH chapter 1");
  EXPECT_EQ(out[2], " ***          option number.");
  EXPECT_EQ(out[4],
            " *** TERMINAL ERROR 6 from IUMAG.  IOPTS(3) = 22 is an invalid MATH chapter 1");
}

TEST_F(OptionsTest, ChapterOutOfRangeQuotesTheLastChapter) {
  int option = 1;
  int value = 0;
  EXPECT_EQ(stop_status([&] { IUMAG("MATH", 11, 1, 1, &option, &value); }), 1);
  EXPECT_EQ(lines(),
            (Lines{"", " *** TERMINAL ERROR 3 from IUMAG.  ICHP = 11 is an invalid MATH chapter",
                   " ***          number.  To get or put MATH options, ICHP must be between 1 and ",
                   " ***          10."}));
  errstack::reset();
  EXPECT_EQ(stop_status([&] { IUMAG("stat", 21, 1, 1, &option, &value); }), 1);
  EXPECT_NE(console().find("STAT options, ICHP must be between 1 and "), std::string::npos);
  EXPECT_EQ(lines().back(), " ***          20.");
}

TEST_F(OptionsTest, ChecksRunInGroups) {
  int option = 17;
  int value = 0;
  // Action and product are one group: both are reported.
  EXPECT_EQ(stop_status([&] { IUMAG("ABCD", 99, 3, 0, &option, &value); }), 1);
  EXPECT_EQ(headers(lines()),
            (Lines{" *** TERMINAL ERROR 1 from IUMAG.", " *** TERMINAL ERROR 2 from IUMAG."}));
  // A chapter without options and a bad count are one group.
  errstack::reset();
  const std::size_t before = lines().size();
  EXPECT_EQ(stop_status([&] { IUMAG("MATH", 3, 1, 0, &option, &value); }), 1);
  const Lines all = lines();
  const Lines out(all.begin() + static_cast<long>(before), all.end());
  EXPECT_EQ(headers(out),
            (Lines{" *** TERMINAL ERROR 4 from IUMAG.", " *** TERMINAL ERROR 5 from IUMAG."}));
  EXPECT_EQ(out[1],
            " *** TERMINAL ERROR 4 from IUMAG.  No options exist for MATH chapter 3.  Only");
}

TEST_F(OptionsTest, ReportOfEveryGetAndPut) {
  put("MATH", 10, {1}, {1});
  get({17}, 2);
  const std::string heading =
      std::string(13, ' ') + "entry number" + std::string(14, ' ') + "value";
  const auto row = [](const char* entry, const char* value) {
    return std::string(19, ' ') + entry + std::string(7, ' ') + value;
  };
  EXPECT_EQ(lines(), (Lines{"", " A change (put) was made by IUMAG to option number      1 in MATH",
                            " chapter 10, resulting in the following values for that option:",
                            heading, row("     1", "           1"), "",
                            " A return (get) of the following values from option",
                            " number     17 in MATH chapter  1 was performed by IUMAG:", heading,
                            row("     1", "           1"), row("     2", "           2")}));
}

TEST_F(OptionsTest, ThePutThatSwitchesTheReportDecidesForTheWholeCall) {
  put("MATH", 10, {3, 1}, {5, 1});
  const Lines on = lines();
  ASSERT_EQ(on.size(), 10u);
  EXPECT_EQ(on[1], " A change (put) was made by IUMAG to option number      3 in MATH");
  EXPECT_EQ(on[6], " A change (put) was made by IUMAG to option number      1 in MATH");
  put("MATH", 10, {3, 1}, {7, 0});
  EXPECT_EQ(lines().size(), 10u);
}

TEST_F(OptionsTest, SwitchedOffChecksLeaveBadArgumentsAlone) {
  put("MATH", 10, {2}, {1});
  EXPECT_EQ(get({1, 17}, 3), (Values{1, 2, -99}));
  int option = 17;
  int value = -5;
  EXPECT_EQ(stop_status([&] { IUMAG("XXXX", 1, 1, 1, &option, &value); }), -1);
  EXPECT_EQ(stop_status([&] { IUMAG("MATH", 40, 7, 1, &option, &value); }), -1);
  EXPECT_EQ(value, -5);
  EXPECT_EQ(console(), "");
}

TEST_F(OptionsTest, CharacterOfACode) {
  EXPECT_EQ(ACHAR(65), 'A');
  EXPECT_EQ(ACHAR(65 + 256), 'A');
  EXPECT_EQ(ACHAR(0), '\0');
  EXPECT_EQ(stop_status([] { ACHAR(-1); }), 1);
  EXPECT_EQ(
      lines(),
      (Lines{"", " *** TERMINAL ERROR 1 from ACHAR.  The ASCII value must be non-negative while",
             " ***          I = -1 is given."}));
}

}  // namespace
