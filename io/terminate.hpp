#pragma once
// Stopping the run. Every way the run ends early goes through stop_run: it writes
// out and closes every open file and then unwinds to run_to_end, which returns
// the status. Nothing catches RunStopped but run_to_end and tests, so a run never
// continues after a stop.

namespace io {

// Exit statuses of the ways a run can end.
constexpr int kStatusNormal = 0;
constexpr int kStatusSolverStop = 1;  // a stop asked for by the solver's error facility

struct RunStopped {
  int status;
};

[[noreturn]] void stop_run(int status);

// The process's exit code for a run's status. A run-time error's status is its
// message number; where the system keeps the whole exit code (Windows) it
// carries the severity bits 0xC0000000 (0xC00000A1 for 161), elsewhere the low
// 8 bits are kept, which are the number. Normal ends and solver stops are as
// they are.
int exit_code(int status);

// Runs the body and returns the run's exit status: kStatusNormal when it
// returns, the status of its stop otherwise. Memory that runs out anywhere in
// the body is severe error 41, never an uncaught exception.
int run_to_end(void (*body)(void* context), void* context);

template <class Body>
int run_to_end(Body& body) {
  return run_to_end([](void* b) { (*static_cast<Body*>(b))(); }, &body);
}

}  // namespace io
