#pragma once
// The console dialogue: prompt lines and the free-form ("list-directed") reading
// of one real per input statement.
#include <cstddef>
#include <string_view>

namespace io {

// The longest value an input statement takes: a longer one is the conversion
// error 64. The longest useful number (a mantissa with every digit that can
// matter to a float) is well under a thousand characters.
constexpr std::size_t kMaxValueLength = 4096;

// Writes one free-form output line on unit 6 (a blank, then the text), written
// out before the program waits for input.
void prompt(std::string_view text);

// One input statement reading one real from unit 5. The target keeps its value
// on a null ("/", ",", r*). Bad input or end of input ends the run with the
// run-time's severe error (24, 59 or 64). Whatever the input, the statement
// keeps at most kMaxValueLength characters: the rest of a line is passed over.
// A UTF-8 byte-order mark at the start of the input is passed over; a UTF-16
// one is error 64, with a second line that names the encoding.
void read_real(float& target);

// The same statement reading the text as the whole input, as if it were typed
// at the console and the input then ended.
void read_real(std::string_view input, float& target);

}  // namespace io
