// The SSE2 form of the hot loops: two doubles to a vector. Every x86-64
// processor has it.
#include "linsolve/vector_form.hpp"

namespace linsolve::forms::sse2 {
constexpr int W = 2;  // doubles to a vector
// The width-generic operations,
#include "linsolve/vector_ops.inc"
// the packet of the instruction set,
#include "linsolve/packet_sse2.inc"
// and the loops over it.
#include "linsolve/vector_loops.inc"
}  // namespace linsolve::forms::sse2

VORTEX_FORM_ENTRY(sse2, every_processor, 2)
