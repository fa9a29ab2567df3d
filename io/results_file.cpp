#include "io/results_file.hpp"

#include <cstdint>
#include <cstdio>
#include <string>

#include "io/platform.hpp"
#include "io/program_name.hpp"
#include "io/record.hpp"
#include "io/runtime_error.hpp"
#include "io/units.hpp"

namespace io {
namespace {

constexpr const char* kResultsName = "rezult.txt";
constexpr const char* kWaitNotice =
    "%s: rezult.txt is in use by another run in this folder; waiting for it to end\r\n";
constexpr const char* kWaitNoticeNamed =
    "%s: rezult.txt is in use by another run (process %ld) in this folder; waiting for it to "
    "end\r\n";

constexpr std::size_t kRecordBytes = 20;  // two fields of nine characters and CR LF
constexpr std::size_t kBatchRecords = 256;

// Whole records are gathered and written out in one piece when the batch is
// full and when the file is closed, which every end of the run does. A write
// the file takes only in part keeps the whole records it took: the file never
// holds a record cut short.
struct ResultsFile {
  int fd = -1;
  std::int64_t written = 0;  // bytes of whole records written out by this run
  bool cut = false;          // the file has been cut before the first records
  bool regular = false;      // a regular file (only such a file can be cut)
  std::size_t pending = 0;   // bytes of whole records gathered in batch
  char batch[kBatchRecords * kRecordBytes]{};
};

constinit ResultsFile results;

[[noreturn]] void write_failure() { severe_error(kErrWrite, kUnitResults, kResultsName); }

void close_results() { results_close(); }

// Writes out the gathered records. Before the first piece goes in, the file is
// cut to nothing: a run that ends at any moment, killed at any step included,
// leaves the earlier file whole, its own first records, or nothing, and never
// its records followed by what is left of an earlier run's. The file is cut
// where it is rather than replaced by a new one, so that the lock, the target
// of a symbolic link, a hard link's other names and the file's owner and
// permissions all go on seeing the records. A file-size limit that has no room
// for one record leaves an earlier file as it was. A device or a pipe has
// nothing to cut.
void write_out() {
  const std::size_t size = results.pending;
  if (size == 0) return;
  results.pending = 0;
  if (results.regular && !results.cut) {
    if (platform::file_size_limit() < std::int64_t(kRecordBytes)) write_failure();
    if (!platform::truncate(results.fd, 0)) write_failure();
    results.cut = true;
  }
  const std::size_t done = platform::write_all(results.fd, results.batch, size);
  results.written += std::int64_t(done - done % kRecordBytes);
  if (done < size) {
    // A record cut short is taken back.
    if (results.regular) (void)platform::truncate(results.fd, results.written);
    write_failure();
  }
}

// Two runs in one folder take turns: each holds a write lock on the whole file
// from its opening to its closing (which every end of the run does), so the
// file ends with one run's records, whole. A run that finds the file locked
// says so on the standard error, naming the process that holds it where the
// system tells, and waits: the other run may be waiting at a prompt. A file
// system without locks is written as before.
void lock_results() {
  if (platform::try_lock(results.fd) != platform::Lock::held) return;
  if (std::FILE* out = unit_stream(kUnitOutput)) std::fflush(out);
  if (const long holder = platform::lock_holder(results.fd); holder > 0)
    std::fprintf(stderr, kWaitNoticeNamed, program_name(), holder);
  else
    std::fprintf(stderr, kWaitNotice, program_name());
  std::fflush(stderr);
  platform::wait_for_lock(results.fd);
}

}  // namespace

void results_open() {
  if (results.fd >= 0) return;  // already open on this unit
  const platform::Opened opened = platform::open_for_writing(kResultsName);
  if (opened.fd < 0)
    severe_error(opened.denied ? kErrPermission : kErrOpen, kUnitResults, kResultsName,
                 opened.error);
  results = ResultsFile{};
  results.fd = opened.fd;
  results.regular = platform::is_regular(opened.fd);
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
  if (!platform::close(fd)) write_failure();
}

}  // namespace io
