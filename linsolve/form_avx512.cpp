// The AVX-512 form of the hot loops (F, VL, DQ, BW): eight doubles to a vector.
#include <immintrin.h>

#include "linsolve/vector_form.hpp"

VORTEX_TARGET_PUSH("avx512f,avx512vl,avx512dq,avx512bw")
namespace linsolve::forms::avx512 {
constexpr int W = 8;  // doubles to a vector
// The width-generic operations,
#include "linsolve/vector_ops.inc"
// the transposition in 256-bit registers,
#include "linsolve/vector_transpose_avx.inc"
// the packet of the instruction set,
#include "linsolve/packet_avx512.inc"
// and the loops over it.
#include "linsolve/vector_loops.inc"
}  // namespace linsolve::forms::avx512
VORTEX_TARGET_POP

VORTEX_FORM_ENTRY(avx512, x86_avx512, 8)
