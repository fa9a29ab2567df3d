#pragma once
// Helpers of the I/O tests: a temporary working directory and the bytes of a
// file.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace iotest {

// A fresh directory that is the working directory while the object lives.
class TempWorkDir {
 public:
  TempWorkDir() {
    old_ = std::filesystem::current_path();
    // A name no other directory has: create_directory is false for one that exists.
    std::random_device seed;
    do {
      dir_ = std::filesystem::temp_directory_path() / ("vortex-io-" + std::to_string(seed()));
    } while (!std::filesystem::create_directory(dir_));
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
