// The I/O run-time on Windows: the C run-time's descriptors, and the system's
// file handles beneath them where the C run-time has no call (locks, cutting a
// file, writes that report how much they took).
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "io/platform.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

namespace io {
namespace {

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// A descriptor without a usable handle: a stream that was absent when the
// program started (the C run-time gives -2, -1 or a null handle) or one that
// was closed.
bool absent(int fd) {
  const std::intptr_t h = ::_get_osfhandle(fd);
  if (h == -1 || h == -2 || h == 0) return true;
  return ::GetFileType(reinterpret_cast<HANDLE>(h)) == FILE_TYPE_UNKNOWN &&
         ::GetLastError() != NO_ERROR;
}

}  // namespace

void guard_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (!absent(fd)) continue;
    const int opened = ::_open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::_dup2(opened, fd);
      ::_close(opened);
    }
  }
  // The standard output is a text stream, whose line feeds the C run-time
  // writes as CR LF. The run-time's messages on the standard error end in CR
  // LF themselves, which a text stream would make CR CR LF.
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

// Windows has neither a broken-pipe signal nor a file-size limit: a write to a
// pipe whose reader has gone fails, and is message 38 as it is.
void ignore_write_signals() {}

int exit_code(int status) {
  if (status == kStatusNormal || status == kStatusSolverStop) return status;
  return int(0xC0000000u | unsigned(status));
}

namespace platform {

Opened open_for_writing(const char* name) {
  Opened result;
  // Binary: the records carry their own CR LF. Not inherited: a program the
  // run might start never holds the file. A FIFO, the one file that could make
  // the opening wait, has no place in a folder here.
  int fd = ::_open(name, _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    result.error = errno;
    // Windows refuses a folder as it refuses a read-only file; only the
    // read-only file is a matter of permission.
    const DWORD attributes = ::GetFileAttributesA(name);
    if (result.error == EACCES && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      result.error = EISDIR;
    result.denied = result.error == EACCES;
    return result;
  }
  // A standard stream closed after start-up gave its descriptor away: the file
  // moves above them, so that nothing but records ever goes into it.
  int taken[3] = {-1, -1, -1};
  int count = 0;
  while (fd >= 0 && fd <= 2 && count < 3) {
    taken[count++] = fd;
    fd = ::_dup(fd);
  }
  for (int i = 0; i < count; ++i) ::_close(taken[i]);
  if (fd < 0 || fd <= 2) {
    result.error = errno != 0 ? errno : EMFILE;
    if (fd >= 0) ::_close(fd);
    result.fd = -1;
    return result;
  }
  result.fd = fd;
  return result;
}

bool is_regular(int fd) { return ::GetFileType(handle_of(fd)) == FILE_TYPE_DISK; }

namespace {

// The whole file, whatever its length: the lock reaches beyond its end.
bool lock_whole(int fd, DWORD flags) {
  OVERLAPPED at{};
  return ::LockFileEx(handle_of(fd), LOCKFILE_EXCLUSIVE_LOCK | flags, 0, MAXDWORD, MAXDWORD, &at) !=
         0;
}

}  // namespace

Lock try_lock(int fd) {
  if (lock_whole(fd, LOCKFILE_FAIL_IMMEDIATELY)) return Lock::taken;
  return ::GetLastError() == ERROR_LOCK_VIOLATION ? Lock::held : Lock::unavailable;
}

void wait_for_lock(int fd) { (void)lock_whole(fd, 0); }

// Windows does not tell which process holds a lock.
long lock_holder(int) { return 0; }

std::size_t write_all(int fd, const char* data, std::size_t size) {
  const HANDLE h = handle_of(fd);
  std::size_t done = 0;
  while (done < size) {
    const DWORD piece = DWORD(size - done < (1u << 30) ? size - done : (1u << 30));
    DWORD n = 0;
    const bool ok = ::WriteFile(h, data + done, piece, &n, nullptr) != 0;
    done += n;
    if (!ok || n == 0) break;
  }
  return done;
}

bool truncate(int fd, std::int64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = size;
  return ::SetFileInformationByHandle(handle_of(fd), FileEndOfFileInfo, &end, sizeof end) != 0;
}

// Windows has no file-size limit of its own.
std::int64_t file_size_limit() { return std::numeric_limits<std::int64_t>::max(); }

bool close(int fd) { return ::_close(fd) == 0; }

const char* reason(int error) { return std::strerror(error); }

}  // namespace platform
}  // namespace io
