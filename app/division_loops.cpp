#include "app/division_loops.hpp"

#include <cmath>

namespace {

constexpr double kTwoPi = double(6.2832f);  // the pressure step's 2 pi

}  // namespace

void influence_column_plain(int n, const float* xc, double xv, double divisor, float* col) {
  for (int r = 0; r < n; ++r) col[r] = float((1.0 / (double(xc[r]) - xv)) / divisor);
}

// The elements are independent: the compiler divides as many at a time as the
// vector unit holds doubles, each by the same IEEE operations as alone.
void influence_column(int n, const float* xc, double xv, double divisor, float* col) {
#pragma omp simd
  for (int r = 0; r < n; ++r) col[r] = float((1.0 / (double(xc[r]) - xv)) / divisor);
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
  // Every element is formed, then the one at self is put back as it was: a
  // loop without a branch is divided a vector at a time.
  const float kept = self >= 1 && self <= n ? dvel[self - 1] : 0.0f;
#pragma omp simd
  for (int i = 0; i < n; ++i) dvel[i] = float(double(gam[i]) / (std::fabs(ends[i] - xpt) * kTwoPi));
  if (self >= 1 && self <= n) dvel[self - 1] = kept;
}
