#pragma once
// The program's arrays: 201 reals, or 201 by 201 reals stored column by column
// with leading dimension 201, every element starting at zero. Every subscript is
// checked against 1..201 before the access; a subscript outside ends the run
// with the array-bounds error, and the access does not take place.
#include <array>

#include "io/runtime_error.hpp"

constexpr int kExtent = 201;

inline void check_subscript(int i) {
  if (i < 1 || i > kExtent) io::severe_error(io::kErrArrayBounds);
}

struct RealArray {
  std::array<float, kExtent> v{};

  float& operator()(int i) {
    check_subscript(i);
    return v[i - 1];
  }
  // Address of element 1, for a routine that takes the array as a whole.
  float* data() { return v.data(); }
};

struct RealMatrix {
  std::array<float, kExtent * kExtent> v{};

  float& operator()(int i, int j) {
    check_subscript(i);
    check_subscript(j);
    return v[(j - 1) * kExtent + (i - 1)];
  }
};
