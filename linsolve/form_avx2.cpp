// The AVX2 form of the hot loops: four doubles to a vector, with FMA.
#include <immintrin.h>

#include "linsolve/vector_form.hpp"

VORTEX_TARGET_PUSH("avx2,fma")
namespace linsolve::forms::avx2 {
constexpr int W = 4;  // doubles to a vector
// The width-generic operations,
#include "linsolve/vector_ops.inc"
// the transposition in 256-bit registers,
#include "linsolve/vector_transpose_avx.inc"
// the packet of the instruction set,
#include "linsolve/packet_avx2.inc"
// and the loops over it.
#include "linsolve/vector_loops.inc"
}  // namespace linsolve::forms::avx2
VORTEX_TARGET_POP

VORTEX_FORM_ENTRY(avx2, x86_avx2, 4)
