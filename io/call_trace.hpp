#pragma once
// The active routines that a run-time traceback prints. The program's routines
// announce themselves with a CallScope for as long as they run.
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

namespace io {

class CallScope {
 public:
  explicit CallScope(std::string_view routine,
                     std::source_location where = std::source_location::current());
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
};

// One active routine: its name and where its CallScope was created.
struct ActiveCall {
  std::string routine;
  std::source_location where;
};

// The active routines, outermost first.
const std::vector<ActiveCall>& active_calls();

}  // namespace io
