// The standard library writes a float with a precision: to_chars rounds the
// exact binary value, ties to even.
#include <charconv>
#include <vector>

#include "io/float_text.hpp"

namespace io {
namespace {

std::string to_text(float v, std::chars_format format, int decimals) {
  // A float's integer part has at most 39 digits; the exponent at most two.
  std::vector<char> buf(std::size_t(decimals) + 48);
  const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v, format, decimals);
  return std::string(buf.data(), res.ptr);
}

}  // namespace

std::string fixed_text(float v, int decimals) {
  return to_text(v, std::chars_format::fixed, decimals);
}

std::string scientific_text(float v, int decimals) {
  return to_text(v, std::chars_format::scientific, decimals);
}

}  // namespace io
