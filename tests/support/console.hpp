#pragma once
// The console fixture of the error-facility and solver tests: a fresh error
// facility for each test and unit 6 captured in a file.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "errstack/errstack.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "tests/support/temporary_file.hpp"

namespace test_support {

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    errstack::reset();
    io::reset_units();
    console_ = temporary_file();
    ASSERT_NE(console_, nullptr);
    io::bind_unit(io::kUnitOutput, console_);
  }

  void TearDown() override {
    io::reset_units();
    std::fclose(console_);
    errstack::reset();
  }

  // Everything printed on unit 6 so far.
  std::string console() {
    std::fflush(console_);
    std::rewind(console_);
    std::string text;
    char buf[512];
    for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, console_)) > 0;)
      text.append(buf, got);
    std::fseek(console_, 0, SEEK_END);
    return text;
  }

  std::vector<std::string> lines() {
    std::vector<std::string> result;
    std::istringstream in(console());
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
  }

  void clear_console() {
    std::fclose(console_);
    console_ = temporary_file();
    io::bind_unit(io::kUnitOutput, console_);
  }

  // Whether the console shows text, ignoring how the message box broke its lines.
  bool printed(std::string_view text) {
    return flat(console()).find(flat(text)) != std::string::npos;
  }

  static std::string flat(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s.substr(i, 3) == "***") {
        i += 2;
        continue;
      }
      if (!std::isspace(static_cast<unsigned char>(s[i]))) out += s[i];
    }
    return out;
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
  std::FILE* console_ = nullptr;
};

}  // namespace test_support
