#include "io/results_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "io/terminate.hpp"
#include "results_file_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using iotest::file_bytes;
using iotest::kFirst;
using iotest::kSecond;
using iotest::ResultsFile;
using iotest::write_bytes;

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

}  // namespace
