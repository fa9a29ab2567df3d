#pragma once
// Everything the solver keeps from one call to the next, in one place.
#include "linsolve/vector_table.hpp"

namespace linsolve {

constexpr int kProductBlock = 400;  // the pivot search's product buffer

// Work requests of the driver, as bits of State::failing_requests.
constexpr unsigned kRequestFac = 1u;
constexpr unsigned kRequestWork = 2u;
constexpr unsigned kRequestPivot = 4u;

struct State {
  float products[kProductBlock] = {};  // ISPMAX: |x(i) * y(i)| of the current block
  float rcond = 0.0f;                  // L2ARG: the last reciprocal condition estimate
  unsigned failing_requests = 0;       // test hook: work requests of LSARG made to fail
  // The form of the hot loops: plain until the registry takes one at start-up
  // (use_form sets another for tests).
  Form form = &forms::plain_entry;
};

// The one State of the process. Its members have constant initializers, so it
// is set up before any code runs and needs no guard on each use.
extern State the_state;
inline State& state() { return the_state; }

// Puts the state back to its start for a fresh run, but for the form of the
// hot loops, which stays as taken at start-up (or as a test set it).
void reset_state();

}  // namespace linsolve
