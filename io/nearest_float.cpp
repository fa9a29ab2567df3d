// Where the standard library has no float from_chars (libc++ 14, for one), the
// C library converts: strtof rounds correctly in the default rounding mode too,
// and the text has no decimal point that a locale could change.
#include "io/nearest_float.hpp"

#include <cmath>
#include <cstdlib>

namespace io {

std::optional<float> nearest_float(const std::string& text) {
  const float value = std::strtof(text.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace io
