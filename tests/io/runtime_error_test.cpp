#include "io/runtime_error.hpp"

#include <gtest/gtest.h>

#include "io/call_trace.hpp"
#include "io/program_name.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "tests/support/stderr_capture.hpp"

namespace {

std::string padded(std::string s, std::size_t width) {
  s.resize(std::max(width, s.size()), ' ');
  return s;
}

// The image column as the traceback writes it.
std::string image() { return padded(std::string(io::program_name()).substr(0, 17), 17); }

std::string row(const char* routine, int line) {
  std::string l = std::to_string(line);
  return image() + "  00000000  " + padded(routine, 17) + "  " + std::string(10 - l.size(), ' ') +
         l + "  runtime_error_test.cpp\r\n";
}

const std::string kHeader =
    "Image              PC        Routine            Line        Source             \r\n";

int line_coord = 0, line_matrica = 0, line_main = 0;

void coord() {
  line_coord = __LINE__ + 1;
  io::CallScope trace("COORD");
  io::severe_error(io::kErrArrayBounds);
}

void matrica() {
  line_matrica = __LINE__ + 1;
  io::CallScope trace("MATRICA");
  coord();
}

TEST(SevereError, WritesTheMessageLineAndATracebackInnermostFirstThenStops) {
  io::reset_units();
  test_support::StderrCapture err;
  int status = 0;
  try {
    line_main = __LINE__ + 1;
    io::CallScope trace("VORTEX");
    matrica();
  } catch (const io::RunStopped& stop) {
    status = stop.status;
  }
  EXPECT_EQ(status, 161);
  EXPECT_EQ(err.text(), "forrtl: severe (161): Program Exception - array bounds exceeded\r\n" +
                            kHeader + row("COORD", line_coord) + row("MATRICA", line_matrica) +
                            row("VORTEX", line_main));
  EXPECT_TRUE(io::active_calls().empty());  // the scopes ended as the stop unwound them
}

TEST(SevereError, FillsTheUnitAndTheFileAndClosesEveryFile) {
  io::reset_units();
  static int closed = 0;
  closed = 0;
  io::register_closer([] { ++closed; });
  test_support::StderrCapture err;
  int status = 0;
  try {
    io::severe_error(io::kErrPermission, 10, "rezult.txt");
  } catch (const io::RunStopped& stop) {
    status = stop.status;
  }
  EXPECT_EQ(status, 9);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(err.text(),
            "forrtl: severe (9): permission to access file denied, unit 10, file rezult.txt\r\n" +
                kHeader);
}

}  // namespace
