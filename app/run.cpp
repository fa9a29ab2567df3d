#include "app/run.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "app/bounded_array.hpp"
#include "app/division_loops.hpp"
#include "app/influence.hpp"
#include "app/profile.hpp"
#include "app/real_loop.hpp"
#include "app/solve_copies.hpp"
#include "app/state.hpp"
#include "errstack/errstack.hpp"
#include "io/real_to_int.hpp"
#include "io/record.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

namespace {

// The induced velocity and the pressure coefficient at each panel end, one
// point of the result per pass.
void pressure_step(Flow& f, RunResult& result) {
  f.XPT = 0.0f;
  const double nvort = f.NVORT;
  const int points = real_trips(1.0, nvort, 1.0);
  if (points > 0) {
    result.x.reserve(std::size_t(points));
    result.cp.reserve(std::size_t(points));
  }
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
    result.x.push_back(f.XPT);
    result.cp.push_back(f.CPRES);
  });
}

// The message blocks of the console's text: each begins with its blank line.
std::vector<std::string> message_blocks(std::string_view text) {
  std::vector<std::string> blocks;
  std::size_t start = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '\n' && text[i - 1] == '\n') {
      blocks.emplace_back(text.substr(start, i - start));
      start = i;
    }
  }
  if (start < text.size()) blocks.emplace_back(text.substr(start));
  return blocks;
}

void computation(RunDialogue& dialogue, RunResult& result) {
  Flow& f = app_state().flow;
  f.RHO = 1.22f;
  f.ALPHA = 0.0f;
  f.PINF = 120000.0f;
  dialogue.read_count(f.NVORT);
  dialogue.read_velocity(f.VINF);
  f.NPTS = io::real_to_int(double(f.NVORT));

  PROFIL(f.NVORT, f.RHS2, f.YPROF, f.ALPHA, f.VINF);
  MATRICA(f.XV, f.NVORT, f.AMAT, f.RHS1, f.ALPHA, f.VINF);
  solve_on_copies(f.NPTS, f.AMAT, f.RHS1, f.GAM1);
  solve_on_copies(f.NPTS, f.AMAT, f.RHS2, f.GAM2);
  pressure_step(f, result);
  // Cl = 2 * sum(GAM2) / (VINF * chord), the chord 1; velocity 0 gives 0 / 0.
  double circulation = 0.0;
  if (f.NPTS > 0) result.circulation.reserve(std::size_t(f.NPTS));
  for (int k = 1; k <= f.NPTS; ++k) {
    result.circulation.push_back(f.GAM2(k));
    circulation += double(f.GAM2(k));
  }
  result.lift_coefficient = 2.0 * circulation / double(f.VINF);
}

}  // namespace

RunEnd run_as_fresh(void (*body)(void* context), void* context) {
  reset_run_state();
  RunEnd end;
  io::Transcript transcript;
  io::keep_transcript(&transcript);
  end.status = io::run_to_end(body, context);
  io::keep_transcript(nullptr);
  if (end.status == io::kStatusSolverStop) {
    // The level that stopped the run still holds its error.
    end.type = N1RTY(0);
    end.code = N1RCD(0);
  }
  end.messages = message_blocks(transcript.output);
  end.errors = std::move(transcript.errors);
  return end;
}

RunResult compute_run(RunDialogue& dialogue) {
  RunResult result;
  auto body = [&] { computation(dialogue, result); };
  static_cast<RunEnd&>(result) = run_as_fresh(body);
  const Flow& f = app_state().flow;
  result.count = f.NVORT;
  result.velocity = f.VINF;
  return result;
}

std::string results_text(const RunResult& run) {
  std::string text;
  for (std::size_t k = 0; k < run.x.size() && k < run.cp.size(); ++k) {
    text += io::results_record(run.x[k], run.cp[k]);
    text += "\r\n";
  }
  return text;
}
