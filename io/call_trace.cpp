#include "io/call_trace.hpp"

namespace io {
namespace {

struct CallTrace {
  std::vector<ActiveCall> calls;
};

CallTrace& trace() {
  static CallTrace t;
  return t;
}

}  // namespace

CallScope::CallScope(std::string_view routine, SourceLine where) {
  trace().calls.push_back(ActiveCall{std::string(routine), where});
}

// Scopes end in the reverse order of their creation, also when a stop unwinds them.
CallScope::~CallScope() { trace().calls.pop_back(); }

const std::vector<ActiveCall>& active_calls() { return trace().calls; }

}  // namespace io
