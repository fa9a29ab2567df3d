#pragma once
// The solver's hottest loops. Each entry does the whole work in the form that
// vector_forms.hpp chooses, and every form stores exactly the values the plain
// form stores: a product of two floats is exact in double, so a fused
// multiply-add in double rounds as the product followed by the sum does, and
// the forms keep each element's own order of operations, except the sums
// decided by a bound (unit_dot and its kin), whose argument is given in
// vector_bounds.hpp.
//
// Counts are element counts, pointers address the first element (0-based);
// matrices are column-major with the leading dimension given.

namespace linsolve {

// y(i) = float(y(i) + double(s) * x(i)) for i < count (SAXPY's unit-stride
// loop once s is known to be nonzero).
void unit_axpy(int count, float s, const float* x, float* y);

// x(i) = float(double(s) * x(i)) for i < count.
void unit_scale(int count, float s, float* x);

// The float of the sum of double(x(i)) * y(i), or of |double(x(i))|, summed in
// double in ascending order from +0, for i < count (count >= 1).
float unit_dot(int count, const float* x, const float* y);
float unit_abs_sum(int count, const float* x);

// One step of a panel on the rows below its pivot, in one pass: the
// multipliers m(i) = float(double(t) * m(i)) when scale (left as they are
// otherwise), then c(i, q) = float(c(i, q) + double(s(q)) * m(i)) for q < ncol,
// c(i, q) at c[q * ldc + i], for i < count; and, when search (which needs
// count <= 400, one block of ISPMAX), the position (0-based) that ISPMAX(count,
// c(., 0), w, imax) gives less one: the first largest |float(c(i, 0) * w(i))|
// of the first column as the step leaves it. -1 when search is false.
int panel_step(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
               int ldc, const float* w, bool search);

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

// STRSV('U', 'N', unit ? 'U' : 'N', n, a, lda, x, 1): x(j) = float(x(j) - the
// float of row j's dot product with the solved x), divided by a(j, j) unless
// unit, from the last row up.
void upper_solve(int n, const float* a, int lda, float* x, bool unit);

// strip[r * lds + j] = a(r, j), a(r, j) at a[j * lda + r], for r < rows <= 8
// and j < count: the rows of a block laid out one after another, as bit
// patterns.
void rows_to_strip(int rows, int count, const float* a, int lda, float* strip, int lds);

// One step of the first phase of the condition estimate over the count >= 1
// elements after the step's own, u(j) at u[j * ld]: z(j) = float(z(j) + wp *
// u(j)), the sums sp + |double(z(j))| (the new z) and sm + |z(j) + wm * u(j)|
// (the old z), each summed from the left, and whether the first is below the
// second: then also z(j) = float(z(j) + t * u(j)) with t = float(wm - wp),
// nothing when t is zero, as SAXPY does. Returns 1 when it is below, else 0.
int estimate_row(int count, float wp, double wm, double sp, double sm, const float* u, int ld,
                 float* z);

}  // namespace linsolve
