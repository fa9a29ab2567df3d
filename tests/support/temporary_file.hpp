#pragma once
// A temporary file for a test's stream, removed when it is closed.
#include <cstdio>

#ifdef _WIN32
#include <process.h>

#include <filesystem>
#include <string>
#endif

namespace test_support {

// std::tmpfile, except under Windows: its C library names the file from the
// clock, and two test processes started together (ctest -j) may take one name
// and share the file. There the name holds the process and a count, and "D"
// removes the file when it is closed.
inline std::FILE* temporary_file() {
#ifdef _WIN32
  static int count = 0;
  const std::string name =
      (std::filesystem::temp_directory_path() /
       ("vortex-test-" + std::to_string(_getpid()) + "-" + std::to_string(++count)))
          .string();
  return std::fopen(name.c_str(), "w+bD");
#else
  return std::tmpfile();
#endif
}

}  // namespace test_support
