#pragma once
// A temporary file for a test's stream, removed when it is closed.
#include <cstdio>

namespace test_support {

// std::tmpfile, asked again when it fails: the Windows C library under Wine
// names its files from the clock, and two test processes started together
// may pick one name, which the later one then cannot open.
inline std::FILE* temporary_file() {
  std::FILE* file = std::tmpfile();
  for (int attempt = 0; file == nullptr && attempt < 100; ++attempt) file = std::tmpfile();
  return file;
}

}  // namespace test_support
