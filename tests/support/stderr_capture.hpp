#pragma once
// The standard error captured around a call, for the tests of what the run-time
// writes there.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/support/temporary_file.hpp"

namespace test_support {

// Everything written on file descriptor 2 while the capture lives. Not under
// node, whose file system duplicates a descriptor by opening its path again
// (a temporary file's, gone by then, made anew and left behind): there the
// capture holds nothing, and the tests that read it are left out.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    file_ = temporary_file();
#ifndef __EMSCRIPTEN__
    saved_ = ::dup(2);
    ::dup2(::fileno(file_), 2);
#endif
  }
  ~StderrCapture() { restore(); }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  std::string text() {
    restore();
    std::string out;
    std::rewind(file_);
    for (int c; (c = std::getc(file_)) != EOF;) out.push_back(char(c));
    return out;
  }
  // The first line with its CR LF.
  std::string first_line() {
    const std::string all = text();
    const std::size_t end = all.find('\n');
    return end == std::string::npos ? all : all.substr(0, end + 1);
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
    saved_ = -1;
  }
  std::FILE* file_ = nullptr;
  int saved_ = -1;
};

}  // namespace test_support
