#include "linsolve/state.hpp"

namespace linsolve {

constinit State the_state;

}  // namespace linsolve
