#pragma once
// One run of the computation, apart from the console and the results file: the
// program, the Python module and the page all make this run, and each converts
// only at its edge (prompts and rezult.txt, arrays and exceptions, the page's
// fields and text).
#include <string>
#include <vector>

// Where a run's two numbers come from: the program prompts and reads them at
// the console; the module and the page hand over what they were given.
class RunDialogue {
 public:
  virtual void read_count(float& NVORT) = 0;
  virtual void read_velocity(float& VINF) = 0;

 protected:
  ~RunDialogue() = default;
};

// How a run, or a call of the solver made as one, ended, and the messages it
// wrote on the way (also shown on the units, where they are open).
struct RunEnd {
  int status = 0;  // 0 at a normal end, 1 at a stop of the solver, else the run-time error's number
  int type = 0;    // at a stop of the solver: the type and code of its error
  int code = 0;
  std::vector<std::string> messages;  // the solver's message blocks, each from its blank line
  std::string errors;  // the run-time error's lines, as the standard error shows them
};

// A run: how it ended and what it computed. The numbers are those of a normal
// end; a run that stopped leaves the points it had reached (none, so far as a
// stop can come).
struct RunResult : RunEnd {
  float count = 0.0f;  // NVORT and VINF as read
  float velocity = 0.0f;
  std::vector<float> x, cp;        // each point's abscissa and pressure coefficient, in order
  std::vector<float> circulation;  // the second system's circulations, one per point
  double lift_coefficient = 0.0;   // 2 * sum(circulation) / velocity, for the chord 1
};

// A run from the state of a fresh process: sets the three constants, reads the
// count and the velocity, lays out the profile and the influence matrix, solves
// both systems and forms the pressure step. A run-time error or a stop of the
// solver ends it early, as the result says; it never ends the process.
RunResult compute_run(RunDialogue& dialogue);

// Runs the body (a call of the solver, say) as compute_run runs the
// computation: from the state of a fresh process, its messages kept, its stop
// caught.
RunEnd run_as_fresh(void (*body)(void* context), void* context);
template <class Body>
RunEnd run_as_fresh(Body& body) {
  return run_as_fresh([](void* b) { (*static_cast<Body*>(b))(); }, &body);
}

// The records of rezult.txt for the run's points, each ended by CR LF.
std::string results_text(const RunResult& run);
