#pragma once
// The text a fixed-point field should hold, made from snprintf("%*.*f") with
// the record's own rules applied to it. Shared by the record fuzz target and
// the exhaustive sweep.
#include <string>

namespace fuzz {

std::string expected_field(float v, int w, int d);

}  // namespace fuzz
