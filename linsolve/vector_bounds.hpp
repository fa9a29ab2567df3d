#pragma once
// Deciding the float of a sum from the same terms summed in another order: the
// argument that lets a vector form sum in its own order and still store what
// the ascending sum stores.
#include <cstdint>

#include "io/bit_cast.hpp"

namespace linsolve::forms {

// Deciding the float of a sum from the same terms summed in another order.
//
// The kernels sum their terms in double in ascending order, starting from +0,
// and round the sum A to float once. The vector forms sum the same terms in
// another order, F, and know M-hat, a computed sum of the terms' magnitudes.
// Let S and M be the exact sum and magnitude sum, u = 2^-53 and K >= 1 a bound
// on the number of additions any one term passes through in either order.
// - Every term is exact in double: a product of two floats (24 + 24 bits, and
//   exponents far inside double's range, so it never overflows or underflows)
//   or a magnitude. An addition is rounded to nearest with relative error at
//   most u; when its result is subnormal it is exact. So any order of summation
//   gives |sum - S| <= g * M with g = K u / (1 - K u) (each term is multiplied
//   by at most K factors (1 + d), |d| <= u), and |A - F| <= 2 g M.
// - M-hat is a sum of non-negative terms, so M <= M-hat / (1 - g), and |F| <=
//   (1 + g) M.
// - With bound = fl(M-hat * K * 2^-51) >= 4 K u M-hat (1 - u), the computed ends
//   lo = fl(F - bound) and hi = fl(F + bound) are off their exact values by at
//   most u (|F| + bound), which leaves lo <= F - 2 g M <= A and, likewise,
//   A <= hi, for every K >= 1 with K u <= 2^-20.
// Rounding double to float is monotone, so lo <= A <= hi and float(lo) ==
// float(hi) give float(A) == float(lo), which is also float(F) (lo <= F <= hi).
// Zeros are compared as bit patterns, +0 and -0 apart: a sum that starts from
// +0 is never -0 (x + y is -0 only when both are -0, and an exact cancellation
// gives +0), and neither is hi = fl(F + bound) with bound >= +0; so if both ends
// round to -0, A < 0 and rounds to -0 as well, and if both round to +0, A >= lo
// >= 0 rounds to +0. Infinite or NaN terms make M-hat infinite or NaN, and a
// magnitude sum beyond 2^1000 could overflow in one order and not in the other:
// such sums are not decided, and neither are sums whose ends round apart (rare,
// unless the terms cancel heavily); the caller then sums in ascending order.
inline bool decide(double sum, double magnitude, int terms, float& result) {
  if (!(magnitude < 0x1p1000)) return false;
  // K = terms + 16 covers the ascending order and the lane sums with their
  // final reduction.
  const double bound = magnitude * (double(terms + 16) * 0x1p-51);
  const float lo = float(sum - bound);
  const float hi = float(sum + bound);
  // float(sum) does not wait for the ends, which only confirm it.
  result = float(sum);
  return io::bit_cast<std::uint32_t>(lo) == io::bit_cast<std::uint32_t>(hi);
}

// Whether the ascending sum A of one set of non-negative terms is below the
// ascending sum B of another, decided from fa and fb, the same terms summed in
// another order (each sum is its own magnitude sum), with their counts: 1 when
// A < B, 0 when A >= B, -1 undecided. As in decide, the margins ba and bb
// exceed both the difference between the two orders and the rounding of the
// computed ends, so fa + ba as computed is at least A and fa - ba at most A,
// and likewise for B: fa + ba < fb - bb gives A < B, and fb + bb <= fa - ba
// gives B <= A.
inline int decide_less(double fa, int terms_a, double fb, int terms_b) {
  if (!(fa < 0x1p1000) || !(fb < 0x1p1000)) return -1;
  const double ba = fa * (double(terms_a + 16) * 0x1p-51);
  const double bb = fb * (double(terms_b + 16) * 0x1p-51);
  if (fa + ba < fb - bb) return 1;
  if (fb + bb <= fa - ba) return 0;
  return -1;
}

}  // namespace linsolve::forms
