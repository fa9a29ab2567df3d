// Accuracy judged by scale-free ratios, each expected below 30: the
// factorization residual, the solution residual and the forward error, and the
// condition estimate against the true reciprocal condition number.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "linsolve/driver.hpp"
#include "support.hpp"

namespace {

using linsolve_test::SolverTest;

constexpr double kEps = 0x1p-23;
constexpr double kThreshold = 30.0;

// A' rebuilt from FAC and PIVOT in double by undoing the elimination steps in
// reverse: step k added FAC(i, k) times row k to row i and exchanged rows k
// and PIVOT(k), on columns k to N.
std::vector<double> rebuild(int n, const std::vector<float>& fac, const std::vector<int>& pivot) {
  std::vector<double> w(std::size_t(n) * n, 0.0);
  auto e = [&](int i, int j) -> double& { return w[std::size_t(j - 1) * n + (i - 1)]; };
  auto f = [&](int i, int j) { return double(fac[std::size_t(j - 1) * n + (i - 1)]); };
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= j; ++i) e(i, j) = f(i, j);
  for (int k = n - 1; k >= 1; --k) {
    for (int j = k; j <= n; ++j) {
      for (int i = k + 1; i <= n; ++i) e(i, j) -= f(i, k) * e(k, j);
      std::swap(e(k, j), e(pivot[k - 1], j));
    }
  }
  return w;
}

struct Ratios {
  double factor, residual, forward, rcond_error;
};

class Accuracy : public SolverTest {
 protected:
  Ratios measure(int n, const std::vector<float>& a, unsigned seed) {
    const std::vector<float> b = linsolve_test::random_vector(n, seed);
    std::vector<float> fac(std::size_t(n) * n), work(n), x(n);
    std::vector<int> pivot(n);
    E1PSH("LSARG ");  // the worker at its usual level, below the driver
    L2ARG(n, a.data(), n, b.data(), 1, x.data(), fac.data(), pivot.data(), work.data());
    E1POP("LSARG ");
    const double rcond = linsolve::state().rcond;
    const double anorm = linsolve_test::norm1(n, a);

    Ratios r{};
    const std::vector<double> rebuilt = rebuild(n, fac, pivot);
    double diff = 0.0;
    for (int j = 0; j < n; ++j) {
      double s = 0.0;
      for (int i = 0; i < n; ++i)
        s += std::fabs(a[std::size_t(j) * n + i] - rebuilt[std::size_t(j) * n + i]);
      diff = std::max(diff, s);
    }
    r.factor = diff / (n * anorm * kEps);

    double res = 0.0, xnorm = 0.0, err = 0.0, xstar_norm = 0.0;
    const std::vector<double> xstar = linsolve_test::solve_double(n, a, {b.begin(), b.end()});
    for (int i = 0; i < n; ++i) {
      double s = b[i];
      for (int j = 0; j < n; ++j) s -= double(a[std::size_t(j) * n + i]) * x[j];
      res += std::fabs(s);
      xnorm += std::fabs(x[i]);
      err += std::fabs(x[i] - xstar[i]);
      xstar_norm += std::fabs(xstar[i]);
    }
    r.residual = res / (anorm * xnorm * kEps);
    r.forward = err * rcond / (xstar_norm * kEps);
    const double truth = linsolve_test::true_rcond(n, a);
    r.rcond_error = std::max(rcond / truth, truth / rcond);
    return r;
  }

  void check(const std::string& kind, int n, const std::vector<float>& a, unsigned seed) {
    const Ratios r = measure(n, a, seed);
    EXPECT_LT(r.factor, kThreshold) << kind << " order " << n;
    EXPECT_LT(r.residual, kThreshold) << kind << " order " << n;
    EXPECT_LT(r.forward, kThreshold) << kind << " order " << n;
    EXPECT_LT(r.rcond_error, 10.0) << kind << " order " << n;
    errstack::reset();
  }
};

const int kOrders[] = {1, 2, 3, 5, 10, 50, 201};

TEST_F(Accuracy, RandomMatrices) {
  for (int n : kOrders) check("random", n, linsolve_test::random_matrix(n, 4000u + n), 17u + n);
}

TEST_F(Accuracy, InfluenceMatrices) {
  for (int n : kOrders) check("influence", n, linsolve_test::influence(n), 23u + n);
}

TEST_F(Accuracy, GradedMatrices) {
  for (int n : kOrders) check("graded", n, linsolve_test::graded(n, 6000u + n), 29u + n);
}

}  // namespace
