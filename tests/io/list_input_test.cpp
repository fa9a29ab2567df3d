#include "io/list_input.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "io/terminate.hpp"
#include "io/units.hpp"
#include "tests/support/stderr_capture.hpp"
#include "tests/support/temporary_file.hpp"

namespace {

// The outcome of input statements reading from the given console input.
struct Reading {
  std::vector<float> values;  // one per statement; each target starts at 7.0
  int status = 0;             // the stop's status, 0 when every statement completed
  std::string message;        // the standard error's first line
  std::string errors;         // all of it
};

Reading read_statements(const std::string& input, int statements = 1) {
  std::FILE* in = test_support::temporary_file();
  std::fwrite(input.data(), 1, input.size(), in);
  std::rewind(in);
  io::reset_units();
  io::bind_unit(io::kUnitInput, in);
  Reading r;
  test_support::StderrCapture err;
  try {
    for (int i = 0; i < statements; ++i) {
      float target = 7.0f;
      io::read_real(target);
      r.values.push_back(target);
    }
  } catch (const io::RunStopped& stop) {
    r.status = stop.status;
  }
  // One statement over the same text given as the whole input reads alike.
  if (statements == 1) {
    float target = 7.0f;
    int status = 0;
    try {
      io::read_real(input, target);
    } catch (const io::RunStopped& stop) {
      status = stop.status;
    }
    EXPECT_EQ(status, r.status) << "from a text: " << input;
    if (status == 0 && !r.values.empty()) {
      EXPECT_EQ(std::memcmp(&target, &r.values[0], sizeof target), 0) << "from a text: " << input;
    }
  }
  r.errors = err.text();
  r.message = r.errors.substr(0, r.errors.find('\n') + 1);
  io::reset_units();
  std::fclose(in);
  return r;
}

// The byte-order mark that Windows editors write at the start of UTF-8 text.
const std::string kUtf8Mark = "\xEF\xBB\xBF";

float read_one(const std::string& input) {
  const Reading r = read_statements(input);
  EXPECT_EQ(r.status, 0) << "input: " << input;
  return r.values.empty() ? NAN : r.values[0];
}

int error_of(const std::string& input) { return read_statements(input).status; }

TEST(ReadReal, ReadsTheFirstValueOfTheFirstLineThatHasOne) {
  EXPECT_EQ(read_one("10\n"), 10.0f);
  EXPECT_EQ(read_one("5.7\n"), 5.7f);
  EXPECT_EQ(read_one("\n\n   \n\t\n  \t 20  \n"), 20.0f);
  EXPECT_EQ(read_one("-7\n"), -7.0f);
  EXPECT_EQ(read_one("+5\n"), 5.0f);
  EXPECT_EQ(read_one(".5\n"), 0.5f);
  EXPECT_EQ(read_one("5.\n"), 5.0f);
  EXPECT_EQ(read_one("10\r\n"), 10.0f);
  EXPECT_EQ(read_one(kUtf8Mark + "10\r\n"), 10.0f);  // as Notepad saves it
  EXPECT_EQ(read_one("42"), 42.0f);                  // a last line without its line feed
  EXPECT_EQ(read_one("5/7\n"), 5.0f);
  EXPECT_EQ(read_one("5,7\n"), 5.0f);
  EXPECT_EQ(read_one("5\t7\n"), 5.0f);
}

TEST(ReadReal, DiscardsTheRestOfTheLineAndStartsTheNextStatementOnANewLine) {
  const Reading r = read_statements("10 25\n\n30 abc\n", 2);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.values, (std::vector<float>{10.0f, 30.0f}));
  // The rest of a line is discarded even when it would be an error.
  EXPECT_EQ(read_one("1 ( 'x\n"), 1.0f);
  // A byte-order mark is passed over where the input starts, and nowhere else.
  EXPECT_EQ(read_statements(kUtf8Mark + "10\n" + kUtf8Mark + "20\n", 2).status, 64);
}

TEST(ReadReal, AcceptsTheExponentLettersEDAndQInEitherCase) {
  for (const char* text : {"1e2", "1E2", "1d2", "1D2", "1.0Q2", "1q+2", "1000e-1", "0.001E+5"})
    EXPECT_EQ(read_one(std::string(text) + "\n"), 100.0f) << text;
  EXPECT_EQ(read_one("1e0000000000000000000000002\n"), 100.0f);
  EXPECT_EQ(read_one("0e99999999999999999999\n"), 0.0f);
}

TEST(ReadReal, RoundsCorrectlyToTheNearestFloat) {
  EXPECT_EQ(read_one("0.1\n"), 0.1f);
  // 1 + 2^-24 lies halfway between two floats: ties go to even.
  EXPECT_EQ(read_one("1.000000059604644775390625\n"), 1.0f);
  EXPECT_EQ(read_one("1.000000059604644775390626\n"), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(read_one("3.4028235e38\n"), FLT_MAX);
  EXPECT_EQ(read_one("1e-45\n"), std::nextafter(0.0f, 1.0f));
  EXPECT_EQ(read_one("000000000000000000000000000000000000000000012.5e-1\n"), 1.25f);
}

TEST(ReadReal, ReadsAnUnderflowingValueAsItsRoundedValue) {
  EXPECT_EQ(read_one("7.1e-46\n"), std::nextafter(0.0f, 1.0f));
  const float tiny = read_one("1e-50\n");
  EXPECT_EQ(tiny, 0.0f);
  EXPECT_FALSE(std::signbit(tiny));
  const float negative = read_one("-1e-50\n");
  EXPECT_EQ(negative, 0.0f);
  EXPECT_TRUE(std::signbit(negative));
  EXPECT_EQ(read_one("1e-99999999999999999999999\n"), 0.0f);
  // Many leading digits bring a small exponent back into range.
  EXPECT_EQ(read_one("1" + std::string(60, '0') + "e-60\n"), 1.0f);
}

// Memory stays bounded whatever the input: a line is never kept whole, and a
// value longer than kMaxValueLength is a conversion error.
TEST(ReadReal, KeepsOnlyTheValueOfALineAndBoundsItsLength) {
  // A thousand-digit mantissa still rounds correctly: just above and at the tie
  // between 1 and the next float.
  const std::string tie = "1.000000059604644775390625";
  EXPECT_EQ(read_one(tie + std::string(973, '0') + "1\n"), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(read_one(tie + std::string(974, '0') + "\n"), 1.0f);
  const std::string longest = "1." + std::string(io::kMaxValueLength - 2, '0');
  EXPECT_EQ(read_one(longest + "\n"), 1.0f);
  EXPECT_EQ(error_of(longest + "0\n"), 64);
  EXPECT_EQ(error_of(std::string(1 << 20, '\0')), 64);  // no line end at all
  // Long runs of blanks before the value and of anything after it.
  const Reading r =
      read_statements(std::string(1 << 20, ' ') + "10 " + std::string(1 << 20, 'x') + "\n20\n", 2);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.values, (std::vector<float>{10.0f, 20.0f}));
}

TEST(ReadReal, LeavesTheTargetUnchangedOnANull) {
  EXPECT_EQ(read_one("/\n"), 7.0f);
  EXPECT_EQ(read_one(",\n"), 7.0f);
  EXPECT_EQ(read_one("  , 5\n"), 7.0f);
  EXPECT_EQ(read_one("\n / 5\n"), 7.0f);
  EXPECT_EQ(read_one("3*\n"), 7.0f);
  EXPECT_EQ(read_one("3*,5\n"), 7.0f);
  EXPECT_EQ(read_one("3* 5\n"), 7.0f);
}

TEST(ReadReal, TakesTheConstantOfARepeat) {
  EXPECT_EQ(read_one("3*2.5\n"), 2.5f);
  EXPECT_EQ(read_one("1*-4\n"), -4.0f);
  EXPECT_EQ(read_one("12*1d1\n"), 10.0f);
}

TEST(ReadReal, ReadsAMantissaWithoutDigitsAsZeroAndAMissingExponentAsZero) {
  EXPECT_EQ(read_one(".\n"), 0.0f);
  EXPECT_EQ(read_one("+\n"), 0.0f);
  EXPECT_TRUE(std::signbit(read_one("-\n")));
  EXPECT_EQ(read_one("-.e5\n"), 0.0f);
  EXPECT_EQ(read_one("2e\n"), 2.0f);
  EXPECT_EQ(read_one("2.5D-\n"), 2.5f);
}

TEST(ReadReal, RejectsWordsMalformedNumbersAndValuesBeyondTheFloatRange) {
  for (const char* text : {"abc",
                           "inf",
                           "-inf",
                           "nan",
                           "Infinity",
                           "e5",
                           "D",
                           "1.2.3",
                           "1e5x",
                           "1e2.5",
                           "1+5",
                           "++1",
                           "0x10",
                           "1e39",
                           "-1e39",
                           "3.40282357e38",
                           "1e99999999999999999999999",
                           "2*abc",
                           "2**3",
                           "*5",
                           "1.5*3",
                           "x*3",
                           "\xEF\xBB",
                           "\xFE"})
    EXPECT_EQ(error_of(std::string(text) + "\n"), 64) << text;
  const Reading r = read_statements("word\n");
  EXPECT_EQ(r.message, "forrtl: severe (64): input conversion error, unit -4, file CONIN$\r\n");
  // UTF-16, which PowerShell 5's > writes, is refused with a line that names it.
  std::string text = "\xFF\xFE";
  for (const char c : std::string("10\n")) text += {c, '\0'};
  const Reading utf16 = read_statements(text);
  EXPECT_EQ(utf16.errors.substr(0, utf16.errors.find("Image")),
            "forrtl: severe (64): input conversion error, unit -4, file CONIN$\r\n"
            "forrtl: the input is UTF-16LE text (byte-order mark FF FE); only ASCII or UTF-8 is "
            "read\r\n");
}

TEST(ReadReal, RejectsQuotesAndParenthesesWhereANumberIsExpected) {
  for (const char* text : {"(1.0,2.0)", "(", ")", "'5'", "\"5\"", "2*(1)", "2*'x'", "0*5", "00*"})
    EXPECT_EQ(error_of(std::string(text) + "\n"), 59) << text;
  const Reading r = read_statements("'text'\n");
  EXPECT_EQ(r.message,
            "forrtl: severe (59): list-directed I/O syntax error, unit -4, file CONIN$\r\n");
}

TEST(ReadReal, EndsTheRunAtTheEndOfTheInputBeforeAValue) {
  EXPECT_EQ(error_of(""), 24);
  EXPECT_EQ(error_of("\n \t \n\r\n"), 24);
  const Reading r = read_statements("10\n", 2);
  EXPECT_EQ(r.values, std::vector<float>{10.0f});
  EXPECT_EQ(r.status, 24);
  EXPECT_EQ(r.message, "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$\r\n");
}

TEST(Prompt, WritesALeadingBlankAndTheTextAndWritesItOut) {
  std::FILE* out = test_support::temporary_file();
  io::reset_units();
  io::bind_unit(io::kUnitOutput, out);
  io::prompt("vvedite kol-vo vihrej");
  // Read through a separate descriptor: only what the stream wrote out shows.
  char buf[64] = {};
  ::lseek(::fileno(out), 0, SEEK_SET);
  const auto n = ::read(::fileno(out), buf, sizeof buf);
  io::reset_units();
  std::fclose(out);
  EXPECT_EQ(std::string(buf, n > 0 ? std::size_t(n) : 0), " vvedite kol-vo vihrej\n");
}

}  // namespace
