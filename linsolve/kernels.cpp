// The vector kernels. The unit-stride loops of SSCAL, SAXPY, SDOT and SASUM are
// the hot loops of vector_paths.hpp; the others handle the first n mod m
// elements one at a time and the rest in groups of m.
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
  if (incx == 1) return linsolve::unit_scale(n, sa, sx);
  const double a = sa;
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
  if (incx == 1 && incy == 1) return linsolve::unit_axpy(n, sa, sx, sy);
  const double a = sa;
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
  if (incx == 1 && incy == 1) return linsolve::unit_dot(n, sx, sy);
  return float(dot_strided(n, 0.0, sx, incx, sy, incy));
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
  if (incx == 1) return linsolve::unit_abs_sum(n, sx);
  double sum = 0.0;
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
