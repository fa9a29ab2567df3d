// Printing of the pending message: the header line, the continuation lines and
// the traceback of the routine-name stack.
#include "errstack/show.hpp"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "errstack/detail.hpp"
#include "errstack/errstack.hpp"
#include "io/units.hpp"

namespace errstack::detail {
namespace {

constexpr int kFirstLineWidth = 59;
constexpr std::size_t kWindow = 64;
constexpr std::string_view kFirstPrefix = " *** ";
constexpr std::string_view kContinuationPrefix = " ***          ";
constexpr std::string_view kBreakMarker = "%/";
constexpr std::string_view kTracebackHeading[] = {
    "     Here is a traceback of subprogram calls in reverse order:",
    "     Routine name                    Error type  Error code",
    "     ------------                    ----------  ----------",
};
constexpr std::string_view kCalledInternally = "    (Called internally)";

// The words printed before " ERROR", each 8 characters wide.
std::string_view type_word(int type) {
  static constexpr std::string_view kWords[] = {"        ", "NOTE    ", "ALERT   ", "WARNING ",
                                                "FATAL   ", "TERMINAL", "WARNING ", "FATAL   "};
  return type >= kNote && type <= kFatalImmediate ? kWords[type] : kWords[0];
}

// A name as printed: a lower-case first letter followed by an upper-case one is
// shown in upper case.
std::string shown_name(std::string name) {
  if (name.size() >= 2 && std::islower(static_cast<unsigned char>(name[0])) &&
      std::isupper(static_cast<unsigned char>(name[1])))
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return name;
}

// Splits the message into the first line (at most room characters) and the
// continuation lines (at most 64 characters each). Positions below are 0-based
// indexes into the message.
std::vector<std::string> break_lines(std::string_view msg, std::size_t room) {
  std::vector<std::string> lines;
  const std::size_t len = msg.size();
  std::size_t next;       // where the text of the next line starts
  bool at_blank = false;  // whether the previous line ended at a blank

  const std::size_t marker = msg.find(kBreakMarker);
  if (marker != std::string_view::npos && marker + 1 < room) {
    lines.emplace_back(msg.substr(0, marker));
    next = marker + 2;
  } else if (len <= room) {
    lines.emplace_back(msg);
    return lines;
  } else {
    const std::size_t blank = msg.substr(0, room).find_last_of(' ');
    if (blank != std::string_view::npos && blank >= 1) {
      lines.emplace_back(msg.substr(0, blank));
      next = blank + 1;
      at_blank = true;
    } else {
      lines.emplace_back(msg.substr(0, room));
      next = room;
    }
  }

  while (next < len) {
    // The window is the 64 positions after the break; a second blank after a
    // break at a blank is skipped.
    const std::size_t window_end = std::min(next + kWindow, len);
    std::size_t start = next;
    if (at_blank && msg[start] == ' ') ++start;
    if (start >= len) break;
    const std::string_view window = msg.substr(start, window_end - start);
    const std::size_t m = window.find(kBreakMarker);
    if (m != std::string_view::npos) {
      lines.emplace_back(window.substr(0, m));
      next = start + m + 2;
      at_blank = false;
    } else if (window_end == len) {
      lines.emplace_back(window);
      break;
    } else {
      const std::size_t blank = window.find_last_of(' ');
      if (blank != std::string_view::npos && blank >= 1) {
        lines.emplace_back(window.substr(0, blank + 1));
        next = start + blank + 1;
        at_blank = true;
      } else {
        lines.emplace_back(window);
        next = window_end;
        at_blank = false;
      }
    }
  }
  return lines;
}

}  // namespace
}  // namespace errstack::detail

using namespace errstack::detail;

void E1SHOW() {
  ensure_setup();
  MessageState& m = message();
  if (m.text.empty()) return;
  int unit = 0;
  UMACH(3, unit);

  const StackState& s = stack();
  const int t = s.types[s.level];
  const int c = s.codes[s.level];
  const std::string& name = s.names[s.level];
  const std::string header =
      " " + std::to_string(c) + " from " + shown_name(name.substr(0, name.find(' ')));
  const std::size_t room = header.size() < kFirstLineWidth ? kFirstLineWidth - header.size() : 1;

  const std::vector<std::string> lines = break_lines(m.text, room);
  io::write_line(unit, "");
  io::write_line(unit, std::string(kFirstPrefix) + std::string(type_word(t)) + " ERROR" + header +
                           lines.front());
  for (std::size_t i = 1; i < lines.size(); ++i)
    io::write_line(unit, std::string(kContinuationPrefix) + lines[i]);

  if (t >= kNote && t <= kFatalImmediate && s.traceback_table[t] == 1 && s.level >= 3) {
    for (std::string_view heading : kTracebackHeading) io::write_line(unit, heading);
    for (int lv = s.level; lv >= 1; --lv) {
      std::string row = "     " + shown_name(s.names[lv]) + int_field(std::max(s.types[lv], 0), 6) +
                        "      " + int_field(std::max(s.codes[lv], 0), 6);
      if (lv >= 3) row += kCalledInternally;
      io::write_line(unit, row);
    }
  }

  m.text.clear();
  clear_arguments();
}
