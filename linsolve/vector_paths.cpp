// The hot loops of the factorization and the refinement: the choice of form,
// made once at run time by what the processor offers, and the plain forms,
// which run on any processor and define the values every form stores. The
// vector forms are in vector_paths_avx2.cpp and vector_paths_avx512.cpp.
#include "linsolve/vector_paths.hpp"

// The C library's header of processor features is C: GCC reads it as C++ too.
#if __has_include(<sys/platform/x86.h>) && !defined(__clang__)
#define VORTEX_LIBC_CPU_FEATURES 1
#include <sys/platform/x86.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "linsolve/kernels.hpp"
#include "linsolve/state.hpp"
#include "linsolve/vector_paths_forms.hpp"

namespace linsolve {
namespace {

using std::ptrdiff_t;

#if defined(VORTEX_LIBC_CPU_FEATURES)
// The C library has asked the processor already, at start-up: its answers cost
// nothing, while asking again would cost a trip out of a virtual machine for
// every question.
bool offers_avx512() {
  return CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512VL) &&
         CPU_FEATURE_ACTIVE(AVX512DQ) && CPU_FEATURE_ACTIVE(AVX512BW);
}
bool offers_avx2() { return CPU_FEATURE_ACTIVE(AVX2) && CPU_FEATURE_ACTIVE(FMA); }
#else
bool offers_avx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
}
bool offers_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif

int detect() {
  if (offers_avx512()) return kAvx512;
  if (offers_avx2()) return kAvx2;
  return kPortable;
}

void axpy_plain(int count, float s, const float* m, float* c) {
  for (int i = 0; i < count; ++i) c[i] = float(c[i] + double(s) * m[i]);
}

void scale_plain(int count, float t, float* c) {
  for (int i = 0; i < count; ++i) c[i] = float(double(t) * c[i]);
}

void panel_rows_plain(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s) {
  for (int q = 0; q < ncol; ++q) {
    float* col = c + ptrdiff_t(q) * ldc;
    for (int p = 0; p < width; ++p) {
      const double sp = s[8 * q + p] = col[p];
      for (int i = p + 1; i < width; ++i) col[i] = float(col[i] + sp * m[ptrdiff_t(p) * ldm + i]);
    }
  }
}

void sweep_plain(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc) {
  for (int q = 0; q < ncol; ++q)
    forms::sweep_rows_plain(0, count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc);
}

}  // namespace

namespace forms {

void sweep_rows_plain(int from, int count, int width, const float* m, int ldm, const float* s,
                      float* c) {
  for (int r = from; r < count; ++r) {
    double sum = c[r];
    for (int p = 0; p < width; ++p) sum += double(s[p]) * m[ptrdiff_t(p) * ldm + r];
    c[r] = float(sum);
  }
}

void residual_rows_plain(int from, int n, const float* a, int lda, const float* b, const float* x,
                         float* r) {
  for (int i = from; i < n; ++i) {
    double sum = -b[i];
    for (int j = 0; j < n; ++j) sum += double(a[ptrdiff_t(j) * lda + i]) * x[j];
    r[i] = float(sum);
  }
}

void magnitudes_plain(int from, int n, const float* a, int lda, float* r) {
  for (int i = from; i < n; ++i) r[i] = std::fabs(a[i]);
  for (int j = 1; j < n; ++j) {
    const float* col = a + ptrdiff_t(j) * lda;
    for (int i = from; i < n; ++i) {
      const float v = std::fabs(col[i]);
      if (v > r[i]) r[i] = v;
    }
  }
}

}  // namespace forms

namespace detail {
int offered_level = detect();
}  // namespace detail

bool vector_axpy(int count, float s, const float* x, float* y) {
  const int level = vector_level();
  if (level >= kAvx512) {
    forms::avx512::column_axpy(count, s, x, y);
  } else if (level >= kAvx2) {
    forms::avx2::column_axpy(count, s, x, y);
  } else {
    return false;
  }
  return true;
}

bool vector_scale(int count, float s, float* x) {
  const int level = vector_level();
  if (level >= kAvx512) {
    forms::avx512::column_scale(count, s, x);
  } else if (level >= kAvx2) {
    forms::avx2::column_scale(count, s, x);
  } else {
    return false;
  }
  return true;
}

int panel_step(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
               int ldc, const float* w, bool search) {
  const int level = vector_level();
  if (level >= kAvx512)
    return forms::avx512::panel_step(count, scale, t, m, ncol, s, c, ldc, w, search);
  if (level >= kAvx2)
    return forms::avx2::panel_step(count, scale, t, m, ncol, s, c, ldc, w, search);
  if (scale) scale_plain(count, t, m);
  for (int q = 0; q < ncol; ++q) axpy_plain(count, s[q], m, c + ptrdiff_t(q) * ldc);
  if (!search) return -1;
  int imax = 1;
  ISPMAX(count, c, w, imax);
  return imax - 1;
}

void row_magnitudes(int n, const float* a, int lda, float* r) {
  const int level = vector_level();
  if (level >= kAvx512) return forms::avx512::row_magnitudes(n, a, lda, r);
  if (level >= kAvx2) return forms::avx2::row_magnitudes(n, a, lda, r);
  for (int i = 0; i < n; ++i) r[i] = std::fabs(a[ptrdiff_t(ISAMAX(n, a + i, lda) - 1) * lda + i]);
}

int first_largest_product(int n, const float* x, const float* y) {
  if (vector_level() < kAvx2) {
    int imax = 1;
    ISPMAX(n, x, y, imax);
    return imax;
  }
  const bool wide = vector_level() >= kAvx512;
  int imax = 1;
  float best = 0.0f;
  for (int i1 = 0; i1 < n; i1 += kProductBlock) {
    const int count = std::min(kProductBlock, n - i1);
    float big = 0.0f;
    const int j = wide ? forms::avx512::first_largest_product(count, x + i1, y + i1, big)
                       : forms::avx2::first_largest_product(count, x + i1, y + i1, big);
    // A later block must beat the best so far strictly.
    if (big > best) {
      best = big;
      imax = i1 + j + 1;
    }
  }
  return imax;
}

void panel_rows(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s) {
  const int level = vector_level();
  if (level >= kAvx512) return forms::avx512::panel_rows(width, m, ldm, ncol, c, ldc, s);
  if (level >= kAvx2) return forms::avx2::panel_rows(width, m, ldm, ncol, c, ldc, s);
  panel_rows_plain(width, m, ldm, ncol, c, ldc, s);
}

void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc) {
  if (count <= 0 || ncol <= 0) return;
  const int level = vector_level();
  if (level >= kAvx512) return forms::avx512::panel_sweep(count, width, m, ldm, ncol, s, c, ldc);
  if (level >= kAvx2) return forms::avx2::panel_sweep(count, width, m, ldm, ncol, s, c, ldc);
  sweep_plain(count, width, m, ldm, ncol, s, c, ldc);
}

void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r) {
  const int level = vector_level();
  if (level >= kAvx512) return forms::avx512::residual_rows(n, a, lda, b, x, r);
  if (level >= kAvx2) return forms::avx2::residual_rows(n, a, lda, b, x, r);
  for (int i = 0; i < n; ++i) r[i] = SDSDOT(n, -b[i], a + i, lda, x, 1);
}

bool dot_by_bound(int count, const float* x, const float* y, float& result) {
  const int level = vector_level();
  if (level >= kAvx512) return forms::avx512::dot_by_bound(count, x, y, result);
  if (level >= kAvx2) return forms::avx2::dot_by_bound(count, x, y, result);
  return false;
}

bool abs_sum_by_bound(int count, const float* x, float& result) {
  const int level = vector_level();
  if (level >= kAvx512) return forms::avx512::abs_sum_by_bound(count, x, result);
  if (level >= kAvx2) return forms::avx2::abs_sum_by_bound(count, x, result);
  return false;
}

bool upper_solve(int n, const float* a, int lda, float* x, bool unit) {
  const int level = vector_level();
  if (level >= kAvx512) {
    forms::avx512::upper_solve(n, a, lda, x, unit);
  } else if (level >= kAvx2) {
    forms::avx2::upper_solve(n, a, lda, x, unit);
  } else {
    return false;
  }
  return true;
}

bool rows_to_strip(int rows, int count, const float* a, int lda, float* strip, int lds) {
  const int level = vector_level();
  if (level >= kAvx512) {
    forms::avx512::rows_to_strip(rows, count, a, lda, strip, lds);
  } else if (level >= kAvx2) {
    forms::avx2::rows_to_strip(rows, count, a, lda, strip, lds);
  } else {
    return false;
  }
  return true;
}

int estimate_row(int count, float wp, double wm, double sp, double sm, const float* u, int ld,
                 float* z) {
  const int level = vector_level();
  if (level >= kAvx512) return forms::avx512::estimate_row(count, wp, wm, sp, sm, u, ld, z);
  if (level >= kAvx2) return forms::avx2::estimate_row(count, wp, wm, sp, sm, u, ld, z);
  return -1;
}

}  // namespace linsolve
