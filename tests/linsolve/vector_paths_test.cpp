// The vector forms of the hot loops against the plain form: the same stored
// bits from each vector form this build holds (a form the processor lacks is
// skipped), for the loops one by one (ties, NaNs, block borders, remainders,
// sums decided by a bound and sums left to the ascending order) and for whole
// factorizations, estimates and solves.
#include "linsolve/vector_paths.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "linsolve/linsolve.hpp"
#include "linsolve/vector_table.hpp"
#include "support.hpp"

namespace {

using linsolve_test::bits;
using linsolve_test::SolverTest;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Equal bits, or both NaN (a NaN's payload may come from either operand).
bool same(float a, float b) { return bits(a) == bits(b) || (std::isnan(a) && std::isnan(b)); }

void expect_same_bits(const std::vector<float>& got, const std::vector<float>& want,
                      const char* what, int n) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    if (std::isnan(got[k]) && std::isnan(want[k])) continue;
    ASSERT_EQ(bits(got[k]), bits(want[k])) << what << ", order " << n << ", element " << k;
  }
}

using linsolve::Form;

Form plain_form() { return linsolve::find_form("plain"); }

// The vector forms this build holds.
std::vector<Form> vector_forms() {
  std::vector<Form> forms;
  for (Form f : linsolve::built_forms())
    if (f != plain_form()) forms.push_back(f);
  return forms;
}

class VectorPaths : public SolverTest, public testing::WithParamInterface<Form> {
 protected:
  void SetUp() override {
    SolverTest::SetUp();
    if (!linsolve::offered(GetParam()))
      GTEST_SKIP() << "this processor lacks the " << linsolve::form_name(GetParam()) << " form";
  }

  struct Factored {
    std::vector<float> fac, scale;
    std::vector<int> pivot;
  };

  Factored factor(Form form, int n, const std::vector<float>& a) {
    linsolve::use_form(form);
    Factored f{std::vector<float>(std::size_t(n) * n), std::vector<float>(n), std::vector<int>(n)};
    errstack::reset();
    enter_library();
    L2TRG(n, a.data(), n, f.fac.data(), n, f.pivot.data(), f.scale.data());
    errstack::reset();
    return f;
  }

  void expect_same_factors(int n, const std::vector<float>& a) {
    const Factored plain = factor(plain_form(), n, a);
    const Form form = GetParam();
    const Factored f = factor(form, n, a);
    EXPECT_EQ(f.pivot, plain.pivot) << linsolve::form_name(form) << ", order " << n;
    expect_same_bits(f.scale, plain.scale, "SCALE", n);
    expect_same_bits(f.fac, plain.fac, "FAC", n);
  }
};

TEST_P(VectorPaths, FactorsAreBitIdenticalToThePlainForm) {
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

TEST_P(VectorPaths, FactorsAgreeThroughTooSmallPivotsAndSpecialValues) {
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

TEST_P(VectorPaths, SolutionsAreBitIdenticalToThePlainForm) {
  for (int n : {1, 7, 17, 50, 201}) {
    for (int ipath : {1, 2}) {
      const std::vector<float> a =
          n % 2 ? linsolve_test::random_matrix(n, 3u + n) : linsolve_test::influence(n);
      const std::vector<float> b = linsolve_test::random_vector(n, 11u + n);
      std::vector<float> plain(n), x(n);
      linsolve::use_form(plain_form());
      LSARG(n, a.data(), n, b.data(), ipath, plain.data());
      const Form form = GetParam();
      linsolve::use_form(form);
      LSARG(n, a.data(), n, b.data(), ipath, x.data());
      expect_same_bits(x, plain, "X", n);
    }
  }
}

TEST_P(VectorPaths, PivotSearchFollowsTheProductKernel) {
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
    const Form form = GetParam();
    linsolve::use_form(form);
    EXPECT_EQ(linsolve::first_largest_product(n, u.data(), v.data()), want)
        << linsolve::form_name(form) << ", n " << n;
  }
}

TEST_P(VectorPaths, PanelStepsSearchTheNextColumnAsTheyStoreIt) {
  // The step's one pass against the scaling, the column updates and ISPMAX one
  // after the other: ties, zeros, a NaN first (never replaced) and later
  // (ignored), and every count around the vector widths.
  struct Case {
    int count, ncol;
    bool scale;
    float t;
  };
  std::vector<Case> cases;
  for (int count = 1; count <= 20; ++count)
    cases.push_back({count, count % 8, count % 3 != 0, -0.7f});
  for (int count : {31, 33, 100, 399, 400}) cases.push_back({count, 7, true, 1.5f});
  for (const Case& c : cases) {
    for (int special = 0; special < 4; ++special) {
      const int ld = c.count + 3;
      std::vector<float> cols = linsolve_test::random_vector(ld * 8, 7u + c.count);
      std::vector<float> m = linsolve_test::random_vector(c.count, 9u + c.count);
      std::vector<float> w = linsolve_test::random_vector(c.count, 11u + c.count);
      const std::vector<float> s = linsolve_test::random_vector(8, 13u);
      // Small integers in the first column and the weights: many equal products.
      for (int i = 0; i < c.count; ++i) {
        cols[i] = float(i % 5 - 2);
        w[i] = float(i % 3 + 1);
      }
      if (special == 1) m[0] = kNaN;  // the first product NaN
      if (special == 2 && c.count > 2) cols[c.count / 2] = kNaN;
      if (special == 3) std::fill(m.begin(), m.end(), 0.0f);
      std::vector<float> plain_cols = cols, plain_m = m;
      linsolve::use_form(plain_form());
      const int want = linsolve::panel_step(c.count, c.scale, c.t, plain_m.data(), c.ncol, s.data(),
                                            plain_cols.data(), ld, w.data(), c.ncol > 0);
      const Form form = GetParam();
      linsolve::use_form(form);
      std::vector<float> got_cols = cols, got_m = m;
      EXPECT_EQ(linsolve::panel_step(c.count, c.scale, c.t, got_m.data(), c.ncol, s.data(),
                                     got_cols.data(), ld, w.data(), c.ncol > 0),
                want)
          << linsolve::form_name(form) << ", count " << c.count << ", case " << special;
      expect_same_bits(got_m, plain_m, "multipliers", c.count);
      expect_same_bits(got_cols, plain_cols, "columns", c.count);
    }
  }
}

TEST_P(VectorPaths, RowMagnitudesFollowTheSearchAlongEachRow) {
  // The special rows within the first vectors and, at 83, in a block of 64
  // rows and in the rows after it.
  for (int n : {19, 83}) {
    std::vector<float> a = linsolve_test::random_matrix(n, 5u);
    for (int base : {0, n - 19}) {
      a[base] = kNaN;                            // a row that starts with a NaN: it stays
      a[std::size_t(4) * n + base + 1] = kNaN;   // a row with a later NaN: ignored
      a[std::size_t(2) * n + base + 3] = -kInf;  // a row with an infinity
      for (int j = 0; j < n; ++j) a[std::size_t(j) * n + base + 5] = 0.0f;          // a zero row
      a[std::size_t(6) * n + base + 9] = -a[std::size_t(3) * n + base + 9] + 0.0f;  // a tie
    }
    const Form form = GetParam();
    linsolve::use_form(form);
    std::vector<float> r(n);
    linsolve::row_magnitudes(n, a.data(), n, r.data());
    for (int i = 0; i < n; ++i) {
      const float want = std::fabs(a[std::size_t(ISAMAX(n, &a[i], n) - 1) * n + i]);
      if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(r[i])) << linsolve::form_name(form) << ", row " << i;
      } else {
        EXPECT_EQ(bits(r[i]), bits(want)) << linsolve::form_name(form) << ", row " << i;
      }
    }
  }
}

TEST_P(VectorPaths, ResidualsFollowTheDoubleDotProduct) {
  // Every remainder of the vector widths and of the chunks of 16 to 64 rows.
  std::vector<int> orders;
  for (int n = 1; n <= 72; ++n) orders.push_back(n);
  for (int n : {100, 127, 128, 129, 201}) orders.push_back(n);
  for (int n : orders) {
    const std::vector<float> a = linsolve_test::random_matrix(n, 40u + n);
    std::vector<float> b = linsolve_test::random_vector(n, 60u + n);
    const std::vector<float> x = linsolve_test::random_vector(n, 80u + n);
    b[0] = 0.0f;  // -0 + products
    const Form form = GetParam();
    linsolve::use_form(form);
    std::vector<float> r(n);
    linsolve::residual_rows(n, a.data(), n, b.data(), x.data(), r.data());
    for (int i = 0; i < n; ++i)
      EXPECT_EQ(bits(r[i]), bits(SDSDOT(n, -b[i], &a[i], n, x.data(), 1)))
          << linsolve::form_name(form) << ", n " << n;
  }
}

TEST_P(VectorPaths, ColumnLoopsRoundEachElementOnce) {
  const std::vector<float> m = linsolve_test::random_vector(37, 1u);
  std::vector<float> c0 = linsolve_test::random_vector(37, 2u);
  // The scaling multiplies in float: products that overflow, fall below the
  // normal range or to zero, and NaNs.
  const float specials[] = {1e-40f, -1e-45f, 3e38f, -2e-38f, kInf, kNaN, -0.0f, 0.0f};
  for (int i = 0; i < 8; ++i) c0[4 * i + 1] = specials[i];
  for (float t : {-1.7f, 3e30f, 1e-30f, 0x1p-126f, -0.0f}) {
    const Form form = GetParam();
    linsolve::use_form(form);
    std::vector<float> c = c0, d = c0;
    SAXPY(37, 0.3f, m.data(), 1, c.data(), 1);
    for (int count : {37, 16, 5}) SSCAL(count, t, d.data(), 1);
    for (int i = 0; i < 37; ++i) {
      EXPECT_TRUE(same(c[i], float(c0[i] + double(0.3f) * m[i]))) << linsolve::form_name(form);
      float want = c0[i];
      for (int count : {37, 16, 5})
        if (i < count) want = float(double(t) * want);
      EXPECT_TRUE(same(d[i], want))
          << linsolve::form_name(form) << ", t " << t << ", element " << i;
    }
  }
}

// Dot products whose order of summation matters: random terms, terms that
// cancel, sums steered onto the midpoint between two floats, products below
// float's range (zeros of both signs), subnormal, huge, infinite and NaN terms.
std::vector<std::pair<std::vector<float>, std::vector<float>>> dot_cases() {
  std::vector<std::pair<std::vector<float>, std::vector<float>>> cases;
  for (int n : {1, 2, 7, 8, 9, 15, 16, 17, 31, 33, 64, 100, 201, 1000})
    cases.emplace_back(linsolve_test::random_vector(n, 7u + n),
                       linsolve_test::random_vector(n, 9u + n));
  for (int n : {9, 17, 40, 150}) {
    std::vector<float> x = linsolve_test::random_vector(n, 3u + n), y(2 * n, 1.0f);
    for (int i = 0; i < n; ++i) x.push_back(-x[i] * (i % 3 ? 1.0f : 1.0f + 0x1p-20f));
    cases.emplace_back(x, y);
    // A last term that takes the ascending sum to a rounding midpoint of float.
    std::vector<float> u = linsolve_test::random_vector(n, 5u + n);
    std::vector<float> v = linsolve_test::random_vector(n, 6u + n);
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += double(u[i]) * v[i];
    const float f = float(sum);
    const double mid = f + (double(std::nextafter(f, kInf)) - f) / 2;
    u.push_back(float(mid - sum));
    v.push_back(1.0f);
    cases.emplace_back(u, v);
  }
  // Mirrored pairs that cancel exactly: the ascending sum keeps the rounding
  // errors of its first half, another order keeps others, and only the bound
  // sends such sums back to the ascending order (a zero bound fails a tenth of
  // them on every form).
  std::mt19937 gen(17u);
  for (int k = 0; k < 200; ++k) {
    const int n = 8 + k % 33;
    std::vector<float> x(n), y(n);
    for (int i = 0; i < n; ++i) x[i] = linsolve_test::entry(gen), y[i] = linsolve_test::entry(gen);
    for (int i = 0; i < n / 2; ++i) {
      x[n - 1 - i] = -x[i];
      y[n - 1 - i] = y[i];
    }
    cases.emplace_back(x, y);
  }
  cases.push_back({{0x1p-12f, 1.0f, 0x1p-40f, -0x1p-40f, 0x1p-40f},
                   {0x1p-12f, 1.0f, 0x1p-35f, 0x1p-35f, -0x1p-35f}});
  cases.push_back({{1e-30f, -2e-30f, 1e-30f, 3e-31f}, {1e-30f, 1e-30f, 1e-30f, -1e-30f}});  // -0
  cases.push_back({{1e-30f, -1e-30f, 1e-30f, -1e-30f}, {1e-30f, 1e-30f, 1e-30f, 1e-30f}});  // +0
  cases.push_back(
      {{-0.0f, 0.0f, -0.0f, 5.0f, -5.0f, -0.0f, 0.0f, 1.0f, -1.0f}, std::vector<float>(9, -1.0f)});
  cases.push_back({{1e-45f, 3e-44f, -7e-45f, 1e-40f, 2e-39f, 1e-45f, 1e-45f, 1e-45f, 5e-45f},
                   std::vector<float>(9, 0.5f)});
  cases.push_back({std::vector<float>(12, 3e38f), std::vector<float>(12, -3e38f)});
  for (float special : {kInf, -kInf, kNaN}) {
    std::vector<float> x = linsolve_test::random_vector(20, 1u);
    x[13] = special;
    cases.emplace_back(x, linsolve_test::random_vector(20, 2u));
  }
  return cases;
}

TEST_P(VectorPaths, SumsDecidedByTheirBoundGiveTheAscendingFloat) {
  for (const auto& [x, y] : dot_cases()) {
    const int n = int(x.size());
    linsolve::use_form(plain_form());
    const float dot = SDOT(n, x.data(), 1, y.data(), 1);
    const float abs_sum = SASUM(n, x.data(), 1);
    linsolve::use_form(GetParam());
    EXPECT_TRUE(same(SDOT(n, x.data(), 1, y.data(), 1), dot)) << "n " << n;
    EXPECT_TRUE(same(SASUM(n, x.data(), 1), abs_sum)) << "n " << n;
  }
}

TEST_P(VectorPaths, UpperSolveByColumnsGivesTheBitsOfTheRowForm) {
  struct Case {
    int n;
    std::vector<float> u;  // its upper triangle is used
    std::vector<float> b;
  };
  std::vector<Case> cases;
  for (int n : {1, 2, 3, 8, 9, 17, 40, 64, 201, 513, 600}) {
    // The factors of a random matrix, and of an ill-conditioned one whose
    // solution comes from sums that cancel.
    const std::vector<float> b = linsolve_test::random_vector(n, 70u + n);
    cases.push_back({n, factor(plain_form(), n, linsolve_test::random_matrix(n, 2u + n)).fac, b});
    if (n <= 64) cases.push_back({n, factor(plain_form(), n, linsolve_test::hilbert(n)).fac, b});
  }
  std::vector<float> u = linsolve_test::random_matrix(30, 4u);
  u[std::size_t(20) * 30 + 20] = 1e-42f;  // a subnormal diagonal: x(21) is huge
  u[std::size_t(25) * 30 + 5] = 1e-40f;
  cases.push_back({30, u, linsolve_test::random_vector(30, 8u)});
  u[std::size_t(12) * 30 + 12] = 0.0f;  // infinities and NaNs from there up
  cases.push_back({30, u, linsolve_test::random_vector(30, 8u)});
  u = linsolve_test::random_matrix(30, 4u);
  u[std::size_t(27) * 30 + 3] = kNaN;
  u[std::size_t(15) * 30 + 9] = -kInf;
  cases.push_back({30, u, linsolve_test::random_vector(30, 8u)});
  std::vector<float> zeros(30, 0.0f);
  zeros[7] = -0.0f;
  cases.push_back({30, linsolve_test::random_matrix(30, 4u), zeros});
  for (const Case& c : cases) {
    for (char diag : {'N', 'U'}) {
      std::vector<float> plain = c.b;
      linsolve::use_form(plain_form());
      STRSV('U', 'N', diag, c.n, c.u.data(), c.n, plain.data(), 1);
      const Form form = GetParam();
      linsolve::use_form(form);
      std::vector<float> x = c.b;
      STRSV('U', 'N', diag, c.n, c.u.data(), c.n, x.data(), 1);
      expect_same_bits(x, plain, "x", c.n);
    }
  }
}

TEST_P(VectorPaths, ConditionEstimatesAreBitIdenticalToThePlainForm) {
  std::vector<std::pair<int, std::vector<float>>> cases;
  // Rows of U longer than 512 the estimator walks in place instead of in a copy.
  for (int n : {1, 2, 3, 5, 8, 9, 16, 17, 33, 64, 201, 300, 530})
    cases.emplace_back(n, linsolve_test::random_matrix(n, 30u + n));
  for (int n : {10, 50, 201}) cases.emplace_back(n, linsolve_test::influence(n));
  for (int n : {12, 40}) cases.emplace_back(n, linsolve_test::graded(n, 6u));
  cases.emplace_back(12, linsolve_test::hilbert(12));
  // Powers of two on the diagonal: both choices of the estimator tie.
  std::vector<float> d(std::size_t(20) * 20, 0.0f);
  for (int i = 0; i < 20; ++i) d[std::size_t(i) * 20 + i] = std::ldexp(1.0f, i % 5 - 2);
  cases.emplace_back(20, d);
  std::vector<float> a = linsolve_test::random_matrix(45, 91u);
  a[std::size_t(25) * 45 + 2] = 1e-40f;
  a[std::size_t(30) * 45 + 30] = 1e30f;
  cases.emplace_back(45, a);
  a[std::size_t(40) * 45 + 33] = kInf;
  cases.emplace_back(45, a);
  a[std::size_t(41) * 45 + 5] = kNaN;
  cases.emplace_back(45, a);
  for (const auto& [n, m] : cases) {
    std::vector<float> fac(std::size_t(n) * n), plain(n), work(n);
    std::vector<int> pivot(n);
    float plain_rcond = 0.0f, rcond = 0.0f;
    linsolve::use_form(plain_form());
    enter_library();
    L2CRG(n, m.data(), n, fac.data(), n, pivot.data(), plain_rcond, plain.data());
    const Form form = GetParam();
    linsolve::use_form(form);
    errstack::reset();
    enter_library();
    L2CRG(n, m.data(), n, fac.data(), n, pivot.data(), rcond, work.data());
    EXPECT_TRUE(same(rcond, plain_rcond)) << linsolve::form_name(form) << ", order " << n;
    expect_same_bits(work, plain, "WORK", n);

    errstack::reset();
  }
}

// The names of the forms that the imagined processor of a case runs.
std::string runs_here;
bool imagined_offers(Form form) {
  return (" " + runs_here + " ").find(std::string(" ") + linsolve::form_name(form) + " ") !=
         std::string::npos;
}

TEST(FormChoice, TakesTheRequestThenTheProcessorsRowThenTheWidest) {
  struct Case {
    const char* build;      // the cases of builds with these forms
    const char* requested;  // VORTEX_FORM
    linsolve::forms::Processor cpu;
    const char* runs;  // the forms the processor runs
    const char* want;
    const char* notice;
  };
  const char* const x86 = "plain sse2 avx2 avx512";
  const char* const arm = "plain neon";
  const char* const plain = "plain";
  const Case cases[] = {
      {x86, nullptr, {"AuthenticAMD", 26, 2}, x86, "avx512", ""},
      {x86, nullptr, {"AuthenticAMD", 25, 17}, x86, "avx2", ""},  // 512 bits as two halves
      {x86, "", {"AuthenticAMD", 25, 17}, "plain sse2", "sse2", ""},
      {x86, "avx512", {"AuthenticAMD", 25, 17}, x86, "avx512", ""},
      {x86, "plain", {"GenuineIntel", 6, 85}, x86, "plain", ""},
      {x86,
       "avx512",
       {"GenuineIntel", 6, 85},
       "plain sse2 avx2",
       "avx2",
       "VORTEX_FORM=avx512 is a form this processor cannot run; using avx2"},
      {x86,
       "widest",
       {},
       x86,
       "avx512",
       "VORTEX_FORM=widest names no form of this build (plain, sse2, avx2, avx512); "
       "using avx512"},
      {arm, nullptr, {}, arm, "neon", ""},
      {arm,
       "avx2",
       {},
       arm,
       "neon",
       "VORTEX_FORM=avx2 names no form of this build (plain, neon); using neon"},
      {plain,
       "sse2",
       {"AuthenticAMD", 25, 17},
       plain,
       "plain",
       "VORTEX_FORM=sse2 names no form of this build (plain); using plain"},
  };
  std::string built;
  for (Form f : linsolve::built_forms()) built += std::string(built.empty() ? "" : " ") + f->name;
  int matched = 0;
  for (const Case& c : cases) {
    if (built != c.build) continue;
    ++matched;
    runs_here = c.runs;
    char notice[linsolve::forms::kNoticeSize] = "left over";
    const Form got = linsolve::forms::choose(c.requested, c.cpu, imagined_offers, notice);
    EXPECT_STREQ(linsolve::form_name(got), c.want) << (c.requested ? c.requested : "unset");
    EXPECT_STREQ(notice, c.notice);
  }
  ASSERT_GT(matched, 0) << "no cases for a build of the forms " << built;

  // The form taken at start-up: the one VORTEX_FORM names when the processor
  // runs it, else one it runs, and a vector form wherever it runs one (no row
  // names the plain form). A test's form holds until it is given back.
  linsolve::use_form(nullptr);
  const Form taken = linsolve::form_in_use();
  EXPECT_TRUE(linsolve::offered(taken));
  const char* const requested = std::getenv("VORTEX_FORM");
  const Form named = linsolve::find_form(requested != nullptr ? requested : "");
  bool runs_a_vector_form = false;
  for (Form f : linsolve::built_forms())
    runs_a_vector_form = runs_a_vector_form || (f != plain_form() && linsolve::offered(f));
  if (linsolve::offered(named)) {
    EXPECT_EQ(taken, named);
  } else if (runs_a_vector_form) {
    EXPECT_NE(taken, plain_form());
  }
  linsolve::use_form(plain_form());
  EXPECT_EQ(linsolve::form_in_use(), plain_form());
  linsolve::use_form(nullptr);
  EXPECT_EQ(linsolve::form_in_use(), taken);
}

std::string form_label(const testing::TestParamInfo<Form>& info) {
  return linsolve::form_name(info.param);
}

INSTANTIATE_TEST_SUITE_P(Forms, VectorPaths, testing::ValuesIn(vector_forms()), form_label);
// A target with no vector forms has nothing to compare.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(VectorPaths);

}  // namespace
