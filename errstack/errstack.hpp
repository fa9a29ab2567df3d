#pragma once
// The solver's error facility: the routine-name stack with error types and
// codes, message composition and printing, machine constants and units, and
// the option tables. Every routine that reports trouble goes through these.
//
// Where each routine lives (each file's routines are declared in the header of
// the same name, all of them through this one):
//
//   E1SETUP  stack.cpp    the one-time setup of the stack and its tables
//   E1PSH    stack.cpp    push a routine name on entry
//   E1POP    stack.cpp    pop on exit: pass the error down, print and stop by type
//   E1MES    stack.cpp    record an error's type and code and compose its message
//   N1RTY    stack.cpp    the type recorded here (0) or by the last callee (1)
//   N1RCD    stack.cpp    the code recorded, likewise
//   E1ARGI   message.cpp  an integer value for %(In)
//   E1ARGR   message.cpp  a real value for %(Rn)
//   E1ARGL   message.cpp  a text value for %(Ln)
//   E1SHOW   show.cpp     print the pending message, with a traceback when deep
//   AMACH    machine.cpp  real constants of single precision
//   IMACH    machine.cpp  integer constants of the number formats
//   UMACH    machine.cpp  get or set the input, output and error-message units
//   IUMAG    options.cpp  get or put option values of the MATH and STAT tables
//   ACHAR    options.cpp  the character of a code
//   errstack::reset  stack.cpp  the whole facility back to its start, for tests
//
// detail.hpp holds what the files share: the state structs and the helpers of
// composition and printing.
#include "errstack/machine.hpp"
#include "errstack/message.hpp"
#include "errstack/options.hpp"
#include "errstack/show.hpp"
#include "errstack/stack.hpp"

namespace errstack {
// Puts the whole facility back to its state before the first use (stack,
// tables, units, options): for tests that run many cases in one process.
void reset();
}  // namespace errstack
