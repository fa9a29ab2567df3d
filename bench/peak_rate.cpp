// Processors other than x86 have no form measured here: the benchmark then
// reports no peak rate.
#include "bench/peak_rate.hpp"

namespace bench {

std::vector<FmaRate> measure_fma_rates() { return {}; }

}  // namespace bench
