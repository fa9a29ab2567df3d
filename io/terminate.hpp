#pragma once
// Stopping the run. Every way the run ends early goes through stop_run: it writes
// out and closes every open file and then unwinds to main, which returns the
// status. Nothing catches RunStopped but main (and tests), so the program never
// continues after a stop.

namespace io {

// Exit statuses of the ways a run can end.
constexpr int kStatusNormal = 0;
constexpr int kStatusSolverStop = 1;  // a stop asked for by the solver's error facility

struct RunStopped {
  int status;
};

[[noreturn]] void stop_run(int status);

}  // namespace io
