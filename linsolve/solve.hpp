#pragma once
// The solve with the LU factors.

// Solves A X = B (IPATH 1) or transpose(A) X = B (IPATH 2) with the factors of
// L2TRG. B is read only through its copy into X, so B and X may be the same array.
void LFSRG(int n, const float* fac, int ldfac, const int* pivot, const float* b, int ipath,
           float* x);
