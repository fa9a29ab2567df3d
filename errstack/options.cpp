// The option tables of the two products, MATH and STAT, read and changed by
// IUMAG, and ACHAR, the character of a code.
#include "errstack/options.hpp"

#include <array>
#include <initializer_list>
#include <limits>
#include <string>

#include "errstack/detail.hpp"
#include "errstack/errstack.hpp"
#include "io/units.hpp"

namespace errstack::detail {
namespace {

constexpr int kLargest = std::numeric_limits<int>::max();
constexpr int kMathChapters = 10;
constexpr int kStatChapters = 20;
// Chapter and options of IUMAG itself: 1 switches the report on, 2 with the
// value 1 switches the argument checks off.
constexpr int kOwnChapter = 10;
constexpr int kReportOption = 1;
constexpr int kChecksOption = 2;

constexpr std::string_view kBadAction =
    "IACT must be 1 to get option values or 2 to put option values.  IACT = %(I1) is invalid.";
constexpr std::string_view kBadProduct =
    "The product name must be either MATH or STAT.  PRODNM = %(L1) is invalid.";
constexpr std::string_view kBadMathChapter =
    "ICHP = %(I1) is an invalid MATH chapter number.  To get or put MATH options, ICHP must be "
    "between 1 and %(I2).";
constexpr std::string_view kBadStatChapter =
    "ICHP = %(I1) is an invalid STAT chapter number.  To get or put STAT options, ICHP must be "
    "between 1 and %(I2).";
constexpr std::string_view kNoMathOptions =
    "No options exist for MATH chapter %(I1).  Only existing options may have values retrieved "
    "from or placed into them.";
constexpr std::string_view kNoStatOptions =
    "No options exist for STAT chapter %(I1).  Only existing options may have values retrieved "
    "from or placed into them.";
constexpr std::string_view kBadCount =
    "NUMOPT = %(I1) is an invalid number of options.  NUMOPT must be greater than zero.";
constexpr std::string_view kBadOption =
    "IOPTS(%(I1)) = %(I2) is an invalid %(L1) chapter %(I3) option number.";
constexpr std::string_view kNegativeCode =
    "The ASCII value must be non-negative while I = %(I1) is given.";

enum Product { kMath = 0, kStat = 1, kNoProduct = -1 };

struct OptionEntry {
  int first_value = 0;  // 0-based position in the value table
  int value_count = 0;
};
struct ChapterEntry {
  int first_option = 0;  // 0-based position in the option list
  int option_count = 0;
};

constexpr int kOptionCount = 128;  // the options of every chapter of both products
constexpr int kValueCount = 121;   // the values of the options that have any

// The layout: chapters of each product, options of each chapter, and the
// default values. Fixed for the run, and built by the compiler: nothing of it
// is made when the program starts.
struct Layout {
  std::array<ChapterEntry, kStatChapters> chapters[2]{};  // index chapter - 1
  std::array<OptionEntry, kOptionCount> options{};
  std::array<int, kValueCount> values{};
  int option_total = 0;
  int value_total = 0;
};

struct Valued {
  int number;
  std::initializer_list<int> values;
};

constexpr Layout build_layout() {
  Layout l;
  int chapters[2] = {0, 0};
  // The option (1-based in the chapter that starts at first) gets its values.
  auto give = [&l](int first, int number, std::initializer_list<int> values) {
    l.options[std::size_t(first + number - 1)] = {l.value_total, int(values.size())};
    for (int v : values) l.values[std::size_t(l.value_total++)] = v;
  };
  // Adds a chapter of count options; the listed options get their values.
  auto chapter = [&](Product p, int count, std::initializer_list<Valued> with_values) {
    const int first = l.option_total;
    l.chapters[p][std::size_t(chapters[p]++)] = {first, count};
    l.option_total += count;
    for (const Valued& o : with_values) give(first, o.number, o.values);
  };
  const std::initializer_list<Valued> own = {{1, {0}}, {2, {2}}, {3, {3}}};

  chapter(kMath, 21,
          {{5, {1, kLargest}},
           {6, {kLargest}},
           {10, {1}},
           {11, {1}},
           {13, {0}},
           {14, {0}},
           {16, {1, 16, 0, 1}},
           {17, {1, 2}},
           {21, {1}}});
  chapter(kMath, 1, {{1, {0}}});
  chapter(kMath, 0, {});
  chapter(kMath, 0, {});
  chapter(kMath, 100, {});
  for (int k = 1; k <= 100; ++k) give(l.option_total - 100, k, {0});
  for (int c = 6; c <= 9; ++c) chapter(kMath, 0, {});
  chapter(kMath, 3, own);
  // STAT keeps only the options of IUMAG itself, in the same chapter as MATH.
  for (int c = 1; c <= kStatChapters; ++c) {
    if (c == kOwnChapter)
      chapter(kStat, 3, own);
    else
      chapter(kStat, 0, {});
  }
  return l;
}

constexpr Layout kLayout = build_layout();
static_assert(kLayout.option_total == kOptionCount && kLayout.value_total == kValueCount);

struct OptionState {
  std::array<int, kValueCount> current = kLayout.values;
  std::array<int, kValueCount> defaults{};
  bool defaults_taken = false;
};
constinit OptionState state;

const OptionEntry* find_option(Product p, int chapter, long long number) {
  const ChapterEntry& ch = kLayout.chapters[p][chapter - 1];
  if (number == 0 || number > ch.option_count || number < -ch.option_count) return nullptr;
  const int n = static_cast<int>(number < 0 ? -number : number);
  const OptionEntry& o = kLayout.options[ch.first_option + n - 1];
  return o.value_count > 0 ? &o : nullptr;
}

int own_option(Product p, int number) {
  const OptionEntry* o = find_option(p, kOwnChapter, number);
  return o ? state.current[o->first_value] : 0;
}

std::string fold_product(std::string_view prodnm) {
  std::string name(prodnm.substr(0, 4));
  name.resize(4, ' ');
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = ACHAR(c - 'a' + 'A');
  return name;
}

// The argument checks in their four groups; every failure is a terminal error
// printed at once, and checking ends after a group that recorded one.
void check_groups(std::string_view prodnm, Product p, int ichp, int iact, int numopt,
                  const int* iopts, const std::string& name) {
  if (iact != 1 && iact != 2) {
    E1ARGI(1, iact);
    E1MES(kTerminal, 1, kBadAction);
  }
  if (p == kNoProduct) {
    E1ARGL(1, prodnm);
    E1MES(kTerminal, 2, kBadProduct);
  }
  if (N1RTY(0) != 0) return;
  const int chapters = p == kMath ? kMathChapters : kStatChapters;
  if (ichp < 1 || ichp > chapters) {
    E1ARGI(1, ichp);
    E1ARGI(2, chapters);
    E1MES(kTerminal, 3, p == kMath ? kBadMathChapter : kBadStatChapter);
  }
  if (N1RTY(0) != 0) return;
  if (kLayout.chapters[p][ichp - 1].option_count == 0) {
    E1ARGI(1, ichp);
    E1MES(kTerminal, 4, p == kMath ? kNoMathOptions : kNoStatOptions);
  }
  if (numopt <= 0) {
    E1ARGI(1, numopt);
    E1MES(kTerminal, 5, kBadCount);
  }
  if (N1RTY(0) != 0) return;
  for (int k = 1; k <= numopt; ++k) {
    if (find_option(p, ichp, iopts[k - 1]) != nullptr) continue;
    E1ARGI(1, k);
    E1ARGI(2, iopts[k - 1]);
    E1ARGL(1, name);
    E1ARGI(3, ichp);
    E1MES(kTerminal, 6, kBadOption);
  }
}

// The report of one option handled: its heading and one row per value.
void report(bool get, int number, const std::string& name, int ichp, const int* shown, int count) {
  int unit = 0;
  UMACH(2, unit);
  io::write_line(unit, "");
  if (get) {
    io::write_line(unit, " A return (get) of the following values from option");
    io::write_line(unit, " number " + int_field(number, 6) + " in " + name + " chapter " +
                             int_field(ichp, 2) + " was performed by IUMAG:");
  } else {
    io::write_line(unit, " A change (put) was made by IUMAG to option number " +
                             int_field(number, 6) + " in " + name);
    io::write_line(unit, " chapter " + int_field(ichp, 2) +
                             ", resulting in the following values for that option:");
  }
  io::write_line(unit, std::string(13, ' ') + "entry number" + std::string(14, ' ') + "value");
  for (int j = 0; j < count; ++j)
    io::write_line(unit, std::string(19, ' ') + int_field(j + 1, 6) + std::string(7, ' ') +
                             int_field(shown[j], 12));
}

}  // namespace

void reset_options() { state = OptionState{}; }

}  // namespace errstack::detail

using namespace errstack::detail;

void IUMAG(std::string_view prodnm, int ichp, int iact, int numopt, const int* iopts, int* values) {
  const std::string name = fold_product(prodnm);
  const Product p = name == "MATH" ? kMath : name == "STAT" ? kStat : kNoProduct;

  if (own_option(kMath, kChecksOption) != 1) {
    E1PSH("IUMAG ");
    check_groups(prodnm, p, ichp, iact, numopt, iopts, name);
    E1POP("IUMAG ");
  } else {
    // Without the checks, arguments that name nothing are left alone.
    const int chapters = p == kMath ? kMathChapters : kStatChapters;
    if ((iact != 1 && iact != 2) || p == kNoProduct || ichp < 1 || ichp > chapters) return;
  }

  if (!state.defaults_taken) {
    state.defaults = state.current;
    state.defaults_taken = true;
  }

  const bool get = iact == 1;
  int next = 0;
  for (int k = 0; k < numopt; ++k) {
    const OptionEntry* o = find_option(p, ichp, iopts[k]);
    if (o == nullptr) continue;
    const bool from_defaults = iopts[k] < 0;
    for (int j = 0; j < o->value_count; ++j) {
      int& current = state.current[o->first_value + j];
      const int fallback = state.defaults[o->first_value + j];
      if (get)
        values[next++] = from_defaults ? fallback : current;
      else if (from_defaults)
        current = fallback;
      else
        current = values[next++];
    }
  }

  // The report comes after every get and put of the call, so a put that
  // switches it on or off decides for the whole call.
  if (own_option(p, kReportOption) <= 0) return;
  int shown_from = 0;
  for (int k = 0; k < numopt; ++k) {
    const OptionEntry* o = find_option(p, ichp, iopts[k]);
    if (o == nullptr) continue;
    const int number = iopts[k] < 0 ? -iopts[k] : iopts[k];
    const int* shown = get ? values + shown_from : &state.current[o->first_value];
    if (get) shown_from += o->value_count;
    report(get, number, name, ichp, shown, o->value_count);
  }
}

char ACHAR(int i) {
  if (i >= 0) return static_cast<char>(i & 0xFF);
  E1PSH("ACHAR ");
  E1ARGI(1, i);
  E1MES(kTerminal, 1, kNegativeCode);
  E1POP("ACHAR ");
  return '\0';
}
