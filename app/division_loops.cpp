#include "app/division_loops.hpp"

#include <emmintrin.h>

#include <cmath>

namespace {

constexpr double kTwoPi = double(6.2832f);  // the pressure step's 2 pi

// Two floats moved as one 64-bit piece by the integer forms, which take any
// alignment and may alias the floats (the flow arrays and the matrix columns
// start at every multiple of four bytes).
inline __m128d two_floats(const float* p) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

inline void store_two_floats(float* p, __m128d v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(_mm_cvtpd_ps(v)));
}

}  // namespace

void influence_column_plain(int n, const float* xc, double xv, double divisor, float* col) {
  for (int r = 0; r < n; ++r) col[r] = float((1.0 / (double(xc[r]) - xv)) / divisor);
}

void influence_column(int n, const float* xc, double xv, double divisor, float* col) {
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d v = _mm_set1_pd(xv);
  const __m128d d = _mm_set1_pd(divisor);
  int r = 0;
  for (; r + 2 <= n; r += 2)
    store_two_floats(col + r, _mm_div_pd(_mm_div_pd(one, _mm_sub_pd(two_floats(xc + r), v)), d));
  influence_column_plain(n - r, xc + r, xv, divisor, col + r);
}

void induced_velocities_plain(int n, int self, double nvort, double xpt, const float* gam,
                              float* dvel) {
  for (int j = 1; j <= n; ++j) {
    if (j == self) continue;
    dvel[j - 1] = float(double(gam[j - 1]) / (std::fabs(double(j) / nvort - xpt) * kTwoPi));
  }
}

void induced_velocities(int n, int self, const double* ends, double xpt, const float* gam,
                        float* dvel) {
  // Every element is formed, then the one at self is put back as it was.
  const float kept = self >= 1 && self <= n ? dvel[self - 1] : 0.0f;
  const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
  const __m128d x = _mm_set1_pd(xpt);
  const __m128d pi2 = _mm_set1_pd(kTwoPi);
  int i = 0;
  for (; i + 2 <= n; i += 2) {
    const __m128d distance = _mm_and_pd(magnitude, _mm_sub_pd(_mm_loadu_pd(ends + i), x));
    store_two_floats(dvel + i, _mm_div_pd(two_floats(gam + i), _mm_mul_pd(distance, pi2)));
  }
  for (; i < n; ++i) dvel[i] = float(double(gam[i]) / (std::fabs(ends[i] - xpt) * kTwoPi));
  if (self >= 1 && self <= n) dvel[self - 1] = kept;
}
