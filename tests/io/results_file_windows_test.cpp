// The results file's cases as Windows has them: a file that another program
// holds and a folder, refused with the reasons of the POSIX program; a lock
// that another handle holds; a closed standard stream; and the exit codes
// with their severity bits.
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <filesystem>

#include "io/platform.hpp"
#include "io/results_file.hpp"
#include "io/terminate.hpp"
#include "results_file_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using iotest::file_bytes;
using iotest::ResultsFile;
using iotest::write_bytes;

// A program that holds the file without sharing it (an editor, say) refuses it
// as a read-only file does; Wine, run by the superuser, lets a read-only file
// be written, so the held file stands for both here.
TEST_F(ResultsFile, AHeldFileAndAFolderAreRefusedWithTheirReasons) {
  struct Case {
    const char* what;
    HANDLE (*make)();
    int status;
    const char* lines;
  };
  for (const Case& c : {
           Case{"file held without sharing",
                []() -> HANDLE {
                  write_bytes("rezult.txt", "kept\r\n");
                  return ::CreateFileA("rezult.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
                },
                9,
                "forrtl: severe (9): permission to access file denied, unit 10, file "
                "rezult.txt\r\nforrtl: Permission denied\r\n"},
           Case{"folder",
                []() -> HANDLE {
                  fs::create_directory("rezult.txt");
                  return INVALID_HANDLE_VALUE;
                },
                30,
                "forrtl: severe (30): open failure, unit 10, file rezult.txt\r\n"
                "forrtl: Is a directory\r\n"},
       }) {
    SCOPED_TRACE(c.what);
    const HANDLE holder = c.make();
    test_support::StderrCapture err;
    int status = 0;
    try {
      io::results_open();
    } catch (const io::RunStopped& stop) {
      status = stop.status;
    }
    const std::string text = err.text();
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(text.substr(0, text.find("Image")), c.lines);
    if (holder != INVALID_HANDLE_VALUE) ::CloseHandle(holder);
    if (c.status == 9) {
      EXPECT_EQ(file_bytes("rezult.txt"), "kept\r\n");
    }
    fs::remove_all("rezult.txt");
  }
}

// Windows locks belong to a handle: a second opening in the same process finds
// the lock held, as another run would.
TEST_F(ResultsFile, TheLockIsHeldAgainstEveryOtherOpening) {
  io::results_open();
  const io::platform::Opened other = io::platform::open_for_writing("rezult.txt");
  ASSERT_GE(other.fd, 0);
  EXPECT_EQ(io::platform::try_lock(other.fd), io::platform::Lock::held);
  EXPECT_EQ(io::platform::lock_holder(other.fd), 0);  // Windows does not tell whose it is
  io::results_close();
  EXPECT_EQ(io::platform::try_lock(other.fd), io::platform::Lock::taken);
  EXPECT_TRUE(io::platform::close(other.fd));
}

// The standard input stands for any standard stream here: the test's own
// output stays where it is.
TEST_F(ResultsFile, NeverTakesTheDescriptorOfAClosedStandardStream) {
  const int saved = ::_dup(0);
  ASSERT_GE(saved, 0);
  ::_close(0);
  io::results_open();
  io::results_write(0.1f, -0.5f);
  const bool still_closed = ::_get_osfhandle(0) == -1;
  io::results_close();
  io::guard_standard_streams();  // and at start-up, the stream is on NUL
  const bool on_null =
      ::GetFileType(reinterpret_cast<HANDLE>(::_get_osfhandle(0))) == FILE_TYPE_CHAR;
  ::_dup2(saved, 0);
  ::_close(saved);
  EXPECT_TRUE(still_closed);
  EXPECT_TRUE(on_null);
  EXPECT_EQ(file_bytes("rezult.txt"), iotest::kFirst);
}

TEST(ExitCode, RunTimeErrorsCarryTheSeverityBits) {
  EXPECT_EQ(io::exit_code(io::kStatusNormal), 0);
  EXPECT_EQ(io::exit_code(io::kStatusSolverStop), 1);
  EXPECT_EQ(unsigned(io::exit_code(161)), 0xC00000A1u);
  EXPECT_EQ(unsigned(io::exit_code(24)), 0xC0000018u);
  EXPECT_EQ(unsigned(io::exit_code(38)), 0xC0000026u);
}

}  // namespace
