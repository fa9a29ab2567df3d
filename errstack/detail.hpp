#pragma once
// Internals shared by the files of the error facility. Each file owns its state
// in one struct; the others reach it through the accessors declared here.
#include <array>
#include <string>
#include <string_view>

#include "errstack/stack.hpp"

namespace errstack::detail {

constexpr int kMaxLevel = 50;
constexpr int kNameWidth = 32;
constexpr int kMessageCapacity = 1024;
constexpr int kArgumentCapacity = 300;
constexpr int kTypeCount = kFatalImmediate;  // the types are 1 to 7

// stack.cpp: the routine-name stack with the type and code recorded per level,
// the print, stop and traceback tables, and the pending flags of types 6 and 7.
// Arrays are indexed from 1 (element 0 unused).
struct StackState {
  bool setup_done = false;
  int level = 1;
  int max_level = kMaxLevel;
  std::array<std::string, kMaxLevel + 2> names{};  // each exactly kNameWidth characters
  std::array<int, kMaxLevel + 2> types{};
  std::array<int, kMaxLevel + 2> codes{};
  std::array<int, kTypeCount + 1> print_table{};
  std::array<int, kTypeCount + 1> stop_table{};
  std::array<int, kTypeCount + 1> traceback_table{};
  bool pending6 = false;
  bool pending7 = false;
};
StackState& stack();

// Runs E1SETUP when it has not yet run.
void ensure_setup();

// The name cut to kNameWidth characters or padded with blanks to it.
std::string padded_name(std::string_view name);

// message.cpp: the composed message (its size is the message length; empty
// means no message is pending) and the argument table of placeholder values.
struct MessageState {
  std::string text;
  std::string arguments;
};
MessageState& message();

// Composes ".  " and the template with its placeholders filled into the message.
void compose(std::string_view tmpl);
// Empties the argument table.
void clear_arguments();
// Appends one entry to the argument table when the index is valid and it fits.
void add_argument(char letter, int index, std::string_view value, std::size_t length_for_room);

// E1ARGR's value text: exponential form with six decimals, field of 14.
std::string real_text(float value);

// I-editing: the value right-justified in a field of width, or asterisks when
// it does not fit.
std::string int_field(long long value, int width);

// Stops the run for the facility (exit status 1).
[[noreturn]] void stop();

// machine.cpp and options.cpp: back to their start for errstack::reset().
void reset_units();
void reset_options();

}  // namespace errstack::detail
