#pragma once
// A temporary file for a test's stream, removed when it is closed.
#include <cstdio>

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
#include <filesystem>
#include <string>
#endif
#ifdef _WIN32
#include <process.h>
#elif defined(__EMSCRIPTEN__)
#include <random>
#endif

namespace test_support {

// std::tmpfile, except where the C library names its files from the clock, so
// that two test processes started together (ctest -j) may take one name and
// share the file or get none: Windows's under Wine, and Emscripten's under
// node, whose clock counts milliseconds. Under Windows the name holds the
// process and a count, and "D" removes the file at its close; under node,
// where every process has the same number, the name is drawn at random from
// the system's source (32 bits: two tests meet once in billions), and the file
// is removed while open.
inline std::FILE* temporary_file() {
#ifdef _WIN32
  static int count = 0;
  const std::string name =
      (std::filesystem::temp_directory_path() /
       ("vortex-test-" + std::to_string(_getpid()) + "-" + std::to_string(++count)))
          .string();
  return std::fopen(name.c_str(), "w+bD");
#elif defined(__EMSCRIPTEN__)
  static std::random_device random;
  const std::string name =
      (std::filesystem::temp_directory_path() / ("vortex-test-" + std::to_string(random())))
          .string();
  std::FILE* file = std::fopen(name.c_str(), "w+");
  std::remove(name.c_str());
  return file;
#else
  return std::tmpfile();
#endif
}

}  // namespace test_support
