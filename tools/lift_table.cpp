// Prints the lift coefficient of the program's system at each count beside an
// independent double-precision discrete-vortex computation and thin-airfoil
// theory: the table of docs/validation.md, and the data of tools/plot-lift.
//
// Usage: lift_table [-m] [N ...]   (no N: every count from 1 to 201; -m: a
// Markdown table instead of whitespace-separated columns)
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string_view>
#include <utility>
#include <vector>

#include "app/bounded_array.hpp"
#include "io/units.hpp"
#include "tools/program_lift.hpp"

namespace {

constexpr double kPi = std::numbers::pi;

// The camber line: a square-root nose to 0.2, flat at 0.1 to 0.6, straight to
// the trailing edge.
double camber(double x) {
  if (x < 0.2) return 0.25 * std::sqrt(x);
  if (x < 0.6) return 0.1;
  return 0.25 * (1.0 - x);
}

// Thin-airfoil theory at zero incidence: Cl = 2 integral dz/dx (cos t - 1) dt
// with x = (1 - cos t) / 2, taken piece by piece in closed form.
double theory_lift() {
  const double t1 = std::acos(1.0 - 2.0 * 0.2);
  const double t2 = std::acos(1.0 - 2.0 * 0.6);
  // Nose: dz/dx = 1 / (8 sqrt(x)) = 1 / (8 sin(t/2)), integrand -sin(t/2) / 4.
  const double nose = -0.5 * (1.0 - std::cos(t1 / 2.0));
  // The ordinate drops from 0.25 sqrt(0.2) to 0.1 at x = 0.2: a step in z, so
  // dz/dx holds a delta of that height, and dt = dx / (sin(t) / 2).
  const double drop = (0.1 - 0.25 * std::sqrt(0.2)) * (std::cos(t1) - 1.0) / (std::sin(t1) / 2.0);
  // Fall: dz/dx = -1/4 from t2 to pi.
  const double fall = -0.25 * ((0.0 - kPi) - (std::sin(t2) - t2));
  return 2.0 * (nose + drop + fall);
}

// Gaussian elimination with partial pivoting; a is n by n, row by row.
std::vector<double> solve(std::vector<double> a, std::vector<double> b) {
  const std::size_t n = b.size();
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r * n + c]) > std::fabs(a[p * n + c])) p = r;
    for (std::size_t k = 0; k < n; ++k) std::swap(a[c * n + k], a[p * n + k]);
    std::swap(b[c], b[p]);
    for (std::size_t r = c + 1; r < n; ++r) {
      const double f = a[r * n + c] / a[c * n + c];
      for (std::size_t k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
      b[r] -= f * b[c];
    }
  }
  for (std::size_t r = n; r-- > 0;) {
    double s = b[r];
    for (std::size_t k = r + 1; k < n; ++k) s -= a[r * n + k] * b[k];
    b[r] = s / a[r * n + r];
  }
  return b;
}

// The same method in double precision: vortex at the quarter point and control
// point at the three-quarter point of each of n equal panels, 2 pi exact, each
// panel's slope from the exact ordinates at its ends.
double independent_lift(int n) {
  const double h = 1.0 / n;
  const std::size_t m = std::size_t(n);
  std::vector<double> a(m * m), b(m);
  for (std::size_t j = 0; j < m; ++j) {
    const double xc = (double(j) + 0.75) * h;
    for (std::size_t i = 0; i < m; ++i)
      a[j * m + i] = 1.0 / (2.0 * kPi * (xc - (double(i) + 0.25) * h));
    b[j] = -(camber(double(j + 1) * h) - camber(double(j) * h)) / h;
  }
  double circulation = 0.0;
  for (double g : solve(a, b)) circulation += g;
  return 2.0 * circulation;
}

}  // namespace

int main(int argc, char** argv) {
  bool markdown = false;
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    int n = 0;
    if (arg == "-m") {
      markdown = true;
    } else if (std::from_chars(arg.data(), arg.data() + arg.size(), n).ptr ==
                   arg.data() + arg.size() &&
               n >= 1 && n <= kExtent) {
      counts.push_back(n);
    } else {
      std::fprintf(stderr, "usage: lift_table [-m] [N ...]   (N from 1 to %d)\n", kExtent);
      return 2;
    }
  }
  if (counts.empty())
    for (int n = 1; n <= kExtent; ++n) counts.push_back(n);
  // A solver warning goes to the standard error, away from the table.
  io::bind_unit(io::kUnitOutput, stderr);

  const double theory = theory_lift();
  const double scale = 2.0 * kPi / double(6.28f);
  if (markdown) {
    std::printf(
        "| N | program | program x 2 pi / 6.28 | independent | theory |\n"
        "|---:|---:|---:|---:|---:|\n");
  } else {
    std::printf("# thin-airfoil theory: zero-lift angle %.6f rad, Cl %.6f at zero incidence\n",
                -theory / (2.0 * kPi), theory);
    std::printf("# N  program  program*2pi/6.28  independent  theory\n");
  }
  for (int n : counts) {
    const double program = lift::program_lift(float(n), 20.0f);
    const char* format =
        markdown ? "| %d | %.4f | %.4f | %.4f | %.5f |\n" : "%d %.6f %.6f %.6f %.6f\n";
    std::printf(format, n, program, program * scale, independent_lift(n), theory);
  }
  return 0;
}
