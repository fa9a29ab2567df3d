// The I/O run-time on a POSIX system.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>

#include "io/platform.hpp"
#include "io/terminate.hpp"
#include "io/units.hpp"

namespace io {

void guard_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lower descriptors are open by now, so the open takes this one.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

void ignore_write_signals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

// The system keeps the low 8 bits of the status, which are the message number.
int exit_code(int status) { return status; }

namespace platform {

Opened open_for_writing(const char* name) {
  Opened result;
  // Opened without blocking, so that a FIFO nobody reads is an open failure at
  // once (ENXIO) rather than a run that hangs before its first prompt; the
  // descriptor blocks again once it is open.
  int fd = -1;
  do {
    fd = ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    result.error = errno;
    result.denied = result.error == EACCES || result.error == EPERM || result.error == EROFS;
    return result;
  }
  if (fd <= 2) {
    // A closed standard stream gave its descriptor away: the file moves above
    // them, so that nothing but records ever goes into it.
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int reason = errno;
    ::close(fd);
    if (moved < 0) {
      result.error = reason;
      return result;
    }
    fd = moved;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    result.error = errno;
    ::close(fd);
    return result;
  }
  result.fd = fd;
  return result;
}

bool is_regular(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

struct flock whole_file() {
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  return whole;
}

}  // namespace

Lock try_lock(int fd) {
  struct flock whole = whole_file();
  if (::fcntl(fd, F_SETLK, &whole) == 0) return Lock::taken;
  return errno == EACCES || errno == EAGAIN ? Lock::held : Lock::unavailable;
}

void wait_for_lock(int fd) {
  struct flock whole = whole_file();
  while (::fcntl(fd, F_SETLKW, &whole) != 0 && errno == EINTR) {
  }
}

long lock_holder(int fd) {
  struct flock whole = whole_file();
  if (::fcntl(fd, F_GETLK, &whole) != 0 || whole.l_type == F_UNLCK) return 0;
  return whole.l_pid > 0 ? long(whole.l_pid) : 0;
}

std::size_t write_all(int fd, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += std::size_t(n);
  }
  return done;
}

bool truncate(int fd, std::int64_t size) { return ::ftruncate(fd, off_t(size)) == 0; }

std::int64_t file_size_limit() {
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kLargest;
  return limit.rlim_cur < rlim_t(kLargest) ? std::int64_t(limit.rlim_cur) : kLargest;
}

bool close(int fd) { return ::close(fd) == 0; }

const char* reason(int error) { return std::strerror(error); }

}  // namespace platform
}  // namespace io
