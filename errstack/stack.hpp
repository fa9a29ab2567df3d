#pragma once
// The routine-name stack: the error types, push and pop with the rules that pass
// an error down to the caller, recording an error, and the queries of what was
// recorded.
#include <string_view>

// Error types.
constexpr int kNote = 1;
constexpr int kAlert = 2;
constexpr int kWarning = 3;
constexpr int kFatal = 4;
constexpr int kTerminal = 5;
constexpr int kWarningImmediate = 6;
constexpr int kFatalImmediate = 7;

// Sets the stack and its tables to their start; runs once, on first use.
void E1SETUP();
// Pushes a routine name ("LSARG ") on entry.
void E1PSH(std::string_view name);
// Pops on exit; the name must be the one on top. Passes the level's error down
// to the caller, and prints and stops the run as its type says.
void E1POP(std::string_view name);
// Records an error of a type and code for the routine on top and composes its
// message from the template and the values set since the last message.
void E1MES(int type, int code, std::string_view text);
// The type (code) recorded at the current level (0) or by the routine called
// last (1).
int N1RTY(int which);
int N1RCD(int which);
