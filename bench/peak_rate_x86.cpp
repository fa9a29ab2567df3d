#include <immintrin.h>

#include <algorithm>
#include <ctime>

#include "bench/peak_rate.hpp"

namespace bench {
namespace {

// Each pass is one fused multiply-add on every chain. The chains are
// independent and more than the latency of the unit times its issue rate
// (four cycles times two units here), so the loop runs at the unit's
// throughput. a * m + c with m just below 1 converges to c / (1 - m) = 1:
// no overflow and no subnormals.
constexpr long kPasses = 200'000;
constexpr double kM = 1.0 - 1.0 / 1024, kC = 1.0 / 1024;

// Sixteen vector registers in AVX2: twelve chains and the two constants.
constexpr int kChains256 = 12;
// Thirty-two in AVX-512: sixteen chains.
constexpr int kChains512 = 16;

// The empty asm statements make each call a side effect, which the compiler
// may neither merge with another call of the same argument nor move across the
// clock readings.
__attribute__((target("avx2,fma"))) double chains256(long passes) {
  asm volatile("" : "+r"(passes));
  __m256d acc[kChains256];
#pragma GCC unroll 16
  for (int k = 0; k < kChains256; ++k) acc[k] = _mm256_set1_pd(0.5 + 0.01 * k);
  const __m256d m = _mm256_set1_pd(kM), c = _mm256_set1_pd(kC);
  for (long p = 0; p < passes; ++p) {
#pragma GCC unroll 16
    for (int k = 0; k < kChains256; ++k) acc[k] = _mm256_fmadd_pd(acc[k], m, c);
  }
  __m256d s = acc[0];
#pragma GCC unroll 16
  for (int k = 1; k < kChains256; ++k) s = _mm256_add_pd(s, acc[k]);
  double lanes[4];
  _mm256_storeu_pd(lanes, s);
  return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

__attribute__((target("avx512f"))) double chains512(long passes) {
  asm volatile("" : "+r"(passes));
  __m512d acc[kChains512];
#pragma GCC unroll 16
  for (int k = 0; k < kChains512; ++k) acc[k] = _mm512_set1_pd(0.5 + 0.01 * k);
  const __m512d m = _mm512_set1_pd(kM), c = _mm512_set1_pd(kC);
  for (long p = 0; p < passes; ++p) {
#pragma GCC unroll 16
    for (int k = 0; k < kChains512; ++k) acc[k] = _mm512_fmadd_pd(acc[k], m, c);
  }
  __m512d s = acc[0];
#pragma GCC unroll 16
  for (int k = 1; k < kChains512; ++k) s = _mm512_add_pd(s, acc[k]);
  double lanes[8];
  _mm512_storeu_pd(lanes, s);
  double sum = 0.0;
  for (double v : lanes) sum += v;
  return sum;
}

double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// The best rate of kFmaTrials runs, after one to wake the unit up, each timed
// in CPU time of the thread, as the solves are.
double best_rate(double (*loop)(long), int chains, int lanes) {
  volatile double sink = loop(kPasses);
  double best = 0.0;
  for (int t = 0; t < kFmaTrials; ++t) {
    const double start = cpu_seconds();
    sink = loop(kPasses);
    const double took = cpu_seconds() - start;
    if (took > 0.0) best = std::max(best, 2.0 * double(kPasses) * chains * lanes / took);
  }
  (void)sink;
  return best;
}

}  // namespace

std::vector<FmaRate> measure_fma_rates() {
  std::vector<FmaRate> rates;
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
    rates.push_back({"AVX2 (256-bit)", best_rate(chains256, kChains256, 4)});
  if (__builtin_cpu_supports("avx512f"))
    rates.push_back({"AVX-512 (512-bit)", best_rate(chains512, kChains512, 8)});
  return rates;
}

}  // namespace bench
