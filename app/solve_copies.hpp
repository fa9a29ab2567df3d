#pragma once
// The program's solve step, which the validation test and the lift table
// share with it.
#include "app/bounded_array.hpp"

// Solves AMAT X = RHS by LSARG on working copies of the leading n block: the
// solver sees a contiguous matrix with leading dimension n, and whatever it
// leaves in the copies is written back. The solution goes straight into X. n is
// passed to LSARG as it is, so an order below 1 meets the solver's own check.
void solve_on_copies(int n, RealMatrix& AMAT, RealArray& RHS, RealArray& X);
