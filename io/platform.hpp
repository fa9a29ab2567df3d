#pragma once
// The system's side of the I/O run-time: what the results file asks of the file
// system, and the text of a system error. One form for POSIX systems
// (platform_posix.cpp) and one for Windows (platform_windows.cpp), chosen by
// CMake; both also define the start-up and exit functions of units.hpp and
// terminate.hpp that differ between the systems.
//
// A file is a descriptor of the C run-time on either system; an error is an
// errno value, whose text is the C library's.
#include <cstddef>
#include <cstdint>

namespace io::platform {

struct Opened {
  int fd = -1;          // the file, or -1 when it could not be opened
  bool denied = false;  // the failure was one of permission
  int error = 0;        // the reason of the failure, an errno value
};

// Opens the file for writing, created when missing, never shortened, never on
// a standard stream's descriptor and without waiting for a reader that is not
// there (a FIFO). The descriptor is not inherited by other programs.
Opened open_for_writing(const char* name);

// Whether the file is a regular one (only such a file is cut and locked).
bool is_regular(int fd);

// A write lock on the whole file, held until it is closed.
enum class Lock { taken, held, unavailable };
Lock try_lock(int fd);  // held: another run holds it; unavailable: no locks here
void wait_for_lock(int fd);
// The id of the process that holds the lock try_lock found held, where the
// system tells; 0 where it does not, or when the lock has been let go since.
long lock_holder(int fd);

// Writes the bytes; returns how many the file took, all of them unless it
// refused some.
std::size_t write_all(int fd, const char* data, std::size_t size);

// Cuts the file to size bytes; false when it cannot be cut.
bool truncate(int fd, std::int64_t size);

// The largest file this process may make, in bytes (a file-size limit).
std::int64_t file_size_limit();

// False when the closing reports a failed write.
bool close(int fd);

// The system's reason for an errno value, as one line of text.
const char* reason(int error);

}  // namespace io::platform
