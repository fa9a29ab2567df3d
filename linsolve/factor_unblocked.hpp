#pragma once
// The elimination of L2TRG one step at a time, without panels.

namespace linsolve {

// Factors the N by N matrix held in FAC in place into the layout that L2TRG
// leaves in FAC, PIVOT and SCALE, one elimination step at a time, every element
// rounded after every step. Returns whether some pivot, or the last diagonal
// entry, was too small. Checks nothing and records nothing: the program does not
// use it; it is the plain form that the paneled elimination is tested against.
bool factor_unblocked(int n, float* fac, int ldfac, int* pivot, float* scale);

}  // namespace linsolve
