#include "io/runtime_error.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>

#include "io/call_trace.hpp"
#include "io/platform.hpp"
#include "io/program_name.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

namespace io {
namespace {

struct Message {
  int number;
  const char* text;
};

constexpr Message kMessages[] = {
    {kErrArrayBounds, "Program Exception - array bounds exceeded"},
    {kErrEndOfFile, "end-of-file during read, unit %d, file %s"},
    {kErrListSyntax, "list-directed I/O syntax error, unit %d, file %s"},
    {kErrConversion, "input conversion error, unit %d, file %s"},
    {kErrPermission, "permission to access file denied, unit %d, file %s"},
    {kErrOpen, "open failure, unit %d, file %s"},
    {kErrWrite, "write failure, unit %d, file %s"},
    {kErrNoMemory, "insufficient virtual memory"},
};

// Given back when memory runs out, so that the exception and the stop can be
// made: a heap that refused the run's last request may refuse them too.
constexpr std::size_t kReserveBytes = 64 * 1024;
void* reserve = nullptr;

// The first request that the heap refuses gives the reserve back before
// bad_alloc is thrown, so that the exception itself is made from it: the C++
// run-time's own emergency memory for exceptions is missing when memory ran out
// as it started.
void give_back_reserve() {
  std::free(reserve);
  reserve = nullptr;
  throw std::bad_alloc();
}

const char* message_text(int number) {
  for (const Message& m : kMessages)
    if (m.number == number) return m.text;
  return "unknown run-time error";
}

// The decimal digits of a value, written into the buffer.
std::string_view decimal(long long value, char (&buffer)[24]) {
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string_view(buffer, std::size_t(end - buffer));
}

// One line of a message, made in place: the message of an exhausted memory is
// printed when the heap may have nothing left to give.
struct Line {
  char text[256];
  std::size_t size = 0;

  void add(std::string_view s) {
    const std::size_t n = std::min(s.size(), sizeof text - size);
    s.copy(text + size, n);
    size += n;
  }
  void add_number(long long value) {
    char digits[24];
    add(decimal(value, digits));
  }
  void pad(std::size_t n) {
    for (; n > 0; --n) add(" ");
  }
  void left(std::string_view s, std::size_t width) {
    s = s.substr(0, width);
    add(s);
    pad(width - s.size());
  }
  void right(std::string_view s, std::size_t width) {
    s = s.substr(0, width);
    pad(width - s.size());
    add(s);
  }
};

// The message's text with "%d" and "%s" filled; without a unit the
// placeholders stay.
void add_text(Line& line, int number, bool has_unit, int unit, const char* file) {
  const std::string_view text = message_text(number);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (has_unit && text.compare(i, 2, "%d") == 0) {
      line.add_number(unit);
      ++i;
    } else if (has_unit && text.compare(i, 2, "%s") == 0) {
      line.add(file ? file : "");
      ++i;
    } else {
      line.add(text.substr(i, 1));
    }
  }
}

std::string_view base_name(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A line of the message on the standard error (unit 0).
void put(const Line& line) {
  const std::string_view text(line.text, line.size);
  transcribe_error(text);
  transcribe_error("\r\n");
  std::FILE* err = unit_stream(kUnitError);
  if (err == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), err);
  std::fwrite("\r\n", 1, 2, err);
}

// The message line, a reason (the system's or the program's own) on the line
// after it, and the traceback of the active routines.
void print_message(int number, bool has_unit, int unit, const char* file, const char* reason) {
  // The console output so far comes before the message.
  if (std::FILE* out = unit_stream(kUnitOutput)) std::fflush(out);
  Line first;
  first.add("forrtl: severe (");
  first.add_number(number);
  first.add("): ");
  add_text(first, number, has_unit, unit, file);
  put(first);
  if (reason != nullptr) {
    Line second;
    second.add("forrtl: ");
    second.add(reason);
    put(second);
  }

  Line heading;
  heading.left("Image", 19);
  heading.left("PC", 10);
  heading.left("Routine", 19);
  heading.left("Line", 12);
  heading.left("Source", 19);
  put(heading);
  const std::vector<ActiveCall>& calls = active_calls();
  for (auto c = calls.rbegin(); c != calls.rend(); ++c) {
    Line row;
    row.left(program_name(), 17);
    row.add("  00000000  ");
    row.left(c->routine, 17);
    row.add("  ");
    char digits[24];
    row.right(decimal(c->where.line, digits), 10);
    row.add("  ");
    row.add(base_name(c->where.file));
    put(row);
  }
  if (std::FILE* err = unit_stream(kUnitError)) std::fflush(err);
}

[[noreturn]] void raise(int number, bool has_unit, int unit, const char* file, const char* reason) {
  print_message(number, has_unit, unit, file, reason);
  stop_run(number);
}

}  // namespace

void severe_error(int number) { raise(number, false, 0, nullptr, nullptr); }

void severe_error(int number, int unit, const char* file, int os_error) {
  raise(number, true, unit, file, os_error != 0 ? platform::reason(os_error) : nullptr);
}

void severe_error(int number, int unit, const char* file, const char* reason) {
  raise(number, true, unit, file, reason);
}

bool reserve_memory() {
  if (reserve == nullptr) reserve = std::malloc(kReserveBytes);
  std::set_new_handler(give_back_reserve);
  if (reserve != nullptr) return true;
  print_message(kErrNoMemory, false, 0, nullptr, nullptr);
  return false;
}

void out_of_memory() {
  std::free(reserve);
  reserve = nullptr;
  severe_error(kErrNoMemory);
}

}  // namespace io
