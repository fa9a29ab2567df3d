// The vector kernels. Unit-stride loops handle the first n mod m elements one at
// a time and the rest in groups of m; sums still run in ascending order.
//
// Increments: the single-vector kernels (SFILL, SSCAL, SASUM, ISAMAX) take
// increments of 1 or more; any other increment leaves them doing nothing (ISAMAX
// returns 0, SASUM 0.0) rather than walking outside the vector. The two-vector
// kernels walk a vector with a negative increment from its far end and use the
// first element n times for an increment of zero.
#include "linsolve/kernels.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "linsolve/state.hpp"
#include "linsolve/vector_paths.hpp"

namespace {

using std::ptrdiff_t;

// Offset of the first element a two-vector kernel uses: the far end when the
// increment is negative.
ptrdiff_t start(int n, int inc) { return inc < 0 ? static_cast<ptrdiff_t>(1 - n) * inc : 0; }

void copy_bits(const float* from, float* to) { std::memcpy(to, from, sizeof(float)); }

// The shortest sums that a vector form decides by its bound; shorter ones run
// in order at once.
constexpr int kByBound = 8;

}  // namespace

void SFILL(int n, float sa, float* sx, int incx) {
  if (n <= 0 || incx < 1) return;
  if (incx == 1) {
    const int m = n % 8;
    for (int i = 0; i < m; ++i) sx[i] = sa;
    for (int i = m; i < n; i += 8) {
      sx[i] = sa;
      sx[i + 1] = sa;
      sx[i + 2] = sa;
      sx[i + 3] = sa;
      sx[i + 4] = sa;
      sx[i + 5] = sa;
      sx[i + 6] = sa;
      sx[i + 7] = sa;
    }
    return;
  }
  for (ptrdiff_t i = 0, ix = 0; i < n; ++i, ix += incx) sx[ix] = sa;
}

void SSCAL(int n, float sa, float* sx, int incx) {
  if (n <= 0 || incx < 1) return;
  const double a = sa;
  if (incx == 1) {
    // The vector forms store the same values (vector_paths.hpp).
    if (linsolve::vector_scale(n, sa, sx)) return;
    const int m = n % 5;
    for (int i = 0; i < m; ++i) sx[i] = float(a * sx[i]);
    for (int i = m; i < n; i += 5) {
      sx[i] = float(a * sx[i]);
      sx[i + 1] = float(a * sx[i + 1]);
      sx[i + 2] = float(a * sx[i + 2]);
      sx[i + 3] = float(a * sx[i + 3]);
      sx[i + 4] = float(a * sx[i + 4]);
    }
    return;
  }
  for (ptrdiff_t i = 0, ix = 0; i < n; ++i, ix += incx) sx[ix] = float(a * sx[ix]);
}

void SCOPY(int n, const float* sx, int incx, float* sy, int incy) {
  if (n <= 0) return;
  if (incx == 1 && incy == 1) {
    // Distinct vectors move as one block; the same vector stays as it is.
    const auto from = reinterpret_cast<std::uintptr_t>(sx);
    const auto to = reinterpret_cast<std::uintptr_t>(sy);
    const std::uintptr_t bytes = std::uintptr_t(n) * sizeof(float);
    if (from == to) return;
    if (from + bytes <= to || to + bytes <= from) {
      std::memcpy(sy, sx, bytes);
      return;
    }
    const int m = n % 7;
    for (int i = 0; i < m; ++i) copy_bits(sx + i, sy + i);
    for (int i = m; i < n; i += 7) {
      copy_bits(sx + i, sy + i);
      copy_bits(sx + i + 1, sy + i + 1);
      copy_bits(sx + i + 2, sy + i + 2);
      copy_bits(sx + i + 3, sy + i + 3);
      copy_bits(sx + i + 4, sy + i + 4);
      copy_bits(sx + i + 5, sy + i + 5);
      copy_bits(sx + i + 6, sy + i + 6);
    }
    return;
  }
  ptrdiff_t ix = start(n, incx);
  ptrdiff_t iy = start(n, incy);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy) copy_bits(sx + ix, sy + iy);
}

void SAXPY(int n, float sa, const float* sx, int incx, float* sy, int incy) {
  if (n <= 0) return;
  if (sa == 0.0f) return;
  const double a = sa;
  if (incx == 1 && incy == 1) {
    if (linsolve::vector_axpy(n, sa, sx, sy)) return;
    const int m = n % 4;
    for (int i = 0; i < m; ++i) sy[i] = float(a * sx[i] + sy[i]);
    for (int i = m; i < n; i += 4) {
      sy[i] = float(a * sx[i] + sy[i]);
      sy[i + 1] = float(a * sx[i + 1] + sy[i + 1]);
      sy[i + 2] = float(a * sx[i + 2] + sy[i + 2]);
      sy[i + 3] = float(a * sx[i + 3] + sy[i + 3]);
    }
    return;
  }
  ptrdiff_t ix = start(n, incx);
  ptrdiff_t iy = start(n, incy);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy) sy[iy] = float(a * sx[ix] + sy[iy]);
}

namespace {

// The two-vector walk of the dot products, summing onto sum in double.
double dot_strided(int n, double sum, const float* sx, int incx, const float* sy, int incy) {
  ptrdiff_t ix = start(n, incx);
  ptrdiff_t iy = start(n, incy);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy) sum += double(sx[ix]) * sy[iy];
  return sum;
}

}  // namespace

float SDOT(int n, const float* sx, int incx, const float* sy, int incy) {
  if (n <= 0) return 0.0f;
  double sum = 0.0;
  if (incx == 1 && incy == 1) {
    // A sum in another order gives the same float whenever its bound decides it.
    float decided = 0.0f;
    if (n >= kByBound && linsolve::dot_by_bound(n, sx, sy, decided)) return decided;
    const int m = n % 5;
    for (int i = 0; i < m; ++i) sum += double(sx[i]) * sy[i];
    for (int i = m; i < n; i += 5) {
      sum += double(sx[i]) * sy[i];
      sum += double(sx[i + 1]) * sy[i + 1];
      sum += double(sx[i + 2]) * sy[i + 2];
      sum += double(sx[i + 3]) * sy[i + 3];
      sum += double(sx[i + 4]) * sy[i + 4];
    }
    return float(sum);
  }
  return float(dot_strided(n, sum, sx, incx, sy, incy));
}

float SDSDOT(int n, float sb, const float* sx, int incx, const float* sy, int incy) {
  double sum = sb;
  if (n <= 0) return sb;
  if (incx == incy && incx >= 1) {
    for (ptrdiff_t i = 0, k = 0; i < n; ++i, k += incx) sum += double(sx[k]) * sy[k];
    return float(sum);
  }
  return float(dot_strided(n, sum, sx, incx, sy, incy));
}

float SASUM(int n, const float* sx, int incx) {
  if (n <= 0 || incx < 1) return 0.0f;
  double sum = 0.0;
  if (incx == 1) {
    float decided = 0.0f;
    if (n >= kByBound && linsolve::abs_sum_by_bound(n, sx, decided)) return decided;
    const int m = n % 6;
    for (int i = 0; i < m; ++i) sum += std::fabs(double(sx[i]));
    for (int i = m; i < n; i += 6) {
      sum += std::fabs(double(sx[i]));
      sum += std::fabs(double(sx[i + 1]));
      sum += std::fabs(double(sx[i + 2]));
      sum += std::fabs(double(sx[i + 3]));
      sum += std::fabs(double(sx[i + 4]));
      sum += std::fabs(double(sx[i + 5]));
    }
    return float(sum);
  }
  for (ptrdiff_t i = 0, ix = 0; i < n; ++i, ix += incx) sum += std::fabs(double(sx[ix]));
  return float(sum);
}

int ISAMAX(int n, const float* sx, int incx) {
  if (n <= 0 || incx < 1) return 0;
  if (n == 1) return 1;
  // Only a strictly greater magnitude replaces the maximum: the first wins a tie.
  int imax = 1;
  float big = std::fabs(sx[0]);
  ptrdiff_t ix = incx;
  for (int i = 2; i <= n; ++i, ix += incx) {
    const float v = std::fabs(sx[ix]);
    if (v > big) {
      imax = i;
      big = v;
    }
  }
  return imax;
}

void ISPMAX(int n, const float* sx, const float* sy, int& imax) {
  float* buffer = linsolve::state().products;
  imax = 1;
  float best = 0.0f;
  for (int i1 = 1; i1 <= n; i1 += linsolve::kProductBlock) {
    const int i2 = (n - i1 < linsolve::kProductBlock) ? n : i1 + linsolve::kProductBlock - 1;
    for (int i = i1; i <= i2; ++i) buffer[i - i1] = float(double(sx[i - 1]) * sy[i - 1]);
    const int j = ISAMAX(i2 - i1 + 1, buffer, 1);
    // A later block must beat the best so far strictly: the first maximum stays.
    if (std::fabs(buffer[j - 1]) > best) {
      best = std::fabs(buffer[j - 1]);
      imax = j + i1 - 1;
    }
  }
}
