#pragma once
// The fixture of the results file's tests: a fresh unit table in a temporary
// working directory, and the status and message of a stop.
#include <gtest/gtest.h>

#include <string>

#include "io/terminate.hpp"
#include "io/units.hpp"
#include "tests/support/stderr_capture.hpp"
#include "work_dir.hpp"

namespace iotest {

inline const std::string kFirst = "  0.10000 -0.50000\r\n";
inline const std::string kSecond = "  0.20000  0.86450\r\n";

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

}  // namespace iotest
