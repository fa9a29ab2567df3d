#include "linsolve/state.hpp"

namespace linsolve {

State& state() {
  static State s;
  return s;
}

}  // namespace linsolve
