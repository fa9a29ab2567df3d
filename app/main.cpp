// vortex: the pressure distribution along a thin cambered profile in a uniform
// stream by the discrete vortex method.
#include <cfenv>
#include <csignal>
#include <cmath>
#include <vector>

#include "app/bounded_array.hpp"
#include "app/influence.hpp"
#include "app/profile.hpp"
#include "app/real_loop.hpp"
#include "io/call_trace.hpp"
#include "io/list_input.hpp"
#include "io/real_to_int.hpp"
#include "io/results_file.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "linsolve/linsolve.hpp"

namespace {

// The flow state: everything the run computes, for the length of the run.
struct Flow {
  float PINF = 0.0f;
  float RHO = 0.0f;
  float ALPHA = 0.0f;
  float NVORT = 0.0f;
  float VINF = 0.0f;
  int NPTS = 0;
  RealMatrix AMAT;
  RealArray RHS1, GAM1, YPROF, RHS2, GAM2, XV, DVEL;
  float XPT = 0.0f;
  float USUM = 0.0f;
  float PRES = 0.0f;
  float CPRES = 0.0f;
  float k = 0.0f;  // the pressure step's real loop counters
  float j = 0.0f;
};
Flow flow;

// Solves AMAT X = RHS on working copies of the leading NPTS block: the solver
// sees a contiguous matrix with leading dimension NPTS, and whatever it leaves
// in the copies is written back. The solution goes straight into X.
void solve_on_copies(RealArray& RHS, RealArray& X) {
  const int n = flow.NPTS > 0 ? flow.NPTS : 0;
  std::vector<float> a(std::size_t(n) * std::size_t(n));
  std::vector<float> b(static_cast<std::size_t>(n));
  for (int col = 1; col <= n; ++col)
    for (int row = 1; row <= n; ++row) a[std::size_t(col - 1) * n + (row - 1)] = flow.AMAT(row, col);
  for (int row = 1; row <= n; ++row) b[row - 1] = RHS(row);

  LSARG(flow.NPTS, a.data(), flow.NPTS, b.data(), 1, X.data());

  for (int col = 1; col <= n; ++col)
    for (int row = 1; row <= n; ++row) flow.AMAT(row, col) = a[std::size_t(col - 1) * n + (row - 1)];
  for (int row = 1; row <= n; ++row) RHS(row) = b[row - 1];
}

// The induced velocity and the pressure coefficient at each panel end, one
// record per point.
void pressure_step() {
  Flow& f = flow;
  f.XPT = 0.0f;
  real_loop(f.k, 1.0, double(f.NVORT), 1.0, [&] {
    // The abscissa accumulates one spacing per pass, rounding each time.
    f.XPT = float(1.0 / double(f.NVORT) + double(f.XPT));
    f.USUM = 0.0f;
    real_loop(f.j, 1.0, double(f.NVORT), 1.0, [&] {
      if (f.j == f.k) return;  // the self term, skipped by comparing the counters
      const int j = subscript(f.j);
      f.DVEL(j) = float(double(f.GAM2(j)) /
                        (std::fabs(double(f.j) / double(f.NVORT) - double(f.XPT)) * double(6.2832f)));
      f.USUM = float(double(f.USUM) + double(f.DVEL(j)));
    });
    const double dynamic = ((double(f.VINF) * double(f.VINF)) * double(f.RHO)) / 2.0;
    const double induced = ((double(f.USUM) * double(f.USUM)) * double(f.RHO)) / 2.0;
    f.PRES = float(dynamic + double(f.PINF) - induced);
    f.CPRES = float((double(f.PRES) - double(f.PINF)) / (((double(f.VINF) * double(f.VINF)) * double(f.RHO)) / 2.0));
    io::results_write(f.XPT, f.CPRES);
  });
}

void run() {
  io::CallScope trace("VORTEX");
  Flow& f = flow;
  io::results_open();
  f.RHO = 1.22f;
  f.ALPHA = 0.0f;
  f.PINF = 120000.0f;
  io::prompt("vvedite kol-vo vihrej");
  io::read_real(f.NVORT);
  io::prompt("vvedite skorost");
  io::read_real(f.VINF);
  f.NPTS = io::real_to_int(double(f.NVORT));

  PROFIL(f.NVORT, f.RHS2, f.YPROF, f.ALPHA, f.VINF);
  MATRICA(f.XV, f.NVORT, f.AMAT, f.RHS1, f.ALPHA, f.VINF);
  solve_on_copies(f.RHS1, f.GAM1);
  solve_on_copies(f.RHS2, f.GAM2);
  pressure_step();

  io::results_close();
  io::close_all();
}

}  // namespace

int main() {
  // Floating-point conditions complete with their IEEE results and never trap.
  std::fesetenv(FE_DFL_ENV);
  // A results file whose reader has gone is a failed write (message 38), not a
  // signal that kills the run.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    run();
  } catch (const io::RunStopped& stop) {
    return stop.status;
  }
  return io::kStatusNormal;
}
