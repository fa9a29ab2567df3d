// The results file's cases that only a POSIX system has: permission bits that
// the superuser passes, a device that refuses every write, and a standard
// stream closed before the opening.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "io/results_file.hpp"
#include "io/terminate.hpp"
#include "results_file_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using iotest::file_bytes;
using iotest::kFirst;
using iotest::ResultsFile;
using iotest::write_bytes;

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
