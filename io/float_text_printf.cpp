// A float with a precision where the standard library has no floating-point
// to_chars with one (libc++ 13, in Emscripten 3.1.6): the C library's snprintf
// of the float's exact value as a double. glibc's and musl's (Emscripten's)
// printf convert the exact binary value and round it once, to nearest with
// ties to even under the default rounding, which is what to_chars writes; the
// program never sets a locale, so the point is the C locale's. Checked against
// to_chars wherever both are built, and in the WebAssembly build over every
// field of the results record (docs/fuzzing.md).
#include <cstdio>
#include <string>

#include "io/float_text.hpp"

namespace io {
namespace {

std::string print(const char* format, float v, int decimals) {
  // A float's integer part has at most 39 digits, its exponent three.
  std::string text(std::size_t(decimals) + 48, '\0');
  const int n = std::snprintf(text.data(), text.size(), format, decimals, double(v));
  text.resize(n > 0 ? std::size_t(n) : 0);
  return text;
}

}  // namespace

std::string fixed_text(float v, int decimals) { return print("%.*f", v, decimals); }

std::string scientific_text(float v, int decimals) { return print("%.*e", v, decimals); }

}  // namespace io
