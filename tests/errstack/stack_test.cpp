// The routine-name stack: what a caller reads after a call, the pop rules for
// each error type, and the facility's own errors.
#include <string>

#include "tests/support/console.hpp"

namespace {

using StackTest = test_support::ConsoleTest;

using Lines = std::vector<std::string>;

TEST_F(StackTest, CallerReadsWhatTheCalleeRecordedAndPassedDown) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1POP("L2ARG ");
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(N1RCD(1), 0);

  E1PSH("L2ARG ");
  E1MES(kWarning, 2, "trouble");
  E1POP("L2ARG ");
  EXPECT_EQ(N1RTY(1), kWarning);
  EXPECT_EQ(N1RCD(1), 2);
  EXPECT_EQ(N1RTY(0), kWarning);
  EXPECT_EQ(N1RCD(0), 2);
}

TEST_F(StackTest, NoteIsNotPassedDown) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1MES(kNote, 4, "a note");
  E1POP("L2ARG ");
  EXPECT_EQ(N1RTY(1), kNote);
  EXPECT_EQ(N1RTY(0), 0);
  EXPECT_EQ(N1RCD(0), 0);
  E1POP("LSARG ");
  EXPECT_EQ(console(), "");
}

TEST_F(StackTest, WarningFromLevelFourPrintsOnceAtThePopOfLevelTwo) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1PSH("L2CRG ");
  E1ARGI(1, 7);
  E1MES(kWarning, 3, "Deep warning %(I1).");
  E1POP("L2CRG ");
  EXPECT_EQ(N1RTY(1), kWarning);  // level 3 reads it before it pops
  E1POP("L2ARG ");
  EXPECT_EQ(console(), "");
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), -1);
  EXPECT_EQ(lines(), (Lines{"", " *** WARNING  ERROR 3 from LSARG.  Deep warning 7."}));
  // Back at USER, which keeps the last error passed down.
  EXPECT_EQ(N1RTY(0), kWarning);
  EXPECT_EQ(N1RCD(0), 3);
  EXPECT_EQ(N1RTY(1), kWarning);
}

TEST_F(StackTest, FatalErrorStopsAtThePopOfLevelTwo) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1MES(kFatal, 2, "Fatal.");
  EXPECT_EQ(stop_status([] { E1POP("L2ARG "); }), -1);
  EXPECT_EQ(console(), "");
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), io::kStatusSolverStop);
  EXPECT_EQ(lines(), (Lines{"", " *** FATAL    ERROR 2 from LSARG.  Fatal."}));
}

TEST_F(StackTest, FatalErrorAtLevelTwoStopsAtItsOwnPop) {
  E1PSH("LSARG ");
  E1MES(kFatal, 1, "Fatal.");
  EXPECT_EQ(console(), "");
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), 1);
  EXPECT_EQ(lines(), (Lines{"", " *** FATAL    ERROR 1 from LSARG.  Fatal."}));
}

TEST_F(StackTest, TerminalErrorPrintsWhenRecordedAndStopsAtItsOwnPop) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1PSH("L2CRG ");
  E1PSH("NR1RR ");
  E1MES(kTerminal, 9, "Terminal.");
  const std::size_t printed = lines().size();
  EXPECT_GT(printed, 2u);
  EXPECT_EQ(stop_status([] { E1POP("NR1RR "); }), 1);
  EXPECT_EQ(lines().size(), printed);  // not printed again
}

TEST_F(StackTest, ImmediateFormsPrintAtOnce) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1MES(kWarningImmediate, 4, "Soon.");
  EXPECT_EQ(lines().at(1), " *** WARNING  ERROR 4 from L2ARG.  Soon.");
  E1POP("L2ARG ");
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), -1);

  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  E1MES(kFatalImmediate, 5, "Now.");
  EXPECT_EQ(lines().back().substr(0, 9), "     USER");  // the traceback follows at level 3
  EXPECT_EQ(stop_status([] { E1POP("L2ARG "); }), -1);
  const std::size_t printed = lines().size();
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), 1);
  EXPECT_EQ(lines().size(), printed);
}

TEST_F(StackTest, ClearingTypeAndCodeDiscardsThePendingMessage) {
  E1PSH("LSARG ");
  E1MES(kWarning, 1, "Discarded.");
  E1MES(0, 0, "");
  EXPECT_EQ(N1RTY(0), 0);
  E1POP("LSARG ");
  EXPECT_EQ(console(), "");
}

TEST_F(StackTest, MinusOneLeavesTypeAndCodeAlone) {
  E1PSH("LSARG ");
  E1MES(kWarning, 4, "First.");
  E1MES(-1, -1, "Second.");
  EXPECT_EQ(N1RTY(0), kWarning);
  EXPECT_EQ(N1RCD(0), 4);
  E1MES(-1, 6, "Third.");
  EXPECT_EQ(N1RCD(0), 6);
  E1POP("LSARG ");
  EXPECT_EQ(lines(), (Lines{"", " *** WARNING  ERROR 6 from LSARG.  Third."}));
}

TEST_F(StackTest, PushBeyondLevelFiftyStops) {
  for (int i = 2; i <= 50; ++i) E1PSH("R" + std::to_string(i));
  EXPECT_EQ(console(), "");
  EXPECT_EQ(stop_status([] { E1PSH("ONEMORE"); }), 1);
  const Lines out = lines();
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[0], "");
  EXPECT_EQ(out[1], " *** TERMINAL ERROR 1 from R50.  Error condition in E1PSH.  Push would cause");
  EXPECT_EQ(out[2], " ***          stack level to exceed 50.");
  // Heading of three lines and one row per level.
  EXPECT_EQ(out.size(), 3u + 3u + 50u);
  EXPECT_EQ(out.back().substr(0, 9), "     USER");
}

TEST_F(StackTest, PopOfAnotherNameStops) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), 1);
  const Lines out = lines();
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[1], " *** TERMINAL ERROR 2 from L2ARG.  Error condition in E1POP.  LSARG does not");
  EXPECT_EQ(out[2], " ***          match the name L2ARG in the stack.");
}

TEST_F(StackTest, PopNamesCompareWithoutTrailingBlanks) {
  E1PSH("LSARG");
  EXPECT_EQ(stop_status([] { E1POP("LSARG      "); }), -1);
}

TEST_F(StackTest, PopFromEmptyStackStops) {
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), 1);
  EXPECT_EQ(
      lines(),
      (Lines{"", " *** TERMINAL ERROR 1 from E1POP.  Error condition in E1POP.  Cannot pop from",
             " ***          LSARG because stack is empty."}));
}

TEST_F(StackTest, QueriesAcceptOnlyZeroOrOne) {
  E1PSH("LSARG ");
  EXPECT_EQ(stop_status([] { N1RTY(2); }), 1);
  EXPECT_EQ(
      lines(),
      (Lines{"", " *** TERMINAL ERROR 1 from LSARG.  The argument passed to N1RTY must be 0 or",
             " ***          1."}));

  errstack::reset();
  EXPECT_EQ(stop_status([] { N1RCD(-1); }), 1);
  // With the shorter name USER the whole message fits the first line.
  EXPECT_EQ(lines().back(),
            " *** TERMINAL ERROR 1 from USER.  The argument passed to N1RCD must be 0 or 1.");
}

TEST_F(StackTest, TypeOutsideTheTableStops) {
  E1PSH("LSARG ");
  EXPECT_EQ(stop_status([] { E1MES(8, 1, "Never composed."); }), 1);
  EXPECT_EQ(lines(),
            (Lines{"", " *** TERMINAL ERROR 1 from LSARG.  Error from E1MES.  Illegal error type",
                   " ***          specified."}));
}

TEST_F(StackTest, ResetStartsAgainFromUser) {
  E1PSH("LSARG ");
  E1PSH("L2ARG ");
  errstack::reset();
  E1PSH("LSARG ");
  EXPECT_EQ(stop_status([] { E1POP("LSARG "); }), -1);
  EXPECT_EQ(stop_status([] { E1POP("USER"); }), 1);  // USER is the bottom, never popped
}

}  // namespace
