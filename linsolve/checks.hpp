#pragma once
// What the solver's routines share when they refuse their input: the record of
// a failed argument check, and the threshold at or below which a pivot or a
// diagonal element of U counts as zero.
//
// A routine that brackets its work checks its arguments in their fixed order
// and leaves by one pop:
//
//   E1PSH("L2TRG ");
//   if (n <= 0) terminal(1, kOrder, {n});
//   else if (n > lda) terminal(2, kLda, {n, lda});
//   else factor(...);
//   E1POP("L2TRG ");
//
// so that the first failing check is the only one recorded.
#include <initializer_list>
#include <string_view>

#include "errstack/errstack.hpp"

namespace linsolve {

// Records the TERMINAL error of code CODE; %(I1), %(I2), ... quote the values in
// the order given.
inline void terminal(int code, std::string_view text, std::initializer_list<int> values = {}) {
  int index = 1;
  for (const int v : values) E1ARGI(index++, v);
  E1MES(kTerminal, code, text);
}

// AMACH(1), the smallest normal number, unless its product with AMACH(2), the
// largest finite number, is below 1; then 1 / AMACH(2). In IEEE single
// precision the product is about 4, so this is 2^-126.
inline float singularity_threshold() {
  const float smallest = AMACH(1);
  return double(smallest) * AMACH(2) < 1.0 ? float(1.0 / AMACH(2)) : smallest;
}

}  // namespace linsolve
