// The Python module vortex (its compiled part, vortex._vortex, which the
// package's __init__.py exports): the program's run and its solver, with NumPy
// arrays in and out, errors as exceptions and warnings through Python's
// warnings. The module converts at its edge only; the run is compute_run(),
// the one the program makes. The classes it hands out (the result, the errors
// and the warning) are the package's Python classes.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/run.hpp"
#include "io/list_input.hpp"
#include "io/nearest_float.hpp"
#include "io/runtime_error.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"
#include "linsolve/driver.hpp"
#include "linsolve/vector_forms.hpp"

namespace py = pybind11;

namespace {

// Python objects that the functions take or give, each named in the
// signatures that help() shows by its type in the stub (_vortex.pyi).
bool any_object(PyObject*) { return true; }
struct NumberOrText : py::object {
  PYBIND11_OBJECT_DEFAULT(NumberOrText, object, any_object)
};
struct ArrayLike : py::object {
  PYBIND11_OBJECT_DEFAULT(ArrayLike, object, any_object)
};
struct ResultObject : py::object {
  PYBIND11_OBJECT_DEFAULT(ResultObject, object, any_object)
};

}  // namespace

namespace pybind11::detail {
template <>
struct handle_type_name<NumberOrText> {
  static constexpr auto name = const_name("str | SupportsFloat | SupportsIndex");
};
template <>
struct handle_type_name<ArrayLike> {
  static constexpr auto name = const_name("numpy.typing.ArrayLike");
};
template <>
struct handle_type_name<ResultObject> {
  static constexpr auto name = const_name("vortex.Result");
};
}  // namespace pybind11::detail

namespace {

// The package's classes the module makes instances of, looked up when the
// module is imported and kept for the life of the process.
struct Classes {
  PyObject* result = nullptr;
  PyObject* run_error = nullptr;
  PyObject* solver_error = nullptr;
  PyObject* solver_warning = nullptr;
};
Classes classes;

// The computation, the solver and the error facility keep process-wide state:
// one call at a time.
std::mutex call_lock;

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

// A count or a velocity as the caller gave it: a text, read by the program's
// input statement as if typed at the console, or a number, rounded to float
// here. A number whose float is not finite (beyond the float range, an
// infinity, not a number) is kept as refused: the console's reader refuses
// such input.
struct Given {
  std::optional<std::string> text;
  std::optional<float> number;
};

// Made under the program's environment, so that the rounding is to nearest
// whatever the host has set.
Given given(py::handle value, const char* name) {
  const ProgramEnvironment environment;
  Given g;
  if (py::isinstance<py::str>(value)) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
    if (utf8 == nullptr) {
      py::raise_from(PyExc_ValueError,
                     (std::string(name) + " holds a character that UTF-8 cannot encode").c_str());
      throw py::error_already_set();
    }
    g.text.emplace(utf8, std::size_t(size));
    return g;
  }
  // Integers of every kind (Python's, NumPy's, a 0-d integer array) go to
  // float in one rounding: from a long long, or from their decimal digits
  // where they are larger. An object that only looks like one (a 0-d float
  // array) is taken as a real below.
  if (PyIndex_Check(value.ptr())) {
    const py::object whole = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (whole) {
      int overflow = 0;
      const long long v = PyLong_AsLongLongAndOverflow(whole.ptr(), &overflow);
      if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
      if (overflow == 0) {
        g.number = float(v);
      } else if (const std::optional<float> nearest =
                     io::nearest_float(std::string(py::str(whole)) + "e0")) {
        g.number = nearest;
      }
      return g;
    }
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
    PyErr_Clear();
  }
  const py::object real = py::reinterpret_steal<py::object>(PyNumber_Float(value.ptr()));
  if (!real && PyErr_ExceptionMatches(PyExc_OverflowError)) {
    // Beyond every double (a Fraction of 10**400, for one): refused.
    PyErr_Clear();
    return g;
  }
  if (!real) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
    PyErr_Clear();
    throw py::type_error(std::string(name) + " must be a number or a string, not " +
                         std::string(py::str(py::type::handle_of(value).attr("__name__"))));
  }
  const float number = float(PyFloat_AsDouble(real.ptr()));
  if (std::isfinite(number)) g.number = number;
  return g;
}

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

template <class... Args>
[[noreturn]] void raise(PyObject* type, Args&&... args) {
  const py::object error = py::handle(type)(std::forward<Args>(args)...);
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
    raise(classes.solver_error, end.type, end.code,
          end.messages.empty() ? std::string() : end.messages.back());
  // The run-time's message line, without its line end or the traceback.
  raise(classes.run_error, end.status, end.errors.substr(0, end.errors.find("\r\n")));
}

// The run's side of the module: the numbers as given.
class GivenNumbers final : public RunDialogue {
 public:
  GivenNumbers(const Given& count, const Given& velocity) : count_(count), velocity_(velocity) {}

  void read_count(float& NVORT) override { read(count_, NVORT); }
  void read_velocity(float& VINF) override { read(velocity_, VINF); }

 private:
  // A text is one line typed at the console, read by the program's input
  // statement; a refused number ends the run as the statement ends it on a
  // number it cannot convert.
  static void read(const Given& g, float& target) {
    if (g.text) {
      io::read_real(*g.text, target);
    } else if (g.number) {
      target = *g.number;
    } else {
      io::severe_error(io::kErrConversion, io::kConsoleInputUnit, io::kConsoleInputName);
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

ResultObject run(const NumberOrText& count_value, const NumberOrText& velocity_value) {
  const Given count = given(count_value, "count");
  const Given velocity = given(velocity_value, "velocity");
  GivenNumbers numbers(count, velocity);
  const RunResult run = fresh_call([&] { return compute_run(numbers); });
  report(run);
  py::list messages;
  for (const std::string& block : run.messages) messages.append(block);
  using py::literals::operator""_a;
  return py::handle(classes.result)("x"_a = array_of(run.x), "cp"_a = array_of(run.cp),
                                    "circulation"_a = array_of(run.circulation),
                                    "lift_coefficient"_a = run.lift_coefficient,
                                    "messages"_a = messages, "results_text"_a = results_text(run),
                                    "count"_a = run.count, "velocity"_a = run.velocity);
}

// An argument of lsarg as a float32 array of the order the solver reads. A
// list or a tuple is made an array by NumPy first and must hold numbers, which
// are rounded to float32 once, to nearest whatever the caller has set. An
// array of a type that float32 cannot hold exactly (float64 among them) is
// refused rather than rounded. A copy that memory cannot hold raises
// MemoryError.
template <int Order>
py::array_t<float, Order> float32_array(py::handle value, const char* name) {
  const ProgramEnvironment environment;
  py::object array = py::reinterpret_borrow<py::object>(value);
  if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
    array = py::module_::import("numpy").attr("asarray")(value);
    const py::object type = array.attr("dtype");
    if (std::string_view("biuf").find(type.attr("kind").cast<char>()) == std::string_view::npos)
      throw py::type_error(std::string(name) + " must hold numbers only, not " +
                           std::string(py::str(type)) + " values");
    array = array.attr("astype")("float32");
  }
  try {
    return py::array_t<float, Order>(array);
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_TypeError)) throw;
    throw py::type_error(std::string(name) + " must be a float32 array (numpy.asarray(" + name +
                         ", dtype=numpy.float32))");
  }
}

py::array_t<float> lsarg(const ArrayLike& a_value, const ArrayLike& b_value, bool transpose) {
  // Copied to column order where needed.
  const auto a = float32_array<py::array::f_style>(a_value, "a");
  const auto b = float32_array<py::array::c_style>(b_value, "b");
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

PyObject* package_class(const char* module, const char* name) {
  return py::object(py::module_::import(module).attr(name)).release().ptr();
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
      "the module and release the interpreter lock while they compute. A call is\n"
      "not interrupted part way: Ctrl-C raises KeyboardInterrupt when it returns.\n"
      "A child process made by os.fork() can call the module also when another\n"
      "thread of the parent was in a call at the fork.";
  m.attr("__version__") = VORTEX_VERSION;

  classes.result = package_class("vortex._result", "Result");
  classes.run_error = package_class("vortex._errors", "RunError");
  classes.solver_error = package_class("vortex._errors", "SolverError");
  classes.solver_warning = package_class("vortex._errors", "SolverWarning");

  // A VORTEX_FORM that the solver's choice of form could not follow.
  if (const char* notice = linsolve::form_notice();
      *notice != '\0' && PyErr_WarnEx(PyExc_RuntimeWarning, notice, 1) < 0)
    throw py::error_already_set();

  // A child forked while another thread held the lock has that thread no more,
  // and nobody to release the lock: the child makes the lock anew. What the
  // interrupted call left in the process-wide state is not read: the next
  // call starts as a fresh run.
  const py::module_ os = py::module_::import("os");
  if (py::hasattr(os, "register_at_fork"))
    os.attr("register_at_fork")(py::arg("after_in_child") =
                                    py::cpp_function([] { new (&call_lock) std::mutex; }));

  m.def("run", &run, py::arg("count"), py::arg("velocity"),
        "One run of the program: writes no file and prints nothing. count and\n"
        "velocity are numbers, rounded to float32 to nearest, or strings, read as if\n"
        "typed at the program's prompts (\"5.7\", \"1d2\", \"3*2.5\", \",\").\n"
        "Velocity 0 is accepted and gives NaN pressure coefficients and lift (0 / 0),\n"
        "as the program writes them.\n\n"
        "Raises RunError at 202 vortices or more and for input the program's reader\n"
        "refuses, numbers among them whose float32 is not finite (64, as the console\n"
        "refuses 1e39, inf and nan); SolverError when the solver stops the run (a\n"
        "count below 1); issues SolverWarning for each solver warning, which\n"
        "messages also keeps.");
  m.def("lsarg", &lsarg, py::arg("a"), py::arg("b"), py::arg("transpose") = false,
        "Solves a x = b (transpose(a) x = b with transpose) with the program's solver:\n"
        "LU with scaled partial pivoting, a condition estimate and iterative\n"
        "refinement. a is a square float32 matrix in any memory layout (copied as\n"
        "needed), b a float32 vector; lists of numbers are rounded to float32, other\n"
        "arrays are refused unless float32 holds their values exactly. x is float32.\n"
        "Raises SolverError for a singular matrix and issues SolverWarning for an\n"
        "ill-conditioned one. The solve is not interrupted part way: Ctrl-C raises\n"
        "KeyboardInterrupt when it returns.");
}
