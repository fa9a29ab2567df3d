#pragma once
// A fixture for the error facility's tests: a fresh facility for each case and
// unit 6 captured in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "errstack/errstack.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

class ErrstackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    errstack::reset();
    io::reset_units();
    out_ = open_memstream(&buffer_, &size_);
    ASSERT_NE(out_, nullptr);
    io::bind_unit(io::kUnitOutput, out_);
  }

  void TearDown() override {
    io::reset_units();
    std::fclose(out_);
    std::free(buffer_);
  }

  // Everything written on unit 6 so far.
  std::string output() {
    std::fflush(out_);
    return std::string(buffer_, size_);
  }

  std::vector<std::string> lines() {
    std::vector<std::string> result;
    std::istringstream in(output());
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
  }

  // The exit status the call stopped the run with, or -1 when it returned.
  static int stop_status(const std::function<void()>& call) {
    try {
      call();
    } catch (const io::RunStopped& stopped) {
      return stopped.status;
    }
    return -1;
  }

 private:
  std::FILE* out_ = nullptr;
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
};
