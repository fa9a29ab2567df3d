#pragma once
// The forms of the solver's hottest loops (vector_paths.hpp). The plain form
// runs on every processor and defines the values that every form stores; the
// vector forms are the same loops written once over the vector width and
// built for each instruction set the target offers, chosen at run time by
// what the processor offers.
#include <span>

namespace linsolve {

enum class Form {
  best = -1,  // the widest form the processor offers
  plain,
  sse2,    // x86-64: two doubles to a vector
  avx2,    // x86-64 with AVX2 and FMA: four
  avx512,  // x86-64 with AVX-512 F, VL, DQ and BW: eight
  neon,    // AArch64 Advanced SIMD: two
};

// The forms this build holds, the plain one first, then by rising width.
std::span<const Form> built_forms();

// Whether this build holds the form and the processor can run it.
bool offered(Form form);

// The form in use: State::form when it is set, else the best offered.
Form form_in_use();

// "plain", "sse2", "avx2", "avx512" or "neon".
const char* form_name(Form form);

}  // namespace linsolve
