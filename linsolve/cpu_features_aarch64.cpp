// What an AArch64 processor offers the vector forms: Advanced SIMD is part of
// the architecture.
#include "linsolve/vector_table.hpp"

namespace linsolve::forms {

bool processor_offers(Form form) { return form == Form::neon; }

}  // namespace linsolve::forms
