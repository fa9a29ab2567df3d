#pragma once
// The L1 norm and the condition estimate.

// NORM1 = the largest column sum of absolute values of the NRA by NCA matrix A.
void NR1RR(int nra, int nca, const float* a, int lda, float& norm1);

// Factors A into FAC and PIVOT (through L2TRG, WORK holding the row scales) and
// estimates RCOND, the reciprocal of the L1 condition number; RCOND = 1.0 when
// the estimate is not made or the matrix is singular. WORK holds the estimator's
// normalised vector on return.
void L2CRG(int n, const float* a, int lda, float* fac, int ldfac, int* pivot, float& rcond,
           float* work);
