#include "io/results_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "io/record.hpp"
#include "io/runtime_error.hpp"
#include "io/units.hpp"

namespace io {
namespace {

constexpr const char* kResultsName = "rezult.txt";

// Records go straight to the file, one write per record, so that a failure is
// seen at the record that met it and nothing waits in a buffer at the end.
struct ResultsFile {
  int fd = -1;
  off_t written = 0;     // bytes of whole records written by this run
  bool cut = false;      // the file has been cut after the first record
  bool regular = false;  // a regular file (only such a file can be cut)
};

ResultsFile results;

[[noreturn]] void write_failure() { severe_error(kErrWrite, kUnitResults, kResultsName); }

void close_results() { results_close(); }

// Writes all of the bytes; false when the file refuses some of them.
bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= std::size_t(n);
  }
  return true;
}

}  // namespace

void results_open() {
  if (results.fd >= 0) return;  // already open on this unit
  int fd = -1;
  do {
    fd = ::open(kResultsName, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const bool denied = errno == EACCES || errno == EPERM || errno == EROFS;
    severe_error(denied ? kErrPermission : kErrOpen, kUnitResults, kResultsName);
  }
  if (fd <= 2) {
    // A closed standard stream gave its descriptor away: the file moves above
    // them, so that nothing but records ever goes into it.
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    if (moved < 0) severe_error(kErrOpen, kUnitResults, kResultsName);
    fd = moved;
  }
  struct stat st {};
  results = ResultsFile{};
  results.fd = fd;
  results.regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  register_closer(close_results);
}

void results_write(float x, float cp) {
  if (results.fd < 0) results_open();
  const std::string record = results_record(x, cp) + "\r\n";
  if (!write_all(results.fd, record.data(), record.size())) {
    // A record cut short is taken back, so that the file keeps whole records.
    if (results.regular) (void)::ftruncate(results.fd, results.written);
    write_failure();
  }
  results.written += off_t(record.size());
  if (!results.cut) {
    // Whatever an earlier run left beyond the first record is cut off. A
    // device or a pipe has nothing to cut.
    results.cut = true;
    if (::ftruncate(results.fd, results.written) != 0 && results.regular) write_failure();
  }
}

void results_close() {
  if (results.fd < 0) return;
  const int fd = results.fd;
  results.fd = -1;
  if (::close(fd) != 0) write_failure();
}

}  // namespace io
