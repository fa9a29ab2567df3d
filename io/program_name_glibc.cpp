// The C library keeps the base name of argv[0] from before main.
#include <errno.h>

#include "io/program_name.hpp"

namespace io {

const char* program_name() { return program_invocation_short_name; }

}  // namespace io
