#pragma once
// The solver's entry point and its worker.

// Solves A X = B (IPATH 1) or transpose(A) X = B (IPATH 2) for the N by N matrix
// A; A and B are never written. The work arrays are obtained from the heap for
// the call and released before it returns. Errors and warnings go to the error
// stack only.
void LSARG(int n, const float* a, int lda, const float* b, int ipath, float* x);

// LSARG with caller-supplied work arrays: FAC (N * N reals, leading dimension N)
// receives the factors, PIVOT (N integers) the pivot sequence, WORK (N reals)
// the row scales, the estimator's vector and then the last correction.
void L2ARG(int n, const float* a, int lda, const float* b, int ipath, float* x, float* fac,
           int* pivot, float* work);
