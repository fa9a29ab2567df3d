// A float with a precision where the standard library has no floating-point
// to_chars (libc++ 13): the exact decimal value from integer arithmetic on the
// float's bits, rounded once on its digits.
//
// Why it is exact. A finite float is (-1)^s m 2^e with the whole number
// m < 2^24 and -149 <= e <= 104. For e >= 0 its magnitude is the whole number
// m 2^e; for e < 0 it is m 2^e = m 5^-e / 10^-e. So |v| = N 10^q exactly, with
// N = m 2^e, q = 0 or N = m 5^-e, q = e: N is formed by whole-number
// multiplications only (in base 10^9, below), and its decimal digits, which
// std::to_chars writes for each base-10^9 limb, are the digits of |v| with the
// point q places from the right. Rounding to a position then looks at those
// digits alone: the dropped digits are above, at or below half a unit of the
// last kept one, and a tie keeps an even last digit. Nothing is rounded
// before, so the text is the exact value rounded once, ties to even, which is
// what to_chars writes. The fixed form with few decimals mostly takes a
// shorter way with the same argument (scaled_whole): |v| 10^d rounded to a
// whole number within 64 bits.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "io/float_text.hpp"

namespace io {
namespace {

constexpr std::uint32_t kBase = 1000000000;  // 10^9, one limb
constexpr int kLimbDigits = 9;

// A whole number in base 10^9, least significant limb first, times a factor
// below 2^32: each product, below 10^9 2^32 plus a carry below 2^33, fits 64 bits.
void multiply(std::vector<std::uint32_t>& limbs, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (std::uint32_t& limb : limbs) {
    const std::uint64_t t = std::uint64_t(limb) * factor + carry;
    limb = std::uint32_t(t % kBase);
    carry = t / kBase;
  }
  for (; carry != 0; carry /= kBase) limbs.push_back(std::uint32_t(carry % kBase));
}

// times base^power, in steps of base^chunk (below 2^32) and one last step.
void multiply_power(std::vector<std::uint32_t>& limbs, std::uint32_t base, int power,
                    std::uint32_t base_to_chunk, int chunk) {
  for (; power >= chunk; power -= chunk) multiply(limbs, base_to_chunk);
  std::uint32_t rest = 1;
  for (; power > 0; --power) rest *= base;
  multiply(limbs, rest);
}

// |v| = digits 10^exponent exactly; digits has no leading zero ("0" for zero).
struct Exact {
  std::string digits;
  int exponent = 0;
};

// |v| = m 2^e, m a whole number below 2^24.
struct Binary {
  std::uint32_t m = 0;
  int e = 0;
};

Binary binary(float v) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = int((bits >> 23) & 0xffu);
  Binary b{bits & 0x7fffffu, -149};  // zero and the subnormals
  if (biased != 0) {
    b.m |= 0x800000u;
    b.e = biased - 150;
  }
  return b;
}

Exact exact_decimal(float v) {
  const auto [m, e] = binary(v);
  if (m == 0) return {"0", 0};
  std::vector<std::uint32_t> limbs{m};  // m < 2^24 < 10^9
  Exact x;
  if (e >= 0) {
    multiply_power(limbs, 2, e, 0x80000000u, 31);
  } else {
    multiply_power(limbs, 5, -e, 1220703125u, 13);  // 5^13 < 2^31
    x.exponent = e;
  }
  char buf[16];
  x.digits.assign(buf, std::to_chars(buf, buf + sizeof buf, limbs.back()).ptr);
  for (std::size_t i = limbs.size() - 1; i-- > 0;) {
    const char* const end = std::to_chars(buf, buf + sizeof buf, limbs[i]).ptr;
    x.digits.append(std::size_t(kLimbDigits - (end - buf)), '0');
    x.digits.append(static_cast<const char*>(buf), end);
  }
  return x;
}

// Keeps the first `keep` digits of a whole number's digits, zeros appended
// where there are fewer, rounded to nearest on the dropped ones, ties to even;
// a carry out of the first digit lengthens the number by one ("1" from 0
// kept digits).
void round_digits(std::string& digits, std::size_t keep) {
  if (keep >= digits.size()) {
    digits.append(keep - digits.size(), '0');
    return;
  }
  const char first = digits[keep];
  const bool beyond_half = digits.find_first_not_of('0', keep + 1) != std::string::npos;
  const bool odd = keep > 0 && (digits[keep - 1] - '0') % 2 == 1;
  const bool up = first > '5' || (first == '5' && (beyond_half || odd));
  digits.resize(keep);
  if (!up) return;
  std::size_t i = keep;
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0)
    digits.insert(0, 1, '1');
  else
    ++digits[i - 1];
}

// round(|v| 10^d), ties to even, in 64 bits where it can be formed there:
// |v| 10^d = m 5^d 2^(e+d) exactly, and for d <= 16 the whole number k = m 5^d
// is below 2^24 5^16 < 2^62. A negative power of two is a right shift whose
// remainder, compared with the half, rounds it; a positive one a left shift
// that must lose no bit. Nothing otherwise.
std::optional<std::uint64_t> scaled_whole(const Binary& b, int d) {
  if (d > 16) return std::nullopt;
  std::uint64_t k = b.m;
  for (int i = 0; i < d; ++i) k *= 5;
  const int shift = b.e + d;
  if (shift >= 0) {
    if (shift >= 64 || k > (UINT64_MAX >> shift)) return std::nullopt;
    return k << shift;
  }
  const int s = -shift;
  if (s > 62) return 0;  // k < 2^62 <= half of 2^s
  const std::uint64_t q = k >> s;
  const std::uint64_t r = k & ((std::uint64_t(1) << s) - 1);
  const std::uint64_t half = std::uint64_t(1) << (s - 1);
  return q + (r > half || (r == half && (q & 1) != 0) ? 1 : 0);
}

}  // namespace

std::string fixed_text(float v, int decimals) {
  const std::size_t d = std::size_t(decimals);
  std::string whole = "0";
  if (const std::optional<std::uint64_t> scaled = scaled_whole(binary(v), decimals)) {
    char buf[24];
    whole.assign(buf, std::to_chars(buf, buf + sizeof buf, *scaled).ptr);
  } else {
    // The digits down to the place of 10^-d, which is size + exponent + d
    // digits from the first; fewer than none lie below half a unit of that
    // place (|v| < 10^(-d-1)) and round to zero.
    const Exact x = exact_decimal(v);
    const long keep = long(x.digits.size()) + x.exponent + decimals;
    if (keep >= 0) {
      whole = x.digits;
      round_digits(whole, std::size_t(keep));
      whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    }
  }
  if (whole.size() <= d) whole.insert(0, d + 1 - whole.size(), '0');
  std::string text = std::signbit(v) ? "-" : "";
  text.append(whole, 0, whole.size() - d);
  if (d > 0) {
    text += '.';
    text.append(whole, whole.size() - d, d);
  }
  return text;
}

std::string scientific_text(float v, int decimals) {
  const Exact x = exact_decimal(v);
  std::string digits = x.digits;
  // The place of the first digit; zero is written with the exponent 0.
  int exponent = digits == "0" ? 0 : int(digits.size()) - 1 + x.exponent;
  const std::size_t keep = std::size_t(decimals) + 1;
  round_digits(digits, keep);
  if (digits.size() > keep) {
    // Rounded up to a power of ten: one more place, the same digits.
    digits.pop_back();
    ++exponent;
  }
  std::string text = std::signbit(v) ? "-" : "";
  text += digits[0];
  if (decimals > 0) {
    text += '.';
    text.append(digits, 1, std::string::npos);
  }
  text += exponent < 0 ? "e-" : "e+";
  const int magnitude = std::abs(exponent);
  if (magnitude < 10) text += '0';
  char buf[8];
  text.append(buf, std::to_chars(buf, buf + sizeof buf, magnitude).ptr);
  return text;
}

}  // namespace io
