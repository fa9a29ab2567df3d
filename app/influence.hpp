#pragma once
#include "app/bounded_array.hpp"

// Places one vortex at the quarter point and one control point at the
// three-quarter point of each panel.
void COORD(RealArray& XV, RealArray& XC, float NVORT);

// Fills the influence matrix (row j: control point, column i: vortex) and the
// first right-hand side.
void MATRICA(RealArray& XV, float NVORT, RealMatrix& AMAT, RealArray& RHS1, float ALPHA,
             float VINF);
