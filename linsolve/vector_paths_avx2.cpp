// The AVX2 forms (with FMA) of the loops of vector_paths.hpp. They compute in
// double from float operands and round once when they store, exactly as the
// plain forms do; rows that do not fill a vector go through the plain form.
#include <immintrin.h>

#include <cmath>
#include <cstddef>

#include "linsolve/vector_paths_forms.hpp"

namespace linsolve::forms::avx2 {

using std::ptrdiff_t;

__attribute__((target("avx2,fma"))) void column_axpy(int count, float s, const float* m, float* c) {
  const __m256d sv = _mm256_set1_pd(s);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m256d cv = _mm256_cvtps_pd(_mm_loadu_ps(c + i));
    const __m256d mv = _mm256_cvtps_pd(_mm_loadu_ps(m + i));
    _mm_storeu_ps(c + i, _mm256_cvtpd_ps(_mm256_fmadd_pd(sv, mv, cv)));
  }
  for (; i < count; ++i) c[i] = float(c[i] + double(s) * m[i]);
}

__attribute__((target("avx2,fma"))) void column_scale(int count, float t, float* c) {
  const __m256d tv = _mm256_set1_pd(t);
  int i = 0;
  for (; i + 4 <= count; i += 4)
    _mm_storeu_ps(c + i, _mm256_cvtpd_ps(_mm256_mul_pd(tv, _mm256_cvtps_pd(_mm_loadu_ps(c + i)))));
  for (; i < count; ++i) c[i] = float(double(t) * c[i]);
}

__attribute__((target("avx2,fma"))) void row_magnitudes(int n, const float* a, int lda, float* r) {
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
  forms::magnitudes_plain(vec, n, a, lda, r);
}

// The product of two floats rounded to float is the float product.
__attribute__((target("avx2,fma"))) int first_largest_product(int count, const float* x,
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

namespace {

// NQ columns of the sweep side by side, eight rows at a time.
template <int NQ>
__attribute__((target("avx2,fma"))) void sweep_columns(int count, int width, const float* m,
                                                       int ldm, const float* s, float* c, int ldc) {
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
    forms::sweep_rows_plain(r, count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc);
}

}  // namespace

__attribute__((target("avx2,fma"))) void panel_sweep(int count, int width, const float* m, int ldm,
                                                     int ncol, const float* s, float* c, int ldc) {
  int q = 0;
  for (; q + 4 <= ncol; q += 4)
    sweep_columns<4>(count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
  for (; q < ncol; ++q)
    sweep_columns<1>(count, width, m, ldm, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
}

__attribute__((target("avx2,fma"))) void residual_rows(int n, const float* a, int lda,
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
  forms::residual_rows_plain(i, n, a, lda, b, x, r);
}

}  // namespace linsolve::forms::avx2
