#pragma once
// The lift coefficient of the program's own system: the profile, the influence
// matrix and both solves made by the program's own routines, then
// Cl = 2 * sum(GAM2) / (VINF * chord) with the chord 1.
#include <memory>

#include "app/bounded_array.hpp"
#include "app/influence.hpp"
#include "app/profile.hpp"
#include "app/solve_copies.hpp"
#include "io/real_to_int.hpp"

namespace lift {

struct Flow {
  RealMatrix AMAT;
  RealArray RHS1, GAM1, YPROF, RHS2, GAM2, XV;
};

// Each call starts from fresh, zero arrays, as a run does: PROFIL leaves the
// entries past its trip count as they were, and an ordinate past x = 1 keeps
// its previous value.
inline double program_lift(float nvort, float vinf) {
  auto f = std::make_unique<Flow>();
  const float alpha = 0.0f;
  const int n = io::real_to_int(double(nvort));
  PROFIL(nvort, f->RHS2, f->YPROF, alpha, vinf);
  MATRICA(f->XV, nvort, f->AMAT, f->RHS1, alpha, vinf);
  solve_on_copies(n, f->AMAT, f->RHS1, f->GAM1);
  solve_on_copies(n, f->AMAT, f->RHS2, f->GAM2);
  double circulation = 0.0;
  for (int k = 1; k <= n; ++k) circulation += double(f->GAM2(k));
  return 2.0 * circulation / double(vinf);
}

}  // namespace lift
