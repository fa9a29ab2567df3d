// The AVX2 forms (with FMA) of the loops of vector_paths.hpp. They compute in
// double from float operands and round once when they store, exactly as the
// plain forms do; rows that do not fill a vector go through the plain form.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "linsolve/kernels.hpp"
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

namespace {

// Lanes 0..count-1 of four selected, as masks for floats and for doubles.
__attribute__((target("avx2,fma"))) inline __m128i float_lanes(int count) {
  return _mm_cmpgt_epi32(_mm_set1_epi32(count), _mm_setr_epi32(0, 1, 2, 3));
}
__attribute__((target("avx2,fma"))) inline __m256i double_lanes(int count) {
  return _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), _mm256_setr_epi64x(0, 1, 2, 3));
}

__attribute__((target("avx2,fma"))) inline __m256d widen(__m128 v) { return _mm256_cvtps_pd(v); }
__attribute__((target("avx2,fma"))) inline __m128 narrow(__m256d v) { return _mm256_cvtpd_ps(v); }

__attribute__((target("avx2,fma"))) inline __m256d magnitude(__m256d v) {
  return _mm256_and_pd(v, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffff)));
}

// Elements 0..count-1 of four (unit stride or stride ld), widened; the rest zero.
__attribute__((target("avx2,fma"))) inline __m256d widen_first(const float* p, int count) {
  return count >= 4 ? widen(_mm_loadu_ps(p)) : widen(_mm_maskload_ps(p, float_lanes(count)));
}
__attribute__((target("avx2,fma"))) inline __m128 load_strided(const float* p, ptrdiff_t ld,
                                                               int count) {
  if (count >= 4) return _mm_setr_ps(p[0], p[ld], p[2 * ld], p[3 * ld]);
  alignas(16) float v[4] = {};
  for (int i = 0; i < count; ++i) v[i] = p[i * ld];
  return _mm_load_ps(v);
}

__attribute__((target("avx2,fma"))) inline double sum_lanes(__m256d v) {
  const __m128d h = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
  return _mm_cvtsd_f64(_mm_add_sd(h, _mm_unpackhi_pd(h, h)));
}

// acc(i) += col(i) * xj and mag(i) += |col(i)| * |xj| for i < count (the products
// are exact, so a fused step rounds like the product and the sum), from the
// highest row down: the row solved next is updated first.
__attribute__((target("avx2,fma"))) inline void spread(const float* col, float xj, int count,
                                                       double* acc, double* mag) {
  const __m256d xv = _mm256_set1_pd(xj);
  const __m256d xa = magnitude(xv);
  int i = count;
  for (; i >= 4; i -= 4) {
    const __m256d cv = widen(_mm_loadu_ps(col + i - 4));
    _mm256_storeu_pd(acc + i - 4, _mm256_fmadd_pd(cv, xv, _mm256_loadu_pd(acc + i - 4)));
    _mm256_storeu_pd(mag + i - 4, _mm256_fmadd_pd(magnitude(cv), xa, _mm256_loadu_pd(mag + i - 4)));
  }
  if (i > 0) {
    const __m256i k = double_lanes(i);
    const __m256d cv = widen_first(col, i);
    _mm256_maskstore_pd(acc, k, _mm256_fmadd_pd(cv, xv, _mm256_maskload_pd(acc, k)));
    _mm256_maskstore_pd(mag, k, _mm256_fmadd_pd(magnitude(cv), xa, _mm256_maskload_pd(mag, k)));
  }
}

constexpr int kSolveBlock = 512;  // rows whose sums are kept at once
constexpr int kRowKept = 2048;    // the longest estimator row kept between its two passes

}  // namespace

__attribute__((target("avx2,fma"))) bool dot_by_bound(int count, const float* x, const float* y,
                                                      float& result) {
  __m256d s[4], a[4];
  for (int h = 0; h < 4; ++h) s[h] = a[h] = _mm256_setzero_pd();
  int i = 0;
  for (; i + 16 <= count; i += 16) {
    for (int h = 0; h < 4; ++h) {
      const __m256d xv = widen(_mm_loadu_ps(x + i + 4 * h));
      const __m256d yv = widen(_mm_loadu_ps(y + i + 4 * h));
      s[h] = _mm256_fmadd_pd(xv, yv, s[h]);
      a[h] = _mm256_fmadd_pd(magnitude(xv), magnitude(yv), a[h]);
    }
  }
  for (int h = 0; i < count; i += 4, ++h) {
    const __m256d xv = widen_first(x + i, count - i), yv = widen_first(y + i, count - i);
    s[h] = _mm256_fmadd_pd(xv, yv, s[h]);
    a[h] = _mm256_fmadd_pd(magnitude(xv), magnitude(yv), a[h]);
  }
  const double sum = sum_lanes(_mm256_add_pd(_mm256_add_pd(s[0], s[1]), _mm256_add_pd(s[2], s[3])));
  const double mag = sum_lanes(_mm256_add_pd(_mm256_add_pd(a[0], a[1]), _mm256_add_pd(a[2], a[3])));
  return decide(sum, mag, count, result);
}

__attribute__((target("avx2,fma"))) bool abs_sum_by_bound(int count, const float* x,
                                                          float& result) {
  __m256d s[4];
  for (int h = 0; h < 4; ++h) s[h] = _mm256_setzero_pd();
  int i = 0;
  for (; i + 16 <= count; i += 16)
    for (int h = 0; h < 4; ++h)
      s[h] = _mm256_add_pd(s[h], magnitude(widen(_mm_loadu_ps(x + i + 4 * h))));
  for (int h = 0; i < count; i += 4, ++h)
    s[h] = _mm256_add_pd(s[h], magnitude(widen_first(x + i, count - i)));
  const double sum = sum_lanes(_mm256_add_pd(_mm256_add_pd(s[0], s[1]), _mm256_add_pd(s[2], s[3])));
  return decide(sum, sum, count, result);
}

// By columns: once x(j) is known its products are added onto the sums of the
// rows above, in descending order of columns, with their magnitudes; row j's
// float is then decided from its sum, or its dot product is formed along the
// row as the row form does. Rows are taken in blocks from the bottom, the
// products of the columns solved in earlier blocks added first.
__attribute__((target("avx2,fma"))) void upper_solve(int n, const float* a, int lda, float* x,
                                                     bool unit) {
  alignas(32) double acc[kSolveBlock];
  alignas(32) double mag[kSolveBlock];
  for (int i1 = n; i1 > 0;) {
    const int i0 = std::max(0, i1 - kSolveBlock);
    std::fill(acc, acc + (i1 - i0), 0.0);
    std::fill(mag, mag + (i1 - i0), 0.0);
    for (int k = i1; k < n; ++k) spread(a + ptrdiff_t(k) * lda + i0, x[k], i1 - i0, acc, mag);
    for (int j = i1 - 1; j >= i0; --j) {
      float sum = 0.0f;
      if (j < n - 1 && !decide(acc[j - i0], mag[j - i0], n - 1 - j, sum))
        sum = SDOT(n - 1 - j, a + ptrdiff_t(j + 1) * lda + j, lda, x + j + 1, 1);
      const double v = double(x[j]) - sum;
      x[j] = unit ? float(v) : float(v / a[ptrdiff_t(j) * lda + j]);
      spread(a + ptrdiff_t(j) * lda + i0, x[j], j - i0, acc, mag);
    }
    i1 = i0;
  }
}

// Two passes: the sums of both choices without touching z, and, when their
// bounds decide the comparison, the update of z.
__attribute__((target("avx2,fma"))) int estimate_row(int count, float wp, double wm, double sp,
                                                     double sm, const float* row, int ld,
                                                     float* z) {
  alignas(16) float kept[kRowKept + 4];
  const bool keep = count <= kRowKept;
  const __m256d wpv = _mm256_set1_pd(wp);
  const __m256d wmv = _mm256_set1_pd(wm);
  __m256d plus[2] = {_mm256_setzero_pd(), _mm256_setzero_pd()};
  __m256d minus[2] = {plus[0], plus[0]};
  for (int j = 0, h = 0; j < count; j += 4, h ^= 1) {
    const int left = count - j;
    const __m256d lanes = _mm256_castsi256_pd(double_lanes(left));
    const __m128 uf = load_strided(row + ptrdiff_t(j) * ld, ld, left);
    if (keep) _mm_store_ps(kept + j, uf);
    const __m256d u = widen(uf);
    const __m256d zo = widen_first(z + j, left);
    // w+ * u is exact, so the fused step rounds as the product and the sum do;
    // w- is a double and its product is rounded on its own.
    const __m256d zn = widen(narrow(_mm256_fmadd_pd(wpv, u, zo)));
    plus[h] = _mm256_add_pd(plus[h], _mm256_and_pd(lanes, magnitude(zn)));
    minus[h] = _mm256_add_pd(
        minus[h], _mm256_and_pd(lanes, magnitude(_mm256_add_pd(zo, _mm256_mul_pd(wmv, u)))));
  }
  const int less = decide_less(sp + sum_lanes(_mm256_add_pd(plus[0], plus[1])), count + 1,
                               sm + sum_lanes(_mm256_add_pd(minus[0], minus[1])), count + 1);
  if (less < 0) return less;
  for (int j = 0; j < count; j += 4) {
    const int left = count - j;
    const __m128 uf =
        keep ? _mm_load_ps(kept + j) : load_strided(row + ptrdiff_t(j) * ld, ld, left);
    const __m128 zn = narrow(_mm256_fmadd_pd(wpv, widen(uf), widen_first(z + j, left)));
    if (left >= 4) {
      _mm_storeu_ps(z + j, zn);
    } else {
      _mm_maskstore_ps(z + j, float_lanes(left), zn);
    }
  }
  return less;
}

}  // namespace linsolve::forms::avx2
