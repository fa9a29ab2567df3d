#pragma once
// The active routines that a run-time traceback prints. The program's routines
// announce themselves with a CallScope for as long as they run.
#include <string>
#include <string_view>
#include <vector>

namespace io {

// A place in the source: its file and line. here() taken as a default argument
// gives the place of the call that left the argument out; GCC and Clang both
// have the builtins, whatever standard library they build with.
struct SourceLine {
  const char* file = "";
  unsigned line = 0;

  static constexpr SourceLine here(const char* file = __builtin_FILE(),
                                   unsigned line = __builtin_LINE()) noexcept {
    return SourceLine{file, line};
  }
};

class CallScope {
 public:
  explicit CallScope(std::string_view routine, SourceLine where = SourceLine::here());
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
};

// One active routine: its name and where its CallScope was created.
struct ActiveCall {
  std::string routine;
  SourceLine where;
};

// The active routines, outermost first.
const std::vector<ActiveCall>& active_calls();

}  // namespace io
