// The vector forms of the hot loops against the plain forms: the same stored
// bits from every form the processor offers, for the loops one by one (ties,
// NaNs, block borders, remainders) and for whole factorizations and solves.
#include "linsolve/vector_paths.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "linsolve/linsolve.hpp"
#include "support.hpp"

namespace {

using linsolve_test::bits;
using linsolve_test::SolverTest;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Equal bits, or both NaN (a NaN's payload may come from either operand).
void expect_same_bits(const std::vector<float>& got, const std::vector<float>& want,
                      const char* what, int n) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    if (std::isnan(got[k]) && std::isnan(want[k])) continue;
    ASSERT_EQ(bits(got[k]), bits(want[k])) << what << ", order " << n << ", element " << k;
  }
}

class VectorPaths : public SolverTest {
 protected:
  // Every form this processor can run, the plain one first.
  std::vector<int> levels() {
    std::vector<int> all;
    for (int level = linsolve::kPortable; level <= linsolve::kAvx512; ++level) {
      linsolve::state().vector_limit = level;
      if (linsolve::vector_level() == level) all.push_back(level);
    }
    linsolve::state().vector_limit = linsolve::kAvx512;
    return all;
  }

  struct Factored {
    std::vector<float> fac, scale;
    std::vector<int> pivot;
  };

  Factored factor(int level, int n, const std::vector<float>& a) {
    linsolve::state().vector_limit = level;
    Factored f{std::vector<float>(std::size_t(n) * n), std::vector<float>(n), std::vector<int>(n)};
    errstack::reset();
    enter_library();
    L2TRG(n, a.data(), n, f.fac.data(), n, f.pivot.data(), f.scale.data());
    errstack::reset();
    return f;
  }

  void expect_same_factors(int n, const std::vector<float>& a) {
    const Factored plain = factor(linsolve::kPortable, n, a);
    for (int level : levels()) {
      const Factored f = factor(level, n, a);
      EXPECT_EQ(f.pivot, plain.pivot) << "level " << level << ", order " << n;
      expect_same_bits(f.scale, plain.scale, "SCALE", n);
      expect_same_bits(f.fac, plain.fac, "FAC", n);
    }
  }
};

TEST_F(VectorPaths, FactorsAreBitIdenticalToThePlainForm) {
  // Orders around the vector widths, the panel width, the row chunk of 256 and
  // the column groups of four.
  std::vector<int> orders;
  for (int n = 1; n <= 40; ++n) orders.push_back(n);
  for (int n : {63, 64, 65, 100, 201, 255, 256, 257, 270, 300}) orders.push_back(n);
  for (int n : orders) {
    expect_same_factors(n, linsolve_test::random_matrix(n, 500u + n));
    expect_same_factors(n, linsolve_test::influence(n));
  }
}

TEST_F(VectorPaths, FactorsAgreeThroughTooSmallPivotsAndSpecialValues) {
  const int n = 45;
  std::vector<float> a = linsolve_test::random_matrix(n, 91u);
  for (int j : {3, 12, 30})
    for (int i = 0; i < n; ++i) a[std::size_t(j - 1) * n + i] = 0.0f;
  a[std::size_t(20) * n + 7] = -0.0f;
  a[std::size_t(25) * n + 2] = 1e-40f;  // subnormal
  expect_same_factors(n, a);
  a[std::size_t(40) * n + 33] = kInf;
  a[std::size_t(41) * n + 5] = kNaN;
  expect_same_factors(n, a);
}

TEST_F(VectorPaths, SolutionsAreBitIdenticalToThePlainForm) {
  for (int n : {1, 7, 17, 50, 201}) {
    for (int ipath : {1, 2}) {
      const std::vector<float> a =
          n % 2 ? linsolve_test::random_matrix(n, 3u + n) : linsolve_test::influence(n);
      const std::vector<float> b = linsolve_test::random_vector(n, 11u + n);
      std::vector<float> plain(n), x(n);
      linsolve::state().vector_limit = linsolve::kPortable;
      LSARG(n, a.data(), n, b.data(), ipath, plain.data());
      for (int level : levels()) {
        linsolve::state().vector_limit = level;
        LSARG(n, a.data(), n, b.data(), ipath, x.data());
        expect_same_bits(x, plain, "X", n);
      }
    }
  }
}

TEST_F(VectorPaths, PivotSearchFollowsTheProductKernel) {
  std::vector<std::pair<std::vector<float>, std::vector<float>>> cases = {
      {{1, -4, 2, 4, 0}, {1, 1, 2, 1, 9}},
      {{0, 0, 0}, {1, 2, 3}},
      {{kNaN, 1, 2}, {1, 1, 1}},  // a NaN first is never replaced
      {{1, kNaN, 2, 2}, {1, 1, 1, 1}},
      {{-0.0f, 0.0f}, {1, 1}},
      {{3e20f, 1, 3e20f}, {3e20f, 1, 3e20f}},  // products overflow to infinity
      {{1e-30f, 2e-30f}, {1e-15f, 1e-15f}},    // products below the normal range
  };
  // Blocks of 400: ties across the border keep the earlier block.
  std::vector<float> x(900, 1.0f), y(900, 1.0f);
  x[399] = x[400] = x[850] = 5.0f;
  cases.emplace_back(x, y);
  x[399] = 1.0f;
  cases.emplace_back(x, y);
  // Every count from 1 to 40 on mixed magnitudes with repeats.
  for (int n = 1; n <= 40; ++n) {
    std::vector<float> u(n), v(n);
    for (int i = 0; i < n; ++i) u[i] = float((i * 7) % 5) - 2.0f, v[i] = float((i * 3) % 4);
    cases.emplace_back(u, v);
  }
  for (const auto& [u, v] : cases) {
    const int n = int(u.size());
    int want = 0;
    ISPMAX(n, u.data(), v.data(), want);
    for (int level : levels()) {
      linsolve::state().vector_limit = level;
      EXPECT_EQ(linsolve::first_largest_product(n, u.data(), v.data()), want)
          << "level " << level << ", n " << n;
    }
  }
}

TEST_F(VectorPaths, RowMagnitudesFollowTheSearchAlongEachRow) {
  const int n = 19;
  std::vector<float> a = linsolve_test::random_matrix(n, 5u);
  a[0] = kNaN;                        // row 1 starts with a NaN: it stays
  a[std::size_t(4) * n + 1] = kNaN;   // row 2 has a later NaN: ignored
  a[std::size_t(2) * n + 3] = -kInf;  // row 4 has an infinity
  for (int j = 0; j < n; ++j) a[std::size_t(j) * n + 5] = 0.0f;   // row 6 is zero
  a[std::size_t(6) * n + 9] = -a[std::size_t(3) * n + 9] + 0.0f;  // equal magnitudes
  for (int level : levels()) {
    linsolve::state().vector_limit = level;
    std::vector<float> r(n);
    linsolve::row_magnitudes(n, a.data(), n, r.data());
    for (int i = 0; i < n; ++i) {
      const float want = std::fabs(a[std::size_t(ISAMAX(n, &a[i], n) - 1) * n + i]);
      if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(r[i])) << "level " << level << ", row " << i;
      } else {
        EXPECT_EQ(bits(r[i]), bits(want)) << "level " << level << ", row " << i;
      }
    }
  }
}

TEST_F(VectorPaths, ResidualsFollowTheDoubleDotProduct) {
  for (int n : {1, 3, 8, 15, 16, 31, 33, 47, 100}) {
    const std::vector<float> a = linsolve_test::random_matrix(n, 40u + n);
    std::vector<float> b = linsolve_test::random_vector(n, 60u + n);
    const std::vector<float> x = linsolve_test::random_vector(n, 80u + n);
    b[0] = 0.0f;  // -0 + products
    for (int level : levels()) {
      linsolve::state().vector_limit = level;
      std::vector<float> r(n);
      linsolve::residual_rows(n, a.data(), n, b.data(), x.data(), r.data());
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(bits(r[i]), bits(SDSDOT(n, -b[i], &a[i], n, x.data(), 1)))
            << "level " << level << ", n " << n;
    }
  }
}

TEST_F(VectorPaths, ColumnLoopsRoundEachElementOnce) {
  const std::vector<float> m = linsolve_test::random_vector(37, 1u);
  const std::vector<float> c0 = linsolve_test::random_vector(37, 2u);
  for (int level : levels()) {
    linsolve::state().vector_limit = level;
    std::vector<float> c = c0, d = c0;
    linsolve::column_axpy(37, 0.3f, m.data(), c.data());
    linsolve::column_scale(37, -1.7f, d.data());
    for (int i = 0; i < 37; ++i) {
      EXPECT_EQ(bits(c[i]), bits(float(c0[i] + double(0.3f) * m[i]))) << level;
      EXPECT_EQ(bits(d[i]), bits(float(double(-1.7f) * c0[i]))) << level;
    }
  }
}

}  // namespace
