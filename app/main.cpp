// vortex: the pressure distribution along a thin cambered profile in a uniform
// stream by the discrete vortex method.
#include <array>
#include <cfenv>
#include <cmath>

#include "app/bounded_array.hpp"
#include "app/command_line.hpp"
#include "app/division_loops.hpp"
#include "app/influence.hpp"
#include "app/memory_tuning.hpp"
#include "app/profile.hpp"
#include "app/real_loop.hpp"
#include "app/solve_copies.hpp"
#include "io/call_trace.hpp"
#include "io/list_input.hpp"
#include "io/real_to_int.hpp"
#include "io/results_file.hpp"
#include "io/runtime_error.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

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

// The induced velocity and the pressure coefficient at each panel end, one
// record per point.
void pressure_step() {
  Flow& f = flow;
  f.XPT = 0.0f;
  const double nvort = f.NVORT;
  const int points = real_trips(1.0, nvort, 1.0);
  // The panel ends j / NVORT are the same at every point: formed once.
  std::array<double, kExtent> ends{};
  if (points <= kExtent)
    for (int j = 1; j <= points; ++j) ends[std::size_t(j - 1)] = double(j) / nvort;
  real_loop(f.k, 1.0, nvort, 1.0, [&] {
    // The abscissa accumulates one spacing per pass, rounding each time.
    f.XPT = float(1.0 / double(f.NVORT) + double(f.XPT));
    // The inner counter and the sum run in locals, which the flow state takes
    // after the loop: nothing reads them in between, and a store into DVEL
    // cannot then make the loop read them back from memory.
    const float k = f.k;
    const double xpt = f.XPT;
    float counter = 0.0f;
    float usum = 0.0f;
    if (points <= kExtent) {
      // Every subscript is within bounds: the velocities are formed in one
      // vectorised loop first (the counters hold whole numbers, so j = k is
      // the point itself), then summed in order.
      const int self = subscript(k);
      induced_velocities(points, self, ends.data(), xpt, &f.GAM2(1), &f.DVEL(1));
      for (int j = 1; j <= points; ++j)
        if (j != self) usum = float(double(usum) + double(f.DVEL(j)));
      counter = float(double(points) + 1.0);
    } else {
      real_loop(counter, 1.0, nvort, 1.0, [&] {
        if (counter == k) return;  // the self term, skipped by comparing the counters
        const int j = subscript(counter);
        f.DVEL(j) =
            float(double(f.GAM2(j)) / (std::fabs(double(counter) / nvort - xpt) * double(6.2832f)));
        usum = float(double(usum) + double(f.DVEL(j)));
      });
    }
    f.j = counter;
    f.USUM = usum;
    const double dynamic = ((double(f.VINF) * double(f.VINF)) * double(f.RHO)) / 2.0;
    const double induced = ((double(f.USUM) * double(f.USUM)) * double(f.RHO)) / 2.0;
    f.PRES = float(dynamic + double(f.PINF) - induced);
    f.CPRES = float((double(f.PRES) - double(f.PINF)) /
                    (((double(f.VINF) * double(f.VINF)) * double(f.RHO)) / 2.0));
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
  solve_on_copies(f.NPTS, f.AMAT, f.RHS1, f.GAM1);
  solve_on_copies(f.NPTS, f.AMAT, f.RHS2, f.GAM2);
  pressure_step();

  io::results_close();
  io::close_all();
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = answer_command_line(argc, argv); status >= 0) return status;
  // Before anything is opened: a closed standard stream is on /dev/null, so what
  // would be printed on it is discarded and no file can take its place.
  io::guard_standard_streams();
  // Floating-point conditions complete with their IEEE results and never trap.
  std::fesetenv(FE_DFL_ENV);
  // A reader that has gone (a closed pipe) and a file-size limit are failed
  // writes (message 38), not signals that kill the run.
  io::ignore_write_signals();
  prepare_memory(&flow, sizeof flow);
  io::reserve_memory();
  return io::exit_code(io::run_to_end(run));
}
