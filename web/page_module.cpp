// The page's module: run(count, velocity) for the page's script, one run of the
// program from the texts of its two fields, its result as a JavaScript object.
// It converts at its edge only; the run is compute_run(), the one the program
// makes, and each call is a fresh run.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <string>
#include <utility>
#include <vector>

#include "app/run.hpp"
#include "io/call_trace.hpp"
#include "io/list_input.hpp"
#include "io/units.hpp"

namespace {

using emscripten::val;

// The two fields, each read by the program's input statement as if typed at
// its prompt and the input then ended. The prompts the console would have
// shown by then are counted: a count it cannot read leaves the second unasked.
class Fields final : public RunDialogue {
 public:
  Fields(std::string count, std::string velocity)
      : count_(std::move(count)), velocity_(std::move(velocity)) {}

  void read_count(float& NVORT) override {
    prompts = 1;
    io::read_real(count_, NVORT);
  }
  void read_velocity(float& VINF) override {
    prompts = 2;
    io::read_real(velocity_, VINF);
  }

  int prompts = 0;

 private:
  std::string count_, velocity_;
};

// The floats bit for bit, in a Float32Array of the page's own.
val floats(const std::vector<float>& v) {
  return val::global("Float32Array").new_(emscripten::typed_memory_view(v.size(), v.data()));
}

// One run with no unit open, so that nothing goes to the browser's console:
// its messages and errors come back in the result, as the console shows them.
val run(const std::string& count, const std::string& velocity) {
  io::bind_unit(io::kUnitOutput, nullptr);
  io::bind_unit(io::kUnitError, nullptr);
  io::bind_unit(io::kUnitInput, nullptr);
  Fields fields(count, velocity);
  // The page's main program, as the console's is VORTEX in a traceback.
  const io::CallScope trace("VORTEX");
  const RunResult r = compute_run(fields);
  io::reset_units();

  val out = val::object();
  out.set("status", r.status);  // 0 normal end, 1 solver stop, else the run-time error
  out.set("type", r.type);
  out.set("code", r.code);
  out.set("prompts", fields.prompts);
  out.set("count", r.count);
  out.set("velocity", r.velocity);
  out.set("x", floats(r.x));
  out.set("cp", floats(r.cp));
  out.set("circulation", floats(r.circulation));
  out.set("lift", r.lift_coefficient);
  val messages = val::array();
  for (const std::string& block : r.messages) messages.call<void>("push", block);
  out.set("messages", messages);
  out.set("errors", r.errors);          // standard error's lines, CR LF
  out.set("records", results_text(r));  // rezult.txt, CR LF
  return out;
}

}  // namespace

EMSCRIPTEN_BINDINGS(vortex) { emscripten::function("run", &run); }
