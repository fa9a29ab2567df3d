#pragma once
// The lift coefficient of the program's own run at the count and velocity
// given: Cl = 2 * sum(GAM2) / (VINF * chord), the chord 1, as the run forms it.
#include "app/run.hpp"

namespace lift {

// The two numbers as if typed.
class Given final : public RunDialogue {
 public:
  Given(float nvort, float vinf) : nvort_(nvort), vinf_(vinf) {}
  void read_count(float& NVORT) override { NVORT = nvort_; }
  void read_velocity(float& VINF) override { VINF = vinf_; }

 private:
  float nvort_;
  float vinf_;
};

// Each call is a fresh run.
inline double program_lift(float nvort, float vinf) {
  Given given(nvort, vinf);
  return compute_run(given).lift_coefficient;
}

}  // namespace lift
