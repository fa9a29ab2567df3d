// The AVX-512 forms of the loops of vector_paths.hpp (with the VL extension
// for masked loads and stores of eight floats). They compute in double from
// float operands and round once when they store, exactly as the plain forms do;
// rows that do not fill a vector are masked or go through the plain form.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "linsolve/kernels.hpp"
#include "linsolve/vector_paths_forms.hpp"

namespace linsolve::forms::avx512 {
namespace {

using std::ptrdiff_t;

// Widening and narrowing conversions of eight elements. The zero-masked forms
// with every lane selected are the plain instructions; they spare the compiler's
// warning about the undefined source operand of the unmasked forms.
__attribute__((target("avx512f,avx512vl"))) inline __m512d widen(__m256 v) {
  return _mm512_maskz_cvtps_pd(__mmask8(0xFF), v);
}
__attribute__((target("avx512f,avx512vl"))) inline __m256 narrow(__m512d v) {
  return _mm512_maskz_cvtpd_ps(__mmask8(0xFF), v);
}

constexpr int kChunk = 256;        // rows whose multipliers are widened at once
constexpr int kColumnBlock = 256;  // columns whose factors are widened at once

// Lanes 0..count-1 selected, count <= 8.
inline __mmask8 first_lanes(int count) {
  return count >= 8 ? __mmask8(0xFF) : __mmask8((1u << count) - 1);
}

__attribute__((target("avx512f,avx512vl"))) inline __m512d widen_first(const float* p, int count) {
  return widen(_mm256_maskz_loadu_ps(first_lanes(count), p));
}

// The sum of the eight lanes (in some order). The zero-masked extraction is the
// plain one, without the undefined operand of the unmasked form.
__attribute__((target("avx512f,avx512vl"))) inline double sum_lanes(__m512d v) {
  const __m256d q = _mm256_add_pd(_mm512_maskz_extractf64x4_pd(0xF, v, 0),
                                  _mm512_maskz_extractf64x4_pd(0xF, v, 1));
  const __m128d h = _mm_add_pd(_mm256_castpd256_pd128(q), _mm256_extractf128_pd(q, 1));
  return _mm_cvtsd_f64(_mm_add_sd(h, _mm_unpackhi_pd(h, h)));
}

// Elements 0..count-1 of a vector with stride ld, count <= 8; the rest zero.
__attribute__((target("avx512f,avx512vl"))) inline __m256 load_strided(const float* p, ptrdiff_t ld,
                                                                       int count) {
  if (count >= 8)
    return _mm256_setr_ps(p[0], p[ld], p[2 * ld], p[3 * ld], p[4 * ld], p[5 * ld], p[6 * ld],
                          p[7 * ld]);
  alignas(32) float v[8] = {};
  for (int i = 0; i < count; ++i) v[i] = p[i * ld];
  return _mm256_load_ps(v);
}

// acc(i) += col(i, c) * xs(c) and mag(i) += |col(i, c)| * |xs(c)| for i < count
// and the C columns c, col(i, c) at col[c * lda + i] (the products are exact, so
// a fused step rounds like the product and the sum), from the highest row
// down: the rows solved next are updated first.
template <int C>
__attribute__((target("avx512f,avx512vl"))) inline void spread(const float* col, ptrdiff_t lda,
                                                               const float* xs, int count,
                                                               double* acc, double* mag) {
  __m512d xv[C], xa[C];
#pragma GCC unroll 4
  for (int c = 0; c < C; ++c) {
    xv[c] = _mm512_set1_pd(xs[c]);
    xa[c] = _mm512_abs_pd(xv[c]);
  }
  int i = count;
  for (; i >= 8; i -= 8) {
    __m512d av = _mm512_loadu_pd(acc + i - 8);
    __m512d mv = _mm512_loadu_pd(mag + i - 8);
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
      const __m512d cv = widen(_mm256_loadu_ps(col + c * lda + i - 8));
      av = _mm512_fmadd_pd(cv, xv[c], av);
      mv = _mm512_fmadd_pd(_mm512_abs_pd(cv), xa[c], mv);
    }
    _mm512_storeu_pd(acc + i - 8, av);
    _mm512_storeu_pd(mag + i - 8, mv);
  }
  if (i > 0) {
    const __mmask8 k = first_lanes(i);
    __m512d av = _mm512_maskz_loadu_pd(k, acc);
    __m512d mv = _mm512_maskz_loadu_pd(k, mag);
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
      const __m512d cv = widen_first(col + c * lda, i);
      av = _mm512_fmadd_pd(cv, xv[c], av);
      mv = _mm512_fmadd_pd(_mm512_abs_pd(cv), xa[c], mv);
    }
    _mm512_mask_storeu_pd(acc, k, av);
    _mm512_mask_storeu_pd(mag, k, mv);
  }
}

// Columns c0..c0+count-1 of the solved x spread onto rows 0..rows-1.
__attribute__((target("avx512f,avx512vl"))) inline void spread_columns(const float* col,
                                                                       ptrdiff_t lda,
                                                                       const float* xs, int count,
                                                                       int rows, double* acc,
                                                                       double* mag) {
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

// Eight rows of NQ columns from row r: c(r, q) = float(c(r, q) + s(q, 0) * m(r,
// 0) + ...), summed in double from the left; with Masked, only the rows before
// `rows`. md(r, p) at md[p * kChunk + r], zero beyond rows up to a multiple of
// 8; sd(q, p) at sd[q * 8 + p]. W is the panel width when it is known at
// compile time, 0 when it is given in width.
template <int NQ, int W, bool Masked>
__attribute__((target("avx512f,avx512vl"))) inline void sweep_rows(int r, int rows, int width,
                                                                   const double* md,
                                                                   const double* sd, float* c,
                                                                   int ldc) {
  const int w = W > 0 ? W : width;
  const __mmask8 k = Masked ? first_lanes(rows - r) : __mmask8(0xFF);
  __m512d acc[NQ];
#pragma GCC unroll 8
  for (int q = 0; q < NQ; ++q) {
    const float* col = c + ptrdiff_t(q) * ldc + r;
    acc[q] = widen(Masked ? _mm256_maskz_loadu_ps(k, col) : _mm256_loadu_ps(col));
  }
  // The steps stay a loop: unrolled, the compiler keeps the factors of every
  // step in registers across the rows and spills them.
#pragma GCC unroll 1
  for (int p = 0; p < w; ++p) {
    const __m512d mv = _mm512_load_pd(md + p * kChunk + r);
#pragma GCC unroll 8
    for (int q = 0; q < NQ; ++q)
      acc[q] = _mm512_fmadd_pd(_mm512_set1_pd(sd[8 * q + p]), mv, acc[q]);
  }
#pragma GCC unroll 8
  for (int q = 0; q < NQ; ++q) {
    float* col = c + ptrdiff_t(q) * ldc + r;
    if (Masked) {
      _mm256_mask_storeu_ps(col, k, narrow(acc[q]));
    } else {
      _mm256_storeu_ps(col, narrow(acc[q]));
    }
  }
}

// Rows 0..rows-1 of NQ columns, eight rows at a time, the last eight masked.
// A tile of one vector of rows per column stays small (NQ accumulators), so
// that the processor overlaps the conversions at the ends of one tile with the
// multiply-adds of the next; tiles of four vectors per column (24
// accumulators) ran at 77 per cent of the multiply-add rate, these at 95. The
// columns are read in order, which the processor fetches ahead by itself: a
// software prefetch of each tile's next lines made the sweep 5 per cent slower.
template <int NQ, int W>
__attribute__((target("avx512f,avx512vl"))) void sweep_tile(int rows, int width, const double* md,
                                                            const double* sd, float* c, int ldc) {
  int r = 0;
  for (; r + 8 <= rows; r += 8) sweep_rows<NQ, W, false>(r, rows, width, md, sd, c, ldc);
  if (r < rows) sweep_rows<NQ, W, true>(r, rows, width, md, sd, c, ldc);
}

constexpr int kTileColumns = 6;

template <int W>
__attribute__((target("avx512f,avx512vl"))) void sweep_block(int rows, int width, const double* md,
                                                             int nq, const double* sd, float* c,
                                                             int ldc) {
  // A column left over after the tiles of six joins the last of them, which
  // then has seven (one column alone would make a chain of eight dependent
  // steps per tile).
  const int tiles =
      nq % kTileColumns == 1 && nq > kTileColumns ? nq / kTileColumns - 1 : nq / kTileColumns;
  int q = 0;
  for (; q < tiles * kTileColumns; q += kTileColumns)
    sweep_tile<kTileColumns, W>(rows, width, md, sd + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
  sd += 8 * q;
  c += ptrdiff_t(q) * ldc;
  switch (nq - q) {
    case 7:
      return sweep_tile<7, W>(rows, width, md, sd, c, ldc);
    case 5:
      return sweep_tile<5, W>(rows, width, md, sd, c, ldc);
    case 4:
      return sweep_tile<4, W>(rows, width, md, sd, c, ldc);
    case 3:
      return sweep_tile<3, W>(rows, width, md, sd, c, ldc);
    case 2:
      return sweep_tile<2, W>(rows, width, md, sd, c, ldc);
    case 1:
      return sweep_tile<1, W>(rows, width, md, sd, c, ldc);
    default:
      return;
  }
}

// Eight rows of eight floats transposed in place.
__attribute__((target("avx512f,avx512vl"))) inline void transpose(__m256 b[8]) {
  __m256 t[8], u[8];
#pragma GCC unroll 8
  for (int h = 0; h < 8; h += 2) {
    t[h] = _mm256_unpacklo_ps(b[h], b[h + 1]);
    t[h + 1] = _mm256_unpackhi_ps(b[h], b[h + 1]);
  }
#pragma GCC unroll 8
  for (int h = 0; h < 8; h += 4) {
    u[h] = _mm256_shuffle_ps(t[h], t[h + 2], 0x44);
    u[h + 1] = _mm256_shuffle_ps(t[h], t[h + 2], 0xEE);
    u[h + 2] = _mm256_shuffle_ps(t[h + 1], t[h + 3], 0x44);
    u[h + 3] = _mm256_shuffle_ps(t[h + 1], t[h + 3], 0xEE);
  }
#pragma GCC unroll 8
  for (int h = 0; h < 4; ++h) {
    b[h] = _mm256_permute2f128_ps(u[h], u[h + 4], 0x20);
    b[h + 4] = _mm256_permute2f128_ps(u[h], u[h + 4], 0x31);
  }
}

// The rows of a panel of width W, eight columns at a time: each group's block
// transposed so that each row holds its element of every column, the steps
// applied to all eight columns at once. Up to eight groups are taken together,
// each step made for all of them in turn, so that their chains of steps
// overlap; the transposed blocks wait in the first-level cache.
template <int W>
__attribute__((target("avx512f,avx512vl"))) void rows_of_width(const float* m, int ldm, int ncol,
                                                               float* c, int ldc, float* s) {
  constexpr int kGroups = 8;
  const __mmask8 rows = first_lanes(W);
  for (int q0 = 0; q0 < ncol; q0 += 8 * kGroups) {
    const int nq = std::min(8 * kGroups, ncol - q0);
    const int groups = (nq + 7) / 8;
    alignas(32) float block[kGroups][8][8];
    for (int g = 0; g < groups; ++g) {
      __m256 b[8];
#pragma GCC unroll 8
      for (int q = 0; q < 8; ++q) {
        const int j = 8 * g + q;
        const float* col = c + ptrdiff_t(q0 + j) * ldc;
        b[q] = j >= nq  ? _mm256_setzero_ps()
               : W == 8 ? _mm256_loadu_ps(col)
                        : _mm256_maskz_loadu_ps(rows, col);
      }
      transpose(b);
#pragma GCC unroll 8
      for (int i = 0; i < 8; ++i) _mm256_store_ps(block[g][i], b[i]);
    }
#pragma GCC unroll 8
    for (int p = 0; p + 1 < W; ++p) {
      __m512d sp[kGroups];
#pragma GCC unroll 8
      for (int g = 0; g < kGroups; ++g)
        sp[g] = g < groups ? widen(_mm256_load_ps(block[g][p])) : _mm512_setzero_pd();
#pragma GCC unroll 8
      for (int i = p + 1; i < W; ++i) {
        const __m512d mv = _mm512_set1_pd(m[ptrdiff_t(p) * ldm + i]);
#pragma GCC unroll 8
        for (int g = 0; g < kGroups; ++g)
          if (g < groups)
            _mm256_store_ps(block[g][i],
                            narrow(_mm512_fmadd_pd(sp[g], mv, widen(_mm256_load_ps(block[g][i])))));
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
        float* col = c + ptrdiff_t(q0 + j) * ldc;
        if (W == 8) {
          _mm256_storeu_ps(col, b[q]);
        } else {
          _mm256_mask_storeu_ps(col, rows, b[q]);
        }
        _mm256_storeu_ps(s + 8 * (q0 + j), b[q]);
      }
    }
  }
}

}  // namespace

__attribute__((target("avx512f,avx512vl"))) void panel_rows(int width, const float* m, int ldm,
                                                            int ncol, float* c, int ldc, float* s) {
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
__attribute__((target("avx512f,avx512vl"), aligned(64))) void panel_sweep(int count, int width,
                                                                          const float* m, int ldm,
                                                                          int ncol, const float* s,
                                                                          float* c, int ldc) {
  alignas(64) double md[8 * kChunk];
  alignas(64) double sd[8 * kColumnBlock];
  for (int q0 = 0; q0 < ncol; q0 += kColumnBlock) {
    const int nq = std::min(kColumnBlock, ncol - q0);
    if (width == 8) {
      for (int q = 0; q < nq; ++q)
        _mm512_store_pd(sd + 8 * q, widen(_mm256_loadu_ps(s + 8 * (q0 + q))));
    } else {
      for (int q = 0; q < nq; ++q)
        for (int p = 0; p < width; ++p) sd[8 * q + p] = s[8 * (q0 + q) + p];
    }
    for (int r0 = 0; r0 < count; r0 += kChunk) {
      const int rows = std::min(kChunk, count - r0);
      for (int p = 0; p < width; ++p)
        for (int r = 0; r < rows; r += 8)
          _mm512_store_pd(md + p * kChunk + r,
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

namespace {

// Rows 0..rows-1 of the residual, 8 (V - 1) < rows <= 8 V: V vectors of rows
// side by side over the columns, the last masked.
template <int V>
__attribute__((target("avx512f,avx512vl"))) void residual_chunk(int n, const float* a, int lda,
                                                                const float* b, const float* x,
                                                                float* r, int rows) {
  const __m256 minus = _mm256_set1_ps(-0.0f);
  __mmask8 k[V];
  __m512d acc[V];
#pragma GCC unroll 8
  for (int v = 0; v < V; ++v) {
    k[v] = first_lanes(rows - 8 * v);
    acc[v] = widen(_mm256_xor_ps(minus, _mm256_maskz_loadu_ps(k[v], b + 8 * v)));
  }
  for (int j = 0; j < n; ++j) {
    const float* col = a + ptrdiff_t(j) * lda;
    const __m512d xv = _mm512_set1_pd(x[j]);
#pragma GCC unroll 8
    for (int v = 0; v < V; ++v)
      acc[v] = _mm512_fmadd_pd(widen(_mm256_maskz_loadu_ps(k[v], col + 8 * v)), xv, acc[v]);
  }
#pragma GCC unroll 8
  for (int v = 0; v < V; ++v) _mm256_mask_storeu_ps(r + 8 * v, k[v], narrow(acc[v]));
}

}  // namespace

// Sixty-four rows at a time (eight accumulators keep the multiply-adds going
// at full rate), the rest in one chunk with its last vector masked; each row's
// sum still runs over the columns in ascending order from -b(i).
__attribute__((target("avx512f,avx512vl"))) void residual_rows(int n, const float* a, int lda,
                                                               const float* b, const float* x,
                                                               float* r) {
  int i = 0;
  for (; i + 64 <= n; i += 64) residual_chunk<8>(n, a + i, lda, b + i, x, r + i, 64);
  const int rows = n - i;
  a += i;
  b += i;
  r += i;
  switch ((rows + 7) / 8) {
    case 8:
      return residual_chunk<8>(n, a, lda, b, x, r, rows);
    case 7:
      return residual_chunk<7>(n, a, lda, b, x, r, rows);
    case 6:
      return residual_chunk<6>(n, a, lda, b, x, r, rows);
    case 5:
      return residual_chunk<5>(n, a, lda, b, x, r, rows);
    case 4:
      return residual_chunk<4>(n, a, lda, b, x, r, rows);
    case 3:
      return residual_chunk<3>(n, a, lda, b, x, r, rows);
    case 2:
      return residual_chunk<2>(n, a, lda, b, x, r, rows);
    case 1:
      return residual_chunk<1>(n, a, lda, b, x, r, rows);
    default:
      return;
  }
}

// The vectors sit on 32-byte boundaries of c, the elements before the first
// boundary taken one at a time: a caller stepping down a column one row per
// call then loads each vector as the previous call stored it, which the
// processor passes on from the store at once.
__attribute__((target("avx512f,avx512vl"))) void column_axpy(int count, float s, const float* m,
                                                             float* c) {
  int i = 0;
  for (; i < count && reinterpret_cast<std::uintptr_t>(c + i) % 32 != 0; ++i)
    c[i] = float(c[i] + double(s) * m[i]);
  const __m512d sv = _mm512_set1_pd(s);
  for (; i + 8 <= count; i += 8)
    _mm256_store_ps(c + i, narrow(_mm512_fmadd_pd(sv, widen(_mm256_loadu_ps(m + i)),
                                                  widen(_mm256_load_ps(c + i)))));
  // The last elements one at a time too: a caller stepping up a column reads
  // the last one next, and a masked store would hold it back.
  for (; i < count; ++i) c[i] = float(c[i] + double(s) * m[i]);
}

namespace {

// Eight floats, or the lanes of k alone when Masked.
template <bool Masked>
__attribute__((target("avx512f,avx512vl"))) inline __m256 load_lanes(__mmask8 k, const float* p) {
  return Masked ? _mm256_maskz_loadu_ps(k, p) : _mm256_loadu_ps(p);
}
template <bool Masked>
__attribute__((target("avx512f,avx512vl"))) inline void store_lanes(__mmask8 k, float* p,
                                                                    __m256 v) {
  if (Masked) {
    _mm256_mask_storeu_ps(p, k, v);
  } else {
    _mm256_storeu_ps(p, v);
  }
}

// Eight rows of panel_step from row i, the lanes from row count on left alone
// when Masked: the multipliers, the later columns, and the search's lanes.
template <bool Masked>
__attribute__((target("avx512f,avx512vl"))) inline void step_rows(
    int i, int count, bool scale, __m256 tv, float* m, int ncol, const __m512d* sv, float* c,
    int ldc, const float* w, bool search, __m256i at, __m256& best, __m256i& where) {
  const __mmask8 k = Masked ? first_lanes(count - i) : __mmask8(0xFF);
  __m256 mf = load_lanes<Masked>(k, m + i);
  if (scale) {
    mf = _mm256_mul_ps(tv, mf);
    store_lanes<Masked>(k, m + i, mf);
  }
  const __m512d mv = widen(mf);
  for (int q = 0; q < ncol; ++q) {
    float* col = c + ptrdiff_t(q) * ldc + i;
    const __m256 r = narrow(_mm512_fmadd_pd(sv[q], mv, widen(load_lanes<Masked>(k, col))));
    store_lanes<Masked>(k, col, r);
    if (q == 0 && search) {
      const __m256 v =
          _mm256_andnot_ps(_mm256_set1_ps(-0.0f), _mm256_mul_ps(r, load_lanes<Masked>(k, w + i)));
      // Only a strictly greater magnitude replaces; a NaN compares false.
      const __mmask8 more = _mm256_mask_cmp_ps_mask(k, v, best, _CMP_GT_OQ);
      best = _mm256_mask_mov_ps(best, more, v);
      where = _mm256_mask_mov_epi32(where, more, at);
    }
  }
}

}  // namespace

// One pass over the rows: each vector of multipliers is scaled in float (see
// column_scale) and widened once for all the later columns, and the search
// looks at the first later column's elements as they are stored, each lane
// keeping its largest magnitude and its first position, as in
// first_largest_product.
__attribute__((target("avx512f,avx512vl"))) int panel_step(int count, bool scale, float t, float* m,
                                                           int ncol, const float* s, float* c,
                                                           int ldc, const float* w, bool search) {
  __m512d sv[8];
  for (int q = 0; q < ncol; ++q) sv[q] = _mm512_set1_pd(s[q]);
  const __m256 tv = _mm256_set1_ps(t);
  __m256 best = _mm256_set1_ps(-1.0f);
  __m256i where = _mm256_setzero_si256();
  __m256i at = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i step = _mm256_set1_epi32(8);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    step_rows<false>(i, count, scale, tv, m, ncol, sv, c, ldc, w, search, at, best, where);
    at = _mm256_add_epi32(at, step);
  }
  if (i < count)
    step_rows<true>(i, count, scale, tv, m, ncol, sv, c, ldc, w, search, at, best, where);
  if (!search) return -1;
  // A NaN first element is never replaced.
  if (std::isnan(c[0] * w[0])) return 0;
  alignas(32) float lane_best[8];
  alignas(32) int lane_where[8];
  _mm256_store_ps(lane_best, best);
  _mm256_store_si256(reinterpret_cast<__m256i*>(lane_where), where);
  float big = lane_best[0];
  int first_at = lane_where[0];
  for (int l = 1; l < 8; ++l) {
    if (lane_best[l] > big || (lane_best[l] == big && lane_where[l] < first_at)) {
      big = lane_best[l];
      first_at = lane_where[l];
    }
  }
  return first_at;
}

// In float: the product of two floats is exact in double, so rounding it to
// float once is what the float multiplication gives, overflow, gradual
// underflow and NaNs included.
__attribute__((target("avx512f,avx512vl"))) void column_scale(int count, float t, float* c) {
  const __m512 tv = _mm512_set1_ps(t);
  int i = 0;
  for (; i + 16 <= count; i += 16)
    _mm512_storeu_ps(c + i, _mm512_mul_ps(tv, _mm512_loadu_ps(c + i)));
  if (i < count) {
    const __mmask16 k = __mmask16((1u << (count - i)) - 1);
    _mm512_mask_storeu_ps(c + i, k, _mm512_mul_ps(tv, _mm512_maskz_loadu_ps(k, c + i)));
  }
}

// One pass: each lane keeps its largest magnitude and the first position where
// it came (only a strictly greater one replaces it, a NaN never does); the
// first position of the largest of the lanes is then the first position of the
// largest magnitude, which is the rule of ISAMAX when the first is not a NaN.
// The product of two floats rounded to float is the float product.
__attribute__((target("avx512f,avx512vl"))) int first_largest_product(int count, const float* x,
                                                                      const float* y, float& big) {
  const float first = std::fabs(x[0] * y[0]);
  big = first;
  // A NaN first element is never replaced.
  if (std::isnan(first) || count == 1) return 0;
  __m512 best = _mm512_set1_ps(-1.0f);
  __m512i where = _mm512_setzero_si512();
  __m512i at = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i step = _mm512_set1_epi32(16);
  for (int i = 0; i < count; i += 16) {
    const int left = count - i;
    const __mmask16 lanes = left >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << left) - 1);
    const __m512 v = _mm512_abs_ps(
        _mm512_mul_ps(_mm512_maskz_loadu_ps(lanes, x + i), _mm512_maskz_loadu_ps(lanes, y + i)));
    const __mmask16 more = _mm512_mask_cmp_ps_mask(lanes, v, best, _CMP_GT_OQ);
    best = _mm512_mask_mov_ps(best, more, v);
    where = _mm512_mask_mov_epi32(where, more, at);
    at = _mm512_add_epi32(at, step);
  }
  alignas(64) float lane_best[16];
  alignas(64) int lane_where[16];
  _mm512_store_ps(lane_best, best);
  _mm512_store_si512(lane_where, where);
  float m = lane_best[0];
  int first_at = lane_where[0];
  for (int l = 1; l < 16; ++l) {
    if (lane_best[l] > m || (lane_best[l] == m && lane_where[l] < first_at)) {
      m = lane_best[l];
      first_at = lane_where[l];
    }
  }
  big = m;
  return first_at;
}

namespace {

// Rows 0..rows-1 of the row magnitudes, V vectors of sixteen rows held in
// registers over all the columns, the last vector masked.
template <int V>
__attribute__((target("avx512f,avx512vl"))) void magnitudes_block(int n, const float* a, int lda,
                                                                  int rows, float* r) {
  __mmask16 k[V];
  __m512 big[V];
#pragma GCC unroll 4
  for (int v = 0; v < V; ++v) {
    const int left = rows - 16 * v;
    k[v] = left >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << left) - 1);
    big[v] = _mm512_abs_ps(_mm512_maskz_loadu_ps(k[v], a + 16 * v));
  }
  for (int j = 1; j < n; ++j) {
    const float* col = a + ptrdiff_t(j) * lda;
#pragma GCC unroll 4
    for (int v = 0; v < V; ++v) {
      const __m512 m = _mm512_abs_ps(_mm512_maskz_loadu_ps(k[v], col + 16 * v));
      // Only a strictly greater magnitude replaces; a NaN compares false.
      big[v] = _mm512_mask_mov_ps(big[v], _mm512_cmp_ps_mask(m, big[v], _CMP_GT_OQ), m);
    }
  }
#pragma GCC unroll 4
  for (int v = 0; v < V; ++v) _mm512_mask_storeu_ps(r + 16 * v, k[v], big[v]);
}

}  // namespace

__attribute__((target("avx512f,avx512vl"))) void row_magnitudes(int n, const float* a, int lda,
                                                                float* r) {
  int i = 0;
  for (; i + 64 <= n; i += 64) magnitudes_block<4>(n, a + i, lda, 64, r + i);
  const int rows = n - i;
  if (rows > 48) return magnitudes_block<4>(n, a + i, lda, rows, r + i);
  if (rows > 32) return magnitudes_block<3>(n, a + i, lda, rows, r + i);
  if (rows > 16) return magnitudes_block<2>(n, a + i, lda, rows, r + i);
  if (rows > 0) magnitudes_block<1>(n, a + i, lda, rows, r + i);
}

// The first product is formed on its own: callers that step along a vector
// have often just stored that element, and a scalar load takes it from the
// store at once where a vector load would wait.
__attribute__((target("avx512f,avx512vl"))) bool dot_by_bound(int count, const float* x,
                                                              const float* y, float& result) {
  const double first = double(x[0]) * y[0];
  __m512d s0 = _mm512_setzero_pd(), s1 = s0, a0 = s0, a1 = s0;
  x += 1;
  y += 1;
  count -= 1;
  int i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m512d x0 = widen(_mm256_loadu_ps(x + i)), y0 = widen(_mm256_loadu_ps(y + i));
    const __m512d x1 = widen(_mm256_loadu_ps(x + i + 8)), y1 = widen(_mm256_loadu_ps(y + i + 8));
    s0 = _mm512_fmadd_pd(x0, y0, s0);
    a0 = _mm512_fmadd_pd(_mm512_abs_pd(x0), _mm512_abs_pd(y0), a0);
    s1 = _mm512_fmadd_pd(x1, y1, s1);
    a1 = _mm512_fmadd_pd(_mm512_abs_pd(x1), _mm512_abs_pd(y1), a1);
  }
  for (; i < count; i += 8) {
    const __m512d x0 = widen_first(x + i, count - i), y0 = widen_first(y + i, count - i);
    s0 = _mm512_fmadd_pd(x0, y0, s0);
    a0 = _mm512_fmadd_pd(_mm512_abs_pd(x0), _mm512_abs_pd(y0), a0);
  }
  return decide(first + sum_lanes(_mm512_add_pd(s0, s1)),
                std::fabs(first) + sum_lanes(_mm512_add_pd(a0, a1)), count + 1, result);
}

__attribute__((target("avx512f,avx512vl"))) bool abs_sum_by_bound(int count, const float* x,
                                                                  float& result) {
  __m512d s0 = _mm512_setzero_pd(), s1 = s0;
  int i = 0;
  for (; i + 16 <= count; i += 16) {
    s0 = _mm512_add_pd(s0, _mm512_abs_pd(widen(_mm256_loadu_ps(x + i))));
    s1 = _mm512_add_pd(s1, _mm512_abs_pd(widen(_mm256_loadu_ps(x + i + 8))));
  }
  for (; i < count; i += 8) s0 = _mm512_add_pd(s0, _mm512_abs_pd(widen_first(x + i, count - i)));
  const double sum = sum_lanes(_mm512_add_pd(s0, s1));
  return decide(sum, sum, count, result);
}

// By columns: once x(j) is known its products are added onto the sums of the
// rows above, with their magnitudes; row j's float is then decided from its
// sum, or its dot product is formed along the row as the row form does. The
// columns go four at a time: within a group each new x(j) is added to the
// group's rows above j at once, and the group is then added to the rows above
// it in one pass. Rows are taken in blocks from the bottom, the products of the
// columns solved in earlier blocks added first.
__attribute__((target("avx512f,avx512vl"))) void upper_solve(int n, const float* a, int lda,
                                                             float* x, bool unit) {
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

// Eight columns at a time: their rows loaded as one vector each (masked to the
// block's rows), transposed, and stored as eight floats of each row.
__attribute__((target("avx512f,avx512vl"))) void rows_to_strip(int rows, int count, const float* a,
                                                               int lda, float* strip, int lds) {
  const __mmask8 in_rows = first_lanes(rows);
  for (int j = 0; j < count; j += 8) {
    const int cols = std::min(8, count - j);
    __m256 b[8];
#pragma GCC unroll 8
    for (int q = 0; q < 8; ++q)
      b[q] = q < cols ? _mm256_maskz_loadu_ps(in_rows, a + ptrdiff_t(j + q) * lda)
                      : _mm256_setzero_ps();
    transpose(b);
    const __mmask8 in_cols = first_lanes(cols);
    for (int r = 0; r < rows; ++r)
      _mm256_mask_storeu_ps(strip + ptrdiff_t(r) * lds + j, in_cols, b[r]);
  }
}

// One pass stores z + w+ u and keeps the old z and u; when the bounds leave the
// comparison open the old z is put back, and when w- wins a second pass adds
// its difference as SAXPY adds it (not at all when zero). Rows longer than the
// buffers are left to the plain loop.
__attribute__((target("avx512f,avx512vl"))) int estimate_row(int count, float wp, double wm,
                                                             double sp, double sm, const float* row,
                                                             int ld, float* z) {
  if (count > kRowKept) return -1;
  alignas(32) float old[kRowKept + 8];
  alignas(32) float kept[kRowKept + 8];
  const __m512d wpv = _mm512_set1_pd(wp);
  const __m512d wmv = _mm512_set1_pd(wm);
  __m512d plus = _mm512_setzero_pd(), minus = plus;
  for (int j = 0; j < count; j += 8) {
    const int left = count - j;
    const __mmask8 k = first_lanes(left);
    const __m256 uf = ld == 1 ? _mm256_maskz_loadu_ps(k, row + j)
                              : load_strided(row + ptrdiff_t(j) * ld, ld, left);
    const __m256 zf = _mm256_maskz_loadu_ps(k, z + j);
    _mm256_store_ps(kept + j, uf);
    _mm256_store_ps(old + j, zf);
    const __m512d u = widen(uf);
    const __m512d zo = widen(zf);
    // w+ * u is exact, so the fused step rounds as the product and the sum do;
    // w- is a double and its product is rounded on its own.
    const __m256 zn = narrow(_mm512_fmadd_pd(wpv, u, zo));
    _mm256_mask_storeu_ps(z + j, k, zn);
    plus = _mm512_mask_add_pd(plus, k, plus, _mm512_abs_pd(widen(zn)));
    minus = _mm512_mask_add_pd(minus, k, minus,
                               _mm512_abs_pd(_mm512_add_pd(zo, _mm512_mul_pd(wmv, u))));
  }
  const int less = decide_less(sp + sum_lanes(plus), count + 1, sm + sum_lanes(minus), count + 1);
  if (less < 0) {
    std::copy(old, old + count, z);
    return less;
  }
  const float t = less ? float(wm - double(wp)) : 0.0f;
  if (t != 0.0f) {
    const __m512d tv = _mm512_set1_pd(t);
    for (int j = 0; j < count; j += 8) {
      const int left = count - j;
      const __mmask8 k = first_lanes(left);
      const __m512d u = widen(_mm256_load_ps(kept + j));
      _mm256_mask_storeu_ps(z + j, k,
                            narrow(_mm512_fmadd_pd(tv, u, widen(_mm256_maskz_loadu_ps(k, z + j)))));
    }
  }
  return less;
}

}  // namespace linsolve::forms::avx512
