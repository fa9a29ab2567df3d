#pragma once
// Helpers of the I/O tests: the standard error captured around a call, and a
// temporary working directory.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace iotest {

// Everything written on file descriptor 2 while the capture lives.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    saved_ = ::dup(2);
    ::dup2(::fileno(file_), 2);
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

// A fresh directory that is the working directory while the object lives.
class TempWorkDir {
 public:
  TempWorkDir() {
    old_ = std::filesystem::current_path();
    std::string templ = (std::filesystem::temp_directory_path() / "vortex-io-XXXXXX").string();
    dir_ = ::mkdtemp(templ.data());
    std::filesystem::current_path(dir_);
  }
  ~TempWorkDir() {
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path old_, dir_;
};

inline std::string file_bytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace iotest
