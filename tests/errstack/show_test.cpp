// Printing of the pending message: header, line breaking, traceback and the
// output unit.
#include <string>

#include "tests/support/console.hpp"
#include "tests/support/temporary_file.hpp"

namespace {

using ShowTest = test_support::ConsoleTest;

using Lines = std::vector<std::string>;

const std::string kCont = " ***          ";

// A traceback row as printed: name in 32 columns, type and code in 6 each.
std::string row(const std::string& name, const std::string& type, const std::string& code,
                bool internal) {
  std::string r = "     " + name + std::string(32 - name.size(), ' ') +
                  std::string(6 - type.size(), ' ') + type + "      " +
                  std::string(6 - code.size(), ' ') + code;
  return internal ? r + "    (Called internally)" : r;
}

TEST_F(ShowTest, OrderOfEquationsBlockByteForByte) {
  E1PSH("LSARG ");
  E1ARGI(1, 0);
  E1MES(kTerminal, 1, "The number of equations must be positive while N = %(I1) is given.");
  EXPECT_EQ(console(),
            "\n"
            " *** TERMINAL ERROR 1 from LSARG.  The number of equations must be positive\n"
            " ***          while N = 0 is given.\n");
}

TEST_F(ShowTest, ShortMessageTakesOneLine) {
  E1PSH("LSARG ");
  E1MES(kWarningImmediate, 12, "Short.");
  EXPECT_EQ(console(), "\n *** WARNING  ERROR 12 from LSARG.  Short.\n");
}

TEST_F(ShowTest, TypeWordsAreEightWide) {
  E1PSH("LSARG ");
  E1MES(kNote, 1, "n");
  E1SHOW();
  E1MES(kAlert, 2, "a");
  E1SHOW();
  EXPECT_EQ(lines(), (Lines{"", " *** NOTE     ERROR 1 from LSARG.  n", "",
                            " *** ALERT    ERROR 2 from LSARG.  a"}));
}

TEST_F(ShowTest, LongMessagesBreakAtBlanksAndMarkers) {
  // The full stop lands at position 45 of the message; blanks at 46 and 47.
  const std::string sentence = std::string(30, 'x') + " " + std::string(10, 'y') + ".";
  const std::string head = " *** TERMINAL ERROR 1 from LSARG. ";
  const struct {
    std::string text;
    Lines want;
  } cases[] = {
      // A run without blanks is cut at the window's end.
      {"Name " + std::string(100, 'x') + " done.",
       {"", head + " Name", kCont + std::string(64, 'x'), kCont + std::string(36, 'x') + " done."}},
      // A long first word: the only blanks within the room are the two after the
      // leading full stop.
      {std::string(50, 'z'), {"", head, kCont + std::string(50, 'z')}},
      // A break at two blanks starts the next line with the word.
      {sentence + "  Next sentence here.",
       {"", head + " " + sentence, kCont + "Next sentence here."}},
      // A continuation line keeps its blank and skips the second.
      {"Head " + std::string(62, 'w') + ".  Tail.",
       {"", head + " Head", kCont + std::string(62, 'w') + ". ", kCont + "Tail."}},
      // The marker forces a break.
      {"one%/two%/three", {"", head + " one", kCont + "two", kCont + "three"}},
  };
  for (const auto& c : cases) {
    errstack::reset();
    clear_console();
    E1PSH("LSARG ");
    E1MES(kTerminal, 1, c.text);
    EXPECT_EQ(lines(), c.want) << c.text;
  }
}

TEST_F(ShowTest, TracebackForAnErrorAtLevelThree) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1MES(kTerminal, 2, "Bad.");
  const std::string blanks(20, ' ');
  EXPECT_EQ(lines(), (Lines{"", " *** TERMINAL ERROR 2 from L2ARG.  Bad.",
                            "     Here is a traceback of subprogram calls in reverse order:",
                            "     Routine name" + blanks + "Error type  Error code",
                            "     ------------" + blanks + "----------  ----------",
                            row("L2ARG", "5", "2", true), row("LSARG", "0", "0", false),
                            row("USER", "0", "0", false)}));
  EXPECT_EQ(stop_status([] { E1POP("L2ARG "); }), 1);
}

TEST_F(ShowTest, LowerCaseFirstLetterBeforeUpperCaseIsShownUpperCase) {
  E1PSH("sOLVE ");
  E1PSH("lower ");
  E1MES(kWarningImmediate, 1, "x");
  const Lines out = lines();
  ASSERT_EQ(out.size(), 8u);
  EXPECT_EQ(out[1], " *** WARNING  ERROR 1 from lower.  x");
  EXPECT_EQ(out[5], row("lower", "6", "1", true));
  EXPECT_EQ(out[6], row("SOLVE", "0", "0", false));
}

TEST_F(ShowTest, PrintingTwicePrintsOnce) {
  E1PSH("LSARG ");
  E1MES(kWarning, 1, "Once.");
  E1SHOW();
  E1SHOW();
  EXPECT_EQ(lines(), (Lines{"", " *** WARNING  ERROR 1 from LSARG.  Once."}));
}

TEST_F(ShowTest, MessagesGoToTheErrorUnitOfTheMoment) {
  std::FILE* other = test_support::temporary_file();
  ASSERT_NE(other, nullptr);
  io::bind_unit(io::kUnitResults, other);
  int unit = io::kUnitResults;
  UMACH(-3, unit);
  E1PSH("LSARG ");
  E1MES(kWarningImmediate, 1, "Elsewhere.");
  unit = io::kUnitOutput;
  UMACH(-3, unit);
  E1MES(kWarningImmediate, 2, "Here.");
  std::rewind(other);
  std::string elsewhere;
  for (int c; (c = std::getc(other)) != EOF;) elsewhere.push_back(char(c));
  EXPECT_EQ(elsewhere, "\n *** WARNING  ERROR 1 from LSARG.  Elsewhere.\n");
  EXPECT_EQ(console(), "\n *** WARNING  ERROR 2 from LSARG.  Here.\n");
  io::bind_unit(io::kUnitResults, nullptr);
  std::fclose(other);
}

}  // namespace
