#pragma once
// The float nearest to a decimal number, as the console input reads it.
#include <optional>
#include <string>

namespace io {

// text is an optional minus, decimal digits, "e" and a decimal exponent. The
// correctly rounded float (ties to even), subnormal or zero when the number is
// that small; nothing when it rounds beyond the largest float.
std::optional<float> nearest_float(const std::string& text);

}  // namespace io
