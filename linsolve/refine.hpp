#pragma once
// Iterative refinement.

// Solves with the factors and refines X with residuals of A accumulated in
// double until the correction is negligible, stops shrinking, or 50 passes have
// been made. RESID holds the last correction on return.
void LFIRG(int n, const float* a, int lda, const float* fac, int ldfac, const int* pivot,
           const float* b, int ipath, float* x, float* resid);
