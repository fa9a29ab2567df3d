#pragma once
// Conversion of a real to an integer: truncation toward zero. A value that is
// not a number, infinite or outside the int range gives the most negative int,
// as the processor's conversion does, never undefined behaviour.
#include <climits>
#include <cmath>

namespace io {

inline int real_to_int(double v) {
  // The range test is written so that a NaN fails it.
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace io
