// Where the C library keeps no program name, the traceback names the program.
#include "io/program_name.hpp"

namespace io {

const char* program_name() { return "vortex"; }

}  // namespace io
