#include "app/state.hpp"

#include <memory>
#include <type_traits>

#include "errstack/errstack.hpp"
#include "linsolve/state.hpp"

namespace {

AppState state;

}  // namespace

AppState& app_state() { return state; }

void reset_run_state() {
  // Rebuilt in place: the state is too large for a temporary on a thread's stack.
  static_assert(std::is_trivially_destructible_v<AppState>);
  std::construct_at(&state);
  linsolve::reset_state();
  errstack::reset();
}
