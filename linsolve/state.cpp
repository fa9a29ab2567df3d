#include "linsolve/state.hpp"

namespace linsolve {

constinit State the_state;

void reset_state() {
  const Form form = the_state.form;
  the_state = State{};
  the_state.form = form;
}

}  // namespace linsolve
