// Fuzz target of the fixed-point field editor: the input is a sequence of
// six-byte groups, a float bit pattern (little-endian), a width and a number
// of decimals. A short last group is completed with zero bytes, and a missing
// width or decimals give the results record's 9 and 5.
//
// Checked for each field: exactly w characters, and the same text as
// snprintf("%*.*f") with the record's own rules laid over it (NaN and the
// infinities as words, no minus sign on a value that rounds to zero, asterisks
// when the text does not fit). printf rounds the exact binary value, ties to
// even, as the editor must.
#include "io/record.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_target.hpp"
#include "fuzz/record_oracle.hpp"
#include "io/bit_cast.hpp"

namespace {

constexpr int kMaxWidth = 64;
constexpr int kMaxDecimals = 48;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (std::size_t at = 0; at < size; at += 6) {
    std::uint8_t group[6] = {0, 0, 0, 0, 0, 0};
    const std::size_t n = size - at < 6 ? size - at : 6;
    std::memcpy(group, data + at, n);
    const std::uint32_t bits = std::uint32_t(group[0]) | std::uint32_t(group[1]) << 8 |
                               std::uint32_t(group[2]) << 16 | std::uint32_t(group[3]) << 24;
    const int w = n > 4 ? 1 + group[4] % kMaxWidth : 9;
    const int d = n > 5 ? group[5] % kMaxDecimals : 5;
    const float v = io::bit_cast<float>(bits);

    const std::string field = io::fixed_field(v, w, d);
    if (field.size() != std::size_t(w)) fuzz::fail("record", "field is not exactly w characters");
    const std::string expected = fuzz::expected_field(v, w, d);
    if (field != expected) {
      char what[512];
      std::snprintf(what, sizeof what, "bits %08x w %d d %d: got \"%s\", printf rules give \"%s\"",
                    unsigned(bits), w, d, field.c_str(), expected.c_str());
      fuzz::fail("record", what);
    }
  }
  return 0;
}
