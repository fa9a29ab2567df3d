#pragma once
// The program's name as the run-time traceback shows it in its image column.

namespace io {

// The base name the program was started by, where the C library records it;
// "vortex" elsewhere.
const char* program_name();

}  // namespace io
