#include "io/list_input.hpp"

#include <cstdio>
#include <optional>
#include <string>

#include "io/nearest_float.hpp"
#include "io/runtime_error.hpp"
#include "io/units.hpp"

namespace io {
namespace {

[[noreturn]] void input_error(int number) {
  severe_error(number, kConsoleInputUnit, kConsoleInputName);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A line end, as next_char gives it: the line feed, a carriage return before it
// or before the end of the input belonging to it.
constexpr int kLineEnd = '\n';

// Where an input statement reads: the stream of unit 5, or a text given as the
// input (whose end is the end of the input).
class Source {
 public:
  explicit Source(std::FILE* file) : file_(file) {}
  explicit Source(std::string_view text) : text_(text) {}

  int get() {
    if (file_ != nullptr) return std::getc(file_);
    return at_ < text_.size() ? static_cast<unsigned char>(text_[at_++]) : EOF;
  }
  // Gives back the character that get() gave last.
  void unget(int c) {
    if (file_ != nullptr) {
      std::ungetc(c, file_);
    } else {
      --at_;
    }
  }

 private:
  std::FILE* file_ = nullptr;
  std::string_view text_;
  std::size_t at_ = 0;
};

// The next character of the input, kLineEnd at a line end, EOF at the end.
int next_char(Source& in) {
  const int c = in.get();
  if (c != '\r') return c;
  const int after = in.get();
  if (after == '\n' || after == EOF) return kLineEnd;
  in.unget(after);
  return c;
}

// Passes over what is left of the line without keeping it.
void skip_line(Source& in) {
  int c = next_char(in);
  while (c != kLineEnd && c != EOF) c = next_char(in);
}

// A byte-order mark where the input starts. UTF-8's, which Windows editors
// write, is passed over. UTF-16's (PowerShell 5's > writes UTF-16) is refused
// as a conversion error with a line that names the encoding: the reader takes
// one byte for a character. Any other text that starts with a byte of the
// marks is no number either: the same conversion error, without that line.
void pass_byte_order_mark(Source& in) {
  const int first = in.get();
  if (first != 0xEF && first != 0xFE && first != 0xFF) {
    if (first != EOF) in.unget(first);
    return;
  }
  const int second = in.get();
  if (first == 0xEF && second == 0xBB && in.get() == 0xBF) return;
  if (first == 0xFF && second == 0xFE)
    severe_error(kErrConversion, kConsoleInputUnit, kConsoleInputName,
                 "the input is UTF-16LE text (byte-order mark FF FE); only ASCII or UTF-8 is read");
  if (first == 0xFE && second == 0xFF)
    severe_error(kErrConversion, kConsoleInputUnit, kConsoleInputName,
                 "the input is UTF-16BE text (byte-order mark FE FF); only ASCII or UTF-8 is read");
  input_error(kErrConversion);
}

bool ends_value(int c) { return c == ' ' || c == '\t' || c == ',' || c == '/' || c == kLineEnd; }

// Converts one numeric value: an optional sign, digits with or without a
// decimal point, an optional exponent letter E, D or Q (either case) with an
// optional sign and digits. A mantissa without digits reads as zero and an
// exponent without digits as 0, but the value has to start with a sign, a
// digit or a point: words ("inf", "nan", "e5") are not numbers. False when the
// text is not a number or its magnitude is beyond the float range.
bool convert_real(std::string_view s, float& out) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

  std::string digits;  // the mantissa's digits, the point taken out
  long long fraction_digits = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (is_digit(s[i])) {
      digits.push_back(s[i]);
      if (point) ++fraction_digits;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (i == 0) return false;

  // The exponent saturates far beyond any value a float can hold.
  constexpr long long kExponentLimit = 1'000'000'000'000'000LL;
  long long exponent = 0;
  if (i < s.size()) {
    const char letter = s[i++];
    if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd' && letter != 'Q' &&
        letter != 'q')
      return false;
    bool exponent_negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) exponent_negative = s[i++] == '-';
    for (; i < s.size(); ++i) {
      if (!is_digit(s[i])) return false;
      if (exponent < kExponentLimit) exponent = exponent * 10 + (s[i] - '0');
    }
    if (exponent_negative) exponent = -exponent;
  }

  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.empty()) {
    out = negative ? -0.0f : 0.0f;
    return true;
  }

  // Written without a decimal point, so that no locale can change the reading.
  const long long scale = exponent - fraction_digits;
  const std::string text = (negative ? "-" : "") + digits + "e" + std::to_string(scale);
  const std::optional<float> value = nearest_float(text);
  if (!value) return false;
  out = *value;
  return true;
}

bool is_delimiter_start(char c) { return c == '(' || c == ')' || c == '\'' || c == '"'; }

// One value of an input statement: a constant, r*c or r*.
void read_value(std::string_view token, float& target) {
  if (is_delimiter_start(token[0])) input_error(kErrListSyntax);
  std::string_view constant = token;
  if (const std::size_t star = token.find('*'); star != std::string_view::npos) {
    const std::string_view count = token.substr(0, star);
    const bool whole =
        !count.empty() && count.find_first_not_of("0123456789") == std::string_view::npos;
    if (whole) {
      if (count.find_first_not_of('0') == std::string_view::npos) input_error(kErrListSyntax);
      constant = token.substr(star + 1);
      if (constant.empty()) return;  // r null values
      if (is_delimiter_start(constant[0])) input_error(kErrListSyntax);
    }
  }
  float value = 0.0f;
  if (!convert_real(constant, value)) input_error(kErrConversion);
  target = value;
}

// One input statement from the source.
void read_statement(Source& in, float& target) {
  // Blanks, tabs and line ends are passed over, so empty lines are too.
  int c = next_char(in);
  while (c == ' ' || c == '\t' || c == kLineEnd) c = next_char(in);
  if (c == EOF) input_error(kErrEndOfFile);
  if (c == '/' || c == ',') {  // the statement ends, or a null
    skip_line(in);
    return;
  }
  // The value runs to the next blank, tab, comma, slash or line end; only the
  // value is kept, and no longer than any number can usefully be.
  std::string value;
  for (; c != EOF && !ends_value(c); c = next_char(in)) {
    if (value.size() == kMaxValueLength) input_error(kErrConversion);
    value.push_back(char(c));
  }
  if (c != kLineEnd && c != EOF) skip_line(in);  // the rest of the line is discarded
  read_value(value, target);
}

}  // namespace

void prompt(std::string_view text) {
  std::string line = " ";
  line += text;
  write_line(kUnitOutput, line);
}

void read_real(float& target) {
  std::FILE* file = unit_stream(kUnitInput);
  if (file == nullptr) input_error(kErrEndOfFile);
  Source in(file);
  if (input_starts()) pass_byte_order_mark(in);
  read_statement(in, target);
}

void read_real(std::string_view input, float& target) {
  Source in(input);
  pass_byte_order_mark(in);
  read_statement(in, target);
}

}  // namespace io
