// The argument table of placeholder values and the composition of a message
// from its template.
#include "errstack/message.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "errstack/detail.hpp"
#include "errstack/errstack.hpp"
#include "io/float_text.hpp"

namespace errstack::detail {
namespace {

constexpr std::string_view kPlaceholderLetters = "ACDIKLRSZ";
constexpr std::size_t kRealField = 14;
constexpr std::size_t kMaxTextValue = 255;

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// The value text stored under "*<letter><digit>*", or nothing. Entries are
// walked one by one, so a value text never passes for a key; the first entry
// with the key wins.
bool find_argument(char letter, char digit, std::string_view& value) {
  std::string_view table = message().arguments;
  std::size_t pos = 0;
  while (pos + 4 < table.size()) {
    const std::string_view key = table.substr(pos, 4);
    std::size_t sep = table.find('%', pos + 4);
    if (sep == std::string_view::npos) return false;
    std::size_t length = 0;
    std::from_chars(table.data() + pos + 4, table.data() + sep, length);
    const std::string_view text = table.substr(sep + 1, length);
    if (key[1] == letter && key[2] == digit) {
      value = text;
      return true;
    }
    pos = sep + 1 + length;
  }
  return false;
}

bool is_placeholder(std::string_view five) {
  return five[0] == '%' && five[1] == '(' &&
         kPlaceholderLetters.find(upper(five[2])) != std::string_view::npos && five[3] >= '1' &&
         five[3] <= '9' && five[4] == ')';
}

void append_limited(std::string& out, std::string_view text) {
  const std::size_t room = kMessageCapacity - out.size();
  out.append(text.substr(0, room));
}

}  // namespace

// Made at its first use, in the run: nothing of the facility is made before
// the program starts.
MessageState& message() {
  static MessageState state;
  return state;
}

void clear_arguments() { message().arguments.clear(); }

void add_argument(char letter, int index, std::string_view value, std::size_t length_for_room) {
  // The fill is the last position in use, 1 when the table is empty.
  std::string& table = message().arguments;
  const std::size_t fill = std::max<std::size_t>(table.size(), 1);
  if (fill + length_for_room + 8 > kArgumentCapacity) return;
  table += '*';
  table += letter;
  table += static_cast<char>('0' + index);
  table += '*';
  table += std::to_string(value.size());
  table += '%';
  table += value;
}

void compose(std::string_view tmpl) {
  tmpl = tmpl.substr(0, kMessageCapacity);
  std::string out = ".  ";
  std::size_t i = 0;
  while (i < tmpl.size() && out.size() < kMessageCapacity) {
    std::string_view value;
    if (i + 5 <= tmpl.size() && is_placeholder(tmpl.substr(i, 5)) &&
        find_argument(upper(tmpl[i + 2]), tmpl[i + 3], value)) {
      append_limited(out, value);
      i += 5;
    } else {
      out += tmpl[i];
      ++i;
    }
  }
  message().text = std::move(out);
}

std::string real_text(float value) {
  std::string text;
  if (std::isnan(value)) {
    text = "NaN";
  } else if (std::isinf(value)) {
    text = value > 0 ? "Infinity" : "-Infinity";
  } else if (value == 0.0f) {
    // Both zeros: the sign of a zero is not shown.
    text = "0.000000E+00";
  } else {
    text = io::scientific_text(value, 6);
    std::replace(text.begin(), text.end(), 'e', 'E');
  }
  // The special values are left-justified after one blank in the field of 14;
  // their trailing blanks belong to the text.
  if (std::isnan(value) || std::isinf(value)) text.resize(kRealField - 1, ' ');
  return text;
}

std::string int_field(long long value, int width) {
  std::string digits = std::to_string(value);
  if (digits.size() > static_cast<std::size_t>(width)) return std::string(width, '*');
  return std::string(width - digits.size(), ' ') + digits;
}

}  // namespace errstack::detail

using namespace errstack::detail;

void E1ARGI(int index, int value) {
  ensure_setup();
  if (index < 1 || index > 9) return;
  const std::string text = std::to_string(value);
  add_argument('I', index, text, text.size());
}

void E1ARGR(int index, float value) {
  ensure_setup();
  if (index < 1 || index > 9) return;
  const std::string text = real_text(value);
  add_argument('R', index, text, text.size());
}

void E1ARGL(int index, std::string_view text) {
  ensure_setup();
  if (index == 0 || index < -9 || index > 9) return;
  std::string_view value = text.substr(0, kMaxTextValue);
  const std::size_t full_length = value.size();
  if (index > 0) {
    const std::size_t last = value.find_last_not_of(' ');
    value = last == std::string_view::npos ? std::string_view(" ") : value.substr(0, last + 1);
  }
  add_argument('L', index > 0 ? index : -index, value, full_length);
}
