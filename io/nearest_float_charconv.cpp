// The standard library converts floats: from_chars, with the C library for
// the numbers it leaves out of range.
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "io/nearest_float.hpp"

namespace io {

std::optional<float> nearest_float(const std::string& text) {
  float value = 0.0f;
  const char* const end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, value, std::chars_format::scientific);
  if (res.ec == std::errc() && res.ptr == end) return value;
  if (res.ec != std::errc::result_out_of_range) return std::nullopt;
  // Out of range either way: an overflow is infinite below; an underflow reads
  // as its correctly rounded value, which from_chars does not give.
  value = std::strtof(text.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace io
