#pragma once
// A float's exact stored value as decimal text, rounded once to the digits
// asked for, ties to even: what std::to_chars writes with a precision. The
// standard library's to_chars where it has these forms (float_text_charconv.cpp);
// elsewhere (libc++ 13, in Emscripten 3.1.6) the C library's snprintf
// (float_text_printf.cpp). Chosen by CMake.
#include <string>

namespace io {

// A finite v with `decimals` (>= 0) digits after the point, no point when there
// are none; a minus sign on every negative value, -0 and values that round to
// zero included: "-0.00000", "12.34568", "3".
std::string fixed_text(float v, int decimals);

// A finite v as one digit, the point and `decimals` (>= 0) digits, then e, the
// exponent's sign and at least two digits: "1.234568e+01", "-0.000000e+00".
std::string scientific_text(float v, int decimals);

}  // namespace io
