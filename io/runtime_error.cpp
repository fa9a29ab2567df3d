#include "io/runtime_error.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
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

// Freed when memory runs out: the message line and the traceback are built in
// strings, and a heap that refused the run's last request may refuse them too.
constexpr std::size_t kReserveBytes = 64 * 1024;
void* reserve = nullptr;

const char* message_text(int number) {
  for (const Message& m : kMessages)
    if (m.number == number) return m.text;
  return "unknown run-time error";
}

// The text with "%d" and "%s" filled; without a unit the placeholders stay.
std::string compose(int number, bool has_unit, int unit, const char* file) {
  std::string text = message_text(number);
  if (!has_unit) return text;
  if (std::size_t at = text.find("%d"); at != std::string::npos)
    text.replace(at, 2, std::to_string(unit));
  if (std::size_t at = text.find("%s"); at != std::string::npos)
    text.replace(at, 2, file ? file : "");
  return text;
}

std::string left(std::string_view s, std::size_t width) {
  std::string out(s.substr(0, width));
  out.append(width - out.size(), ' ');
  return out;
}

std::string right(std::string_view s, std::size_t width) {
  std::string out(s.substr(0, width));
  out.insert(0, width - out.size(), ' ');
  return out;
}

std::string_view base_name(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A line of the message on the standard error (unit 0).
void put(const std::string& line) {
  transcribe_error(line);
  transcribe_error("\r\n");
  std::FILE* err = unit_stream(kUnitError);
  if (err == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), err);
  std::fwrite("\r\n", 1, 2, err);
}

[[noreturn]] void raise(int number, bool has_unit, int unit, const char* file, int os_error) {
  // The console output so far comes before the message.
  if (std::FILE* out = unit_stream(kUnitOutput)) std::fflush(out);
  put("forrtl: severe (" + std::to_string(number) + "): " + compose(number, has_unit, unit, file));
  if (os_error != 0) put(std::string("forrtl: ") + platform::reason(os_error));

  put(left("Image", 19) + left("PC", 10) + left("Routine", 19) + left("Line", 12) +
      left("Source", 19));
  const std::vector<ActiveCall>& calls = active_calls();
  for (auto c = calls.rbegin(); c != calls.rend(); ++c)
    put(left(program_name(), 17) + "  " + "00000000" + "  " + left(c->routine, 17) + "  " +
        right(std::to_string(c->where.line), 10) + "  " + std::string(base_name(c->where.file)));
  if (std::FILE* err = unit_stream(kUnitError)) std::fflush(err);
  stop_run(number);
}

}  // namespace

void severe_error(int number) { raise(number, false, 0, nullptr, 0); }

void severe_error(int number, int unit, const char* file, int os_error) {
  raise(number, true, unit, file, os_error);
}

void reserve_memory() {
  if (reserve == nullptr) reserve = std::malloc(kReserveBytes);
}

void out_of_memory() {
  std::free(reserve);
  reserve = nullptr;
  severe_error(kErrNoMemory);
}

}  // namespace io
