#pragma once
// Solves with the LU factors, the triangular solve under them, and iterative
// refinement.

// Solves T x = b or transpose(T) x = b in place for a triangular T. UPLO 'U' or
// 'L', TRANS 'N', 'T' or 'C', DIAG 'U' (unit, not read) or 'N'; case is ignored.
// INCX is any non-zero stride; a negative one stores x from its far end.
void STRSV(char uplo, char trans, char diag, int n, const float* a, int lda, float* x, int incx);

// Solves A X = B (IPATH 1) or transpose(A) X = B (IPATH 2) with the factors of
// L2TRG. B is read only through its copy into X, so B and X may be the same array.
void LFSRG(int n, const float* fac, int ldfac, const int* pivot, const float* b, int ipath,
           float* x);

// Solves with the factors and refines X with residuals of A accumulated in
// double until the correction is negligible, stops shrinking, or 50 passes have
// been made. RESID holds the last correction on return.
void LFIRG(int n, const float* a, int lda, const float* fac, int ldfac, const int* pivot,
           const float* b, int ipath, float* x, float* resid);
