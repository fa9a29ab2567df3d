#pragma once
// The loops of vector_paths.hpp as each form supplies them, and the registry's
// entry of a form. Each form's file (form_<name>.cpp) defines its entry;
// the registry in vector_paths.cpp lists them and chooses among them.
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

// A form in the registry.
struct Entry {
  const char* name;  // as VORTEX_FORM names it
  Table table;
  bool (*runs_here)();  // whether the processor can run it
  int preference;       // the offered form of highest preference is taken, unless a
                        // row of the registry's table names another for the processor
};

// Each form's entry, defined in its file: plain_entry and <name>_entry.
extern const Entry plain_entry;

// What identifies a processor to the registry's table: the vendor's string
// (x86: "AuthenticAMD", "GenuineIntel"), family and model as the processor
// reports them; empty where the target tells none (cpu_features_<arch>.cpp).
struct Processor {
  char vendor[13] = {};
  int family = 0;
  int model = 0;
};
Processor this_processor();

// The check of a form that every processor of its architecture runs.
inline bool every_processor() { return true; }

// x86-64: whether the processor offers AVX2 with FMA, and AVX-512 F, VL, DQ
// and BW (cpu_features_x86.cpp).
bool x86_avx2();
bool x86_avx512();

// The form to take: the one requested by name (VORTEX_FORM; null or empty:
// none) when offers(it), else the registry table's form for the processor
// when offered, else the offered form of highest preference. A name that
// cannot be followed leaves a notice, one line without its end, saying what is
// used instead; the notice is empty otherwise. Nothing is allocated: the
// choice is made before main, where a failed allocation could not be reported.
constexpr int kNoticeSize = 200;
Form choose(const char* requested, const Processor& cpu, bool (*offers)(Form),
            char (&notice)[kNoticeSize]);

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
