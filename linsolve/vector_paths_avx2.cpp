// The AVX2 forms (with FMA) of the loops of vector_paths.hpp. They compute in
// double from float operands and round once when they store, exactly as the
// plain forms do; rows that do not fill a vector go through the plain form.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "linsolve/kernels.hpp"
#include "linsolve/vector_paths_forms.hpp"

namespace linsolve::forms::avx2 {

namespace {

using std::ptrdiff_t;

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
__attribute__((target("avx2,fma"))) inline void store_first(float* p, int count, __m128 v) {
  if (count >= 4) {
    _mm_storeu_ps(p, v);
  } else {
    _mm_maskstore_ps(p, float_lanes(count), v);
  }
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

// acc(i) += col(i, c) * xs(c) and mag(i) += |col(i, c)| * |xs(c)| for i < count
// and the C columns c, col(i, c) at col[c * lda + i] (the products are exact, so
// a fused step rounds like the product and the sum), from the highest row
// down: the rows solved next are updated first.
template <int C>
__attribute__((target("avx2,fma"))) inline void spread(const float* col, ptrdiff_t lda,
                                                       const float* xs, int count, double* acc,
                                                       double* mag) {
  __m256d xv[C], xa[C];
#pragma GCC unroll 4
  for (int c = 0; c < C; ++c) {
    xv[c] = _mm256_set1_pd(xs[c]);
    xa[c] = magnitude(xv[c]);
  }
  int i = count;
  for (; i >= 4; i -= 4) {
    __m256d av = _mm256_loadu_pd(acc + i - 4);
    __m256d mv = _mm256_loadu_pd(mag + i - 4);
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
      const __m256d cv = widen(_mm_loadu_ps(col + c * lda + i - 4));
      av = _mm256_fmadd_pd(cv, xv[c], av);
      mv = _mm256_fmadd_pd(magnitude(cv), xa[c], mv);
    }
    _mm256_storeu_pd(acc + i - 4, av);
    _mm256_storeu_pd(mag + i - 4, mv);
  }
  if (i > 0) {
    const __m256i k = double_lanes(i);
    __m256d av = _mm256_maskload_pd(acc, k);
    __m256d mv = _mm256_maskload_pd(mag, k);
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
      const __m256d cv = widen_first(col + c * lda, i);
      av = _mm256_fmadd_pd(cv, xv[c], av);
      mv = _mm256_fmadd_pd(magnitude(cv), xa[c], mv);
    }
    _mm256_maskstore_pd(acc, k, av);
    _mm256_maskstore_pd(mag, k, mv);
  }
}

// Columns c0..c0+count-1 of the solved x spread onto rows 0..rows-1.
__attribute__((target("avx2,fma"))) inline void spread_columns(const float* col, ptrdiff_t lda,
                                                               const float* xs, int count, int rows,
                                                               double* acc, double* mag) {
  switch (count) {
    case 4:
      return spread<4>(col, lda, xs, rows, acc, mag);
    case 3:
      return spread<3>(col, lda, xs, rows, acc, mag);
    case 2:
      return spread<2>(col, lda, xs, rows, acc, mag);
    default:
      return spread<1>(col, lda, xs, rows, acc, mag);
  }
}

constexpr int kSolveBlock = 512;  // rows whose sums are kept at once
constexpr int kRowKept = 2048;    // the longest estimator row kept between its two passes

constexpr int kChunk = 256;        // rows whose multipliers are widened at once
constexpr int kColumnBlock = 256;  // columns whose factors are widened at once

// Rows 0..rows-1 of NQ columns of a chunk: c(r, q) = float(c(r, q) + s(q, 0) *
// m(r, 0) + ...), summed in double from the left, eight rows at a time (the
// accumulators of six columns, the multipliers of a step and a factor fill
// fifteen of the sixteen registers), then four at a time, the last four
// masked. md(r, p) at md[p * kChunk + r], zero beyond rows up to a multiple of
// 4; sd(q, p) at sd[q * 8 + p]. W is the panel width when it is known at compile
// time, 0 when it is given in width.
template <int NQ, int W>
__attribute__((target("avx2,fma"))) void sweep_tile(int rows, int width, const double* md,
                                                    const double* sd, float* c, int ldc) {
  const int w = W > 0 ? W : width;
  int r = 0;
  for (; r + 8 <= rows; r += 8) {
    __m256d acc[NQ][2];
#pragma GCC unroll 8
    for (int q = 0; q < NQ; ++q)
      _mm_prefetch(reinterpret_cast<const char*>(c + ptrdiff_t(q) * ldc + r + 16), _MM_HINT_T0);
#pragma GCC unroll 8
    for (int q = 0; q < NQ; ++q)
#pragma GCC unroll 8
      for (int v = 0; v < 2; ++v)
        acc[q][v] = widen(_mm_loadu_ps(c + ptrdiff_t(q) * ldc + r + 4 * v));
#pragma GCC unroll 8
    for (int p = 0; p < w; ++p) {
      const __m256d m0 = _mm256_load_pd(md + p * kChunk + r);
      const __m256d m1 = _mm256_load_pd(md + p * kChunk + r + 4);
#pragma GCC unroll 8
      for (int q = 0; q < NQ; ++q) {
        const __m256d sv = _mm256_broadcast_sd(sd + 8 * q + p);
        acc[q][0] = _mm256_fmadd_pd(sv, m0, acc[q][0]);
        acc[q][1] = _mm256_fmadd_pd(sv, m1, acc[q][1]);
      }
    }
#pragma GCC unroll 8
    for (int q = 0; q < NQ; ++q)
#pragma GCC unroll 8
      for (int v = 0; v < 2; ++v)
        _mm_storeu_ps(c + ptrdiff_t(q) * ldc + r + 4 * v, narrow(acc[q][v]));
  }
  for (; r < rows; r += 4) {
    const int left = rows - r;
    __m256d acc[NQ];
#pragma GCC unroll 8
    for (int q = 0; q < NQ; ++q) acc[q] = widen_first(c + ptrdiff_t(q) * ldc + r, left);
#pragma GCC unroll 8
    for (int p = 0; p < w; ++p) {
      const __m256d mv = _mm256_load_pd(md + p * kChunk + r);
#pragma GCC unroll 8
      for (int q = 0; q < NQ; ++q)
        acc[q] = _mm256_fmadd_pd(_mm256_broadcast_sd(sd + 8 * q + p), mv, acc[q]);
    }
#pragma GCC unroll 8
    for (int q = 0; q < NQ; ++q) store_first(c + ptrdiff_t(q) * ldc + r, left, narrow(acc[q]));
  }
}

template <int W>
__attribute__((target("avx2,fma"))) void sweep_block(int rows, int width, const double* md, int nq,
                                                     const double* sd, float* c, int ldc) {
  int q = 0;
  for (; q + 6 <= nq; q += 6)
    sweep_tile<6, W>(rows, width, md, sd + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
  const int left = nq - q;
  sd += 8 * q;
  c += ptrdiff_t(q) * ldc;
  if (left == 5) sweep_tile<5, W>(rows, width, md, sd, c, ldc);
  if (left == 4) sweep_tile<4, W>(rows, width, md, sd, c, ldc);
  if (left == 3) sweep_tile<3, W>(rows, width, md, sd, c, ldc);
  if (left == 2) sweep_tile<2, W>(rows, width, md, sd, c, ldc);
  if (left == 1) sweep_tile<1, W>(rows, width, md, sd, c, ldc);
}

// Eight rows of eight floats transposed in place.
__attribute__((target("avx2,fma"))) inline void transpose(__m256 b[8]) {
  __m256 t[8], u[8];
  for (int h = 0; h < 8; h += 2) {
    t[h] = _mm256_unpacklo_ps(b[h], b[h + 1]);
    t[h + 1] = _mm256_unpackhi_ps(b[h], b[h + 1]);
  }
  for (int h = 0; h < 8; h += 4) {
    u[h] = _mm256_shuffle_ps(t[h], t[h + 2], 0x44);
    u[h + 1] = _mm256_shuffle_ps(t[h], t[h + 2], 0xEE);
    u[h + 2] = _mm256_shuffle_ps(t[h + 1], t[h + 3], 0x44);
    u[h + 3] = _mm256_shuffle_ps(t[h + 1], t[h + 3], 0xEE);
  }
  for (int h = 0; h < 4; ++h) {
    b[h] = _mm256_permute2f128_ps(u[h], u[h + 4], 0x20);
    b[h + 4] = _mm256_permute2f128_ps(u[h], u[h + 4], 0x31);
  }
}

}  // namespace

// The vectors sit on 16-byte boundaries of c, the elements before the first
// boundary taken one at a time: a caller stepping down a column one row per
// call then loads each vector as the previous call stored it, which the
// processor passes on from the store at once.
__attribute__((target("avx2,fma"))) void column_axpy(int count, float s, const float* m, float* c) {
  int i = 0;
  for (; i < count && reinterpret_cast<std::uintptr_t>(c + i) % 16 != 0; ++i)
    c[i] = float(c[i] + double(s) * m[i]);
  const __m256d sv = _mm256_set1_pd(s);
  for (; i + 4 <= count; i += 4) {
    const __m256d cv = _mm256_cvtps_pd(_mm_load_ps(c + i));
    const __m256d mv = _mm256_cvtps_pd(_mm_loadu_ps(m + i));
    _mm_store_ps(c + i, _mm256_cvtpd_ps(_mm256_fmadd_pd(sv, mv, cv)));
  }
  for (; i < count; ++i) c[i] = float(c[i] + double(s) * m[i]);
}

// One pass over the rows: each vector of multipliers is scaled in float (see
// column_scale) and widened once for all the later columns, and the search
// looks at the first later column's elements as they are stored, each lane
// keeping its largest magnitude, the largest of the lanes then found again at
// its first position, as in first_largest_product; the last rows one at a time.
__attribute__((target("avx2,fma"))) int panel_step(int count, bool scale, float t, float* m,
                                                   int ncol, const float* s, float* c, int ldc,
                                                   const float* w, bool search) {
  const __m128 abs_mask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  __m256d sv[8];
  for (int q = 0; q < ncol; ++q) sv[q] = _mm256_set1_pd(s[q]);
  const __m128 tv = _mm_set1_ps(t);
  __m128 best = _mm_set1_ps(-1.0f);
  const int vec = count - count % 4;
  for (int i = 0; i < vec; i += 4) {
    __m128 mf = _mm_loadu_ps(m + i);
    if (scale) {
      mf = _mm_mul_ps(tv, mf);
      _mm_storeu_ps(m + i, mf);
    }
    const __m256d mv = widen(mf);
    for (int q = 0; q < ncol; ++q) {
      float* col = c + ptrdiff_t(q) * ldc + i;
      const __m128 r = narrow(_mm256_fmadd_pd(sv[q], mv, widen(_mm_loadu_ps(col))));
      _mm_storeu_ps(col, r);
      if (q == 0 && search) {
        const __m128 v = _mm_and_ps(abs_mask, _mm_mul_ps(r, _mm_loadu_ps(w + i)));
        // Only a strictly greater magnitude replaces; a NaN compares false.
        best = _mm_blendv_ps(best, v, _mm_cmp_ps(v, best, _CMP_GT_OQ));
      }
    }
  }
  for (int i = vec; i < count; ++i) {
    if (scale) m[i] = t * m[i];
    for (int q = 0; q < ncol; ++q) {
      float& e = c[ptrdiff_t(q) * ldc + i];
      e = float(e + double(s[q]) * m[i]);
    }
  }
  if (!search) return -1;
  // A NaN first element is never replaced.
  if (std::isnan(c[0] * w[0])) return 0;
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, best);
  float big = -1.0f;
  for (float v : lanes)
    if (v > big) big = v;
  for (int i = vec; i < count; ++i) {
    const float v = std::fabs(c[i] * w[i]);
    if (v > big) big = v;
  }
  for (int i = 0; i < count; ++i)
    if (std::fabs(c[i] * w[i]) == big) return i;
  return 0;  // not reached: big is one of the magnitudes
}

// In float: the product of two floats is exact in double, so rounding it to
// float once is what the float multiplication gives, overflow, gradual
// underflow and NaNs included.
__attribute__((target("avx2,fma"))) void column_scale(int count, float t, float* c) {
  const __m256 tv = _mm256_set1_ps(t);
  int i = 0;
  for (; i + 8 <= count; i += 8) _mm256_storeu_ps(c + i, _mm256_mul_ps(tv, _mm256_loadu_ps(c + i)));
  for (; i < count; ++i) c[i] = t * c[i];
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

// The rows of a panel of width W, eight columns at a time: each group's block
// transposed so that each row holds its element of every column (four columns
// in each half), the steps applied to all eight columns at once. Up to eight
// groups are taken together, each step made for all of them in turn, so that
// their chains of steps overlap; the transposed blocks wait in the first-level
// cache as floats.
template <int W>
__attribute__((target("avx2,fma"))) void rows_of_width(const float* m, int ldm, int ncol, float* c,
                                                       int ldc, float* s) {
  constexpr int kGroups = 8;
  const __m256i rows =
      _mm256_cmpgt_epi32(_mm256_set1_epi32(W), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  for (int q0 = 0; q0 < ncol; q0 += 8 * kGroups) {
    const int nq = std::min(8 * kGroups, ncol - q0);
    const int groups = (nq + 7) / 8;
    alignas(32) float block[kGroups][8][8];
    for (int g = 0; g < groups; ++g) {
      __m256 b[8];
#pragma GCC unroll 8
      for (int q = 0; q < 8; ++q) {
        const int j = 8 * g + q;
        b[q] = j < nq ? _mm256_maskload_ps(c + ptrdiff_t(q0 + j) * ldc, rows) : _mm256_setzero_ps();
      }
      transpose(b);
#pragma GCC unroll 8
      for (int i = 0; i < 8; ++i) _mm256_store_ps(block[g][i], b[i]);
    }
#pragma GCC unroll 8
    for (int p = 0; p + 1 < W; ++p) {
#pragma GCC unroll 8
      for (int i = p + 1; i < W; ++i) {
        const __m256d mv = _mm256_set1_pd(m[ptrdiff_t(p) * ldm + i]);
        for (int g = 0; g < groups; ++g) {
          for (int h = 0; h < 8; h += 4) {
            const __m256d sp = widen(_mm_load_ps(block[g][p] + h));
            _mm_store_ps(block[g][i] + h,
                         narrow(_mm256_fmadd_pd(sp, mv, widen(_mm_load_ps(block[g][i] + h)))));
          }
        }
      }
    }
    for (int g = 0; g < groups; ++g) {
      __m256 b[8];
#pragma GCC unroll 8
      for (int i = 0; i < 8; ++i) b[i] = _mm256_load_ps(block[g][i]);
      transpose(b);
#pragma GCC unroll 8
      for (int q = 0; q < 8; ++q) {
        const int j = 8 * g + q;
        if (j >= nq) break;
        _mm256_maskstore_ps(c + ptrdiff_t(q0 + j) * ldc, rows, b[q]);
        _mm256_storeu_ps(s + 8 * (q0 + j), b[q]);
      }
    }
  }
}

}  // namespace

__attribute__((target("avx2,fma"))) void panel_rows(int width, const float* m, int ldm, int ncol,
                                                    float* c, int ldc, float* s) {
  switch (width) {
    case 8:
      return rows_of_width<8>(m, ldm, ncol, c, ldc, s);
    case 7:
      return rows_of_width<7>(m, ldm, ncol, c, ldc, s);
    case 6:
      return rows_of_width<6>(m, ldm, ncol, c, ldc, s);
    case 5:
      return rows_of_width<5>(m, ldm, ncol, c, ldc, s);
    case 4:
      return rows_of_width<4>(m, ldm, ncol, c, ldc, s);
    case 3:
      return rows_of_width<3>(m, ldm, ncol, c, ldc, s);
    case 2:
      return rows_of_width<2>(m, ldm, ncol, c, ldc, s);
    default:
      return rows_of_width<1>(m, ldm, ncol, c, ldc, s);
  }
}

// Columns in blocks whose factors are widened to double once, rows in chunks
// whose multipliers are widened once for the block.
// The function starts on a 64-byte boundary, so that the place of its hot loop
// does not move with the code before it (which moved its speed by 2 to 3 per
// cent).
__attribute__((target("avx2,fma"), aligned(64))) void panel_sweep(int count, int width,
                                                                  const float* m, int ldm, int ncol,
                                                                  const float* s, float* c,
                                                                  int ldc) {
  alignas(32) double md[8 * kChunk];
  alignas(32) double sd[8 * kColumnBlock];
  for (int q0 = 0; q0 < ncol; q0 += kColumnBlock) {
    const int nq = std::min(kColumnBlock, ncol - q0);
    if (width == 8) {
      for (int q = 0; q < nq; ++q) {
        _mm256_store_pd(sd + 8 * q, widen(_mm_loadu_ps(s + 8 * (q0 + q))));
        _mm256_store_pd(sd + 8 * q + 4, widen(_mm_loadu_ps(s + 8 * (q0 + q) + 4)));
      }
    } else {
      for (int q = 0; q < nq; ++q)
        for (int p = 0; p < width; ++p) sd[8 * q + p] = s[8 * (q0 + q) + p];
    }
    for (int r0 = 0; r0 < count; r0 += kChunk) {
      const int rows = std::min(kChunk, count - r0);
      for (int p = 0; p < width; ++p)
        for (int r = 0; r < rows; r += 4)
          _mm256_store_pd(md + p * kChunk + r,
                          widen_first(m + ptrdiff_t(p) * ldm + r0 + r, rows - r));
      float* block = c + ptrdiff_t(q0) * ldc + r0;
      if (width == 8) {
        sweep_block<8>(rows, width, md, nq, sd, block, ldc);
      } else {
        sweep_block<0>(rows, width, md, nq, sd, block, ldc);
      }
    }
  }
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

// The first product is formed on its own: callers that step along a vector
// have often just stored that element, and a scalar load takes it from the
// store at once where a vector load would wait.
__attribute__((target("avx2,fma"))) bool dot_by_bound(int count, const float* x, const float* y,
                                                      float& result) {
  const double first = double(x[0]) * y[0];
  __m256d s[4], a[4];
#pragma GCC unroll 4
  for (int h = 0; h < 4; ++h) s[h] = a[h] = _mm256_setzero_pd();
  int i = 1;
  for (; i + 16 <= count; i += 16) {
#pragma GCC unroll 4
    for (int h = 0; h < 4; ++h) {
      const __m256d xv = widen(_mm_loadu_ps(x + i + 4 * h));
      const __m256d yv = widen(_mm_loadu_ps(y + i + 4 * h));
      s[h] = _mm256_fmadd_pd(xv, yv, s[h]);
      a[h] = _mm256_fmadd_pd(magnitude(xv), magnitude(yv), a[h]);
    }
  }
  for (; i < count; i += 4) {
    const __m256d xv = widen_first(x + i, count - i), yv = widen_first(y + i, count - i);
    s[0] = _mm256_fmadd_pd(xv, yv, s[0]);
    a[0] = _mm256_fmadd_pd(magnitude(xv), magnitude(yv), a[0]);
  }
  const double sum = sum_lanes(_mm256_add_pd(_mm256_add_pd(s[0], s[1]), _mm256_add_pd(s[2], s[3])));
  const double mag = sum_lanes(_mm256_add_pd(_mm256_add_pd(a[0], a[1]), _mm256_add_pd(a[2], a[3])));
  return decide(first + sum, std::fabs(first) + mag, count, result);
}

__attribute__((target("avx2,fma"))) bool abs_sum_by_bound(int count, const float* x,
                                                          float& result) {
  __m256d s[4];
#pragma GCC unroll 4
  for (int h = 0; h < 4; ++h) s[h] = _mm256_setzero_pd();
  int i = 0;
  for (; i + 16 <= count; i += 16) {
#pragma GCC unroll 4
    for (int h = 0; h < 4; ++h)
      s[h] = _mm256_add_pd(s[h], magnitude(widen(_mm_loadu_ps(x + i + 4 * h))));
  }
  for (; i < count; i += 4) s[0] = _mm256_add_pd(s[0], magnitude(widen_first(x + i, count - i)));
  const double sum = sum_lanes(_mm256_add_pd(_mm256_add_pd(s[0], s[1]), _mm256_add_pd(s[2], s[3])));
  return decide(sum, sum, count, result);
}

// By columns: once x(j) is known its products are added onto the sums of the
// rows above, with their magnitudes; row j's float is then decided from its
// sum, or its dot product is formed along the row as the row form does. The
// columns go four at a time: within a group each new x(j) is added to the
// group's rows above j at once, and the group is then added to the rows above
// it in one pass. Rows are taken in blocks from the bottom, the products of the
// columns solved in earlier blocks added first.
__attribute__((target("avx2,fma"))) void upper_solve(int n, const float* a, int lda, float* x,
                                                     bool unit) {
  alignas(64) double acc[kSolveBlock];
  alignas(64) double mag[kSolveBlock];
  auto u = [&](int i, int j) { return a[ptrdiff_t(j) * lda + i]; };
  for (int i1 = n; i1 > 0;) {
    const int i0 = std::max(0, i1 - kSolveBlock);
    std::fill(acc, acc + (i1 - i0), 0.0);
    std::fill(mag, mag + (i1 - i0), 0.0);
    for (int k = i1; k < n; k += 4)
      spread_columns(a + ptrdiff_t(k) * lda + i0, lda, x + k, std::min(4, n - k), i1 - i0, acc,
                     mag);
    for (int j1 = i1; j1 > i0;) {
      const int j0 = std::max(i0, j1 - 4);
      for (int j = j1 - 1; j >= j0; --j) {
        float sum = 0.0f;
        if (j < n - 1 && !decide(acc[j - i0], mag[j - i0], n - 1 - j, sum))
          sum = SDOT(n - 1 - j, a + ptrdiff_t(j + 1) * lda + j, lda, x + j + 1, 1);
        const double v = double(x[j]) - sum;
        x[j] = unit ? float(v) : float(v / u(j, j));
        const double xj = x[j];
        for (int i = j0; i < j; ++i) {
          acc[i - i0] += double(u(i, j)) * xj;
          mag[i - i0] += std::fabs(double(u(i, j))) * std::fabs(xj);
        }
      }
      spread_columns(a + ptrdiff_t(j0) * lda + i0, lda, x + j0, j1 - j0, j0 - i0, acc, mag);
      j1 = j0;
    }
    i1 = i0;
  }
}

// One pass stores z + w+ u and keeps the old z and u; when the bounds leave the
// comparison open the old z is put back, and when w- wins a second pass adds
// its difference as SAXPY adds it (not at all when zero). Rows longer than the
// buffers are left to the plain loop.
// Eight columns at a time: their rows loaded as one vector each (masked to the
// block's rows), transposed, and stored as eight floats of each row; the last
// columns one element at a time.
__attribute__((target("avx2,fma"))) void rows_to_strip(int rows, int count, const float* a, int lda,
                                                       float* strip, int lds) {
  const __m256i in_rows =
      _mm256_cmpgt_epi32(_mm256_set1_epi32(rows), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  int j = 0;
  for (; j + 8 <= count; j += 8) {
    __m256 b[8];
    for (int q = 0; q < 8; ++q) b[q] = _mm256_maskload_ps(a + ptrdiff_t(j + q) * lda, in_rows);
    transpose(b);
    for (int r = 0; r < rows; ++r) _mm256_storeu_ps(strip + ptrdiff_t(r) * lds + j, b[r]);
  }
  for (; j < count; ++j)
    for (int r = 0; r < rows; ++r) strip[ptrdiff_t(r) * lds + j] = a[ptrdiff_t(j) * lda + r];
}

__attribute__((target("avx2,fma"))) int estimate_row(int count, float wp, double wm, double sp,
                                                     double sm, const float* row, int ld,
                                                     float* z) {
  if (count > kRowKept) return -1;
  alignas(16) float old[kRowKept + 4];
  alignas(16) float kept[kRowKept + 4];
  const __m256d wpv = _mm256_set1_pd(wp);
  const __m256d wmv = _mm256_set1_pd(wm);
  __m256d plus[2] = {_mm256_setzero_pd(), _mm256_setzero_pd()};
  __m256d minus[2] = {plus[0], plus[0]};
  for (int j = 0, h = 0; j < count; j += 4, h ^= 1) {
    const int left = count - j;
    const __m256d lanes = _mm256_castsi256_pd(double_lanes(left));
    const __m128 uf = ld != 1     ? load_strided(row + ptrdiff_t(j) * ld, ld, left)
                      : left >= 4 ? _mm_loadu_ps(row + j)
                                  : _mm_maskload_ps(row + j, float_lanes(left));
    const __m128 zf = left >= 4 ? _mm_loadu_ps(z + j) : _mm_maskload_ps(z + j, float_lanes(left));
    _mm_store_ps(kept + j, uf);
    _mm_store_ps(old + j, zf);
    const __m256d u = widen(uf);
    const __m256d zo = widen(zf);
    // w+ * u is exact, so the fused step rounds as the product and the sum do;
    // w- is a double and its product is rounded on its own.
    const __m128 zn = narrow(_mm256_fmadd_pd(wpv, u, zo));
    store_first(z + j, left, zn);
    plus[h] = _mm256_add_pd(plus[h], _mm256_and_pd(lanes, magnitude(widen(zn))));
    minus[h] = _mm256_add_pd(
        minus[h], _mm256_and_pd(lanes, magnitude(_mm256_add_pd(zo, _mm256_mul_pd(wmv, u)))));
  }
  const int less = decide_less(sp + sum_lanes(_mm256_add_pd(plus[0], plus[1])), count + 1,
                               sm + sum_lanes(_mm256_add_pd(minus[0], minus[1])), count + 1);
  if (less < 0) {
    std::copy(old, old + count, z);
    return less;
  }
  const float t = less ? float(wm - double(wp)) : 0.0f;
  if (t != 0.0f) {
    const __m256d tv = _mm256_set1_pd(t);
    for (int j = 0; j < count; j += 4) {
      const int left = count - j;
      const __m256d u = widen(_mm_load_ps(kept + j));
      store_first(z + j, left, narrow(_mm256_fmadd_pd(tv, u, widen_first(z + j, left))));
    }
  }
  return less;
}

}  // namespace linsolve::forms::avx2
