// vortex: the pressure distribution along a thin cambered profile in a uniform
// stream by the discrete vortex method.
#include <cfenv>
#include <cstddef>
#include <cstdio>

#include "app/command_line.hpp"
#include "app/memory_tuning.hpp"
#include "app/run.hpp"
#include "app/state.hpp"
#include "io/call_trace.hpp"
#include "io/list_input.hpp"
#include "io/program_name.hpp"
#include "io/results_file.hpp"
#include "io/runtime_error.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "linsolve/vector_forms.hpp"

namespace {

// The console's side of a run: a prompt and one input statement per number.
class Console final : public RunDialogue {
 public:
  void read_count(float& NVORT) override {
    io::prompt("vvedite kol-vo vihrej");
    io::read_real(NVORT);
  }
  void read_velocity(float& VINF) override {
    io::prompt("vvedite skorost");
    io::read_real(VINF);
  }
};

// The solver's messages and the run-time's error lines are on the console as
// the run meets them; the points go into rezult.txt, one record each.
int run() {
  io::CallScope trace("VORTEX");
  io::results_open();
  Console console;
  const RunResult result = compute_run(console);
  if (result.status != io::kStatusNormal) return result.status;
  for (std::size_t k = 0; k < result.x.size(); ++k) io::results_write(result.x[k], result.cp[k]);
  io::results_close();
  io::close_all();
  return io::kStatusNormal;
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
  // A VORTEX_FORM that the start-up's choice of the solver's form could not
  // follow, said once the streams are safe.
  if (const char* notice = linsolve::form_notice(); *notice != '\0')
    std::fprintf(stderr, "%s: %s\r\n", io::program_name(), notice);
  // The flow state, which start-up faults in at once.
  Flow& flow = app_state().flow;
  prepare_memory(&flow, sizeof flow);
  if (!io::reserve_memory()) return io::exit_code(io::kErrNoMemory);
  int status = io::kStatusNormal;
  auto body = [&] { status = run(); };
  const int stopped = io::run_to_end(body);
  return io::exit_code(stopped != io::kStatusNormal ? stopped : status);
}
