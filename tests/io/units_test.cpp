#include "io/units.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "io/real_to_int.hpp"
#include "io/terminate.hpp"

namespace {

TEST(RealToInt, TruncatesTowardZeroAndMapsTheUnrepresentableToMostNegative) {
  EXPECT_EQ(io::real_to_int(5.7), 5);
  EXPECT_EQ(io::real_to_int(-5.7), -5);
  EXPECT_EQ(io::real_to_int(2147483647.9), 2147483647);
  EXPECT_EQ(io::real_to_int(-2147483648.5), INT_MIN);
  EXPECT_EQ(io::real_to_int(2147483648.0), INT_MIN);
  EXPECT_EQ(io::real_to_int(1e10), INT_MIN);
  EXPECT_EQ(io::real_to_int(std::nan("")), INT_MIN);
  EXPECT_EQ(io::real_to_int(std::numeric_limits<double>::infinity()), INT_MIN);
  EXPECT_EQ(io::real_to_int(-std::numeric_limits<double>::infinity()), INT_MIN);
}

int closed_count = 0;
void count_close() { ++closed_count; }

TEST(StopRun, ClosesRegisteredFilesOnceAndCarriesTheStatus) {
  io::reset_units();
  closed_count = 0;
  io::register_closer(count_close);
  io::register_closer(count_close);
  try {
    io::stop_run(38);
    FAIL() << "stop_run returned";
  } catch (const io::RunStopped& s) {
    EXPECT_EQ(s.status, 38);
  }
  EXPECT_EQ(closed_count, 1);
  io::close_all();
  EXPECT_EQ(closed_count, 1);
}

}  // namespace
