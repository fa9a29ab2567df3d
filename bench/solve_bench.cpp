// Times a full solve of one system at orders 50, 100, 201 and 1000, on random
// matrices and on the program's influence matrix: LSARG (work space,
// factorization, condition estimate, refined solution) and, when the reference
// LAPACK is linked, two peers doing the same work on the same systems in the
// same process:
//   sgesvx     the expert driver, no equilibration (it also computes the
//              reciprocal pivot growth and error bounds, which LSARG does not);
//   composed   sgetrf + sgetrs + sgecon + sgerfs, the same work by hand, with
//              the L1 norm for sgecon from slange.
// Every peer copies A and obtains its work space inside the timed call, as
// LSARG does. After the runs a table gives the time of LSARG divided by the
// time of each peer (below 1: LSARG is faster).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "bench/influence_matrix.hpp"
#include "errstack/errstack.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "linsolve/linsolve.hpp"

#ifdef VORTEX_BENCH_LAPACK
// The reference LAPACK, Fortran calling convention: everything by address,
// the length of each character argument appended at the end.
extern "C" {
void sgesvx_(const char* fact, const char* trans, const int* n, const int* nrhs, float* a,
             const int* lda, float* af, const int* ldaf, int* ipiv, char* equed, float* r, float* c,
             float* b, const int* ldb, float* x, const int* ldx, float* rcond, float* ferr,
             float* berr, float* work, int* iwork, int* info, std::size_t fact_len,
             std::size_t trans_len, std::size_t equed_len);
void sgetrf_(const int* m, const int* n, float* a, const int* lda, int* ipiv, int* info);
void sgetrs_(const char* trans, const int* n, const int* nrhs, const float* a, const int* lda,
             const int* ipiv, float* b, const int* ldb, int* info, std::size_t trans_len);
void sgecon_(const char* norm, const int* n, const float* a, const int* lda, const float* anorm,
             float* rcond, float* work, int* iwork, int* info, std::size_t norm_len);
void sgerfs_(const char* trans, const int* n, const int* nrhs, const float* a, const int* lda,
             const float* af, const int* ldaf, const int* ipiv, const float* b, const int* ldb,
             float* x, const int* ldx, float* ferr, float* berr, float* work, int* iwork, int* info,
             std::size_t trans_len);
float slange_(const char* norm, const int* m, const int* n, const float* a, const int* lda,
              float* work, std::size_t norm_len);
}
#endif

namespace {

// Solves A x = b for the n by n matrix a (leading dimension n); a and b are
// left as they were.
using SolveFn = void (*)(int n, const float* a, const float* b, float* x);

struct Peer {
  const char* name;
  SolveFn solve;
};

void solve_lsarg(int n, const float* a, const float* b, float* x) { LSARG(n, a, n, b, 1, x); }

#ifdef VORTEX_BENCH_LAPACK
void solve_sgesvx(int n, const float* a, const float* b, float* x) {
  const int nrhs = 1;
  std::vector<float> acopy(a, a + std::size_t(n) * n), af(std::size_t(n) * n), bcopy(b, b + n);
  std::vector<float> r(n), c(n), work(4 * std::size_t(n));
  std::vector<int> ipiv(n), iwork(n);
  char equed = 'N';
  float rcond = 0.0f, ferr = 0.0f, berr = 0.0f;
  int info = 0;
  sgesvx_("N", "N", &n, &nrhs, acopy.data(), &n, af.data(), &n, ipiv.data(), &equed, r.data(),
          c.data(), bcopy.data(), &n, x, &n, &rcond, &ferr, &berr, work.data(), iwork.data(), &info,
          1, 1, 1);
  benchmark::DoNotOptimize(rcond);
}

void solve_composed(int n, const float* a, const float* b, float* x) {
  const int nrhs = 1;
  std::vector<float> af(a, a + std::size_t(n) * n), work(4 * std::size_t(n));
  std::vector<int> ipiv(n), iwork(n);
  float rcond = 0.0f, ferr = 0.0f, berr = 0.0f;
  int info = 0;
  const float anorm = slange_("1", &n, &n, a, &n, work.data(), 1);
  sgetrf_(&n, &n, af.data(), &n, ipiv.data(), &info);
  std::copy(b, b + n, x);
  sgetrs_("N", &n, &nrhs, af.data(), &n, ipiv.data(), x, &n, &info, 1);
  sgecon_("1", &n, af.data(), &n, &anorm, &rcond, work.data(), iwork.data(), &info, 1);
  sgerfs_("N", &n, &nrhs, a, &n, af.data(), &n, ipiv.data(), b, &n, x, &n, &ferr, &berr,
          work.data(), iwork.data(), &info, 1);
  benchmark::DoNotOptimize(rcond);
}
#endif

const Peer kPeers[] = {
    {"LSARG", solve_lsarg},
#ifdef VORTEX_BENCH_LAPACK
    {"sgesvx", solve_sgesvx},
    {"composed", solve_composed},
#endif
};

const int kOrders[] = {50, 100, 201, 1000};

std::vector<float> random_matrix(int n) {
  std::mt19937 gen(20240u + unsigned(n));
  std::vector<float> a(std::size_t(n) * n);
  for (float& v : a) v = float(double(gen()) / 2147483648.0 - 1.0);
  return a;
}

// ||b - A x||inf / (||A||inf ||x||inf), in double: shows that a peer solved.
double backward_error(int n, const std::vector<float>& a, const std::vector<float>& b,
                      const std::vector<float>& x) {
  double worst = 0.0, norm_a = 0.0, norm_x = 0.0;
  for (int i = 0; i < n; ++i) {
    double r = b[i], row = 0.0;
    for (int j = 0; j < n; ++j) {
      r -= double(a[std::size_t(j) * n + i]) * x[j];
      row += std::fabs(double(a[std::size_t(j) * n + i]));
    }
    worst = std::max(worst, std::fabs(r));
    norm_a = std::max(norm_a, row);
    norm_x = std::max(norm_x, std::fabs(double(x[i])));
  }
  return norm_a * norm_x > 0.0 ? worst / (norm_a * norm_x) : worst;
}

void solve_system(benchmark::State& state, const Peer& peer, const std::vector<float>& a) {
  const int n = int(state.range(0));
  std::vector<float> b(n), x(n);
  for (int i = 0; i < n; ++i) b[i] = float(1.0 / (i + 1));
  for (auto _ : state) {
    try {
      peer.solve(n, a.data(), b.data(), x.data());
    } catch (const io::RunStopped&) {
      state.SkipWithError("the solver stopped the run");
      break;
    }
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  // Elimination work, two thirds of N cubed multiply-adds counted as flops.
  state.counters["flops"] = benchmark::Counter(2.0 / 3.0 * double(n) * n * n,
                                               benchmark::Counter::kIsIterationInvariantRate);
  state.counters["berr"] = backward_error(n, a, b, x);
}

void register_all() {
  for (const Peer& peer : kPeers) {
    for (int n : kOrders) {
      benchmark::RegisterBenchmark(
          (std::string(peer.name) + "/random").c_str(),
          [peer, a = random_matrix(n)](benchmark::State& s) { solve_system(s, peer, a); })
          ->Arg(n)
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(
          (std::string(peer.name) + "/influence").c_str(),
          [peer, a = influence_matrix(n)](benchmark::State& s) { solve_system(s, peer, a); })
          ->Arg(n)
          ->Unit(benchmark::kMicrosecond);
    }
  }
}

// The console report, followed by the ratio of LSARG's time to each peer's for
// every matrix and order that both ran. With repetitions the fastest run counts.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      // Names are peer/matrix/order.
      const std::string name = run.benchmark_name();
      const std::size_t first = name.find('/');
      const std::size_t second = name.find('/', first + 1);
      if (first == std::string::npos || second == std::string::npos) continue;
      const Key key{name.substr(first + 1, second - first - 1), std::stoi(name.substr(second + 1)),
                    name.substr(0, first)};
      const double t = run.GetAdjustedRealTime();
      auto [it, fresh] = times_.emplace(key, t);
      if (!fresh) it->second = std::min(it->second, t);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::vector<std::string> peers;
    for (const Peer& p : kPeers)
      if (std::string(p.name) != "LSARG") peers.emplace_back(p.name);
    if (peers.empty()) return;
    std::FILE* out = stdout;
    std::fprintf(out, "\nLSARG time / peer time (below 1: LSARG is faster)\n");
    std::fprintf(out, "%-10s %6s %12s", "matrix", "order", "LSARG (us)");
    for (const std::string& p : peers)
      std::fprintf(out, " %12s %10s", (p + " (us)").c_str(), ("/ " + p).c_str());
    std::fprintf(out, "\n");
    for (const char* matrix : {"influence", "random"}) {
      for (int n : kOrders) {
        auto own = times_.find(Key{matrix, n, "LSARG"});
        if (own == times_.end()) continue;
        std::fprintf(out, "%-10s %6d %12.1f", matrix, n, own->second);
        for (const std::string& p : peers) {
          auto peer = times_.find(Key{matrix, n, p});
          if (peer == times_.end()) {
            std::fprintf(out, " %12s %10s", "-", "-");
          } else {
            std::fprintf(out, " %12.1f %10.3f", peer->second, own->second / peer->second);
          }
        }
        std::fprintf(out, "\n");
      }
    }
    std::fflush(out);
  }

 private:
  using Key = std::tuple<std::string, int, std::string>;  // matrix, order, peer
  std::map<Key, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  // The solver's warnings would interleave with the timings: send them nowhere.
  std::FILE* quiet = std::fopen("/dev/null", "w");
  if (quiet != nullptr) io::bind_unit(io::kUnitOutput, quiet);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  register_all();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  io::reset_units();
  if (quiet != nullptr) std::fclose(quiet);
  return 0;
}
