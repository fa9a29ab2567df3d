// Exhaustive check of the F9.5 field: io::fixed_field(v, 9, 5) for every one of
// the 2^32 float bit patterns against snprintf("%9.5f") with the record's rules
// for not-a-number, the infinities, negative values that round to zero and
// overflow to asterisks applied to the printf text. Not part of the test run:
// it takes a while. Usage: exhaustive_record [threads [first last]], threads
// 2 by default; first and last bound the bit patterns checked, [first, last),
// all of them by default (a bounded slice; 0x prefixes hex).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/record_oracle.hpp"
#include "io/bit_cast.hpp"
#include "io/record.hpp"

namespace {

struct Counts {
  std::uint64_t checked = 0;
  std::uint64_t nan = 0;
  std::uint64_t infinite = 0;
  std::uint64_t asterisks = 0;
  std::uint64_t negative_to_zero = 0;  // negative zero included
  std::uint64_t mismatches = 0;
};

std::mutex report_lock;
constexpr std::uint64_t kMaxReported = 20;

void sweep(std::uint64_t first, std::uint64_t last, Counts& c) {
  for (std::uint64_t b = first; b < last; ++b) {
    const std::uint32_t bits = std::uint32_t(b);
    const float v = io::bit_cast<float>(bits);
    const std::string field = io::fixed_field(v, 9, 5);
    const std::string expected = fuzz::expected_field(v, 9, 5);
    ++c.checked;
    if (std::isnan(v))
      ++c.nan;
    else if (std::isinf(v))
      ++c.infinite;
    else if (expected[0] == '*')
      ++c.asterisks;
    else if (std::signbit(v) && expected.find('-') == std::string::npos)
      ++c.negative_to_zero;
    if (field != expected) {
      if (c.mismatches++ < kMaxReported) {
        std::lock_guard<std::mutex> hold(report_lock);
        std::printf("MISMATCH bits %08x (%.9g): got \"%s\", printf rules give \"%s\"\n",
                    unsigned(bits), double(v), field.c_str(), expected.c_str());
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::uint64_t kAll = std::uint64_t(1) << 32;
  const int threads = argc > 1 ? std::atoi(argv[1]) : 2;
  const std::uint64_t first = argc > 3 ? std::strtoull(argv[2], nullptr, 0) : 0;
  const std::uint64_t last = argc > 3 ? std::strtoull(argv[3], nullptr, 0) : kAll;
  if (threads < 1 || threads > 64 || argc == 3 || first >= last || last > kAll) {
    std::fprintf(stderr, "usage: exhaustive_record [threads 1..64 [first last]]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();

  std::vector<Counts> counts(static_cast<std::size_t>(threads));
  // Interleaved blocks, so that the costly large magnitudes are shared out.
  auto work = [&counts, threads, first, last](int t) {
    constexpr std::uint64_t kBlock = std::uint64_t(1) << 20;
    for (std::uint64_t b = first + std::uint64_t(t) * kBlock; b < last;
         b += std::uint64_t(threads) * kBlock)
      sweep(b, std::min(b + kBlock, last), counts[std::size_t(t)]);
  };
  if (threads == 1) {
    work(0);  // no thread started, for a build without threads
  } else {
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) workers.emplace_back(work, t);
    for (std::thread& w : workers) w.join();
  }

  Counts total;
  for (const Counts& c : counts) {
    total.checked += c.checked;
    total.nan += c.nan;
    total.infinite += c.infinite;
    total.asterisks += c.asterisks;
    total.negative_to_zero += c.negative_to_zero;
    total.mismatches += c.mismatches;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("checked %llu bit patterns on %d threads in %.0f s\n",
              (unsigned long long)total.checked, threads, seconds);
  std::printf(
      "  not-a-number %llu, infinities %llu, asterisks %llu, negative to 0.00000 %llu, other "
      "%llu\n",
      (unsigned long long)total.nan, (unsigned long long)total.infinite,
      (unsigned long long)total.asterisks, (unsigned long long)total.negative_to_zero,
      (unsigned long long)(total.checked - total.nan - total.infinite - total.asterisks -
                           total.negative_to_zero));
  std::printf("mismatches %llu\n", (unsigned long long)total.mismatches);
  return total.mismatches == 0 && total.checked == last - first ? 0 : 1;
}
