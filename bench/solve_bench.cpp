// Times a full solve of one system at orders 50, 100, 201 and 1000, on random
// matrices and on the program's influence matrix: LSARG (work space,
// factorization, condition estimate, refined solution) and, when their
// libraries are installed, three peers doing the same work on the same systems
// in the same process:
//   LAPACK sgesvx      the reference LAPACK's expert driver, no equilibration
//                      (it also computes the reciprocal pivot growth and error
//                      bounds, which LSARG does not);
//   LAPACK composed    sgetrf + sgecon + sgetrs + sgerfs of the reference
//                      LAPACK, the same work by hand, the L1 norm for sgecon
//                      from slange;
//   OpenBLAS composed  the same sequence from OpenBLAS on one thread.
// Every peer copies A and obtains its work space inside the timed call, as
// LSARG does. After the runs come the peak double FMA rate of one core, the
// LU's bound at order 201 at that rate, and a table of the ratios with their
// targets, and LSARG's time in each vector form the processor offers, with
// the program's choice among them.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "bench/influence_matrix.hpp"
#include "bench/peak_rate.hpp"
#include "errstack/errstack.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "linsolve/linsolve.hpp"
#include "linsolve/state.hpp"
#include "linsolve/vector_forms.hpp"
#include "linsolve/vector_table.hpp"

namespace {

// The LAPACK routines a peer needs, Fortran calling convention: everything by
// address, the length of each character argument appended at the end.
struct Lapack {
  void (*sgesvx)(const char* fact, const char* trans, const int* n, const int* nrhs, float* a,
                 const int* lda, float* af, const int* ldaf, int* ipiv, char* equed, float* r,
                 float* c, float* b, const int* ldb, float* x, const int* ldx, float* rcond,
                 float* ferr, float* berr, float* work, int* iwork, int* info, std::size_t fact_len,
                 std::size_t trans_len, std::size_t equed_len);
  void (*sgetrf)(const int* m, const int* n, float* a, const int* lda, int* ipiv, int* info);
  void (*sgetrs)(const char* trans, const int* n, const int* nrhs, const float* a, const int* lda,
                 const int* ipiv, float* b, const int* ldb, int* info, std::size_t trans_len);
  void (*sgecon)(const char* norm, const int* n, const float* a, const int* lda, const float* anorm,
                 float* rcond, float* work, int* iwork, int* info, std::size_t norm_len);
  void (*sgerfs)(const char* trans, const int* n, const int* nrhs, const float* a, const int* lda,
                 const float* af, const int* ldaf, const int* ipiv, const float* b, const int* ldb,
                 float* x, const int* ldx, float* ferr, float* berr, float* work, int* iwork,
                 int* info, std::size_t trans_len);
  float (*slange)(const char* norm, const int* m, const int* n, const float* a, const int* lda,
                  float* work, std::size_t norm_len);
};

// A peer library: where it came from, or why it is absent.
struct Library {
  std::string name;
  std::optional<Lapack> lapack;
  std::string origin;
};

template <class F>
bool bind(void* handle, const char* symbol, F& f) {
  f = reinterpret_cast<F>(dlsym(handle, symbol));
  return f != nullptr;
}

bool bind_all(void* handle, Lapack& l) {
  return bind(handle, "sgesvx_", l.sgesvx) && bind(handle, "sgetrf_", l.sgetrf) &&
         bind(handle, "sgetrs_", l.sgetrs) && bind(handle, "sgecon_", l.sgecon) &&
         bind(handle, "sgerfs_", l.sgerfs) && bind(handle, "slange_", l.slange);
}

std::string last_error() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown error";
}

// The file that defines the symbol as the handle resolves it.
std::string defining_file(void* handle, const char* symbol) {
  Dl_info info{};
  void* address = dlsym(handle, symbol);
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return "?";
  return info.dli_fname;
}

// Each library is opened by its full path with RTLD_LOCAL, so that its symbols
// stay out of the global scope and neither peer shadows the other. The
// reference BLAS is opened first: the reference LAPACK then finds its
// libblas.so.3 already loaded under that name, and does not follow the
// system's alternative, which may name OpenBLAS.
Library load_reference_lapack() {
  Library lib{"LAPACK", std::nullopt, ""};
  void* blas = dlopen(VORTEX_BENCH_LAPACK_BLAS, RTLD_NOW | RTLD_LOCAL);
  void* lapack = blas != nullptr ? dlopen(VORTEX_BENCH_LAPACK, RTLD_NOW | RTLD_LOCAL) : nullptr;
  Lapack l{};
  if (lapack == nullptr || !bind_all(lapack, l)) {
    lib.origin = "absent (" + last_error() + ")";
    return lib;
  }
  lib.lapack = l;
  lib.origin = defining_file(lapack, "sgetrf_") + ", BLAS from " + defining_file(lapack, "sgemm_");
  return lib;
}

Library load_openblas() {
  Library lib{"OpenBLAS", std::nullopt, ""};
  // One thread, from the start: the pool is sized when the library loads.
  setenv("OPENBLAS_NUM_THREADS", "1", 1);
  void* handle = dlopen(VORTEX_BENCH_OPENBLAS, RTLD_NOW | RTLD_LOCAL);
  Lapack l{};
  if (handle == nullptr || !bind_all(handle, l)) {
    lib.origin = "absent (" + last_error() + ")";
    return lib;
  }
  void (*set_threads)(int) = nullptr;
  int (*get_threads)() = nullptr;
  char* (*config)() = nullptr;
  if (bind(handle, "openblas_set_num_threads", set_threads)) set_threads(1);
  lib.lapack = l;
  lib.origin = defining_file(handle, "sgetrf_");
  if (bind(handle, "openblas_get_config", config)) lib.origin += std::string(", ") + config();
  if (bind(handle, "openblas_get_num_threads", get_threads))
    lib.origin += ", threads " + std::to_string(get_threads());
  return lib;
}

// Solves A x = b for the n by n matrix a (leading dimension n); a and b are
// left as they were.
struct Peer {
  std::string name;  // as in the benchmark names
  std::string label;
  const Lapack* lapack;  // null for a peer whose library is absent
  void (*solve)(const Lapack* l, int n, const float* a, const float* b, float* x);
  linsolve::Form form = nullptr;  // LSARG in this vector form; null: the one in use
};

void solve_lsarg(const Lapack*, int n, const float* a, const float* b, float* x) {
  LSARG(n, a, n, b, 1, x);
}

void solve_sgesvx(const Lapack* l, int n, const float* a, const float* b, float* x) {
  const int nrhs = 1;
  std::vector<float> acopy(a, a + std::size_t(n) * n), af(std::size_t(n) * n), bcopy(b, b + n);
  std::vector<float> r(n), c(n), work(4 * std::size_t(n));
  std::vector<int> ipiv(n), iwork(n);
  char equed = 'N';
  float rcond = 0.0f, ferr = 0.0f, berr = 0.0f;
  int info = 0;
  l->sgesvx("N", "N", &n, &nrhs, acopy.data(), &n, af.data(), &n, ipiv.data(), &equed, r.data(),
            c.data(), bcopy.data(), &n, x, &n, &rcond, &ferr, &berr, work.data(), iwork.data(),
            &info, 1, 1, 1);
  benchmark::DoNotOptimize(rcond);
}

void solve_composed(const Lapack* l, int n, const float* a, const float* b, float* x) {
  const int nrhs = 1;
  std::vector<float> af(a, a + std::size_t(n) * n), work(4 * std::size_t(n));
  std::vector<int> ipiv(n), iwork(n);
  float rcond = 0.0f, ferr = 0.0f, berr = 0.0f;
  int info = 0;
  const float anorm = l->slange("1", &n, &n, a, &n, work.data(), 1);
  l->sgetrf(&n, &n, af.data(), &n, ipiv.data(), &info);
  l->sgecon("1", &n, af.data(), &n, &anorm, &rcond, work.data(), iwork.data(), &info, 1);
  std::copy(b, b + n, x);
  l->sgetrs("N", &n, &nrhs, af.data(), &n, ipiv.data(), x, &n, &info, 1);
  l->sgerfs("N", &n, &nrhs, a, &n, af.data(), &n, ipiv.data(), b, &n, x, &n, &ferr, &berr,
            work.data(), iwork.data(), &info, 1);
  benchmark::DoNotOptimize(rcond);
}

const int kOrders[] = {50, 100, 201, 1000};
const char* const kMatrices[] = {"influence", "random"};

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
  const linsolve::Form in_use = linsolve::form_in_use();
  if (peer.form != nullptr) linsolve::use_form(peer.form);
  std::vector<float> b(n), x(n);
  for (int i = 0; i < n; ++i) b[i] = float(1.0 / (i + 1));
  for (auto _ : state) {
    try {
      peer.solve(peer.lapack, n, a.data(), b.data(), x.data());
    } catch (const io::RunStopped&) {
      state.SkipWithError("the solver stopped the run");
      break;
    }
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  linsolve::use_form(in_use);
  state.counters["berr"] = backward_error(n, a, b, x);
}

// The orders at which each vector form is timed, on the influence matrix.
const int kFormOrders[] = {201, 1000};

void register_all(const std::vector<Peer>& peers) {
  for (const Peer& peer : peers) {
    if (peer.lapack == nullptr && peer.solve != solve_lsarg) continue;
    const bool form = peer.form != nullptr;
    for (int n : kOrders) {
      if (form &&
          std::find(std::begin(kFormOrders), std::end(kFormOrders), n) == std::end(kFormOrders))
        continue;
      for (std::string_view matrix : kMatrices) {
        if (form && matrix != "influence") continue;
        std::vector<float> a = matrix == "random" ? random_matrix(n) : influence_matrix(n);
        benchmark::RegisterBenchmark(
            (peer.name + "/" + std::string(matrix)).c_str(),
            [peer, a = std::move(a)](benchmark::State& s) { solve_system(s, peer, a); })
            ->Arg(n)
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
}

// The LU's bound at order 201: its 2/3 n^3 flop (n^3 / 3 multiply-adds) at
// the peak FMA rate.
constexpr int kBoundOrder = 201;
constexpr double kBoundFlop = 2.0 / 3.0 * kBoundOrder * kBoundOrder * kBoundOrder;

struct Setting {
  std::vector<Library> libraries;
  std::vector<Peer> peers;          // LSARG first
  std::vector<Peer> forms;          // LSARG in each vector form offered
  linsolve::Form chosen = nullptr;  // the form the program takes here
  std::vector<bench::FmaRate> rates;
  std::string load_before;
};

std::string load_average() {
  double load[3] = {0.0, 0.0, 0.0};
  if (getloadavg(load, 3) != 3) return "?";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
  return text;
}

// The console report, one line per benchmark: its fastest repetition. Then the
// peers' files, the FMA rate and the bound, and the ratio table. Times are CPU
// times of the benchmark's thread, on which every peer runs all its work; a
// machine shared with other work disturbs them much less than wall time.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  explicit RatioReporter(Setting& setting)
      : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular), setting_(setting) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    std::map<std::string, const Run*> fastest;
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const Run*& best = fastest[run.benchmark_name()];
      if (best == nullptr || run.GetAdjustedCPUTime() < best->GetAdjustedCPUTime()) best = &run;
    }
    for (const auto& [name, run] : fastest) {
      // Names are peer/matrix/order.
      const std::size_t first = name.find('/');
      const std::size_t second = name.find('/', first + 1);
      if (second == std::string::npos) continue;
      const Key key{name.substr(first + 1, second - first - 1), std::stoi(name.substr(second + 1)),
                    name.substr(0, first)};
      times_[key] = run->GetAdjustedCPUTime();
      shown_.insert_or_assign(key, *run);
    }
  }

  void Finalize() override {
    // The repetitions ran in random order: the listing comes at the end, by
    // matrix, order and peer.
    std::vector<Run> listing;
    for (const char* matrix : kMatrices)
      for (int n : kOrders)
        for (const std::vector<Peer>* list : {&setting_.peers, &setting_.forms})
          for (const Peer& peer : *list) {
            auto it = shown_.find(Key{matrix, n, peer.name});
            if (it != shown_.end()) listing.push_back(it->second);
          }
    if (!listing.empty()) ConsoleReporter::ReportRuns(listing);
    ConsoleReporter::Finalize();
    // The rate again after the runs, the better of the two counting.
    const std::vector<bench::FmaRate> after = bench::measure_fma_rates();
    for (std::size_t k = 0; k < after.size() && k < setting_.rates.size(); ++k)
      setting_.rates[k].flops = std::max(setting_.rates[k].flops, after[k].flops);

    std::FILE* out = stdout;
    std::fprintf(out, "\nLoad average before the runs %s, after %s\n", setting_.load_before.c_str(),
                 load_average().c_str());
    std::fprintf(out, "LSARG's vector form: %s\n", linsolve::form_name(linsolve::form_in_use()));
    std::fprintf(out, "Peers\n");
    for (const Library& lib : setting_.libraries)
      std::fprintf(out, "  %-9s %s\n", lib.name.c_str(), lib.origin.c_str());
    const double peak = print_rates(out);
    print_ratios(out);
    if (peak > 0.0) print_bound_ratio(out, kBoundFlop / peak * 1e6);
    print_forms(out);
    std::fflush(out);
  }

 private:
  using Key = std::tuple<std::string, int, std::string>;  // matrix, order, peer

  // CPU microseconds of the fastest repetition; 0 when it did not run.
  double time_of(const std::string& matrix, int n, const std::string& peer) const {
    auto it = times_.find(Key{matrix, n, peer});
    return it == times_.end() ? 0.0 : it->second;
  }

  // The rates of the forms measured, and the bound at the best; the best rate,
  // 0 when there is none.
  double print_rates(std::FILE* out) const {
    std::fprintf(out, "Double FMA rate of one core (independent chains, best of 2 x %d trials)\n",
                 bench::kFmaTrials);
    double peak = 0.0;
    for (const bench::FmaRate& r : setting_.rates) {
      std::fprintf(out, "  %-18s %6.1f GFLOP/s\n", r.form, r.flops / 1e9);
      peak = std::max(peak, r.flops);
    }
    if (peak <= 0.0) {
      std::fprintf(out, "  no fused multiply-add offered: no bound\n");
      return 0.0;
    }
    std::fprintf(out,
                 "LU bound at order %d: 2/3 n^3 = %.2f Mflop (%.2f million multiply-adds) at "
                 "%.1f GFLOP/s = %.1f us\n",
                 kBoundOrder, kBoundFlop / 1e6, kBoundFlop / 2e6, peak / 1e9,
                 kBoundFlop / peak * 1e6);
    return peak;
  }

  // Target 1: LSARG faster than OpenBLAS at orders 201 and 1000.
  void print_ratios(std::FILE* out) const {
    const std::vector<Peer>& peers = setting_.peers;
    std::fprintf(out, "\nPeer time / LSARG time, CPU us (above 1: LSARG is faster)\n");
    std::fprintf(out, "%-9s %5s %9s", "", "", "LSARG");
    for (std::size_t p = 1; p < peers.size(); ++p)
      std::fprintf(out, "  %18s", peers[p].label.c_str());
    std::fprintf(out, "\n%-9s %5s %9s", "matrix", "order", "us");
    for (std::size_t p = 1; p < peers.size(); ++p) std::fprintf(out, "  %10s %7s", "us", "ratio");
    std::fprintf(out, "  target 1 (OpenBLAS ratio > 1)\n");
    for (const char* matrix : kMatrices) {
      for (int n : kOrders) {
        const double own = time_of(matrix, n, "LSARG");
        if (own <= 0.0) continue;
        std::fprintf(out, "%-9s %5d %9.1f", matrix, n, own);
        for (std::size_t p = 1; p < peers.size(); ++p) {
          const double t = time_of(matrix, n, peers[p].name);
          if (t > 0.0)
            std::fprintf(out, "  %10.1f %7.2f", t, t / own);
          else
            std::fprintf(out, "  %18s", peers[p].lapack == nullptr ? "absent" : "-");
        }
        if (n == 201 || n == 1000) {
          const double t = time_of(matrix, n, "openblas_composed");
          std::fprintf(out, "  %s", t <= 0.0 ? "no peer" : t > own ? "met" : "NOT MET");
        }
        std::fprintf(out, "\n");
      }
    }
  }

  // Each offered form's time, the program's choice marked, and whether the
  // choice is the fastest within 3 per cent at each order.
  void print_forms(std::FILE* out) const {
    const std::vector<Peer>& forms = setting_.forms;
    const char* chosen = linsolve::form_name(setting_.chosen);
    std::fprintf(
        out,
        "\nLSARG in each vector form offered, influence matrix, CPU us (* the program's choice)\n");
    std::fprintf(out, "%-8s", "form");
    for (int n : kFormOrders) std::fprintf(out, " %10d", n);
    std::fprintf(out, "\n");
    for (const Peer& f : forms) {
      std::fprintf(out, "%-7s%s", f.label.c_str(), f.form == setting_.chosen ? "*" : " ");
      for (int n : kFormOrders) {
        // "-" for an order the run left out (a filter).
        const double t = time_of("influence", n, f.name);
        if (t > 0.0)
          std::fprintf(out, " %10.1f", t);
        else
          std::fprintf(out, " %10s", "-");
      }
      std::fprintf(out, "\n");
    }
    for (int n : kFormOrders) {
      const Peer* fastest = nullptr;
      double mine = 0.0;
      for (const Peer& f : forms) {
        const double t = time_of("influence", n, f.name);
        if (t <= 0.0) continue;
        if (f.form == setting_.chosen) mine = t;
        if (fastest == nullptr || t < time_of("influence", n, fastest->name)) fastest = &f;
      }
      if (fastest == nullptr || mine <= 0.0) continue;
      const double best = time_of("influence", n, fastest->name);
      if (mine <= 1.03 * best)
        std::fprintf(out, "order %d: the choice, %s, is the fastest within 3 %%\n", n, chosen);
      else
        std::fprintf(out, "order %d: the choice, %s, is NOT the fastest: %s takes %.1f %% less\n",
                     n, chosen, fastest->label.c_str(), 100.0 * (1.0 - best / mine));
    }
  }

  // Target 2: LSARG at 201 within 2.5 times the bound (aim 1.5).
  void print_bound_ratio(std::FILE* out, double bound_us) const {
    std::fprintf(out, "\nLSARG / bound at order %d (bound %.1f us)\n", kBoundOrder, bound_us);
    for (const char* matrix : kMatrices) {
      const double own = time_of(matrix, kBoundOrder, "LSARG");
      if (own <= 0.0) continue;
      const double ratio = own / bound_us;
      std::fprintf(out, "  %-9s %6.2f  target 2 (at most 2.5, aim 1.5) %s\n", matrix, ratio,
                   ratio <= 1.5   ? "met, aim reached"
                   : ratio <= 2.5 ? "met"
                                  : "NOT MET");
    }
    // The aim on the AMD families this project runs on: family 25 (Zen 4),
    // whose 512-bit multiply-adds run at the 256-bit rate, and family 26.
    const linsolve::forms::Processor cpu = linsolve::forms::this_processor();
    const double aim = std::string_view(cpu.vendor) != "AuthenticAMD" ? 0.0
                       : cpu.family == 25                             ? 2.0
                       : cpu.family == 26                             ? 3.0
                                                                      : 0.0;
    const double own = time_of("influence", kBoundOrder, "LSARG");
    if (aim > 0.0 && own > 0.0)
      std::fprintf(out, "  aim on AMD family %d, model %d: influence within %.1f: %s\n", cpu.family,
                   cpu.model, aim, own / bound_us <= aim ? "reached" : "NOT REACHED");
  }

  Setting& setting_;
  std::map<Key, double> times_;
  std::map<Key, Run> shown_;
};

// The defaults of a run, unless the command line sets them: three repetitions
// of each benchmark, all of them in random order so that a disturbance of the
// machine spreads over the peers alike, the fastest of each entering the table;
// about 25 seconds in all.
std::vector<char*> with_defaults(int argc, char** argv) {
  static char repetitions[] = "--benchmark_repetitions=3";
  static char interleaving[] = "--benchmark_enable_random_interleaving=true";
  static char min_time[] = "--benchmark_min_time=0.1";
  std::vector<char*> args(argv, argv + argc);
  for (char* flag : {repetitions, interleaving, min_time}) {
    const std::string_view name(flag, std::string_view(flag).find('=') + 1);
    if (std::none_of(argv + 1, argv + argc,
                     [&](const char* a) { return std::string_view(a).starts_with(name); }))
      args.insert(args.begin() + 1, flag);
  }
  args.push_back(nullptr);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  // The solver's warnings would interleave with the timings: send them nowhere.
  std::FILE* quiet = std::fopen("/dev/null", "w");
  if (quiet != nullptr) io::bind_unit(io::kUnitOutput, quiet);

  std::vector<char*> args = with_defaults(argc, argv);
  // --form=NAME runs LSARG in that vector form (one the processor offers).
  for (auto arg = args.begin(); arg != args.end() && *arg != nullptr; ++arg) {
    const std::string_view text = *arg;
    if (!text.starts_with("--form=")) continue;
    const std::string_view name = text.substr(7);
    const linsolve::Form form = linsolve::find_form(name);
    linsolve::use_form(form);
    if (!linsolve::offered(form)) {
      std::fprintf(stderr, "linsolve_bench: no form %s here\n", *arg);
      return 1;
    }
    args.erase(arg);
    break;
  }
  int count = int(args.size()) - 1;
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  Setting setting;
  setting.libraries = {load_reference_lapack(), load_openblas()};
  const std::optional<Lapack>& lapack = setting.libraries[0].lapack;
  const std::optional<Lapack>& openblas = setting.libraries[1].lapack;
  setting.peers = {
      {"LSARG", "LSARG", nullptr, solve_lsarg},
      {"lapack_sgesvx", "LAPACK sgesvx", lapack ? &*lapack : nullptr, solve_sgesvx},
      {"lapack_composed", "LAPACK composed", lapack ? &*lapack : nullptr, solve_composed},
      {"openblas_composed", "OpenBLAS composed", openblas ? &*openblas : nullptr, solve_composed},
  };
  // The forms' peers; the program's own choice, whatever --form gave.
  const linsolve::Form given = linsolve::form_in_use();
  linsolve::use_form(nullptr);
  setting.chosen = linsolve::form_in_use();
  linsolve::use_form(given);
  for (linsolve::Form form : linsolve::built_forms())
    if (linsolve::offered(form))
      setting.forms.push_back({std::string("LSARG_") + linsolve::form_name(form),
                               linsolve::form_name(form), nullptr, solve_lsarg, form});
  register_all(setting.peers);
  register_all(setting.forms);

  setting.load_before = load_average();
  setting.rates = bench::measure_fma_rates();
  RatioReporter reporter(setting);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  io::reset_units();
  if (quiet != nullptr) std::fclose(quiet);
  return 0;
}
