// The AVX-512 forms of the loops of vector_paths.hpp. They compute in double
// from float operands and round once when they store, exactly as the plain
// forms do; rows that do not fill a vector go through the plain form.
#include <immintrin.h>

#include <algorithm>
#include <cstddef>

#include "linsolve/vector_paths_forms.hpp"

namespace linsolve::forms::avx512 {
namespace {

using std::ptrdiff_t;

// Widening and narrowing conversions of eight elements. The zero-masked forms
// with every lane selected are the plain instructions; they spare the compiler's
// warning about the undefined source operand of the unmasked forms.
__attribute__((target("avx512f"))) inline __m512d widen(__m256 v) {
  return _mm512_maskz_cvtps_pd(__mmask8(0xFF), v);
}
__attribute__((target("avx512f"))) inline __m256 narrow(__m512d v) {
  return _mm512_maskz_cvtpd_ps(__mmask8(0xFF), v);
}

// Rows 0..vec-1 (vec a multiple of 8) of NQ columns; the multipliers already in
// double, md(r, p) at md[p * kChunk + r]. W is the panel width when it is known
// at compile time, 0 when it is given in width.
constexpr int kChunk = 256;

template <int NQ, int W>
__attribute__((target("avx512f"))) void sweep_columns(int vec, int width, const double* md,
                                                      const float* s, float* c, int ldc) {
  const int w = W > 0 ? W : width;
  int r = 0;
  for (; r + 16 <= vec; r += 16) {
    __m512d acc[NQ][2];
    for (int q = 0; q < NQ; ++q) {
      acc[q][0] = widen(_mm256_loadu_ps(c + ptrdiff_t(q) * ldc + r));
      acc[q][1] = widen(_mm256_loadu_ps(c + ptrdiff_t(q) * ldc + r + 8));
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
      _mm256_storeu_ps(c + ptrdiff_t(q) * ldc + r, narrow(acc[q][0]));
      _mm256_storeu_ps(c + ptrdiff_t(q) * ldc + r + 8, narrow(acc[q][1]));
    }
  }
  for (; r < vec; r += 8) {
    __m512d acc[NQ];
    for (int q = 0; q < NQ; ++q) acc[q] = widen(_mm256_loadu_ps(c + ptrdiff_t(q) * ldc + r));
    for (int p = 0; p < w; ++p) {
      const __m512d m0 = _mm512_load_pd(md + p * kChunk + r);
      for (int q = 0; q < NQ; ++q)
        acc[q] = _mm512_fmadd_pd(_mm512_set1_pd(s[8 * q + p]), m0, acc[q]);
    }
    for (int q = 0; q < NQ; ++q) _mm256_storeu_ps(c + ptrdiff_t(q) * ldc + r, narrow(acc[q]));
  }
}

template <int W>
__attribute__((target("avx512f"))) void sweep_chunk(int vec, int width, const double* md, int ncol,
                                                    const float* s, float* c, int ldc) {
  int q = 0;
  for (; q + 4 <= ncol; q += 4)
    sweep_columns<4, W>(vec, width, md, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
  for (; q < ncol; ++q) sweep_columns<1, W>(vec, width, md, s + 8 * q, c + ptrdiff_t(q) * ldc, ldc);
}

}  // namespace

// The rows in chunks that stay in the first-level cache, the chunk's
// multipliers widened to double once for all columns.
__attribute__((target("avx512f"))) void panel_sweep(int count, int width, const float* m, int ldm,
                                                    int ncol, const float* s, float* c, int ldc) {
  alignas(64) double md[8 * kChunk];
  for (int r0 = 0; r0 < count; r0 += kChunk) {
    const int rows = std::min(kChunk, count - r0);
    const int vec = rows - rows % 8;
    for (int p = 0; p < width; ++p)
      for (int r = 0; r < vec; r += 8)
        _mm512_store_pd(md + p * kChunk + r,
                        widen(_mm256_loadu_ps(m + ptrdiff_t(p) * ldm + r0 + r)));
    if (width == 8) {
      sweep_chunk<8>(vec, width, md, ncol, s, c + r0, ldc);
    } else {
      sweep_chunk<0>(vec, width, md, ncol, s, c + r0, ldc);
    }
    for (int q = 0; q < ncol; ++q)
      forms::sweep_rows_plain(r0 + vec, r0 + rows, width, m, ldm, s + 8 * q,
                              c + ptrdiff_t(q) * ldc);
  }
}

__attribute__((target("avx512f"))) void residual_rows(int n, const float* a, int lda,
                                                      const float* b, const float* x, float* r) {
  const __m256 minus = _mm256_set1_ps(-0.0f);
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    __m512d acc[4];
    for (int h = 0; h < 4; ++h)
      acc[h] = widen(_mm256_xor_ps(minus, _mm256_loadu_ps(b + i + 8 * h)));
    for (int j = 0; j < n; ++j) {
      const float* col = a + ptrdiff_t(j) * lda + i;
      const __m512d xv = _mm512_set1_pd(x[j]);
      for (int h = 0; h < 4; ++h)
        acc[h] = _mm512_fmadd_pd(widen(_mm256_loadu_ps(col + 8 * h)), xv, acc[h]);
    }
    for (int h = 0; h < 4; ++h) _mm256_storeu_ps(r + i + 8 * h, narrow(acc[h]));
  }
  for (; i + 8 <= n; i += 8) {
    __m512d acc = widen(_mm256_xor_ps(minus, _mm256_loadu_ps(b + i)));
    for (int j = 0; j < n; ++j)
      acc = _mm512_fmadd_pd(widen(_mm256_loadu_ps(a + ptrdiff_t(j) * lda + i)),
                            _mm512_set1_pd(x[j]), acc);
    _mm256_storeu_ps(r + i, narrow(acc));
  }
  forms::residual_rows_plain(i, n, a, lda, b, x, r);
}

}  // namespace linsolve::forms::avx512
