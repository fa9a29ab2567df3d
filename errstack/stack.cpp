// The routine-name stack: push, pop with the rules that pass an error down to
// the caller, recording of an error, and the queries of the recorded type and code.
#include "errstack/stack.hpp"

#include "errstack/detail.hpp"
#include "errstack/errstack.hpp"
#include "io/terminate.hpp"

namespace errstack::detail {
namespace {

constexpr std::string_view kPushOverflow =
    "Error condition in E1PSH.  Push would cause stack level to exceed %(I1).";
constexpr std::string_view kPopEmpty =
    "Error condition in E1POP.  Cannot pop from %(L1) because stack is empty.";
constexpr std::string_view kPopMismatch =
    "Error condition in E1POP.  %(L1) does not match the name %(L2) in the stack.";
constexpr std::string_view kBadTypeQuery = ".  The argument passed to N1RTY must be 0 or 1.";
constexpr std::string_view kBadCodeQuery = ".  The argument passed to N1RCD must be 0 or 1.";
constexpr std::string_view kBadType = ".  Error from E1MES.  Illegal error type specified.";

// A facility error whose message text is fixed (it already begins with ".  "):
// recorded as terminal at the current level, printed, and the run stops.
[[noreturn]] void fixed_terminal(std::string_view text) {
  StackState& state = stack();
  message().text = std::string(text);
  state.types[state.level] = kTerminal;
  state.codes[state.level] = 1;
  E1SHOW();
  stop();
}

int query(int which, const std::array<int, kMaxLevel + 2>& table, std::string_view bad_argument) {
  ensure_setup();
  if (which != 0 && which != 1) fixed_terminal(bad_argument);
  return table[stack().level + which];
}

}  // namespace

// Made at its first use, in the run: nothing of the facility is made before
// the program starts.
StackState& stack() {
  static StackState state;
  return state;
}

void ensure_setup() {
  if (!stack().setup_done) E1SETUP();
}

std::string padded_name(std::string_view name) {
  std::string n(name.substr(0, kNameWidth));
  n.resize(kNameWidth, ' ');
  return n;
}

void stop() { io::stop_run(io::kStatusSolverStop); }

}  // namespace errstack::detail

using namespace errstack::detail;

void E1SETUP() {
  StackState& s = stack();
  if (s.setup_done) return;
  s.level = 1;
  s.max_level = kMaxLevel;
  for (int i = 1; i <= kMaxLevel + 1; ++i) {
    s.names[i] = padded_name("");
    s.types[i] = -1;
    s.codes[i] = -1;
  }
  s.names[1] = padded_name("USER");
  s.types[1] = 0;
  s.codes[1] = 0;
  s.print_table = {0, 0, 0, 1, 1, 1, 1, 1};
  s.stop_table = {0, 0, 0, 0, 1, 1, 0, 1};
  s.traceback_table = {0, 1, 1, 1, 1, 1, 1, 1};
  s.pending6 = false;
  s.pending7 = false;
  message().text.clear();
  clear_arguments();
  s.setup_done = true;
}

void E1PSH(std::string_view name) {
  ensure_setup();
  StackState& s = stack();
  if (s.level >= s.max_level) {
    E1ARGI(1, s.max_level);
    E1MES(kTerminal, 1, kPushOverflow);
    stop();
  }
  ++s.level;
  s.names[s.level] = padded_name(name);
  s.types[s.level] = 0;
  s.codes[s.level] = 0;
}

void E1POP(std::string_view name) {
  ensure_setup();
  StackState& s = stack();
  if (s.level <= 1) {
    E1PSH("E1POP");
    E1ARGL(1, name);
    E1MES(kTerminal, 1, kPopEmpty);
    stop();
  }
  if (padded_name(name) != s.names[s.level]) {
    E1ARGL(1, name);
    E1ARGL(2, s.names[s.level]);
    E1MES(kTerminal, 2, kPopMismatch);
    stop();
  }
  const int t = s.types[s.level];
  if (t != 0) {
    // A note is not passed down to the caller.
    if (t >= kAlert && t <= kFatalImmediate) {
      s.types[s.level - 1] = t;
      s.codes[s.level - 1] = s.codes[s.level];
    }
    if (t >= kTerminal && t <= kFatalImmediate) {
      if (s.print_table[t] == 1) E1SHOW();
      if (t == kTerminal) {
        if (s.stop_table[kTerminal] == 1) stop();
      } else if (s.level == 2) {
        int decision = 0;
        if (s.pending6) {
          s.pending6 = false;
          decision = s.stop_table[kWarningImmediate];
        }
        if (s.pending7) {
          s.pending7 = false;
          decision = s.stop_table[kFatalImmediate];
        }
        if (decision == 1) stop();
      }
    }
    if (t >= kNote && t <= kFatal && s.level == 2) {
      if (s.print_table[t] == 1) E1SHOW();
      if (s.stop_table[t] == 1) stop();
    }
  }
  // The popped level keeps its entries for the caller's N1RTY(1) and N1RCD(1).
  if (s.level < s.max_level) {
    s.types[s.level + 1] = -1;
    s.codes[s.level + 1] = -1;
  }
  --s.level;
}

void E1MES(int type, int code, std::string_view text) {
  ensure_setup();
  StackState& s = stack();
  if (type < -1 || type > kFatalImmediate) fixed_terminal(kBadType);
  if (type != -1) s.types[s.level] = type;
  if (code >= 0) s.codes[s.level] = code;
  if (type == 0 || code == 0) {
    message().text.clear();
  } else {
    if (!(text.empty() || text == " ")) compose(text);
    const int t = s.types[s.level];
    if (t == kWarningImmediate) s.pending6 = true;
    if (t == kFatalImmediate) s.pending7 = true;
    if (t >= kTerminal && t <= kFatalImmediate && s.print_table[t] == 1) E1SHOW();
  }
  clear_arguments();
}

int N1RTY(int which) { return query(which, stack().types, kBadTypeQuery); }

int N1RCD(int which) { return query(which, stack().codes, kBadCodeQuery); }

namespace errstack {

void reset() {
  stack() = StackState{};
  message() = MessageState{};
  reset_units();
  reset_options();
}

}  // namespace errstack
