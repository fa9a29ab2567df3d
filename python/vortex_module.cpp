// The Python module vortex (its compiled part, vortex._vortex, which the
// package's __init__.py exports): the program's run and its solver, with NumPy
// arrays in and out, errors as exceptions and warnings through Python's
// warnings. The module converts at its edge only; the run is compute_run(),
// the one the program makes.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.hpp"
#include "app/state.hpp"
#include "errstack/stack.hpp"
#include "io/list_input.hpp"
#include "io/nearest_float.hpp"
#include "io/record.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "linsolve/driver.hpp"

namespace py = pybind11;

namespace {

// The exception and warning classes, made once when the module is imported
// and kept for the life of the process.
struct Classes {
  PyObject* run_error = nullptr;
  PyObject* solver_error = nullptr;
  PyObject* solver_warning = nullptr;
};
Classes classes;

// The computation, the solver and the error facility keep process-wide state:
// one call at a time.
std::mutex call_lock;

// A count or a velocity as the caller gave it: a text for the free-form
// reader, or a number.
struct Given {
  enum class Kind { text, integer, real } kind = Kind::real;
  std::string text;
  long long integer = 0;
  double real = 0.0;

  // The number rounded to float; made under the run's environment, so to
  // nearest whatever the host has set.
  float number() const { return kind == Kind::integer ? float(integer) : float(real); }
};

Given given(py::handle value, const char* name) {
  Given g;
  if (py::isinstance<py::str>(value)) {
    g.kind = Given::Kind::text;
    g.text = value.cast<std::string>();
    return g;
  }
  // Integers of every kind (Python's, NumPy's) go to float in one rounding:
  // from a long long, or from their decimal digits where they are larger.
  if (PyIndex_Check(value.ptr())) {
    const py::object whole = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!whole) throw py::error_already_set();
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(whole.ptr(), &overflow);
    if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (overflow == 0) {
      g.kind = Given::Kind::integer;
      g.integer = v;
      return g;
    }
    const std::optional<float> nearest = io::nearest_float(std::string(py::str(whole)) + "e0");
    g.real = nearest ? double(*nearest) : overflow * HUGE_VAL;
    return g;
  }
  PyObject* real = PyNumber_Float(value.ptr());
  if (real == nullptr) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
    PyErr_Clear();
    throw py::type_error(std::string(name) + " must be a number or a string, not " +
                         std::string(py::str(py::type::handle_of(value).attr("__name__"))));
  }
  g.real = PyFloat_AsDouble(real);
  Py_DECREF(real);
  return g;
}

// A stream in memory that takes what the run writes on a unit.
class Capture {
 public:
  Capture() : stream_(open_memstream(&data_, &size_)) {
    if (stream_ == nullptr) throw std::bad_alloc();
  }
  ~Capture() {
    std::fclose(stream_);
    std::free(data_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  std::FILE* stream() const { return stream_; }
  std::string text() {
    std::fflush(stream_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* stream_;
};

// The program's floating-point environment (round to nearest, no traps, no
// flushing of subnormals) for the length of a call, then the host's again,
// with the host's flags as they were.
class ProgramEnvironment {
 public:
  ProgramEnvironment() {
    std::fegetenv(&host_);
    std::fesetenv(FE_DFL_ENV);
  }
  ~ProgramEnvironment() { std::fesetenv(&host_); }
  ProgramEnvironment(const ProgramEnvironment&) = delete;
  ProgramEnvironment& operator=(const ProgramEnvironment&) = delete;

 private:
  std::fenv_t host_{};
};

// The units of a call: unit 6 (the solver's messages) and unit 0 (the
// run-time's error line) into memory, unit 5 on nothing, so that a run never
// reads the host's standard input nor writes on its standard streams.
class Units {
 public:
  Units(std::FILE* console, std::FILE* errors) {
    io::bind_unit(io::kUnitOutput, console);
    io::bind_unit(io::kUnitError, errors);
    io::bind_unit(io::kUnitInput, nullptr);
  }
  ~Units() { io::reset_units(); }
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;
};

// What one call left: the message blocks that the console would have shown,
// and, when the run was stopped, how.
struct Outcome {
  std::string console;
  std::string errors;
  std::optional<int> stopped;  // the status the run stopped with
  int type = 0;                // at a stop of the solver: the error's type and code
  int code = 0;
};

// Runs the body as a fresh run of the program: the interpreter lock released,
// the module's lock held, the program's floating-point environment, every
// state a run reads put back to its start, the units captured. A stop of the
// run comes back in the outcome; it never ends the process.
template <class Body>
Outcome fresh_run(Body body) {
  Outcome outcome;
  py::gil_scoped_release unlocked;
  const std::lock_guard<std::mutex> lock(call_lock);
  const ProgramEnvironment environment;
  reset_run_state();
  Capture console;
  Capture errors;
  {
    const Units units(console.stream(), errors.stream());
    try {
      body();
    } catch (const io::RunStopped& stop) {
      outcome.stopped = stop.status;
      if (stop.status == io::kStatusSolverStop) {
        // The level that stopped the run still holds its error.
        outcome.type = N1RTY(0);
        outcome.code = N1RCD(0);
      }
    }
  }
  outcome.console = console.text();
  outcome.errors = errors.text();
  return outcome;
}

// The message blocks of the console text: each begins with its blank line.
std::vector<std::string> message_blocks(const std::string& console) {
  std::vector<std::string> blocks;
  std::size_t start = 0;
  for (std::size_t i = 1; i < console.size(); ++i) {
    if (console[i] == '\n' && console[i - 1] == '\n') {
      blocks.push_back(console.substr(start, i - start));
      start = i;
    }
  }
  if (start < console.size()) blocks.push_back(console.substr(start));
  return blocks;
}

bool is_warning(std::string_view block) { return block.starts_with("\n *** WARNING"); }

[[noreturn]] void raise(PyObject* type, const std::string& text, const char* name1, int value1,
                        const char* name2 = nullptr, int value2 = 0) {
  py::object error = py::reinterpret_borrow<py::object>(type)(text);
  error.attr("text") = text;
  error.attr(name1) = value1;
  if (name2 != nullptr) error.attr(name2) = value2;
  PyErr_SetObject(type, error.ptr());
  throw py::error_already_set();
}

// Issues the warnings of the call, then raises its error if it was stopped.
// Returns the message blocks.
std::vector<std::string> report(const Outcome& outcome) {
  std::vector<std::string> blocks = message_blocks(outcome.console);
  for (const std::string& block : blocks)
    if (is_warning(block) && PyErr_WarnEx(classes.solver_warning, block.c_str(), 1) < 0)
      throw py::error_already_set();
  if (!outcome.stopped) return blocks;
  if (*outcome.stopped == io::kStatusSolverStop)
    raise(classes.solver_error, blocks.empty() ? std::string() : blocks.back(), "type",
          outcome.type, "code", outcome.code);
  // The run-time's message line, without its line end or the traceback.
  const std::string line = outcome.errors.substr(0, outcome.errors.find("\r\n"));
  raise(classes.run_error, line, "number", *outcome.stopped);
}

// The run's side of the module: the numbers as given, the points kept.
class Kept final : public RunDialogue {
 public:
  Kept(const Given& count, const Given& velocity) : count_(count), velocity_(velocity) {}

  void read_count(float& NVORT) override { read(count_, NVORT); }
  void read_velocity(float& VINF) override { read(velocity_, VINF); }
  void write_point(float XPT, float CPRES) override {
    x.push_back(XPT);
    cp.push_back(CPRES);
    results_text += io::results_record(XPT, CPRES);
    results_text += "\r\n";
  }

  std::vector<float> x, cp;
  std::string results_text;

 private:
  // A text is one line typed at the console, read by the program's input
  // statement.
  static void read(const Given& g, float& target) {
    if (g.kind != Given::Kind::text) {
      target = g.number();
      return;
    }
    std::string line = g.text + "\n";
    std::FILE* in = fmemopen(line.data(), line.size(), "r");
    if (in == nullptr) throw std::bad_alloc();
    struct Bound {
      std::FILE* in;
      ~Bound() {
        io::bind_unit(io::kUnitInput, nullptr);
        std::fclose(in);
      }
    } bound{in};
    io::bind_unit(io::kUnitInput, in);
    io::read_real(target);
  }

  const Given& count_;
  const Given& velocity_;
};

template <class T>
py::array_t<T> array_of(const std::vector<T>& v) {
  py::array_t<T> a(py::ssize_t(v.size()));
  std::copy(v.begin(), v.end(), a.mutable_data());
  return a;
}

struct Result {
  py::array_t<float> x, cp, circulation;
  double lift_coefficient = 0.0;
  py::list messages;
  std::string results_text;
  float count = 0.0f;
  float velocity = 0.0f;
};

Result run(py::handle count_value, py::handle velocity_value) {
  const Given count = given(count_value, "count");
  const Given velocity = given(velocity_value, "velocity");
  Kept kept(count, velocity);
  std::vector<float> circulation;
  double lift = 0.0;
  float nvort = 0.0f;
  float vinf = 0.0f;
  const Outcome outcome = fresh_run([&] {
    compute_run(kept);
    Flow& f = app_state().flow;
    nvort = f.NVORT;
    vinf = f.VINF;
    // Formed here, under the program's environment: velocity 0 gives 0 / 0.
    double sum = 0.0;
    for (int k = 1; k <= f.NPTS; ++k) {
      circulation.push_back(f.GAM2(k));
      sum += double(f.GAM2(k));
    }
    lift = 2.0 * sum / double(f.VINF);
  });
  const std::vector<std::string> blocks = report(outcome);
  Result r;
  r.x = array_of(kept.x);
  r.cp = array_of(kept.cp);
  r.circulation = array_of(circulation);
  r.lift_coefficient = lift;
  for (const std::string& block : blocks) r.messages.append(block);
  r.results_text = kept.results_text;
  r.count = nvort;
  r.velocity = vinf;
  return r;
}

py::array_t<float> lsarg(py::handle a_value, py::handle b_value, bool transpose) {
  // Copied to column order where needed. An array of a type that float cannot
  // hold exactly (float64 among them) is refused rather than rounded; a list
  // or a scalar is converted, to nearest whatever the caller has set.
  py::array_t<float, py::array::f_style> a;
  py::array_t<float, py::array::c_style> b;
  {
    const ProgramEnvironment environment;
    a = py::array_t<float, py::array::f_style>::ensure(a_value);
    b = py::array_t<float, py::array::c_style>::ensure(b_value);
  }
  if (!a || !b)
    throw py::type_error("a and b must be float32 arrays (numpy.asarray(a, dtype=numpy.float32))");
  if (a.ndim() != 2 || a.shape(0) != a.shape(1)) throw py::value_error("a must be a square matrix");
  const py::ssize_t n = a.shape(0);
  if (b.ndim() != 1 || b.shape(0) != n)
    throw py::value_error("b must be a vector of as many elements as a has rows");
  if (n > INT_MAX) throw py::value_error("the order must fit a 32-bit integer");
  py::array_t<float> x(n);
  const float* ap = a.data();
  const float* bp = b.data();
  float* xp = x.mutable_data();
  const int order = int(n);
  report(fresh_run([&] { LSARG(order, ap, order, bp, transpose ? 2 : 1, xp); }));
  return x;
}

PyObject* new_class(const char* name, const char* doc, PyObject* base) {
  PyObject* c = PyErr_NewExceptionWithDoc(name, doc, base, nullptr);
  if (c == nullptr) throw py::error_already_set();
  return c;
}

}  // namespace

PYBIND11_MODULE(_vortex, m) {
  m.doc() =
      "The pressure distribution along a thin cambered profile by the discrete vortex\n"
      "method, and the single-precision dense solver it uses: the console program's\n"
      "computation, with the same results bit for bit.\n\n"
      "Every call is a fresh run: nothing of an earlier call is read. Calls compute\n"
      "with round to nearest and no traps whatever the caller has set, and restore\n"
      "the caller's floating-point environment. They are serialised by a lock of\n"
      "the module and release the interpreter lock while they compute.";

  classes.run_error = new_class("vortex.RunError",
                                "A run-time error ended the run: .number (161 array bounds, 24 end "
                                "of input, 59 input syntax, 64 input conversion, 41 memory "
                                "exhausted) and .text, the \"forrtl: severe\" line.",
                                PyExc_RuntimeError);
  classes.solver_error = new_class("vortex.SolverError",
                                   "The solver stopped the run: .type and .code of its error, "
                                   ".text the message block as the console shows it.",
                                   PyExc_RuntimeError);
  classes.solver_warning = new_class(
      "vortex.SolverWarning", "A solver warning; the message is its block.", PyExc_UserWarning);
  m.attr("RunError") = py::handle(classes.run_error);
  m.attr("SolverError") = py::handle(classes.solver_error);
  m.attr("SolverWarning") = py::handle(classes.solver_warning);

  py::class_<Result>(m, "Result", "The outcome of one run.")
      .def_readonly("x", &Result::x, "abscissa of each point (float32)")
      .def_readonly("cp", &Result::cp, "pressure coefficient of each point (float32)")
      .def_readonly("circulation", &Result::circulation,
                    "the circulations of the second system, one per point (float32)")
      .def_readonly("lift_coefficient", &Result::lift_coefficient,
                    "2 * sum(circulation) / velocity")
      .def_readonly("messages", &Result::messages,
                    "the solver's message blocks, each as the console shows it")
      .def_readonly("results_text", &Result::results_text,
                    "the text the program writes into rezult.txt, records ended by CR LF")
      .def_readonly("count", &Result::count, "the number of vortices as read")
      .def_readonly("velocity", &Result::velocity, "the free-stream velocity as read")
      .def("__repr__", [](const Result& r) {
        return "<vortex.Result count=" + std::string(py::str(py::float_(r.count))) +
               " velocity=" + std::string(py::str(py::float_(r.velocity))) +
               " points=" + std::to_string(r.x.size()) + ">";
      });

  // Shown as the package's, where scripts find it.
  m.attr("Result").attr("__module__") = "vortex";

  m.def("run", &run, py::arg("count"), py::arg("velocity"),
        "run(count, velocity) -> Result\n\n"
        "One run of the program: writes no file and prints nothing. count and\n"
        "velocity are numbers, rounded to float32 to nearest, or strings, read as if\n"
        "typed at the program's prompts (\"5.7\", \"1d2\", \"3*2.5\", \",\").\n"
        "Velocity 0 is accepted and gives NaN pressure coefficients and lift (0 / 0),\n"
        "as the program writes them.\n\n"
        "Raises RunError at 202 vortices or more and for input the reader refuses,\n"
        "SolverError when the solver stops the run (a count below 1); issues\n"
        "SolverWarning for each solver warning, which messages also keeps.");
  m.def("lsarg", &lsarg, py::arg("a"), py::arg("b"), py::arg("transpose") = false,
        "lsarg(a, b, transpose=False) -> x\n\n"
        "Solves a x = b (transpose(a) x = b with transpose) with the program's solver:\n"
        "LU with scaled partial pivoting, a condition estimate and iterative\n"
        "refinement. a is a square float32 matrix in any memory layout (copied as\n"
        "needed), b a float32 vector; x is float32. Raises SolverError for a singular\n"
        "matrix and issues SolverWarning for an ill-conditioned one.");
}
