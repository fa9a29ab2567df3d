// The triangular solve. Each element is one dot product over the part of x
// already solved, subtracted from the element, then divided by the diagonal
// element unless the diagonal is unit. No test for a zero diagonal is made.
#include "linsolve/triangular.hpp"

#include <cctype>
#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "errstack/errstack.hpp"
#include "linsolve/checks.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/matrix_access.hpp"
#include "linsolve/vector_paths.hpp"

using linsolve::at;

namespace {

constexpr std::string_view kOrder = "N must be greater than or equal to zero while %(I1) is given.";
constexpr std::string_view kLda =
    "LDA must be greater than or equal to N and greater than zero while LDA = %(I1) and N = "
    "%(I2) are given.";
constexpr std::string_view kIncx = "INCX must not be equal to zero while %(I1) is given.";
constexpr std::string_view kTrans = "TRANS must be set equal to N or T or C while %(L1) is given.";
constexpr std::string_view kUplo = "UPLO must be set equal to U or L while %(L1) is given.";
constexpr std::string_view kDiag = "DIAG must be set equal to U or N while %(L1) is given.";

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// STRSV touches the error stack only when a check fails: the push, the record
// and the pop come together.
void reject_number(int code, std::string_view text, std::initializer_list<int> values) {
  E1PSH("STRSV ");
  linsolve::terminal(code, text, values);
  E1POP("STRSV ");
}

void reject_letter(int code, std::string_view text, const char& letter) {
  E1PSH("STRSV ");
  E1ARGL(1, std::string_view(&letter, 1));
  E1MES(kTerminal, code, text);
  E1POP("STRSV ");
}

}  // namespace

void STRSV(char uplo, char trans, char diag, int n, const float* a, int lda, float* x, int incx) {
  const bool upper_triangle = upper(uplo) == 'U';
  const bool lower_triangle = upper(uplo) == 'L';
  const bool transposed = upper(trans) == 'T' || upper(trans) == 'C';
  const bool plain = upper(trans) == 'N';
  const bool unit = upper(diag) == 'U';
  const bool divide = upper(diag) == 'N';

  if (n < 0) return reject_number(1, kOrder, {n});
  if (lda == 0 || lda < n) return reject_number(2, kLda, {lda, n});
  if (incx == 0) return reject_number(3, kIncx, {incx});
  if (!plain && !transposed) return reject_letter(4, kTrans, trans);
  if (!upper_triangle && !lower_triangle) return reject_letter(5, kUplo, uplo);
  if (!unit && !divide) return reject_letter(6, kDiag, diag);
  if (n == 0) return;

  // x(i) sits at 1 + (i - 1) * INCX, or at 1 + (N - i) * |INCX| for a negative INCX.
  const std::ptrdiff_t stride = incx;
  auto element = [&](int i) -> float& {
    return incx > 0 ? x[(i - 1) * stride] : x[(n - i) * -stride];
  };
  // The kernels take the lowest-addressed element of x(lo..hi) with the stride.
  auto part = [&](int lo, int hi) -> float* { return incx > 0 ? &element(lo) : &element(hi); };
  auto finish = [&](int j, float sum) {
    const double v = double(element(j)) - sum;
    element(j) = divide ? float(v / at(a, lda, j, j)) : float(v);
  };

  if (upper_triangle && plain && incx == 1) {
    linsolve::upper_solve(n, a, lda, x, unit);
  } else if (upper_triangle && plain) {
    for (int j = n; j >= 1; --j)
      finish(j, j < n ? SDOT(n - j, &at(a, lda, j, j + 1), lda, part(j + 1, n), incx) : 0.0f);
  } else if (upper_triangle) {
    for (int j = 1; j <= n; ++j)
      finish(j, j > 1 ? SDOT(j - 1, &at(a, lda, 1, j), 1, part(1, j - 1), incx) : 0.0f);
  } else if (plain) {
    for (int j = 1; j <= n; ++j)
      finish(j, j > 1 ? SDOT(j - 1, &at(a, lda, j, 1), lda, part(1, j - 1), incx) : 0.0f);
  } else {
    for (int j = n; j >= 1; --j)
      finish(j, j < n ? SDOT(n - j, &at(a, lda, j + 1, j), 1, part(j + 1, n), incx) : 0.0f);
  }
}
