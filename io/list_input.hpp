#pragma once
// The console dialogue: prompt lines and the free-form ("list-directed") reading
// of one real per input statement.
#include <string_view>

namespace io {

// Writes one free-form output line on unit 6 (a blank, then the text) and
// writes it out before the program waits for input.
void prompt(std::string_view text);

// One input statement reading one real from unit 5. The target keeps its value
// on a null ("/", ",", r*). Bad input or end of input ends the run with the
// run-time's severe error (24, 59 or 64).
void read_real(float& target);

}  // namespace io
