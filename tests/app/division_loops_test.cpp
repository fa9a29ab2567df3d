// The vector forms of the division loops store the bits of the plain forms.
#include "app/division_loops.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "io/bit_cast.hpp"

namespace {

std::vector<std::uint32_t> bits(const std::vector<float>& v) {
  std::vector<std::uint32_t> b;
  for (float x : v) b.push_back(io::bit_cast<std::uint32_t>(x));
  return b;
}

// Random values with the awkward ones mixed in: zeros of both signs, a
// subnormal, infinities and a NaN.
std::vector<float> values(std::mt19937& rng, int n) {
  const float odd[] = {0.0f,
                       -0.0f,
                       1e-45f,
                       std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::quiet_NaN()};
  std::uniform_real_distribution<float> u(-2.0f, 2.0f);
  std::vector<float> v(static_cast<std::size_t>(n));
  for (float& x : v) x = rng() % 8 == 0 ? odd[rng() % 6] : u(rng);
  return v;
}

// The values one float into a fresh array, so that the fast forms meet arrays
// that start four bytes past an eight-byte boundary, as every other flow array
// and matrix column of the program does.
std::vector<float> shifted(const std::vector<float>& v) {
  std::vector<float> s(v.size() + 1, 0.0f);
  std::copy(v.begin(), v.end(), s.begin() + 1);
  return s;
}

std::vector<float> unshifted(const std::vector<float>& s) { return {s.begin() + 1, s.end()}; }

TEST(DivisionLoops, VectorFormsStoreThePlainFormsBits) {
  std::mt19937 rng(7);
  for (int n : {0, 1, 2, 3, 10, 93, 200, 201}) {
    SCOPED_TRACE(n);
    const std::vector<float> xc = values(rng, n);
    for (double xv : {0.125, double(xc.empty() ? 0.0f : xc[0]), -0.0, 1e300}) {
      std::vector<float> plain(std::size_t(n), 7.0f), fast(plain);
      influence_column_plain(n, xc.data(), xv, double(6.28f), plain.data());
      influence_column(n, xc.data(), xv, double(6.28f), fast.data());
      EXPECT_EQ(bits(fast), bits(plain));
      std::vector<float> fast_shifted = shifted(fast), xc_shifted = shifted(xc);
      influence_column(n, xc_shifted.data() + 1, xv, double(6.28f), fast_shifted.data() + 1);
      EXPECT_EQ(bits(unshifted(fast_shifted)), bits(plain));
    }
    for (int self : {1, n / 2, n, n + 1}) {
      for (double nvort : {double(n), 5.7, 0.0}) {
        const double xpt = (self + 0.25) / nvort;
        std::vector<double> ends;
        for (int j = 1; j <= n; ++j) ends.push_back(double(j) / nvort);
        std::vector<float> plain = values(rng, n), fast(plain);
        std::vector<float> fast_shifted = shifted(fast), gam_shifted = shifted(xc);
        induced_velocities_plain(n, self, nvort, xpt, xc.data(), plain.data());
        induced_velocities(n, self, ends.data(), xpt, xc.data(), fast.data());
        EXPECT_EQ(bits(fast), bits(plain)) << "self " << self << ", nvort " << nvort;
        induced_velocities(n, self, ends.data(), xpt, gam_shifted.data() + 1,
                           fast_shifted.data() + 1);
        EXPECT_EQ(bits(unshifted(fast_shifted)), bits(plain)) << "shifted, self " << self;
      }
    }
  }
}

}  // namespace
