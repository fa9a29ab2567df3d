#include "io/record.hpp"

#include <cmath>

#include "io/float_text.hpp"

namespace io {
namespace {

// The text justified to the right of a field of width w, or w asterisks when
// it does not fit.
std::string justify(const std::string& text, int w) {
  const std::size_t width = std::size_t(w);
  if (text.size() > width) return std::string(width, '*');
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string fixed_field(float v, int w, int d) {
  if (w <= 0) return std::string();
  if (d < 0) d = 0;
  const std::size_t width = std::size_t(w);

  // Not-a-number: "NaN" from the field's second column, blanks elsewhere.
  if (std::isnan(v)) {
    if (width < 4) return std::string(width, '*');
    return " NaN" + std::string(width - 4, ' ');
  }
  // An infinity is written as a word after a blank; the negative one needs
  // ten columns and becomes asterisks in a narrower field.
  if (std::isinf(v)) return justify(v > 0 ? " Infinity" : " -Infinity", w);

  // The exact stored value rounded to d decimals, ties to even.
  std::string text = fixed_text(v, d);
  if (d == 0) text += '.';

  // No minus sign on a value that rounded to zero (negative zero included).
  if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos)
    text.erase(0, 1);
  return justify(text, w);
}

std::string results_record(float x, float cp) {
  return fixed_field(x, 9, 5) + fixed_field(cp, 9, 5);
}

}  // namespace io
