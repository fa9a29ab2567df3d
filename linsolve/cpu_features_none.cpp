// A target without vector forms: the plain form runs everywhere.
#include "linsolve/vector_table.hpp"

namespace linsolve::forms {

bool processor_offers(Form) { return false; }

}  // namespace linsolve::forms
