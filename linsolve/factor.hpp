#pragma once
// LU factorization with scaled partial pivoting, and the matrix copy under it.
//
// Layout left in FAC and PIVOT (read by the condition estimate and the solves):
// U on and above the diagonal; below the diagonal of column k the negated
// multipliers of step k, never permuted by later steps; PIVOT(k) the row that
// step k exchanged with row k (PIVOT(N) = N). Step k's exchange acts on columns
// k to N only.

// Copies the N by N matrix A into B; rows N + 1 to LDB of B are not written.
void CRGRG(int n, const float* a, int lda, float* b, int ldb);

// Factors A (unchanged) into FAC and PIVOT; SCALE receives the row scale
// factors in the final row order. A pivot of magnitude <= the smallest normal
// number records the FATAL singular-matrix error after the elimination ends.
void L2TRG(int n, const float* a, int lda, float* fac, int ldfac, int* pivot, float* scale);
