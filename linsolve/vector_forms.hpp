#pragma once
// The forms of the solver's hottest loops (vector_paths.hpp). The plain form
// runs on every processor and defines the values that every form stores; each
// vector form is the same loops written once over the vector width and built
// for one instruction set (form_<name>.cpp). The registry (vector_paths.cpp)
// holds the forms this build has and takes one when the program starts: the
// one VORTEX_FORM names, if the processor can run it, else the fastest known
// for the processor.
#include <span>
#include <string_view>

namespace linsolve {

namespace forms {
struct Entry;
}
// A form: its entry in the registry.
using Form = const forms::Entry*;

// The forms this build holds, the plain one first.
std::span<const Form> built_forms();

// The form of that name ("plain", "sse2", "avx2", "avx512", "neon"), or null
// when this build has none of that name.
Form find_form(std::string_view name);

// Whether the processor can run the form (null: no).
bool offered(Form form);

// The form the hot loops run in.
Form form_in_use();

const char* form_name(Form form);

// What the start-up's choice could not follow: a VORTEX_FORM that names no
// form of this build or one the processor cannot run, and the form used
// instead, as one line without its end; empty when there is nothing to say.
// The program prints it once its standard streams are safe, the Python module
// issues it as a warning.
const char* form_notice();

// For tests and the benchmark: the hot loops run in this form (one that is
// offered) from now on; null goes back to the form taken at start-up.
void use_form(Form form);

}  // namespace linsolve
