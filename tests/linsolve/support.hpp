#pragma once
// Shared by the solver tests: the console fixture with the solver's hooks, the
// test matrices (column-major, leading dimension N), and double-precision
// references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/influence_matrix.hpp"
#include "errstack/errstack.hpp"
#include "io/terminate.hpp"
#include "linsolve/state.hpp"
#include "linsolve/vector_forms.hpp"
#include "tests/support/console.hpp"

namespace linsolve::forms {
// Test names and messages show a form by its name.
inline void PrintTo(const Entry* form, std::ostream* out) { *out << linsolve::form_name(form); }
}  // namespace linsolve::forms

namespace linsolve_test {

// The console fixture with the solver's test hooks at their defaults.
class SolverTest : public test_support::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    reset_hooks();
  }

  void TearDown() override {
    ConsoleTest::TearDown();
    reset_hooks();
  }

  static void reset_hooks() {
    linsolve::state().failing_requests = 0;
    linsolve::use_form(nullptr);
  }

  // Runs the calls that follow one level up, as routines called by a library
  // routine: N1RTY(1) and N1RCD(1) then tell what the last call recorded, and
  // only a TERMINAL error stops the run.
  static void enter_library() { E1PSH("CALLER "); }
};

inline float entry(std::mt19937& gen) {
  // Uniform in [-1, 1), the same on every platform.
  return float(double(gen()) / 2147483648.0 - 1.0);
}

inline std::vector<float> random_matrix(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<float> a(std::size_t(n) * n);
  for (float& v : a) v = entry(gen);
  return a;
}

inline std::vector<float> random_vector(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<float> v(n);
  for (float& x : v) x = entry(gen);
  return v;
}

inline std::vector<float> hilbert(int n) {
  std::vector<float> a(std::size_t(n) * n);
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) a[std::size_t(j - 1) * n + (i - 1)] = float(1.0 / (i + j - 1));
  return a;
}

// The program's influence matrix, built by MATRICA up to its bound of 201.
inline std::vector<float> influence(int n) { return influence_matrix(n); }

// Rows and columns scaled over four orders of magnitude each.
inline std::vector<float> graded(int n, unsigned seed) {
  std::vector<float> a = random_matrix(n, seed);
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i) {
      const double t = n > 1 ? 4.0 / (n - 1) : 0.0;
      a[std::size_t(j - 1) * n + (i - 1)] =
          float(a[std::size_t(j - 1) * n + (i - 1)] * std::pow(10.0, -t * (i - 1)) *
                std::pow(10.0, -t * (n - j)));
    }
  return a;
}

// A in double, factored by Gaussian elimination with partial pivoting, for
// reference solutions of A x = b or transpose(A) x = b.
class DoubleLU {
 public:
  DoubleLU(int n, const std::vector<float>& a, bool transposed = false)
      : n_(n), m_(std::size_t(n) * n), perm_(n) {
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i)
        e(i, j) = transposed ? a[std::size_t(i) * n + j] : a[std::size_t(j) * n + i];
    for (int k = 0; k < n; ++k) {
      int p = k;
      for (int i = k + 1; i < n; ++i)
        if (std::fabs(e(i, k)) > std::fabs(e(p, k))) p = i;
      perm_[k] = p;
      for (int j = 0; j < n; ++j) std::swap(e(k, j), e(p, j));
      for (int i = k + 1; i < n; ++i) {
        e(i, k) /= e(k, k);
        for (int j = k + 1; j < n; ++j) e(i, j) -= e(i, k) * e(k, j);
      }
    }
  }

  std::vector<double> solve(std::vector<double> b) const {
    // Whole rows were exchanged, multipliers included: all exchanges first.
    for (int k = 0; k < n_; ++k) std::swap(b[k], b[perm_[k]]);
    for (int k = 0; k < n_; ++k)
      for (int i = k + 1; i < n_; ++i) b[i] -= e(i, k) * b[k];
    for (int k = n_ - 1; k >= 0; --k) {
      double s = b[k];
      for (int j = k + 1; j < n_; ++j) s -= e(k, j) * b[j];
      b[k] = s / e(k, k);
    }
    return b;
  }

 private:
  double& e(int i, int j) { return m_[std::size_t(j) * n_ + i]; }
  double e(int i, int j) const { return m_[std::size_t(j) * n_ + i]; }
  int n_;
  std::vector<double> m_;
  std::vector<int> perm_;
};

inline std::vector<double> solve_double(int n, const std::vector<float>& a, std::vector<double> b,
                                        bool transposed = false) {
  return DoubleLU(n, a, transposed).solve(std::move(b));
}

inline double norm1(int n, const std::vector<float>& a) {
  double best = 0.0;
  for (int j = 0; j < n; ++j) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += std::fabs(double(a[std::size_t(j) * n + i]));
    best = std::max(best, s);
  }
  return best;
}

// The reciprocal L1 condition number, computed in double.
inline double true_rcond(int n, const std::vector<float>& a) {
  const DoubleLU lu(n, a);
  double inv_norm = 0.0;
  for (int j = 0; j < n; ++j) {
    std::vector<double> e(n, 0.0);
    e[j] = 1.0;
    double s = 0.0;
    for (double v : lu.solve(e)) s += std::fabs(v);
    inv_norm = std::max(inv_norm, s);
  }
  return 1.0 / (norm1(n, a) * inv_norm);
}

inline std::uint32_t bits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

}  // namespace linsolve_test
