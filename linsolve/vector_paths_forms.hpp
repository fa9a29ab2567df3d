#pragma once
// The forms of the loops of vector_paths.hpp for each instruction set, and the
// plain pieces they share. Each vector form lives in the file named for its
// instruction set and is compiled for it alone (function target attributes, so
// that nothing else in the program uses those instructions); vector_paths.cpp
// chooses among them at run time. Every form stores exactly the values of the
// plain form.
//
// Counts are element counts, pointers address the first element (0-based);
// matrices are column-major with the leading dimension given.

namespace linsolve::forms {

// Rows from..count-1 of one column of the panel sweep: c(r) = float(c(r) +
// s(0) * m(r, 0) + ... + s(width - 1) * m(r, width - 1)), m(r, p) at m[p * ldm + r].
void sweep_rows_plain(int from, int count, int width, const float* m, int ldm, const float* s,
                      float* c);

// Rows from..n-1 of the residual, one dot product along each row from -b(i).
void residual_rows_plain(int from, int n, const float* a, int lda, const float* b, const float* x,
                         float* r);

// Rows from..n-1 of the row magnitudes.
void magnitudes_plain(int from, int n, const float* a, int lda, float* r);

// AVX2 with FMA (vector_paths_avx2.cpp).
namespace avx2 {
void column_axpy(int count, float s, const float* m, float* c);
void column_scale(int count, float t, float* c);
void row_magnitudes(int n, const float* a, int lda, float* r);
// The first position (0-based) of the largest |x(i) * y(i)| among count >= 1,
// by the rule of ISAMAX; the magnitude found in big.
int first_largest_product(int count, const float* x, const float* y, float& big);
void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc);
void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r);
}  // namespace avx2

// AVX-512 (vector_paths_avx512.cpp).
namespace avx512 {
void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc);
void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r);
}  // namespace avx512

}  // namespace linsolve::forms
