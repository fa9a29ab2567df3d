#pragma once
// The solver's error facility: the routine-name stack with error types and
// codes, message composition and printing, machine constants and units, and
// the option tables. Every routine that reports trouble goes through these.
#include <string_view>

// Error types.
constexpr int kNote = 1;
constexpr int kAlert = 2;
constexpr int kWarning = 3;
constexpr int kFatal = 4;
constexpr int kTerminal = 5;
constexpr int kWarningImmediate = 6;
constexpr int kFatalImmediate = 7;

// Error stack and message composition.
void E1SETUP();
void E1PSH(std::string_view name);
void E1POP(std::string_view name);
void E1MES(int type, int code, std::string_view text);
void E1ARGI(int index, int value);
void E1ARGR(int index, float value);
void E1ARGL(int index, std::string_view text);
int N1RTY(int which);
int N1RCD(int which);

// Printing of the pending message.
void E1SHOW();

// Machine constants and units.
float AMACH(int index);
int IMACH(int index);
void UMACH(int index, int& unit);

// Option tables.
void IUMAG(std::string_view prodnm, int ichp, int iact, int numopt, const int* iopts, int* values);
char ACHAR(int i);

namespace errstack {
// Puts the whole facility back to its state before the first use (stack,
// tables, units, options): for tests that run many cases in one process.
void reset();
}  // namespace errstack
