// Machine constants of IEEE single and double precision and 32-bit integers,
// and the table of input, output and error-message units.
#include "errstack/machine.hpp"

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "errstack/detail.hpp"
#include "errstack/errstack.hpp"
#include "io/bit_cast.hpp"
#include "io/units.hpp"

namespace errstack::detail {
namespace {

constexpr std::array<std::uint32_t, 8> kRealBits = {
    0x00800000u,  // smallest positive normalized number, 2^-126
    0x7F7FFFFFu,  // largest finite number
    0x33800000u,  // 2^-24, the smallest relative spacing
    0x34000000u,  // 2^-23, the machine epsilon
    0x3E9A209Bu,  // log10(2)
    0x7FC00000u,  // quiet not-a-number
    0x7F800000u,  // positive infinity
    0xFF800000u,  // negative infinity
};

constexpr std::array<int, 12> kIntegers = {
    32, 4, 2, 31, std::numeric_limits<int>::max(), 2, 24, -125, 128, 53, -1021, 1024,
};

constexpr std::string_view kAmachRange =
    "The argument must be between 1 and 8 inclusive. N = %(I1)";

struct UnitState {
  std::array<int, 3> units = {io::kUnitInput, io::kUnitOutput, io::kUnitOutput};
};
UnitState state;

// The fixed texts of IMACH and UMACH, written without the error stack so that
// they work while the stack itself needs these lookups.
[[noreturn]] void fixed_stop(int unit, std::string_view line2, std::string_view line3,
                             const std::string& line4) {
  io::write_line(unit, "");
  io::write_line(unit, line2);
  io::write_line(unit, line3);
  io::write_line(unit, line4);
  io::write_line(unit, "");
  stop();
}

}  // namespace

void reset_units() { state = UnitState{}; }

}  // namespace errstack::detail

using namespace errstack::detail;

float AMACH(int index) {
  if (index >= 1 && index <= 8) return io::bit_cast<float>(kRealBits[index - 1]);
  E1PSH("AMACH ");
  E1ARGI(1, index);
  E1MES(kTerminal, 5, kAmachRange);
  E1POP("AMACH ");
  stop();
}

int IMACH(int index) {
  if (index >= 1 && index <= 12) return kIntegers[index - 1];
  int unit = 0;
  UMACH(2, unit);
  fixed_stop(unit, " *** TERMINAL ERROR 5 from IMACH.  The argument",
             " ***          must be between 1 and 12 inclusive.",
             " ***          N = " + int_field(index, 6) + ".");
}

void UMACH(int index, int& unit) {
  const long long magnitude = index < 0 ? -static_cast<long long>(index) : index;
  if (magnitude < 1 || magnitude > 3) {
    fixed_stop(state.units[2], " *** TERMINAL ERROR 5 from UMACH.  The absolute",
               " ***          value of the index variable must be",
               " ***          1, 2, or 3.  IABS(N) = " + int_field(magnitude, 6) + ".");
  }
  if (index > 0)
    unit = state.units[index - 1];
  else
    state.units[static_cast<std::size_t>(magnitude - 1)] = unit;
}
