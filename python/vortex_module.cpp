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
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.hpp"
#include "io/list_input.hpp"
#include "io/nearest_float.hpp"
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

// The units of a call: none open, so that a run never reads the host's
// standard input nor writes on its standard streams; its messages come back in
// its result.
class Units {
 public:
  Units() {
    io::bind_unit(io::kUnitOutput, nullptr);
    io::bind_unit(io::kUnitError, nullptr);
    io::bind_unit(io::kUnitInput, nullptr);
  }
  ~Units() { io::reset_units(); }
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;
};

// Runs the body as a fresh run of the program: the interpreter lock released,
// the module's lock held, the program's floating-point environment, no unit
// open. The body's own stop comes back in what it returns; it never ends the
// process.
template <class Body>
auto fresh_call(Body body) {
  py::gil_scoped_release unlocked;
  const std::lock_guard<std::mutex> lock(call_lock);
  const ProgramEnvironment environment;
  const Units units;
  return body();
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
void report(const RunEnd& end) {
  for (const std::string& block : end.messages)
    if (is_warning(block) && PyErr_WarnEx(classes.solver_warning, block.c_str(), 1) < 0)
      throw py::error_already_set();
  if (end.status == io::kStatusNormal) return;
  if (end.status == io::kStatusSolverStop)
    raise(classes.solver_error, end.messages.empty() ? std::string() : end.messages.back(), "type",
          end.type, "code", end.code);
  // The run-time's message line, without its line end or the traceback.
  raise(classes.run_error, end.errors.substr(0, end.errors.find("\r\n")), "number", end.status);
}

// The run's side of the module: the numbers as given.
class GivenNumbers final : public RunDialogue {
 public:
  GivenNumbers(const Given& count, const Given& velocity) : count_(count), velocity_(velocity) {}

  void read_count(float& NVORT) override { read(count_, NVORT); }
  void read_velocity(float& VINF) override { read(velocity_, VINF); }

 private:
  // A text is one line typed at the console, read by the program's input
  // statement.
  static void read(const Given& g, float& target) {
    if (g.kind == Given::Kind::text) {
      io::read_real(g.text, target);
    } else {
      target = g.number();
    }
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
  GivenNumbers numbers(count, velocity);
  const RunResult run = fresh_call([&] { return compute_run(numbers); });
  report(run);
  Result r;
  r.x = array_of(run.x);
  r.cp = array_of(run.cp);
  r.circulation = array_of(run.circulation);
  r.lift_coefficient = run.lift_coefficient;
  for (const std::string& block : run.messages) r.messages.append(block);
  r.results_text = results_text(run);
  r.count = run.count;
  r.velocity = run.velocity;
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
  report(fresh_call([&] {
    auto solve = [&] { LSARG(order, ap, order, bp, transpose ? 2 : 1, xp); };
    return run_as_fresh(solve);
  }));
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
