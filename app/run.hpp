#pragma once
// One run of the computation, apart from the console and the results file, so
// that the program and the Python module make the same run.

// What a run meets outside the computation: where its two numbers come from
// and where its points go. The program prompts and reads at the console and
// writes each point into rezult.txt; the module takes the numbers it was given
// and keeps the points.
class RunDialogue {
 public:
  virtual void read_count(float& NVORT) = 0;
  virtual void read_velocity(float& VINF) = 0;
  virtual void write_point(float XPT, float CPRES) = 0;

 protected:
  ~RunDialogue() = default;
};

// On the flow state of app_state(): sets the three constants, reads the count
// and the velocity, lays out the profile and the influence matrix, solves both
// systems and hands each point of the pressure step to the dialogue. A
// run-time error or a stop of the solver ends it by io::RunStopped.
void compute_run(RunDialogue& dialogue);
