// What an x86-64 processor offers the vector forms. SSE2 is part of x86-64.
#include "linsolve/vector_table.hpp"

// The C library's header of processor features, where it has one, is C: GCC
// reads it as C++ too.
#if defined(VORTEX_LIBC_CPU_FEATURES)
#include <sys/platform/x86.h>
#endif

namespace linsolve::forms {
namespace {

#if defined(VORTEX_LIBC_CPU_FEATURES)
// The C library has asked the processor already, at start-up: its answers cost
// nothing, while the compiler's run-time asks again, and each of its questions
// is a trip out of a virtual machine.
bool avx512() {
  return CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512VL) &&
         CPU_FEATURE_ACTIVE(AVX512DQ) && CPU_FEATURE_ACTIVE(AVX512BW);
}
bool avx2() { return CPU_FEATURE_ACTIVE(AVX2) && CPU_FEATURE_ACTIVE(FMA); }
#else
bool avx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
}
bool avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif

}  // namespace

bool processor_offers(Form form) {
  switch (form) {
    case Form::sse2:
      return true;
    case Form::avx2:
      return avx2();
    case Form::avx512:
      return avx512();
    default:
      return false;
  }
}

}  // namespace linsolve::forms
