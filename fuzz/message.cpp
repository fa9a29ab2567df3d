// Fuzz target of message composition and printing. The input is a program of
// operations on the error facility: the value setters with any index and value
// (texts beyond the 300-character argument table), errors recorded at stack
// depths 0 to 6 and at the overflow of the stack with any type, code and
// template (repeated up to four times, so past the 1024-character buffer),
// direct prints, bad queries and bad pops. A stop of the run is caught and the
// facility reset.
//
// Checked: no printed line is longer than 78 characters; a line is empty only
// where a message starts; a message recorded for immediate printing is printed,
// with a traceback exactly when recorded at level 3 or deeper; no message is
// printed twice; and the line bodies of every printed message, joined with the
// break rules (a cut, one or two blanks dropped at a break, a "%/" marker),
// give back the whole message that a model of the argument table and of the
// placeholder replacement composes.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "errstack/errstack.hpp"
#include "fuzz/fuzz_target.hpp"
#include "io/bit_cast.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

namespace {

[[noreturn]] void fail(const std::string& what) { fuzz::fail("message", what.c_str()); }

// The facility's own texts, as it stores them.
constexpr std::string_view kPushOverflow =
    "Error condition in E1PSH.  Push would cause stack level to exceed %(I1).";
constexpr std::string_view kPopEmpty =
    "Error condition in E1POP.  Cannot pop from %(L1) because stack is empty.";
constexpr std::string_view kPopMismatch =
    "Error condition in E1POP.  %(L1) does not match the name %(L2) in the stack.";
constexpr std::string_view kBadTypeQuery = ".  The argument passed to N1RTY must be 0 or 1.";
constexpr std::string_view kBadCodeQuery = ".  The argument passed to N1RCD must be 0 or 1.";
constexpr std::string_view kBadType = ".  Error from E1MES.  Illegal error type specified.";

constexpr std::size_t kMessageCapacity = 1024;
constexpr std::size_t kArgumentCapacity = 300;
constexpr std::size_t kMaxLine = 78;
constexpr std::size_t kMaxOperations = 64;
constexpr int kMaxLevel = 50;

const std::string kHeading[] = {
    "     Here is a traceback of subprogram calls in reverse order:",
    "     Routine name                    Error type  Error code",
    "     ------------                    ----------  ----------",
};

// Reads the fuzz input front to back; zeros once it is used up.
struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;

  bool empty() const { return at >= size; }
  std::uint8_t byte() { return at < size ? data[at++] : 0; }
  std::uint32_t u32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | byte();
    return v;
  }
  // A text of the given length or what is left; a line feed would split a
  // printed line by itself, so it becomes '|'.
  std::string text(std::size_t length) {
    const std::size_t n = length < size - at ? length : size - at;
    std::string s(reinterpret_cast<const char*>(data + at), n);
    at += n;
    for (char& c : s)
      if (c == '\n') c = '|';
    return s;
  }
};

// The model of the argument table and of the pending message.
struct Model {
  struct Entry {
    char letter;
    int index;
    std::string value;
  };
  std::vector<Entry> entries;
  std::size_t table_size = 0;  // characters in use in the 300-character table
  std::string pending;         // the message waiting to be printed

  void add(char letter, int index, std::string value, std::size_t room_length) {
    const std::size_t fill = table_size < 1 ? 1 : table_size;
    if (fill + room_length + 8 > kArgumentCapacity) return;
    table_size += 4 + std::to_string(value.size()).size() + 1 + value.size();
    entries.push_back({letter, index, std::move(value)});
  }
  void clear_arguments() {
    entries.clear();
    table_size = 0;
  }
  const std::string* find(char letter, int index) const {
    for (const Entry& e : entries)
      if (e.letter == letter && e.index == index) return &e.value;
    return nullptr;
  }
  void compose(std::string_view tmpl) {
    tmpl = tmpl.substr(0, kMessageCapacity);
    std::string out = ".  ";
    for (std::size_t i = 0; i < tmpl.size() && out.size() < kMessageCapacity;) {
      const std::string* value = nullptr;
      if (i + 5 <= tmpl.size() && tmpl[i] == '%' && tmpl[i + 1] == '(' && tmpl[i + 4] == ')' &&
          tmpl[i + 3] >= '1' && tmpl[i + 3] <= '9' && tmpl[i + 2] != '\0' &&
          std::strchr("ACDIKLRSZ", std::toupper(static_cast<unsigned char>(tmpl[i + 2]))) !=
              nullptr)
        value =
            find(char(std::toupper(static_cast<unsigned char>(tmpl[i + 2]))), tmpl[i + 3] - '0');
      if (value != nullptr) {
        out.append(value->substr(0, kMessageCapacity - out.size()));
        i += 5;
      } else {
        out += tmpl[i++];
      }
    }
    pending = out;
  }
  void reset() {
    clear_arguments();
    pending.clear();
  }
};

std::string integer_text(int value) { return std::to_string(value); }

std::string real_text(float value) {
  if (value != value) return "NaN          ";
  if (value == 1.0f / 0.0f) return "Infinity     ";
  if (value == -1.0f / 0.0f) return "-Infinity    ";
  if (value == 0.0f) return "0.000000E+00";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6E", double(value));
  return buf;
}

void model_argl(Model& m, int index, std::string_view text) {
  if (index == 0 || index < -9 || index > 9) return;
  std::string value(text.substr(0, 255));
  const std::size_t full = value.size();
  if (index > 0) {
    const std::size_t last = value.find_last_not_of(' ');
    value = last == std::string::npos ? " " : value.substr(0, last + 1);
  }
  m.add('L', index > 0 ? index : -index, value, full);
}

std::string padded(std::string_view name) {
  std::string n(name.substr(0, 32));
  n.resize(32, ' ');
  return n;
}

// The output written since the last look.
struct Capture {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = nullptr;
  std::size_t seen = 0;

  std::vector<std::string> new_lines() {
    std::fflush(stream);
    std::vector<std::string> lines;
    std::string_view text(buffer, size);
    while (seen < text.size()) {
      const std::size_t nl = text.find('\n', seen);
      if (nl == std::string_view::npos) fail("output line without a line end");
      lines.emplace_back(text.substr(seen, nl - seen));
      seen = nl + 1;
    }
    return lines;
  }
};

// Whether the bodies, joined by the break rules, give back the message.
bool rejoins(std::string_view msg, const std::vector<std::string>& bodies, std::size_t i,
             std::size_t pos) {
  if (msg.compare(pos, bodies[i].size(), bodies[i]) != 0) return false;
  pos += bodies[i].size();
  static constexpr std::string_view kSeparators[] = {"", " ", "  ", "%/"};
  for (std::string_view sep : kSeparators) {
    if (msg.compare(pos, sep.size(), sep) != 0) continue;
    // An empty line is only the text before a marker.
    if (bodies[i].empty() && sep != "%/") continue;
    if (i + 1 == bodies.size() ? pos + sep.size() == msg.size()
                               : rejoins(msg, bodies, i + 1, pos + sep.size()))
      return true;
  }
  return false;
}

// Checks the printed blocks among the lines against the model; returns how many
// blocks were printed and whether they carried a traceback.
int check_blocks(const std::vector<std::string>& lines, Model& m, bool& traceback) {
  int blocks = 0;
  traceback = false;
  std::size_t i = 0;
  for (const std::string& line : lines)
    if (line.size() > kMaxLine) fail("printed line longer than 78 characters: " + line);
  while (i < lines.size()) {
    if (!lines[i].empty()) fail("a message does not start with a blank line: " + lines[i]);
    ++i;
    if (i == lines.size()) fail("blank line without a message");
    const std::string& first = lines[i++];
    if (first.size() < 19 || first.compare(0, 5, " *** ") != 0 ||
        first.compare(13, 6, " ERROR") != 0)
      fail("malformed first line: " + first);
    const std::size_t from = first.find(" from ", 19);
    const std::size_t body_start = from == std::string::npos ? from : first.find(". ", from + 6);
    if (body_start == std::string::npos) fail("first line without header and message: " + first);
    std::vector<std::string> bodies{first.substr(body_start)};
    while (i < lines.size() && lines[i].compare(0, 4, " ***") == 0) {
      if (lines[i].compare(0, 14, " ***          ") != 0)
        fail("malformed continuation line: " + lines[i]);
      bodies.push_back(lines[i++].substr(14));
    }
    bool has_traceback = false;
    if (i < lines.size() && !lines[i].empty()) {
      has_traceback = true;
      for (const std::string& h : kHeading)
        if (i >= lines.size() || lines[i++] != h) fail("malformed traceback heading");
      int rows = 0;
      while (i < lines.size() && !lines[i].empty()) {
        if (lines[i].compare(0, 5, "     ") != 0) fail("malformed traceback row: " + lines[i]);
        ++rows;
        ++i;
      }
      if (rows < 3) fail("traceback of fewer than three rows");
    }
    if (m.pending.empty()) fail("a message printed twice or never composed");
    if (!rejoins(m.pending, bodies, 0, 0)) {
      std::string got;
      for (const std::string& b : bodies) got += "[" + b + "]";
      fail("printed lines do not give back the message\ncomposed: [" + m.pending +
           "]\nprinted: " + got);
    }
    m.pending.clear();
    m.clear_arguments();
    traceback = traceback || has_traceback;
    ++blocks;
  }
  return blocks;
}

int index_from(std::uint8_t b) { return int(b % 23) - 11; }

struct Run {
  Input in;
  Model model;
  Capture out;

  void settle() {
    bool traceback = false;
    check_blocks(out.new_lines(), model, traceback);
  }

  // One error recorded at the given depth and popped back to "USER"; depth 7
  // pushes until the stack overflows instead.
  void record_error() {
    const int depth = in.byte() % 8;
    const int type = int(in.byte() % 11) - 2;
    const std::uint8_t code_kind = in.byte();
    const int code = code_kind % 4 == 0 ? int(in.u32()) : int(code_kind % 6) - 1;
    const std::size_t length = (std::size_t(in.byte()) << 8 | in.byte()) % 1100;
    const int repeat = 1 + in.byte() % 4;
    const std::string piece = in.text(length);
    std::string tmpl;
    for (int r = 0; r < repeat; ++r) tmpl += piece;

    if (depth == 7) {
      for (int lv = 2; lv <= kMaxLevel; ++lv) E1PSH("LEVEL ");
      model.add('I', 1, integer_text(kMaxLevel), integer_text(kMaxLevel).size());
      model.compose(kPushOverflow);
      E1PSH("OVER ");
      fail("push past the maximum level went on");
    }
    std::vector<std::string> names;
    for (int k = 0; k < depth; ++k) {
      names.push_back(in.text(in.byte() % 40));
      E1PSH(names.back());
    }
    if (type < -1 || type > 7) {
      model.pending = std::string(kBadType);
      E1MES(type, code, tmpl);
      fail("an illegal error type went on");
    }
    if (type == 0 || code == 0) {
      model.pending.clear();
    } else if (!(tmpl.empty() || tmpl == " ")) {
      model.compose(tmpl);
    }
    const bool immediate = type >= 5 && !model.pending.empty();
    E1MES(type, code, tmpl);
    model.clear_arguments();
    bool traceback = false;
    const int blocks = check_blocks(out.new_lines(), model, traceback);
    if (immediate && blocks != 1) fail("a message of type 5 to 7 was not printed when recorded");
    if (blocks == 1 && traceback != (depth >= 2))
      fail("traceback shown when it should not be, or missing");
    for (int k = depth - 1; k >= 0; --k) {
      E1POP(names[std::size_t(k)]);
      if (check_blocks(out.new_lines(), model, traceback) != 0 && traceback)
        fail("traceback on a message printed at a pop");
    }
  }

  void bad_pop() {
    const bool empty_stack = in.byte() % 2 == 0;
    const std::string pushed = in.text(in.byte() % 40);
    const std::string popped = in.text(in.byte() % 40);
    if (empty_stack) {
      model_argl(model, 1, popped);
      model.compose(kPopEmpty);
      E1POP(popped);
      fail("pop from the empty stack went on");
    }
    E1PSH(pushed);
    if (padded(pushed) == padded(popped)) {
      E1POP(popped);
      return;
    }
    model_argl(model, 1, popped);
    model_argl(model, 2, padded(pushed));
    model.compose(kPopMismatch);
    E1POP(popped);
    fail("pop of a name not on top went on");
  }

  void bad_query() {
    const std::uint8_t kind = in.byte();
    const int which = kind % 4 == 0 ? int(in.u32()) : int(kind % 5) - 2;
    const bool type_query = kind & 0x80;
    if (which == 0 || which == 1) {
      (void)(type_query ? N1RTY(which) : N1RCD(which));
      return;
    }
    model.pending = std::string(type_query ? kBadTypeQuery : kBadCodeQuery);
    (void)(type_query ? N1RTY(which) : N1RCD(which));
    fail("a bad query went on");
  }

  void operation() {
    switch (in.byte() % 8) {
      case 0: {
        const int index = index_from(in.byte());
        const int value = int(in.u32());
        if (index >= 1 && index <= 9)
          model.add('I', index, integer_text(value), integer_text(value).size());
        E1ARGI(index, value);
        break;
      }
      case 1: {
        const int index = index_from(in.byte());
        const float value = io::bit_cast<float>(in.u32());
        if (index >= 1 && index <= 9)
          model.add('R', index, real_text(value), real_text(value).size());
        E1ARGR(index, value);
        break;
      }
      case 2: {
        const int index = index_from(in.byte());
        const std::string text = in.text((std::size_t(in.byte()) << 8 | in.byte()) % 600);
        model_argl(model, index, text);
        E1ARGL(index, text);
        break;
      }
      case 3:
      case 4:
        record_error();
        break;
      case 5:
        E1SHOW();
        break;
      case 6:
        bad_query();
        break;
      case 7:
        bad_pop();
        break;
    }
    settle();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Run run{Input{data, size}, Model{}, Capture{}};
  run.out.stream = open_memstream(&run.out.buffer, &run.out.size);
  if (run.out.stream == nullptr) fail("open_memstream failed");
  io::bind_unit(io::kUnitOutput, run.out.stream);
  errstack::reset();

  for (std::size_t n = 0; n < kMaxOperations && !run.in.empty(); ++n) {
    try {
      run.operation();
    } catch (const io::RunStopped& s) {
      if (s.status != io::kStatusSolverStop)
        fail("the facility stopped with a status other than its own");
      run.settle();
      errstack::reset();
      run.model.reset();
    }
  }

  errstack::reset();
  io::reset_units();
  std::fclose(run.out.stream);
  std::free(run.out.buffer);
  return 0;
}
