// Fuzz target of the free-form reader: arbitrary bytes are the console input,
// and up to three input statements read from them.
//
// Checked for each statement:
// - it ends only by returning or with the run-time's errors 24, 59 or 64, and a
//   value longer than io::kMaxValueLength always with 64;
// - it consumes exactly the lines up to and including the first line with
//   something on it (the rest of that line is discarded), and never reads past
//   the input (the input is a heap block of its exact size);
// - where a plain strtof of the normalised value (D and Q made E, a leading
//   '+' dropped) accepts the whole value within the float range, the reader
//   accepts it too and gives the same bits;
// - a value it accepts is never an infinity or a not-a-number;
// - "/", "," and r* leave the target as it was.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_target.hpp"
#include "io/bit_cast.hpp"
#include "io/list_input.hpp"
#include "io/runtime_error.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

namespace {

constexpr std::uint32_t kUntouched = 0x7FC0DEADu;  // a NaN the reader cannot produce
constexpr int kStatements = 3;

[[noreturn]] void fail(const char* what) { fuzz::fail("reader", what); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// What one statement should do with the input that is left.
struct Expected {
  bool end_of_input = false;  // no line with something on it
  std::size_t consumed = 0;   // bytes up to and including the value's line end
  std::string token;          // the value, empty for "/" and ","
};

Expected expect(std::string_view rest) {
  Expected e;
  std::size_t pos = 0;
  while (pos < rest.size()) {
    const std::size_t nl = rest.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? rest.size() : nl;
    std::string_view line = rest.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = nl == std::string_view::npos ? rest.size() : nl + 1;
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) continue;
    e.consumed = pos;
    if (line[start] != '/' && line[start] != ',') {
      const std::size_t stop = line.find_first_of(" \t,/", start);
      e.token =
          std::string(line.substr(start, stop == std::string_view::npos ? stop : stop - start));
    }
    return e;
  }
  e.end_of_input = true;
  e.consumed = rest.size();
  return e;
}

// The constant of a value: after "r*" when r is an unsigned whole number.
// Sets null when the value is r* alone, bad_count when r is zero.
std::string constant_of(const std::string& token, bool& null, bool& bad_count) {
  null = bad_count = false;
  const std::size_t star = token.find('*');
  if (star == std::string::npos || star == 0) return token;
  const std::string count = token.substr(0, star);
  if (count.find_first_not_of("0123456789") != std::string::npos) return token;
  bad_count = count.find_first_not_of('0') == std::string::npos;
  null = star + 1 == token.size();
  return token.substr(star + 1);
}

// The number in the plain form: D and Q (either case) made E, a leading '+' dropped.
std::string normalised(std::string s) {
  for (char& c : s)
    if (c == 'D' || c == 'Q')
      c = 'E';
    else if (c == 'd' || c == 'q')
      c = 'e';
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  return s;
}

// The forms the reader must accept: sign, digits with or without a point (at
// least one digit), an optional exponent letter with optional sign and digits.
bool well_formed(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (is_digit(s[i]))
      ++digits;
    else if (s[i] == '.' && !point)
      point = true;
    else
      break;
  }
  if (digits == 0) return false;
  if (i == s.size()) return true;
  if (std::strchr("EeDdQq", s[i]) == nullptr || s[i] == '\0') return false;
  ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i)
    if (!is_digit(s[i])) return false;
  return true;
}

// strtof of the whole text; false when it stops early or overflows.
bool plain_strtof(const std::string& s, float& out) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtof(s.c_str(), &end);
  if (end != s.c_str() + s.size()) return false;
  return !std::isinf(out) || errno != ERANGE;
}

void check_statement(std::FILE* in, std::string_view input, bool& stopped) {
  const long before = std::ftell(in);
  if (before < 0 || std::size_t(before) > input.size()) fail("stream position outside the input");
  const Expected e = expect(input.substr(std::size_t(before)));

  float target = io::bit_cast<float>(kUntouched);
  int status = 0;
  try {
    io::read_real(target);
  } catch (const io::RunStopped& s) {
    status = s.status;
  }
  const std::uint32_t bits = io::bit_cast<std::uint32_t>(target);

  if (status != 0) {
    stopped = true;
    if (status != io::kErrEndOfFile && status != io::kErrListSyntax && status != io::kErrConversion)
      fail("stopped with a status other than 24, 59 or 64");
    if ((status == io::kErrEndOfFile) != e.end_of_input) fail("end of input reported wrongly");
    if (bits != kUntouched) fail("target changed by a statement that failed");
    bool null = false, bad_count = false;
    const std::string constant = constant_of(e.token, null, bad_count);
    float plain = 0.0f;
    const bool too_long = e.token.size() > io::kMaxValueLength;
    if (too_long && status != io::kErrConversion) fail("an overlong value was not error 64");
    if (!e.end_of_input && !too_long && !bad_count && !null && well_formed(constant) &&
        plain_strtof(normalised(constant), plain))
      fail("a well-formed number within range was rejected");
    return;
  }

  if (e.end_of_input) fail("no error at the end of the input");
  if (e.token.size() > io::kMaxValueLength) fail("an overlong value was accepted");
  const long after = std::ftell(in);
  if (after < 0 || std::size_t(after) != std::size_t(before) + e.consumed)
    fail("did not consume exactly the value's line");

  bool null = false, bad_count = false;
  const std::string constant = constant_of(e.token, null, bad_count);
  if (bad_count) fail("a repeat count of zero was accepted");
  if (e.token.empty() || null) {
    if (bits != kUntouched) fail("a null value changed the target");
    return;
  }
  if (bits == kUntouched || !std::isfinite(target)) fail("accepted value is not a finite number");
  float plain = 0.0f;
  if (plain_strtof(normalised(constant), plain) && io::bit_cast<std::uint32_t>(plain) != bits)
    fail("value differs from strtof of the same text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A heap block of exactly the input's size: a read past it is a sanitizer report.
  char* copy = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
  if (size != 0) std::memcpy(copy, data, size);
  std::FILE* in = fmemopen(copy, size, "r");
  if (in == nullptr) fail("fmemopen failed");
  io::bind_unit(io::kUnitInput, in);

  bool stopped = false;
  for (int i = 0; i < kStatements && !stopped; ++i)
    check_statement(in, std::string_view(copy, size), stopped);

  io::reset_units();
  std::fclose(in);
  std::free(copy);
  return 0;
}
