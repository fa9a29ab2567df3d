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

#include <bit>
#include <cstdint>

namespace linsolve::forms {

// Deciding the float of a sum from the same terms summed in another order.
//
// The kernels sum their terms in double in ascending order, starting from +0,
// and round the sum A to float once. The vector forms sum the same terms in
// another order, F, and know M-hat, a computed sum of the terms' magnitudes.
// Let S and M be the exact sum and magnitude sum, u = 2^-53 and K >= 1 a bound
// on the number of additions any one term passes through in either order.
// - Every term is exact in double: a product of two floats (24 + 24 bits, and
//   exponents far inside double's range, so it never overflows or underflows)
//   or a magnitude. An addition is rounded to nearest with relative error at
//   most u; when its result is subnormal it is exact. So any order of summation
//   gives |sum - S| <= g * M with g = K u / (1 - K u) (each term is multiplied
//   by at most K factors (1 + d), |d| <= u), and |A - F| <= 2 g M.
// - M-hat is a sum of non-negative terms, so M <= M-hat / (1 - g), and |F| <=
//   (1 + g) M.
// - With bound = fl(M-hat * K * 2^-51) >= 4 K u M-hat (1 - u), the computed ends
//   lo = fl(F - bound) and hi = fl(F + bound) are off their exact values by at
//   most u (|F| + bound), which leaves lo <= F - 2 g M <= A and, likewise,
//   A <= hi, for every K >= 1 with K u <= 2^-20.
// Rounding double to float is monotone, so lo <= A <= hi and float(lo) ==
// float(hi) give float(A) == float(lo), which is also float(F) (lo <= F <= hi).
// Zeros are compared as bit patterns, +0 and -0 apart: a sum that starts from
// +0 is never -0 (x + y is -0 only when both are -0, and an exact cancellation
// gives +0), and neither is hi = fl(F + bound) with bound >= +0; so if both ends
// round to -0, A < 0 and rounds to -0 as well, and if both round to +0, A >= lo
// >= 0 rounds to +0. Infinite or NaN terms make M-hat infinite or NaN, and a
// magnitude sum beyond 2^1000 could overflow in one order and not in the other:
// such sums are not decided, and neither are sums whose ends round apart (rare,
// unless the terms cancel heavily); the caller then sums in ascending order.
inline bool decide(double sum, double magnitude, int terms, float& result) {
  if (!(magnitude < 0x1p1000)) return false;
  // K = terms + 16 covers the ascending order and the lane sums with their
  // final reduction.
  const double bound = magnitude * (double(terms + 16) * 0x1p-51);
  const float lo = float(sum - bound);
  const float hi = float(sum + bound);
  // float(sum) does not wait for the ends, which only confirm it.
  result = float(sum);
  return std::bit_cast<std::uint32_t>(lo) == std::bit_cast<std::uint32_t>(hi);
}

// Whether sum a (ascending, from the terms of fa and ma) is below sum b, decided
// from the sums fa and fb of non-negative terms formed in another order, each
// with its own magnitude sum (itself) and count; 0 false, 1 true, -1 undecided.
inline int decide_less(double fa, int terms_a, double fb, int terms_b) {
  if (!(fa < 0x1p1000) || !(fb < 0x1p1000)) return -1;
  const double ba = fa * (double(terms_a + 16) * 0x1p-51);
  const double bb = fb * (double(terms_b + 16) * 0x1p-51);
  if (fa + ba < fb - bb) return 1;
  if (fb + bb <= fa - ba) return 0;
  return -1;
}

// Rows from..count-1 of one column of the panel sweep: c(r) = float(c(r) +
// s(0) * m(r, 0) + ... + s(width - 1) * m(r, width - 1)), m(r, p) at m[p * ldm + r].
void sweep_rows_plain(int from, int count, int width, const float* m, int ldm, const float* s,
                      float* c);

// Rows from..n-1 of the residual, one dot product along each row from -b(i).
void residual_rows_plain(int from, int n, const float* a, int lda, const float* b, const float* x,
                         float* r);

// Rows from..n-1 of the row magnitudes.
void magnitudes_plain(int from, int n, const float* a, int lda, float* r);

// The forms of each instruction set, under the names of vector_paths.hpp
// (column_axpy and column_scale are the forms of vector_axpy and vector_scale):
// vector_paths_avx2.cpp (AVX2 with FMA) and vector_paths_avx512.cpp (AVX-512
// with its VL, DQ and BW parts).
namespace avx2 {
void rows_to_strip(int rows, int count, const float* a, int lda, float* strip, int lds);
void column_axpy(int count, float s, const float* m, float* c);
int panel_step(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
               int ldc, const float* w, bool search);
void column_scale(int count, float t, float* c);
void row_magnitudes(int n, const float* a, int lda, float* r);
// The first position (0-based) of the largest |x(i) * y(i)| among count >= 1,
// by the rule of ISAMAX; the magnitude found in big.
int first_largest_product(int count, const float* x, const float* y, float& big);
void panel_rows(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s);
void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc);
void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r);
bool dot_by_bound(int count, const float* x, const float* y, float& result);
bool abs_sum_by_bound(int count, const float* x, float& result);
void upper_solve(int n, const float* a, int lda, float* x, bool unit);
int estimate_row(int count, float wp, double wm, double sp, double sm, const float* row, int ld,
                 float* z);
}  // namespace avx2

namespace avx512 {
void rows_to_strip(int rows, int count, const float* a, int lda, float* strip, int lds);
void column_axpy(int count, float s, const float* m, float* c);
int panel_step(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
               int ldc, const float* w, bool search);
void column_scale(int count, float t, float* c);
int first_largest_product(int count, const float* x, const float* y, float& big);
void row_magnitudes(int n, const float* a, int lda, float* r);
void panel_rows(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s);
void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc);
void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r);
bool dot_by_bound(int count, const float* x, const float* y, float& result);
bool abs_sum_by_bound(int count, const float* x, float& result);
void upper_solve(int n, const float* a, int lda, float* x, bool unit);
int estimate_row(int count, float wp, double wm, double sp, double sm, const float* row, int ld,
                 float* z);
}  // namespace avx512

}  // namespace linsolve::forms
