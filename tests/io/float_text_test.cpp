// The snprintf form of the float text (io/float_text_printf.cpp), the one for a
// standard library without floating-point to_chars, against the standard
// library's to_chars where both are built.
#include "io/float_text.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

std::string to_chars_text(float v, std::chars_format format, int decimals) {
  std::vector<char> buf(std::size_t(decimals) + 64);
  return std::string(buf.data(),
                     std::to_chars(buf.data(), buf.data() + buf.size(), v, format, decimals).ptr);
}

TEST(FloatTextByPrintf, WritesWhatToCharsWrites) {
  using limits = std::numeric_limits<float>;
  // Ties at several places, values that carry into a new digit, the ends of
  // the range; then bit patterns spread over every exponent.
  std::vector<float> values = {0.0f,       -0.0f,         0.5f,          2.5f,
                               3.5f,       0.015625f,     -0.046875f,    9.999999f,
                               999.99994f, 0.000005f,     12345665.0f,   12345675.0f,
                               1e-45f,     limits::min(), limits::max(), -limits::max()};
  for (std::uint32_t k = 0; k < 65536; ++k) {
    const std::uint32_t bits = k * 65521u;
    float v = 0.0f;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
  }
  for (const float v : values) {
    for (const int d : {0, 1, 5, 9, 17, 60})
      ASSERT_EQ(io::fixed_text(v, d), to_chars_text(v, std::chars_format::fixed, d))
          << v << " with " << d << " decimals";
    for (const int d : {0, 1, 6, 12})
      ASSERT_EQ(io::scientific_text(v, d), to_chars_text(v, std::chars_format::scientific, d))
          << v << " with " << d << " decimals";
  }
}

}  // namespace
