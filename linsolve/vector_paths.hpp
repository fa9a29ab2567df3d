#pragma once
// The solver's hottest loops, each in a portable form and in forms for the
// vector units of x86-64 processors (AVX2 with FMA, AVX-512), chosen at run time
// by what the processor offers. Every form stores exactly the values the
// portable form stores: a product of two floats is exact in double, so a fused
// multiply-add in double rounds the same as the product followed by the sum;
// the forms keep each element's own order of operations, except the sums
// decided by a bound (dot_by_bound and its kin), whose argument is given in
// vector_paths_forms.hpp.
//
// Counts are element counts, pointers address the first element (0-based);
// matrices are column-major with the leading dimension given.

#include "linsolve/state.hpp"

namespace linsolve {

// The instruction sets the vector forms may use, as linsolve::State::vector_limit
// and vector_level() give them.
constexpr int kPortable = 0;
constexpr int kAvx2 = 1;
constexpr int kAvx512 = 2;

namespace detail {
// The best form the processor offers, found once at start-up (kPortable
// before then).
extern int offered_level;
}  // namespace detail

// The form in use: the best the processor offers, capped by State::vector_limit.
// Asked before every kernel call, so it is a load and a comparison.
inline int vector_level() {
  const int limit = state().vector_limit;
  return detail::offered_level < limit ? detail::offered_level : limit;
}

// One step of a panel on the rows below its pivot, in one pass: the
// multipliers m(i) = float(double(t) * m(i)) when scale (left as they are
// otherwise), then c(i, q) = float(c(i, q) + double(s(q)) * m(i)) for q < ncol,
// c(i, q) at c[q * ldc + i], for i < count; and, when search (which needs
// count <= 400, one block of ISPMAX), the position (0-based) that ISPMAX(count,
// c(., 0), w, imax) gives less one: the first largest |float(c(i, 0) * w(i))|
// of the first column as the step leaves it. -1 when search is false.
int panel_step(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
               int ldc, const float* w, bool search);

// The vector forms of SAXPY and SSCAL with unit increments, for the kernels,
// whose own loops are the plain forms: y(i) = float(y(i) + double(s) * x(i)) and
// x(i) = float(double(s) * x(i)) for i < count; false, with nothing done, when
// no vector form runs.
bool vector_axpy(int count, float s, const float* x, float* y);
bool vector_scale(int count, float s, float* x);

// r(i) = |a(i, j)| for the first j of largest magnitude in row i of the n by n
// matrix a, the first element winning ties and a NaN never replacing a number
// (the rule of ISAMAX along the row), for i < n.
void row_magnitudes(int n, const float* a, int lda, float* r);

// The position (1 to n) that ISPMAX(n, x, y, imax) gives: the first largest
// |float(x(i) * y(i))| by blocks of 400, a later block winning only when it is
// strictly larger; 1 when n <= 0.
int first_largest_product(int n, const float* x, const float* y);

// The rows of a panel of width <= 8 steps in ncol columns, one step at a time:
// for column q, step p and row i with p < i < width, c(i, q) = float(c(i, q) +
// s(q, p) * m(i, p)), where s(q, p) = c(p, q) as step p finds it; s(q, p) is
// stored at s[q * 8 + p]. m(i, p) is at m[p * ldm + i], c(i, q) at c[q * ldc + i].
void panel_rows(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s);

// The sweep of a panel of width <= 8 steps over ncol columns: for column q and
// row r < count, c(r, q) = float(c(r, q) + s(q, 0) * m(r, 0) + ... +
// s(q, width - 1) * m(r, width - 1)), summed in double from the left. m(r, p) is
// at m[p * ldm + r], c(r, q) at c[q * ldc + r] and s(q, p) at s[q * 8 + p].
void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc);

// r(i) = float(-b(i) + a(i, 1) * x(1) + ... + a(i, n) * x(n)), accumulated in
// double from the left, for i < n: the residual of SDSDOT along each row.
void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r);

// The float that SDOT(count, x, 1, y, 1) returns, found by a vector form from a
// sum in another order and a bound on its difference from the ascending sum
// (see vector_paths_forms.hpp); false when no vector form runs or the bound
// leaves the float open, and the caller sums in order. count >= 1.
bool dot_by_bound(int count, const float* x, const float* y, float& result);

// The float that SASUM(count, x, 1) returns, in the same way.
bool abs_sum_by_bound(int count, const float* x, float& result);

// STRSV('U', 'N', unit ? 'U' : 'N', n, a, lda, x, 1) by columns, each row's dot
// product decided as in dot_by_bound or formed along the row; false, with x
// untouched, when no vector form runs.
bool upper_solve(int n, const float* a, int lda, float* x, bool unit);

// strip[r * lds + j] = a(r, j), a(r, j) at a[j * lda + r], for r < rows <= 8
// and j < count: the rows of a block laid out one after another, as bit
// patterns; false, with nothing done, when no vector form runs.
bool rows_to_strip(int rows, int count, const float* a, int lda, float* strip, int lds);

// One step of the first phase of the condition estimate over the count >= 1
// elements after the step's own: z(j) = float(z(j) + wp * u(j)), u(j) at
// u[j * ld], and whether sp + |double(z(j))| (the new z) summed from the left is
// below sm + |z(j) + wm * u(j)| (the old z) summed from the left: 1 or 0. When
// it is below, z(j) = float(z(j) + t * u(j)) follows with t = float(wm - wp)
// (nothing when t is zero, as SAXPY does). -1, with z untouched, when no vector
// form runs or the bounds leave the comparison open.
int estimate_row(int count, float wp, double wm, double sp, double sm, const float* u, int ld,
                 float* z);

}  // namespace linsolve
