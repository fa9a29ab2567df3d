#pragma once
// The peak rate of double-precision fused multiply-adds on one core, measured
// by a loop of independent chains in each x86 vector form the processor offers
// (peak_rate_x86.cpp); other processors report none (peak_rate.cpp).
#include <vector>

namespace bench {

struct FmaRate {
  const char* form;  // "AVX2 (256-bit)" or "AVX-512 (512-bit)"
  double flops;      // flop per second, two per lane of every fused multiply-add
};

// Every form the processor offers, each the best of kFmaTrials short trials;
// empty when it offers none.
constexpr int kFmaTrials = 25;
std::vector<FmaRate> measure_fma_rates();

}  // namespace bench
