// The hot loops' plain forms, which run on any processor and define the values
// every form stores.
#include <cmath>
#include <cstddef>

#include "linsolve/vector_table.hpp"

namespace linsolve {
namespace forms {
namespace plain {
namespace {

using std::ptrdiff_t;

// Unit-stride loops take the first count mod m elements one at a time and the
// rest in groups of m; sums still run in ascending order.
void unit_axpy(int count, float s, const float* x, float* y) {
  const double a = s;
  const int m = count % 4;
  for (int i = 0; i < m; ++i) y[i] = float(a * x[i] + y[i]);
  for (int i = m; i < count; i += 4) {
    y[i] = float(a * x[i] + y[i]);
    y[i + 1] = float(a * x[i + 1] + y[i + 1]);
    y[i + 2] = float(a * x[i + 2] + y[i + 2]);
    y[i + 3] = float(a * x[i + 3] + y[i + 3]);
  }
}

void unit_scale(int count, float s, float* x) {
  const double a = s;
  const int m = count % 5;
  for (int i = 0; i < m; ++i) x[i] = float(a * x[i]);
  for (int i = m; i < count; i += 5) {
    x[i] = float(a * x[i]);
    x[i + 1] = float(a * x[i + 1]);
    x[i + 2] = float(a * x[i + 2]);
    x[i + 3] = float(a * x[i + 3]);
    x[i + 4] = float(a * x[i + 4]);
  }
}

// The first largest of count >= 1 magnitudes mag(i), ISAMAX's rule: only a
// strictly greater one replaces, so a NaN first stays and a later NaN is
// passed over. Returns its position, its magnitude in big.
template <class Magnitude>
int first_largest(int count, Magnitude mag, float& big) {
  int at = 0;
  big = mag(0);
  for (int i = 1; i < count; ++i) {
    const float v = mag(i);
    if (v > big) {
      at = i;
      big = v;
    }
  }
  return at;
}

int largest_product(int count, const float* x, const float* y, float& big) {
  return first_largest(
      count, [&](int i) { return std::fabs(float(double(x[i]) * y[i])); }, big);
}

int panel_step(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
               int ldc, const float* w, bool search) {
  if (scale)
    for (int i = 0; i < count; ++i) m[i] = float(double(t) * m[i]);
  for (int q = 0; q < ncol; ++q) {
    float* col = c + ptrdiff_t(q) * ldc;
    for (int i = 0; i < count; ++i) col[i] = float(col[i] + double(s[q]) * m[i]);
  }
  if (!search) return -1;
  if (count <= 0) return 0;
  float big = 0.0f;
  return largest_product(count, c, w, big);
}

void row_magnitudes(int n, const float* a, int lda, float* r) {
  for (int i = 0; i < n; ++i)
    first_largest(
        n, [&](int j) { return std::fabs(a[ptrdiff_t(j) * lda + i]); }, r[i]);
}

void panel_rows(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s) {
  for (int q = 0; q < ncol; ++q) {
    float* col = c + ptrdiff_t(q) * ldc;
    for (int p = 0; p < width; ++p) {
      const double sp = s[8 * q + p] = col[p];
      for (int i = p + 1; i < width; ++i) col[i] = float(col[i] + sp * m[ptrdiff_t(p) * ldm + i]);
    }
  }
}

void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc) {
  for (int q = 0; q < ncol; ++q) {
    float* col = c + ptrdiff_t(q) * ldc;
    for (int r = 0; r < count; ++r) {
      double sum = col[r];
      for (int p = 0; p < width; ++p) sum += double(s[8 * q + p]) * m[ptrdiff_t(p) * ldm + r];
      col[r] = float(sum);
    }
  }
}

void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r) {
  for (int i = 0; i < n; ++i) {
    double sum = -b[i];
    for (int j = 0; j < n; ++j) sum += double(a[ptrdiff_t(j) * lda + i]) * x[j];
    r[i] = float(sum);
  }
}

void upper_solve(int n, const float* a, int lda, float* x, bool unit) {
  for (int j = n - 1; j >= 0; --j) {
    const float sum =
        j < n - 1 ? row_dot(n - 1 - j, a + ptrdiff_t(j + 1) * lda + j, lda, x + j + 1) : 0.0f;
    const double v = double(x[j]) - sum;
    x[j] = unit ? float(v) : float(v / a[ptrdiff_t(j) * lda + j]);
  }
}

void rows_to_strip(int rows, int count, const float* a, int lda, float* strip, int lds) {
  for (int r = 0; r < rows; ++r)
    for (int j = 0; j < count; ++j) strip[ptrdiff_t(r) * lds + j] = a[ptrdiff_t(j) * lda + r];
}

}  // namespace

float unit_dot(int count, const float* x, const float* y) {
  double sum = 0.0;
  const int m = count % 5;
  for (int i = 0; i < m; ++i) sum += double(x[i]) * y[i];
  for (int i = m; i < count; i += 5) {
    sum += double(x[i]) * y[i];
    sum += double(x[i + 1]) * y[i + 1];
    sum += double(x[i + 2]) * y[i + 2];
    sum += double(x[i + 3]) * y[i + 3];
    sum += double(x[i + 4]) * y[i + 4];
  }
  return float(sum);
}

float unit_abs_sum(int count, const float* x) {
  double sum = 0.0;
  const int m = count % 6;
  for (int i = 0; i < m; ++i) sum += std::fabs(double(x[i]));
  for (int i = m; i < count; i += 6) {
    sum += std::fabs(double(x[i]));
    sum += std::fabs(double(x[i + 1]));
    sum += std::fabs(double(x[i + 2]));
    sum += std::fabs(double(x[i + 3]));
    sum += std::fabs(double(x[i + 4]));
    sum += std::fabs(double(x[i + 5]));
  }
  return float(sum);
}

float row_dot(int count, const float* a, int lda, const float* x) {
  double sum = 0.0;
  for (int i = 0; i < count; ++i) sum += double(a[ptrdiff_t(i) * lda]) * x[i];
  return float(sum);
}

int estimate_row(int count, float wp, double wm, double sp, double sm, const float* u, int ld,
                 float* z) {
  for (int j = 0; j < count; ++j) {
    const double uj = u[ptrdiff_t(j) * ld];
    sm += std::fabs(z[j] + wm * uj);
    z[j] = float(z[j] + double(wp) * uj);
    sp += std::fabs(double(z[j]));
  }
  if (!(sp < sm)) return 0;
  const float t = float(wm - double(wp));
  if (t != 0.0f)
    for (int j = 0; j < count; ++j) z[j] = float(z[j] + double(t) * u[ptrdiff_t(j) * ld]);
  return 1;
}

}  // namespace plain

const Entry plain_entry = {
    "plain",
    {plain::unit_axpy, plain::unit_scale, plain::unit_dot, plain::unit_abs_sum, plain::panel_step,
     plain::row_magnitudes, plain::largest_product, plain::panel_rows, plain::panel_sweep,
     plain::residual_rows, plain::upper_solve, plain::rows_to_strip, plain::estimate_row},
    every_processor,
    0,
};

}  // namespace forms

}  // namespace linsolve
