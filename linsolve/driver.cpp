// The driver: work space per call, argument checks, factorization with the
// condition estimate, refined solve, and the ill-conditioning warning.
#include "linsolve/driver.hpp"

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

#include "errstack/errstack.hpp"
#include "linsolve/checks.hpp"
#include "linsolve/condition.hpp"
#include "linsolve/refine.hpp"
#include "linsolve/state.hpp"

using linsolve::terminal;

namespace {

constexpr std::string_view kDriverOrder =
    "The number of equations must be positive while N = %(i1) is given.";
constexpr std::string_view kNoStorage =
    "The required storage cannot be allocated.  The workspace is based on N, where N = %(i1).";

constexpr std::string_view kOrder =
    "The number of equations must be positive while N = %(I1) is given.";
constexpr std::string_view kLda =
    "The order of the matrix must be less than or equal to its leading dimension while N = "
    "%(I1) and LDA = %(I2) are given.";
constexpr std::string_view kIpath = "IPATH must be either 1 or 2 while a value of %(I1) is given.";
constexpr std::string_view kIllConditioned =
    "The matrix is too ill-conditioned. An estimate of the reciprocal of its L1 condition "
    "number is RCOND = %(R1).  The solution might not be accurate.";

// One work request: null when it fails. A count that does not fit an int (an
// order whose square overflows) fails like an exhausted heap.
template <typename T>
std::unique_ptr<T[]> request(std::int64_t count, unsigned which) {
  if (count > INT_MAX || (linsolve::state().failing_requests & which) != 0) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<std::size_t>(count)]);
}

// LSARG once the order has passed: every request is made, each checked on its
// own. The arrays are released on every way out, a stop of the run included.
void solve_in_work_space(int n, const float* a, int lda, const float* b, int ipath, float* x) {
  auto fac = request<float>(std::int64_t{n} * n, linsolve::kRequestFac);
  auto work = request<float>(n, linsolve::kRequestWork);
  auto pivot = request<int>(n, linsolve::kRequestPivot);

  if (!fac || !work || !pivot) {
    // The type first, with no text and the code left as it was.
    E1MES(kTerminal, -1, " ");
    terminal(2, kNoStorage, {n});
  } else {
    L2ARG(n, a, lda, b, ipath, x, fac.get(), pivot.get(), work.get());
  }

  fac.reset();
  work.reset();
  pivot.reset();
}

// L2ARG once its arguments have passed.
void factor_and_solve(int n, const float* a, int lda, const float* b, int ipath, float* x,
                      float* fac, int* pivot, float* work) {
  float& rcond = linsolve::state().rcond;
  L2CRG(n, a, lda, fac, n, pivot, rcond, work);
  // A singular matrix: X is not touched.
  if (N1RTY(1) == kFatal) return;
  LFIRG(n, a, lda, fac, n, pivot, b, ipath, x, work);
  // Equality warns; a refinement that ended with a code always warns.
  if (N1RCD(1) != 0 || rcond <= AMACH(4)) {
    E1ARGR(1, rcond);
    E1MES(kWarning, 1, kIllConditioned);
  }
}

}  // namespace

void LSARG(int n, const float* a, int lda, const float* b, int ipath, float* x) {
  E1PSH("LSARG ");
  if (n <= 0)
    terminal(1, kDriverOrder, {n});
  else
    solve_in_work_space(n, a, lda, b, ipath, x);
  E1POP("LSARG ");
}

void L2ARG(int n, const float* a, int lda, const float* b, int ipath, float* x, float* fac,
           int* pivot, float* work) {
  E1PSH("L2ARG ");
  if (n <= 0)
    terminal(1, kOrder, {n});
  else if (n > lda)
    terminal(2, kLda, {n, lda});
  else if (ipath != 1 && ipath != 2)
    terminal(3, kIpath, {ipath});
  else
    factor_and_solve(n, a, lda, b, ipath, x, fac, pivot, work);
  E1POP("L2ARG ");
}
