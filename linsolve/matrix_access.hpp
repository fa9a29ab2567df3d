#pragma once
// Column-major access with a leading dimension, 1-based: element (i, j) of a
// matrix whose columns are ld reals apart.
#include <cstddef>

namespace linsolve {

inline float& at(float* a, int ld, int i, int j) {
  return a[static_cast<std::ptrdiff_t>(j - 1) * ld + (i - 1)];
}

inline const float& at(const float* a, int ld, int i, int j) {
  return a[static_cast<std::ptrdiff_t>(j - 1) * ld + (i - 1)];
}

}  // namespace linsolve
