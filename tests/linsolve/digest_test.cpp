// The solver's results on a fixed corpus, reduced to the digests kept beside
// this file in digests.txt, which every target, compiler and vector form must
// give bit for bit. The corpus is built only with operations that are exact or
// correctly rounded everywhere (no libm function that may round otherwise).
//
// VORTEX_PRINT_DIGESTS=1 prints the digests as the file holds them instead of
// comparing them. The stored ones are the plain form's on x86-64: the lines of
// three words that  linsolve_test --gtest_filter='*Digest*plain'  prints so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "linsolve/linsolve.hpp"
#include "support.hpp"

namespace {

using linsolve::Form;

// FNV-1a over 32-bit words taken little end first, whatever the host's order.
struct Fnv {
  std::uint64_t h = 0xcbf29ce484222325u;
  void word(std::uint32_t w) {
    for (int k = 0; k < 4; ++k) h = (h ^ ((w >> (8 * k)) & 0xffu)) * 0x100000001b3u;
  }
  void integer(int v) { word(std::uint32_t(v)); }
  // A NaN's sign and payload depend on the processor: all NaNs count as one.
  void real(float f) { word(std::isnan(f) ? 0x7fc00000u : linsolve_test::bits(f)); }
  void reals(const std::vector<float>& v) {
    for (float f : v) real(f);
  }
};

struct Case {
  std::string family, name;
  int n;
  std::vector<float> a;
  bool transposed_too;  // IPATH 2 as well
};

std::vector<float> scaled(int n, std::vector<float> a, bool rows) {
  // Powers of two from 2**-48 to 2**48, in an order with no pattern: exact.
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      a[std::size_t(j) * n + i] *= std::ldexp(1.0f, ((rows ? i : j) * 37) % 97 - 48);
  return a;
}

std::vector<Case> corpus() {
  std::vector<Case> cases;
  auto add = [&](const char* family, const std::string& name, int n, std::vector<float> a,
                 bool transposed_too = true) {
    cases.push_back({family, name + "-" + std::to_string(n), n, std::move(a), transposed_too});
  };
  for (int n = 1; n <= 201; ++n) add("influence", "order", n, linsolve_test::influence(n));
  for (int n : {1, 2, 3, 4, 5, 6, 10, 11, 12, 13, 19, 20, 21, 23, 24, 25, 40, 50, 100, 150, 201})
    add("random", "uniform", n, linsolve_test::random_matrix(n, 1000u + unsigned(n)));
  for (int n : {2, 3, 6, 9, 18, 47}) {
    // Entries from -2 to 2: ties in every pivot search, exact cancellation.
    std::vector<float> a = linsolve_test::random_matrix(n, 2000u + unsigned(n));
    for (float& v : a) v = std::floor(2.5f * v + 0.5f);
    add("random", "ties", n, std::move(a));
  }
  for (int n = 1; n <= 14; ++n) add("ill-conditioned", "hilbert", n, linsolve_test::hilbert(n));
  for (int n : {5, 17, 40, 100})
    for (bool rows : {true, false})
      add("ill-conditioned", rows ? "rows" : "columns", n,
          scaled(n, linsolve_test::random_matrix(n, 3000u + unsigned(n)), rows));
  for (int n : {3, 10, 33, 64}) {
    // The last column the rounded sum of the first two, then nudged by one unit
    // in the last place; then a column of zeros as well (singular).
    std::vector<float> a = linsolve_test::random_matrix(n, 4000u + unsigned(n));
    float* last = &a[std::size_t(n - 1) * n];
    for (int i = 0; i < n; ++i) last[i] = a[i] + a[std::size_t(n) + i];
    add("ill-conditioned", "dependent", n, a);
    last[n / 2] = std::nextafter(last[n / 2], 2.0f);
    add("ill-conditioned", "nearly-dependent", n, a);
    for (int i = 0; i < n; ++i) a[std::size_t(n / 3) * n + i] = 0.0f;
    add("ill-conditioned", "zero-column", n, std::move(a));
  }
  // Vector widths and their remainders, the panel of 8, the row chunk and
  // column block of 256, the pivot search's product block of 400 and the
  // estimator's strip limit of 512. IPATH 2 only once above 300: it costs a
  // whole factorization, slow under an emulator.
  for (int n : {1,  2,  3,  4,   5,   7,   8,   9,   15,  16,  17,  31,  32, 33,
                63, 64, 65, 255, 256, 257, 399, 400, 401, 402, 512, 513, 514})
    add("block-borders", "order", n, linsolve_test::random_matrix(n, 5000u + unsigned(n)),
        n < 300 || n == 513);
  return cases;
}

class Digest : public linsolve_test::SolverTest, public testing::WithParamInterface<Form> {
 protected:
  void SetUp() override {
    SolverTest::SetUp();
    if (!linsolve::offered(GetParam()))
      GTEST_SKIP() << "this processor lacks the " << linsolve::form_name(GetParam()) << " form";
  }

  // RCOND, the pivots, FAC, WORK and the error of L2CRG; then X, the estimate LSARG
  // kept and the error of LSARG for each path, with b(i) = 1/i.
  static std::uint64_t digest(const Case& c) {
    const int n = c.n;
    Fnv d;
    std::vector<float> fac(std::size_t(n) * n), work(n), b(n), x(n);
    std::vector<int> pivot(n);
    float rcond = -1.0f;
    // The type and code the call recorded, or the status it stopped with.
    auto outcome = [&d](const std::function<void()>& call) {
      errstack::reset();
      enter_library();
      try {
        call();
        d.integer(N1RTY(1));
        d.integer(N1RCD(1));
      } catch (const io::RunStopped& stopped) {
        d.integer(-1);
        d.integer(stopped.status);
      }
    };
    outcome([&] { L2CRG(n, c.a.data(), n, fac.data(), n, pivot.data(), rcond, work.data()); });
    d.real(rcond);
    for (int p : pivot) d.integer(p);
    d.reals(fac);
    d.reals(work);
    for (int i = 0; i < n; ++i) b[i] = float(1.0 / (i + 1));
    for (int ipath = 1; ipath <= (c.transposed_too ? 2 : 1); ++ipath) {
      std::fill(x.begin(), x.end(), 0.0f);
      outcome([&] { LSARG(n, c.a.data(), n, b.data(), ipath, x.data()); });
      d.reals(x);
      d.real(linsolve::state().rcond);
    }
    errstack::reset();
    return d.h;
  }
};

TEST_P(Digest, CorpusGivesTheStoredDigests) {
  // The stored file lies beside this source; the compiler is given its full path.
  const std::string path = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/') + 1);
  std::ifstream file(path + "digests.txt");
  std::map<std::string, std::string> stored;  // "family case" to digest
  for (std::string line; std::getline(file, line);)
    if (!line.empty() && line[0] != '#')
      stored[line.substr(0, line.rfind(' '))] = line.substr(line.rfind(' ') + 1);
  const bool print = std::getenv("VORTEX_PRINT_DIGESTS") != nullptr;
  ASSERT_TRUE(print || !stored.empty()) << "no digests in " << path << "digests.txt";

  linsolve::use_form(GetParam());
  struct Tally {
    int cases = 0, differ = 0;
    std::string first;
  };
  std::map<std::string, Tally> families;
  std::size_t cases = 0;
  for (const Case& c : corpus()) {
    ++cases;
    char got[17];
    std::snprintf(got, sizeof got, "%016llx", static_cast<unsigned long long>(digest(c)));
    const std::string key = c.family + " " + c.name;
    clear_console();  // the warnings of the last one
    if (print) std::printf("%s %s\n", key.c_str(), got);
    Tally& t = families[c.family];
    ++t.cases;
    const auto it = stored.find(key);
    if (it != stored.end() && it->second == got) continue;
    if (t.differ++ == 0)
      t.first =
          c.name + " (" + got + ", stored " + (it == stored.end() ? "none" : it->second) + ")";
  }
  if (print) GTEST_SKIP() << "printed the digests, compared none";
  for (const auto& [family, t] : families)
    EXPECT_EQ(t.differ, 0) << family << ": " << t.differ << " of " << t.cases
                           << " cases differ, the first " << t.first;
  EXPECT_EQ(stored.size(), cases) << "digests.txt and the corpus do not hold the same cases";
}

INSTANTIATE_TEST_SUITE_P(Forms, Digest, testing::ValuesIn(linsolve::built_forms()),
                         [](const testing::TestParamInfo<Form>& p) {
                           return std::string(linsolve::form_name(p.param));
                         });

}  // namespace
