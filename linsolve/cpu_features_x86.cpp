// What an x86 processor offers the vector forms, and what it is.
#include <cpuid.h>

#include <cstring>

#include "linsolve/vector_table.hpp"

// The C library's header of processor features, where it has one, is C: GCC
// reads it as C++ too.
#if defined(VORTEX_LIBC_CPU_FEATURES)
#include <sys/platform/x86.h>
#endif

namespace linsolve::forms {

#if defined(VORTEX_LIBC_CPU_FEATURES)
// The C library has asked the processor already, at start-up: its answers cost
// nothing, while the compiler's run-time asks again, and each of its questions
// is a trip out of a virtual machine.
bool x86_avx512() {
  return CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512VL) &&
         CPU_FEATURE_ACTIVE(AVX512DQ) && CPU_FEATURE_ACTIVE(AVX512BW);
}
bool x86_avx2() { return CPU_FEATURE_ACTIVE(AVX2) && CPU_FEATURE_ACTIVE(FMA); }
#else
bool x86_avx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
}
bool x86_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif

// The vendor's string of leaf 0, and the family and model of leaf 1 with their
// extensions, as the vendors define them: the extended family counts from base
// family 15, the extended model from base family 6 or 15.
Processor this_processor() {
  Processor cpu;
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(0, &a, &b, &c, &d) == 0) return cpu;
  std::memcpy(cpu.vendor, &b, 4);
  std::memcpy(cpu.vendor + 4, &d, 4);
  std::memcpy(cpu.vendor + 8, &c, 4);
  if (a < 1 || __get_cpuid(1, &a, &b, &c, &d) == 0) return cpu;
  const int family = int((a >> 8) & 0xfu);
  const int model = int((a >> 4) & 0xfu);
  cpu.family = family == 15 ? family + int((a >> 20) & 0xffu) : family;
  cpu.model = family == 6 || family == 15 ? model + int((a >> 12) & 0xf0u) : model;
  return cpu;
}

}  // namespace linsolve::forms
