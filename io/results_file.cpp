#include "io/results_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "io/program_name.hpp"
#include "io/record.hpp"
#include "io/runtime_error.hpp"
#include "io/units.hpp"

namespace io {
namespace {

constexpr const char* kResultsName = "rezult.txt";
constexpr const char* kWaitNotice =
    "%s: rezult.txt is in use by another run in this folder; waiting for it to end\r\n";

constexpr std::size_t kRecordBytes = 20;  // two fields of nine characters and CR LF
constexpr std::size_t kBatchRecords = 256;

// Whole records are gathered and written out in one piece when the batch is
// full and when the file is closed, which every end of the run does. A write
// the file takes only in part keeps the whole records it took: the file never
// holds a record cut short.
struct ResultsFile {
  int fd = -1;
  off_t written = 0;        // bytes of whole records written out by this run
  bool cut = false;         // the file has been cut after the first records
  bool regular = false;     // a regular file (only such a file can be cut)
  std::size_t pending = 0;  // bytes of whole records gathered in batch
  char batch[kBatchRecords * kRecordBytes];
};

ResultsFile results;

[[noreturn]] void write_failure() { severe_error(kErrWrite, kUnitResults, kResultsName); }

void close_results() { results_close(); }

// Writes the bytes; returns how many the file took, all of them unless it
// refused some.
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

// Writes out the gathered records. The first piece written cuts off whatever an
// earlier run left beyond it; a device or a pipe has nothing to cut.
void write_out() {
  const std::size_t size = results.pending;
  if (size == 0) return;
  results.pending = 0;
  const std::size_t done = write_all(results.fd, results.batch, size);
  results.written += off_t(done - done % kRecordBytes);
  if (done < size) {
    // A record cut short is taken back. A file that took nothing of the first
    // piece still holds what an earlier run left, and keeps it.
    if (results.regular && (done > 0 || results.cut))
      (void)::ftruncate(results.fd, results.written);
    write_failure();
  }
  if (!results.cut) {
    results.cut = true;
    if (::ftruncate(results.fd, results.written) != 0 && results.regular) write_failure();
  }
}

// Two runs in one folder take turns: each holds a write lock on the whole file
// from its opening to its closing (which every end of the run does), so the
// file ends with one run's records, whole. A run that finds the file locked
// says so on the standard error and waits: the other run may be waiting at a
// prompt. A file system without locks is written as before.
void lock_results() {
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  if (::fcntl(results.fd, F_SETLK, &whole) == 0) return;
  if (errno != EACCES && errno != EAGAIN) return;
  if (std::FILE* out = unit_stream(kUnitOutput)) std::fflush(out);
  std::fprintf(stderr, kWaitNotice, program_name());
  std::fflush(stderr);
  while (::fcntl(results.fd, F_SETLKW, &whole) != 0 && errno == EINTR) {
  }
}

}  // namespace

void results_open() {
  if (results.fd >= 0) return;  // already open on this unit
  // Opened without blocking, so that a FIFO nobody reads is an open failure at
  // once (ENXIO) rather than a run that hangs before its first prompt; the
  // descriptor blocks again once it is open.
  int fd = -1;
  do {
    fd = ::open(kResultsName, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int reason = errno;
    const bool denied = reason == EACCES || reason == EPERM || reason == EROFS;
    severe_error(denied ? kErrPermission : kErrOpen, kUnitResults, kResultsName, reason);
  }
  if (fd <= 2) {
    // A closed standard stream gave its descriptor away: the file moves above
    // them, so that nothing but records ever goes into it.
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int reason = errno;
    ::close(fd);
    if (moved < 0) severe_error(kErrOpen, kUnitResults, kResultsName, reason);
    fd = moved;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int reason = errno;
    ::close(fd);
    severe_error(kErrOpen, kUnitResults, kResultsName, reason);
  }
  struct stat st {};
  results = ResultsFile{};
  results.fd = fd;
  results.regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  register_closer(close_results);
  if (results.regular) lock_results();
}

void results_write(float x, float cp) {
  if (results.fd < 0) results_open();
  const std::string record = results_record(x, cp) + "\r\n";
  if (results.pending + kRecordBytes > sizeof results.batch) write_out();
  record.copy(results.batch + results.pending, kRecordBytes);
  results.pending += kRecordBytes;
}

void results_close() {
  if (results.fd < 0) return;
  write_out();  // a failure stops the run, and the stop closes the file
  const int fd = results.fd;
  results.fd = -1;
  if (::close(fd) != 0) write_failure();
}

}  // namespace io
