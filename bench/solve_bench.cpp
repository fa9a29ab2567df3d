// Times a full solve (work space, factorization, condition estimate, refined
// solution) of one system at orders 50, 100, 201 and 1000, on random matrices
// and on the program's influence matrix. Each solver is a peer in one list, so
// that other implementations can be timed beside LSARG on the same systems.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "errstack/errstack.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "linsolve/linsolve.hpp"

namespace {

// Solves A x = b for the n by n matrix a (leading dimension n).
using SolveFn = void (*)(int n, const float* a, const float* b, float* x);

struct Peer {
  const char* name;
  SolveFn solve;
};

void solve_lsarg(int n, const float* a, const float* b, float* x) { LSARG(n, a, n, b, 1, x); }

const Peer kPeers[] = {
    {"LSARG", solve_lsarg},
};

const int kOrders[] = {50, 100, 201, 1000};

std::vector<float> random_matrix(int n) {
  std::mt19937 gen(20240u + unsigned(n));
  std::vector<float> a(std::size_t(n) * n);
  for (float& v : a) v = float(double(gen()) / 2147483648.0 - 1.0);
  return a;
}

// The program's influence matrix: vortices at the quarter points and control
// points at the three-quarter points of N equal panels; element (j, i) is the
// velocity induced at control point j by a unit vortex at i.
std::vector<float> influence_matrix(int n) {
  const float h = float(1.0 / n);
  std::vector<float> xv(n), xc(n), a(std::size_t(n) * n);
  for (int i = 1; i <= n; ++i) {
    xv[i - 1] = float(double(i - 1) * h + 0.25 / n);
    xc[i - 1] = float(double(i - 1) * h + 0.75 / n);
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      a[std::size_t(i - 1) * n + (j - 1)] = float((1.0 / (double(xc[j - 1]) - xv[i - 1])) / 6.28f);
  return a;
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
  state.counters["flops"] =
      benchmark::Counter(2.0 / 3.0 * double(n) * n * n, benchmark::Counter::kIsIterationInvariantRate);
}

void register_all() {
  for (const Peer& peer : kPeers) {
    for (int n : kOrders) {
      benchmark::RegisterBenchmark((std::string(peer.name) + "/random").c_str(),
                                   [peer, a = random_matrix(n)](benchmark::State& s) { solve_system(s, peer, a); })
          ->Arg(n)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark((std::string(peer.name) + "/influence").c_str(),
                                   [peer, a = influence_matrix(n)](benchmark::State& s) { solve_system(s, peer, a); })
          ->Arg(n)
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The solver's warnings would interleave with the timings: send them nowhere.
  std::FILE* quiet = std::fopen("/dev/null", "w");
  if (quiet != nullptr) io::bind_unit(io::kUnitOutput, quiet);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  register_all();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  io::reset_units();
  if (quiet != nullptr) std::fclose(quiet);
  return 0;
}
