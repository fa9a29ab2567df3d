#pragma once
// The triangular solve.

// Solves T x = b or transpose(T) x = b in place for a triangular T. UPLO 'U' or
// 'L', TRANS 'N', 'T' or 'C', DIAG 'U' (unit, not read) or 'N'; case is ignored.
// INCX is any non-zero stride; a negative one stores x from its far end.
void STRSV(char uplo, char trans, char diag, int n, const float* a, int lda, float* x, int incx);
