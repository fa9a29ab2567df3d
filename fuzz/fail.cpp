#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_target.hpp"

namespace fuzz {

void fail(const char* target, const char* what) {
  std::fprintf(stderr, "fuzz %s: %s\n", target, what);
  std::fflush(stderr);
  std::abort();
}

}  // namespace fuzz
