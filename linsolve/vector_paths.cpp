// The hot loops of the factorization and the refinement in three forms: plain
// C++ for any processor, AVX2 with FMA, and AVX-512, the form chosen once at run
// time. The vector forms compute in double from float operands and round once
// when they store, exactly as the plain forms do; rows that do not fill a vector
// go through the plain formula inside the same function.
#include "linsolve/vector_paths.hpp"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "linsolve/kernels.hpp"
#include "linsolve/state.hpp"

namespace linsolve {
namespace {

using std::ptrdiff_t;

constexpr int kBlock = kProductBlock;

int detect() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return kAvx512;
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return kAvx2;
  return kPortable;
}

// ---------------------------------------------------------------- plain forms

void axpy_plain(int count, float s, const float* m, float* c) {
  for (int i = 0; i < count; ++i) c[i] = float(c[i] + double(s) * m[i]);
}

void scale_plain(int count, float t, float* c) {
  for (int i = 0; i < count; ++i) c[i] = float(double(t) * c[i]);
}

// One column of the sweep, rows from..count-1.
void sweep_rows_plain(int from, int count, int width, const float* m, int ldm, const float* s,
                      float* c) {
  for (int r = from; r < count; ++r) {
    double sum = c[r];
    for (int p = 0; p < width; ++p) sum += double(s[p]) * m[ptrdiff_t(p) * ldm + r];
    c[r] = float(sum);
  }
}

void sweep_plain(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc) {
  for (int q = 0; q < ncol; ++q)
    sweep_rows_plain(0, count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc);
}

// Rows from..n-1 of the residual, one dot product per row.
void residual_rows_plain(int from, int n, const float* a, int lda, const float* b, const float* x,
                         float* r) {
  for (int i = from; i < n; ++i) {
    double sum = -b[i];
    for (int j = 0; j < n; ++j) sum += double(a[ptrdiff_t(j) * lda + i]) * x[j];
    r[i] = float(sum);
  }
}

// Rows from..n-1 of the row magnitudes.
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

// ---------------------------------------------------------------- AVX2 + FMA

__attribute__((target("avx2,fma"))) void axpy_avx2(int count, float s, const float* m, float* c) {
  const __m256d sv = _mm256_set1_pd(s);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m256d cv = _mm256_cvtps_pd(_mm_loadu_ps(c + i));
    const __m256d mv = _mm256_cvtps_pd(_mm_loadu_ps(m + i));
    _mm_storeu_ps(c + i, _mm256_cvtpd_ps(_mm256_fmadd_pd(sv, mv, cv)));
  }
  for (; i < count; ++i) c[i] = float(c[i] + double(s) * m[i]);
}

__attribute__((target("avx2,fma"))) void scale_avx2(int count, float t, float* c) {
  const __m256d tv = _mm256_set1_pd(t);
  int i = 0;
  for (; i + 4 <= count; i += 4)
    _mm_storeu_ps(c + i, _mm256_cvtpd_ps(_mm256_mul_pd(tv, _mm256_cvtps_pd(_mm_loadu_ps(c + i)))));
  for (; i < count; ++i) c[i] = float(double(t) * c[i]);
}

__attribute__((target("avx2,fma"))) void magnitudes_avx2(int n, const float* a, int lda, float* r) {
  const __m256 abs_mask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const int vec = n - n % 8;
  for (int i = 0; i < vec; i += 8)
    _mm256_storeu_ps(r + i, _mm256_and_ps(abs_mask, _mm256_loadu_ps(a + i)));
  for (int j = 1; j < n; ++j) {
    const float* col = a + ptrdiff_t(j) * lda;
    for (int i = 0; i < vec; i += 8) {
      const __m256 v = _mm256_and_ps(abs_mask, _mm256_loadu_ps(col + i));
      const __m256 big = _mm256_loadu_ps(r + i);
      // Only a strictly greater magnitude replaces; a NaN compares false.
      _mm256_storeu_ps(r + i, _mm256_blendv_ps(big, v, _mm256_cmp_ps(v, big, _CMP_GT_OQ)));
    }
  }
  magnitudes_plain(vec, n, a, lda, r);
}

// The first position (0-based) of the largest |x(i) * y(i)| among count >= 1,
// by the rule of ISAMAX; the product of two floats rounded to float is the
// float product. Returns the magnitude found in big.
__attribute__((target("avx2,fma"))) int first_largest_avx2(int count, const float* x,
                                                           const float* y, float& big) {
  const __m256 abs_mask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const float first = std::fabs(x[0] * y[0]);
  big = first;
  // A NaN first element is never replaced.
  if (std::isnan(first) || count == 1) return 0;
  const int vec = count - count % 8;
  __m256 best = _mm256_set1_ps(first);
  for (int i = 0; i < vec; i += 8) {
    const __m256 v =
        _mm256_and_ps(abs_mask, _mm256_mul_ps(_mm256_loadu_ps(x + i), _mm256_loadu_ps(y + i)));
    best = _mm256_blendv_ps(best, v, _mm256_cmp_ps(v, best, _CMP_GT_OQ));
  }
  float lanes[8];
  _mm256_storeu_ps(lanes, best);
  float m = first;
  for (float v : lanes)
    if (v > m) m = v;
  for (int i = vec; i < count; ++i) {
    const float v = std::fabs(x[i] * y[i]);
    if (v > m) m = v;
  }
  big = m;
  const __m256 target = _mm256_set1_ps(m);
  for (int i = 0; i < vec; i += 8) {
    const __m256 v =
        _mm256_and_ps(abs_mask, _mm256_mul_ps(_mm256_loadu_ps(x + i), _mm256_loadu_ps(y + i)));
    const int hits = _mm256_movemask_ps(_mm256_cmp_ps(v, target, _CMP_EQ_OQ));
    if (hits != 0) return i + __builtin_ctz(unsigned(hits));
  }
  for (int i = vec; i < count; ++i)
    if (std::fabs(x[i] * y[i]) == m) return i;
  return 0;  // not reached: m is one of the magnitudes
}

template <int NQ>
__attribute__((target("avx2,fma"))) void sweep_cols_avx2(int count, int width, const float* m,
                                                         int ldm, const float* s, float* c,
                                                         int ldc) {
  int r = 0;
  for (; r + 8 <= count; r += 8) {
    __m256d acc[NQ][2];
    for (int q = 0; q < NQ; ++q) {
      acc[q][0] = _mm256_cvtps_pd(_mm_loadu_ps(c + ptrdiff_t(q) * ldc + r));
      acc[q][1] = _mm256_cvtps_pd(_mm_loadu_ps(c + ptrdiff_t(q) * ldc + r + 4));
    }
    for (int p = 0; p < width; ++p) {
      const float* mp = m + ptrdiff_t(p) * ldm + r;
      const __m256d m0 = _mm256_cvtps_pd(_mm_loadu_ps(mp));
      const __m256d m1 = _mm256_cvtps_pd(_mm_loadu_ps(mp + 4));
      for (int q = 0; q < NQ; ++q) {
        const __m256d sv = _mm256_set1_pd(s[8 * q + p]);
        acc[q][0] = _mm256_fmadd_pd(sv, m0, acc[q][0]);
        acc[q][1] = _mm256_fmadd_pd(sv, m1, acc[q][1]);
      }
    }
    for (int q = 0; q < NQ; ++q) {
      _mm_storeu_ps(c + ptrdiff_t(q) * ldc + r, _mm256_cvtpd_ps(acc[q][0]));
      _mm_storeu_ps(c + ptrdiff_t(q) * ldc + r + 4, _mm256_cvtpd_ps(acc[q][1]));
    }
  }
  for (int q = 0; q < NQ; ++q)
    sweep_rows_plain(r, count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc);
}

__attribute__((target("avx2,fma"))) void sweep_avx2(int count, int width, const float* m, int ldm,
                                                    int ncol, const float* s, float* c, int ldc) {
  int q = 0;
  for (; q + 4 <= ncol; q += 4)
    sweep_cols_avx2<4>(count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
  for (; q < ncol; ++q)
    sweep_cols_avx2<1>(count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
}

__attribute__((target("avx2,fma"))) void residual_avx2(int n, const float* a, int lda,
                                                       const float* b, const float* x, float* r) {
  const __m128 minus = _mm_set1_ps(-0.0f);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256d acc[4];
    for (int h = 0; h < 4; ++h)
      acc[h] = _mm256_cvtps_pd(_mm_xor_ps(minus, _mm_loadu_ps(b + i + 4 * h)));
    for (int j = 0; j < n; ++j) {
      const float* col = a + ptrdiff_t(j) * lda + i;
      const __m256d xv = _mm256_set1_pd(x[j]);
      for (int h = 0; h < 4; ++h)
        acc[h] = _mm256_fmadd_pd(_mm256_cvtps_pd(_mm_loadu_ps(col + 4 * h)), xv, acc[h]);
    }
    for (int h = 0; h < 4; ++h) _mm_storeu_ps(r + i + 4 * h, _mm256_cvtpd_ps(acc[h]));
  }
  for (; i + 4 <= n; i += 4) {
    __m256d acc = _mm256_cvtps_pd(_mm_xor_ps(minus, _mm_loadu_ps(b + i)));
    for (int j = 0; j < n; ++j)
      acc = _mm256_fmadd_pd(_mm256_cvtps_pd(_mm_loadu_ps(a + ptrdiff_t(j) * lda + i)),
                            _mm256_set1_pd(x[j]), acc);
    _mm_storeu_ps(r + i, _mm256_cvtpd_ps(acc));
  }
  residual_rows_plain(i, n, a, lda, b, x, r);
}

// ---------------------------------------------------------------- AVX-512

// Widening and narrowing conversions of eight elements. The zero-masked forms
// with every lane selected are the plain instructions; they spare the compiler's
// warning about the undefined source operand of the unmasked forms.
#define cvt_up(v) _mm512_maskz_cvtps_pd(__mmask8(0xFF), (v))
#define cvt_down(v) _mm512_maskz_cvtpd_ps(__mmask8(0xFF), (v))

// Rows 0..vec-1 (vec a multiple of 8) of NQ columns; the multipliers already in
// double, md(r, p) at md[p * kChunk + r]. W is the panel width when it is known
// at compile time, 0 when it is given in width.
constexpr int kChunk = 256;

template <int NQ, int W>
__attribute__((target("avx512f"))) void sweep_cols_avx512(int vec, int width, const double* md,
                                                          const float* s, float* c, int ldc) {
  const int w = W > 0 ? W : width;
  int r = 0;
  for (; r + 16 <= vec; r += 16) {
    __m512d acc[NQ][2];
    for (int q = 0; q < NQ; ++q) {
      acc[q][0] = cvt_up(_mm256_loadu_ps(c + ptrdiff_t(q) * ldc + r));
      acc[q][1] = cvt_up(_mm256_loadu_ps(c + ptrdiff_t(q) * ldc + r + 8));
    }
    for (int p = 0; p < w; ++p) {
      const __m512d m0 = _mm512_load_pd(md + p * kChunk + r);
      const __m512d m1 = _mm512_load_pd(md + p * kChunk + r + 8);
      for (int q = 0; q < NQ; ++q) {
        const __m512d sv = _mm512_set1_pd(s[8 * q + p]);
        acc[q][0] = _mm512_fmadd_pd(sv, m0, acc[q][0]);
        acc[q][1] = _mm512_fmadd_pd(sv, m1, acc[q][1]);
      }
    }
    for (int q = 0; q < NQ; ++q) {
      _mm256_storeu_ps(c + ptrdiff_t(q) * ldc + r, cvt_down(acc[q][0]));
      _mm256_storeu_ps(c + ptrdiff_t(q) * ldc + r + 8, cvt_down(acc[q][1]));
    }
  }
  for (; r < vec; r += 8) {
    __m512d acc[NQ];
    for (int q = 0; q < NQ; ++q) acc[q] = cvt_up(_mm256_loadu_ps(c + ptrdiff_t(q) * ldc + r));
    for (int p = 0; p < w; ++p) {
      const __m512d m0 = _mm512_load_pd(md + p * kChunk + r);
      for (int q = 0; q < NQ; ++q)
        acc[q] = _mm512_fmadd_pd(_mm512_set1_pd(s[8 * q + p]), m0, acc[q]);
    }
    for (int q = 0; q < NQ; ++q) _mm256_storeu_ps(c + ptrdiff_t(q) * ldc + r, cvt_down(acc[q]));
  }
}

template <int W>
__attribute__((target("avx512f"))) void sweep_chunk_avx512(int vec, int width, const double* md,
                                                           int ncol, const float* s, float* c,
                                                           int ldc) {
  int q = 0;
  for (; q + 4 <= ncol; q += 4)
    sweep_cols_avx512<4, W>(vec, width, md, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
  for (; q < ncol; ++q)
    sweep_cols_avx512<1, W>(vec, width, md, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
}

// The rows in chunks that stay in the first-level cache, the chunk's
// multipliers widened to double once for all columns.
__attribute__((target("avx512f"))) void sweep_avx512(int count, int width, const float* m, int ldm,
                                                     int ncol, const float* s, float* c, int ldc) {
  alignas(64) double md[8 * kChunk];
  for (int r0 = 0; r0 < count; r0 += kChunk) {
    const int rows = std::min(kChunk, count - r0);
    const int vec = rows - rows % 8;
    for (int p = 0; p < width; ++p)
      for (int r = 0; r < vec; r += 8)
        _mm512_store_pd(md + p * kChunk + r,
                        cvt_up(_mm256_loadu_ps(m + ptrdiff_t(p) * ldm + r0 + r)));
    if (width == 8) {
      sweep_chunk_avx512<8>(vec, width, md, ncol, s, c + r0, ldc);
    } else {
      sweep_chunk_avx512<0>(vec, width, md, ncol, s, c + r0, ldc);
    }
    for (int q = 0; q < ncol; ++q)
      sweep_rows_plain(r0 + vec, r0 + rows, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc);
  }
}

__attribute__((target("avx512f"))) void residual_avx512(int n, const float* a, int lda,
                                                        const float* b, const float* x, float* r) {
  const __m256 minus = _mm256_set1_ps(-0.0f);
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    __m512d acc[4];
    for (int h = 0; h < 4; ++h)
      acc[h] = cvt_up(_mm256_xor_ps(minus, _mm256_loadu_ps(b + i + 8 * h)));
    for (int j = 0; j < n; ++j) {
      const float* col = a + ptrdiff_t(j) * lda + i;
      const __m512d xv = _mm512_set1_pd(x[j]);
      for (int h = 0; h < 4; ++h)
        acc[h] = _mm512_fmadd_pd(cvt_up(_mm256_loadu_ps(col + 8 * h)), xv, acc[h]);
    }
    for (int h = 0; h < 4; ++h) _mm256_storeu_ps(r + i + 8 * h, cvt_down(acc[h]));
  }
  for (; i + 8 <= n; i += 8) {
    __m512d acc = cvt_up(_mm256_xor_ps(minus, _mm256_loadu_ps(b + i)));
    for (int j = 0; j < n; ++j)
      acc = _mm512_fmadd_pd(cvt_up(_mm256_loadu_ps(a + ptrdiff_t(j) * lda + i)),
                            _mm512_set1_pd(x[j]), acc);
    _mm256_storeu_ps(r + i, cvt_down(acc));
  }
  residual_rows_plain(i, n, a, lda, b, x, r);
}

}  // namespace

int vector_level() {
  static const int detected = detect();
  return std::min(detected, state().vector_limit);
}

void column_axpy(int count, float s, const float* m, float* c) {
  if (vector_level() >= kAvx2) return axpy_avx2(count, s, m, c);
  axpy_plain(count, s, m, c);
}

void column_scale(int count, float t, float* c) {
  if (vector_level() >= kAvx2) return scale_avx2(count, t, c);
  scale_plain(count, t, c);
}

void row_magnitudes(int n, const float* a, int lda, float* r) {
  if (vector_level() >= kAvx2) return magnitudes_avx2(n, a, lda, r);
  for (int i = 0; i < n; ++i) r[i] = std::fabs(a[ptrdiff_t(ISAMAX(n, a + i, lda) - 1) * lda + i]);
}

int first_largest_product(int n, const float* x, const float* y) {
  if (vector_level() < kAvx2) {
    int imax = 1;
    ISPMAX(n, x, y, imax);
    return imax;
  }
  int imax = 1;
  float best = 0.0f;
  for (int i1 = 0; i1 < n; i1 += kBlock) {
    float big = 0.0f;
    const int j = first_largest_avx2(std::min(kBlock, n - i1), x + i1, y + i1, big);
    // A later block must beat the best so far strictly.
    if (big > best) {
      best = big;
      imax = i1 + j + 1;
    }
  }
  return imax;
}

void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc) {
  if (count <= 0 || ncol <= 0) return;
  const int level = vector_level();
  if (level >= kAvx512) return sweep_avx512(count, width, m, ldm, ncol, s, c, ldc);
  if (level >= kAvx2) return sweep_avx2(count, width, m, ldm, ncol, s, c, ldc);
  sweep_plain(count, width, m, ldm, ncol, s, c, ldc);
}

void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r) {
  const int level = vector_level();
  if (level >= kAvx512) return residual_avx512(n, a, lda, b, x, r);
  if (level >= kAvx2) return residual_avx2(n, a, lda, b, x, r);
  for (int i = 0; i < n; ++i) r[i] = SDSDOT(n, -b[i], a + i, lda, x, 1);
}

}  // namespace linsolve
