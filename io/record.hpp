#pragma once
// Fixed-point field editing and the results record (4F9.5).
#include <string>

namespace io {

// The text of one fixed-point field of width w with d decimals, exactly w
// characters: right-justified, ties to even from the exact stored value, no
// minus sign on a value that rounds to zero, asterisks when it does not fit.
std::string fixed_field(float v, int w, int d);

// One results record: two F9.5 fields, no terminator (18 characters).
std::string results_record(float x, float cp);

}  // namespace io
