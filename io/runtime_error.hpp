#pragma once
// Severe run-time errors: a "forrtl: severe" line on the standard error, a
// traceback of the active routines, every file written out and closed, and the
// end of the run with the message number as exit status.

namespace io {

constexpr int kErrArrayBounds = 161;
constexpr int kErrEndOfFile = 24;
constexpr int kErrListSyntax = 59;
constexpr int kErrConversion = 64;
constexpr int kErrPermission = 9;
constexpr int kErrOpen = 30;
constexpr int kErrWrite = 38;
constexpr int kErrNoMemory = 41;

// Message 161, which has no unit and file.
[[noreturn]] void severe_error(int number);

// Messages that name a unit and a file (24, 59, 64, 9, 30, 38). A non-zero
// os_error (an errno value) adds the system's reason on a line of its own
// after the message line.
[[noreturn]] void severe_error(int number, int unit, const char* file, int os_error = 0);

// The same with a reason of the program's own on that line.
[[noreturn]] void severe_error(int number, int unit, const char* file, const char* reason);

// Sets aside a little memory at start-up, which the first request that the
// heap refuses gives back, so that the stop of an exhausted memory can still
// be made. False when not even the reserve is to be had: memory ran out as the
// program started, and message 41 has been printed (its lines take nothing from
// the heap); nothing is open yet, and the run ends with its status.
bool reserve_memory();

// Memory exhausted: message 41, printed from the reserve.
[[noreturn]] void out_of_memory();

}  // namespace io
