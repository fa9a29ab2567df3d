#include "fuzz/record_oracle.hpp"

#include <cmath>
#include <cstdio>

namespace fuzz {

std::string expected_field(float v, int w, int d) {
  const std::size_t width = std::size_t(w);
  std::string text;
  if (std::isnan(v)) {
    // "NaN" from the second column; a field too narrow for it is asterisks.
    if (width < 4) return std::string(width, '*');
    return " NaN" + std::string(width - 4, ' ');
  }
  if (std::isinf(v)) {
    text = v > 0 ? " Infinity" : " -Infinity";
  } else {
    // printf writes no point with no decimals unless asked with '#'.
    char buf[128];
    std::snprintf(buf, sizeof buf, d == 0 ? "%#.*f" : "%.*f", d, double(v));
    text = buf;
    // No minus sign on a value that rounds to zero.
    if (text[0] == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
  }
  if (text.size() > width) return std::string(width, '*');
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace fuzz
