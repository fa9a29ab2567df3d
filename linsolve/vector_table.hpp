#pragma once
// The loops of vector_paths.hpp as each form supplies them, and the plain
// pieces that the vector forms share. One table per form: vector_paths.cpp
// holds the plain one and chooses among them; each vector form is
// vector_loops.inc built for one instruction set (vector_form.cpp.in).

#include "linsolve/vector_forms.hpp"

namespace linsolve::forms {

struct Table {
  void (*unit_axpy)(int count, float s, const float* x, float* y);
  void (*unit_scale)(int count, float s, float* x);
  float (*unit_dot)(int count, const float* x, const float* y);
  float (*unit_abs_sum)(int count, const float* x);
  int (*panel_step)(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
                    int ldc, const float* w, bool search);
  void (*row_magnitudes)(int n, const float* a, int lda, float* r);
  // The first position (0-based) of the largest |float(x(i) * y(i))| among
  // count >= 1 by the rule of ISAMAX, its magnitude in big: one block of the
  // product search.
  int (*largest_product)(int count, const float* x, const float* y, float& big);
  void (*panel_rows)(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s);
  void (*panel_sweep)(int count, int width, const float* m, int ldm, int ncol, const float* s,
                      float* c, int ldc);
  void (*residual_rows)(int n, const float* a, int lda, const float* b, const float* x, float* r);
  void (*upper_solve)(int n, const float* a, int lda, float* x, bool unit);
  void (*rows_to_strip)(int rows, int count, const float* a, int lda, float* strip, int lds);
  int (*estimate_row)(int count, float wp, double wm, double sp, double sm, const float* u, int ld,
                      float* z);
};

// The tables of the forms this build holds (VORTEX_FORM_<name> defined for
// each vector form).
extern const Table plain_table;
extern const Table sse2_table;
extern const Table avx2_table;
extern const Table avx512_table;
extern const Table neon_table;

// Whether the processor can run the vector form (cpu_features_<arch>.cpp).
bool processor_offers(Form form);

namespace plain {
// The plain forms the vector forms fall back on: sums in ascending order, and
// the estimator's step when its comparison is left open.
float unit_dot(int count, const float* x, const float* y);
float unit_abs_sum(int count, const float* x);
// The float of the sum of double(a(i)) * x(i), a(i) at a[i * lda], ascending.
float row_dot(int count, const float* a, int lda, const float* x);
int estimate_row(int count, float wp, double wm, double sp, double sm, const float* u, int ld,
                 float* z);
}  // namespace plain

}  // namespace linsolve::forms
