#include "io/units.hpp"

#include <new>
#include <vector>

#include "io/runtime_error.hpp"

namespace io {
namespace {

struct UnitTable {
  std::FILE* error = stderr;
  std::FILE* input = stdin;
  std::FILE* output = stdout;
  std::FILE* results = nullptr;
  bool input_begun = false;  // a statement has read from unit 5 since it was bound
  std::vector<Closer> closers;
  Transcript* transcript = nullptr;
};

UnitTable& table() {
  static UnitTable t;
  return t;
}

std::FILE** slot(int unit) {
  UnitTable& t = table();
  switch (unit) {
    case kUnitError:
      return &t.error;
    case kUnitInput:
      return &t.input;
    case kUnitOutput:
      return &t.output;
    case kUnitResults:
      return &t.results;
    default:
      return nullptr;
  }
}

void append(std::string Transcript::*part, std::string_view text) {
  Transcript* t = table().transcript;
  if (t == nullptr) return;
  try {
    (t->*part).append(text);
  } catch (const std::bad_alloc&) {
    // Only the copy goes short: the run and its streams go on.
  }
}

}  // namespace

std::FILE* unit_stream(int unit) {
  std::FILE** s = slot(unit);
  return s ? *s : nullptr;
}

void bind_unit(int unit, std::FILE* stream) {
  if (std::FILE** s = slot(unit)) *s = stream;
  if (unit == kUnitInput) table().input_begun = false;
}

bool input_starts() {
  UnitTable& t = table();
  const bool starts = !t.input_begun;
  t.input_begun = true;
  return starts;
}

void write_line(int unit, std::string_view text) {
  if (unit == kUnitOutput) {
    append(&Transcript::output, text);
    append(&Transcript::output, "\n");
  }
  std::FILE* f = unit_stream(unit);
  if (f == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fputc('\n', f);
  // Written out line by line, so that a failure shows at the line that met it
  // and nothing waits in a buffer at the end of the run.
  const bool failed = std::fflush(f) != 0 || std::ferror(f) != 0;
  if (failed && unit == kUnitOutput) {
    std::clearerr(f);
    severe_error(kErrWrite, kConsoleOutputUnit, kConsoleOutputName);
  }
}

void close_all() {
  UnitTable& t = table();
  // A closer may stop the run itself (a failed write-out); take the list first
  // so that it runs once.
  std::vector<Closer> closers;
  closers.swap(t.closers);
  for (Closer c : closers) c();
  if (t.output) std::fflush(t.output);
  if (t.error) std::fflush(t.error);
  std::fflush(stdout);
  std::fflush(stderr);
}

void register_closer(Closer closer) {
  for (Closer c : table().closers)
    if (c == closer) return;
  table().closers.push_back(closer);
}

void keep_transcript(Transcript* transcript) { table().transcript = transcript; }

void transcribe_error(std::string_view text) { append(&Transcript::errors, text); }

void reset_units() {
  UnitTable& t = table();
  t.transcript = nullptr;
  t.error = stderr;
  t.input = stdin;
  t.output = stdout;
  t.results = nullptr;
  t.input_begun = false;
  t.closers.clear();
}

}  // namespace io
