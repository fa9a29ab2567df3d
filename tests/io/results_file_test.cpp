#include "io/results_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "io/terminate.hpp"
#include "io/units.hpp"
#include "tests/support/stderr_capture.hpp"
#include "work_dir.hpp"

namespace {

namespace fs = std::filesystem;
using iotest::file_bytes;
using iotest::write_bytes;

const std::string kFirst = "  0.10000 -0.50000\r\n";
const std::string kSecond = "  0.20000  0.86450\r\n";

class ResultsFile : public ::testing::Test {
 protected:
  void SetUp() override { io::reset_units(); }
  void TearDown() override {
    io::close_all();
    io::reset_units();
  }
  // The status of a stop inside f, 0 when f completes; the standard error's
  // first line in message.
  template <class F>
  int stop_status(F f) {
    test_support::StderrCapture err;
    int status = 0;
    try {
      f();
    } catch (const io::RunStopped& stop) {
      status = stop.status;
    }
    message = err.first_line();
    return status;
  }
  iotest::TempWorkDir dir;
  std::string message;
};

TEST_F(ResultsFile, CreatesTheFileAndWritesBinaryRecordsEndedByCrLf) {
  io::results_open();
  ASSERT_TRUE(fs::exists("rezult.txt"));
  EXPECT_EQ(file_bytes("rezult.txt"), "");
  io::results_write(0.1f, -0.5f);
  io::results_write(0.2f, 0.8645f);
  io::results_close();
  EXPECT_EQ(file_bytes("rezult.txt"), kFirst + kSecond);
}

TEST_F(ResultsFile, OpeningKeepsAnEarlierFileAndTheFirstRecordCutsItAfterItself) {
  const std::string earlier = "earlier run, longer than one record\r\nsecond line of it\r\n";
  write_bytes("rezult.txt", earlier);
  io::results_open();
  EXPECT_EQ(file_bytes("rezult.txt"), earlier);
  io::results_write(0.1f, -0.5f);
  io::results_write(0.2f, 0.8645f);
  EXPECT_EQ(file_bytes("rezult.txt"), earlier);  // gathered: nothing written yet
  io::results_close();
  EXPECT_EQ(file_bytes("rezult.txt"), kFirst + kSecond);
}

TEST_F(ResultsFile, AFullBatchIsWrittenOutWholeAndCutsTheEarlierFile) {
  write_bytes("rezult.txt", std::string(100000, 'x'));
  io::results_open();
  for (int i = 0; i < 256; ++i) io::results_write(0.1f, -0.5f);
  EXPECT_EQ(file_bytes("rezult.txt"), std::string(100000, 'x'));
  io::results_write(0.2f, 0.8645f);  // no room left: the first 256 go out
  std::string expected;
  for (int i = 0; i < 256; ++i) expected += kFirst;
  EXPECT_EQ(file_bytes("rezult.txt"), expected);
  io::results_close();
  EXPECT_EQ(file_bytes("rezult.txt"), expected + kSecond);
}

TEST_F(ResultsFile, AStopBeforeTheFirstRecordLeavesAnEarlierFileUnchanged) {
  write_bytes("rezult.txt", "kept\r\n");
  EXPECT_EQ(stop_status([] {
              io::results_open();
              io::stop_run(161);
            }),
            161);
  EXPECT_EQ(file_bytes("rezult.txt"), "kept\r\n");
}

TEST_F(ResultsFile, AStopAfterSomeRecordsKeepsThemWholeAndClosesTheFile) {
  write_bytes("rezult.txt", std::string(100, 'x'));
  EXPECT_EQ(stop_status([] {
              io::results_open();
              io::results_write(0.1f, -0.5f);
              io::stop_run(161);
            }),
            161);
  EXPECT_EQ(file_bytes("rezult.txt"), kFirst);
  // The stop closed the unit: a new opening starts again at the beginning.
  io::results_open();
  io::results_write(0.2f, 0.8645f);
  io::results_close();
  EXPECT_EQ(file_bytes("rezult.txt"), kSecond);
}

TEST_F(ResultsFile, ADirectoryInThePlaceOfTheFileIsAnOpenFailure) {
  fs::create_directory("rezult.txt");
  EXPECT_EQ(stop_status(io::results_open), 30);
  EXPECT_EQ(message, "forrtl: severe (30): open failure, unit 10, file rezult.txt\r\n");
}

TEST_F(ResultsFile, AFileThatCannotBeWrittenIsAPermissionError) {
  write_bytes("rezult.txt", "read only\r\n");
  fs::permissions("rezult.txt",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  if (::geteuid() != 0) {
    EXPECT_EQ(stop_status(io::results_open), 9);
    EXPECT_EQ(message,
              "forrtl: severe (9): permission to access file denied, unit 10, file rezult.txt\r\n");
  } else {
    // Permission bits do not stop the superuser: open as an unprivileged user
    // in a child process, whose status is the stop's.
    fs::permissions(dir.path(), fs::perms::all);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 2);
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
      try {
        io::results_open();
      } catch (const io::RunStopped& stop) {
        ::_exit(stop.status);
      }
      ::_exit(0);
    }
    int wstatus = 0;
    ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 9);
  }
  EXPECT_EQ(file_bytes("rezult.txt"), "read only\r\n");
}

TEST_F(ResultsFile, AWriteThatFailsEndsTheRunWithAWriteFailure) {
  fs::create_symlink("/dev/full", "rezult.txt");
  io::results_open();
  EXPECT_EQ(stop_status([] {
              io::results_write(0.1f, -0.5f);
              io::results_close();
            }),
            38);
  EXPECT_EQ(message, "forrtl: severe (38): write failure, unit 10, file rezult.txt\r\n");
  io::results_close();  // already closed by the stop: nothing more happens
}

TEST_F(ResultsFile, NeverTakesTheDescriptorOfAClosedStandardStream) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(1);
    io::results_open();
    io::results_write(0.1f, -0.5f);
    const bool stdout_still_closed = ::fcntl(1, F_GETFD) == -1;
    io::results_close();
    ::_exit(stdout_still_closed ? 0 : 1);
  }
  int wstatus = 0;
  ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
  EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
  EXPECT_EQ(file_bytes("rezult.txt"), kFirst);
}

}  // namespace
