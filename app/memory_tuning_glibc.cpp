// glibc's malloc thresholds and Linux's advice to populate pages at once.
#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "app/bounded_array.hpp"
#include "app/memory_tuning.hpp"

namespace {

// Where the kernel does not know the advice, pages simply fault in as used.
void populate(void* from, std::size_t bytes) {
  const std::uintptr_t page = 4096;
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(from) + page - 1) & ~(page - 1);
  const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(from) + bytes) & ~(page - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
}

}  // namespace

void prepare_memory(void* state, std::size_t bytes) {
  constexpr std::size_t kMatrixBytes = sizeof(float) * kExtent * kExtent;
  mallopt(M_MMAP_THRESHOLD, 16 * int(kMatrixBytes));
  mallopt(M_TRIM_THRESHOLD, 32 * int(kMatrixBytes));
  populate(state, bytes);
  // Two matrices and the vectors beside them: a solve never holds more.
  const std::size_t heap_bytes = 2 * kMatrixBytes + 4 * kExtent * sizeof(float);
  if (void* block = std::malloc(heap_bytes)) {
    populate(block, heap_bytes);
    std::free(block);
  }
}
