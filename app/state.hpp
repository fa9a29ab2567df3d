#pragma once
// The vortex-panel computation's process-wide state, in one place: the flow
// state of the run and the own variables that PROFIL, COORD and MATRICA keep
// between calls. Every member starts at zero, as in a fresh process.
#include "app/bounded_array.hpp"

// The flow state: everything the run computes, for the length of the run.
struct Flow {
  float PINF = 0.0f;
  float RHO = 0.0f;
  float ALPHA = 0.0f;
  float NVORT = 0.0f;
  float VINF = 0.0f;
  int NPTS = 0;
  RealMatrix AMAT;
  RealArray RHS1, GAM1, YPROF, RHS2, GAM2, XV, DVEL;
  float XPT = 0.0f;
  float USUM = 0.0f;
  float PRES = 0.0f;
  float CPRES = 0.0f;
  float k = 0.0f;  // the pressure step's real loop counters
  float j = 0.0f;
};

// Own variables of PROFIL.
struct ProfileState {
  int k = 0;
  float x = 0.0f;
  RealArray SLOPE;
};

// Own variables of COORD and MATRICA.
struct CoordState {
  float spacing = 0.0f;
  float quarter = 0.0f;
  float threequarter = 0.0f;
  float i = 0.0f;
};

struct MatricaState {
  float divisor = 0.0f;
  RealArray XC;
  float i = 0.0f;
  float j = 0.0f;
};

struct AppState {
  Flow flow;
  ProfileState profil;
  CoordState coord;
  MatricaState matrica;
};

AppState& app_state();

// Puts the computation's state back to zero, and with it the solver's and the
// error facility's state, so that the next run gives what it gives in a fresh
// process. The unit table is the caller's: it stays as bound.
void reset_run_state();
