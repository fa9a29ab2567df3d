// The Advanced SIMD form of the hot loops: two doubles to a vector. Every
// AArch64 processor has it.
#include "linsolve/vector_form.hpp"

namespace linsolve::forms::neon {
constexpr int W = 2;  // doubles to a vector
// The width-generic operations,
#include "linsolve/vector_ops.inc"
// the packet of the instruction set,
#include "linsolve/packet_neon.inc"
// and the loops over it.
#include "linsolve/vector_loops.inc"
}  // namespace linsolve::forms::neon

VORTEX_FORM_ENTRY(neon, every_processor, 2)
