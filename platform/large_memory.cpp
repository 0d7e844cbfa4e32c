#include "platform/large_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {

constexpr size_t kSmallPageBytes = 4096;

}  // namespace

void* large_alloc(size_t bytes) {
  if (bytes < kLargePageBytes) return std::malloc(bytes == 0 ? 1 : bytes);
  if (bytes > SIZE_MAX - kSmallPageBytes) return nullptr;
  void* block = nullptr;
  if (posix_memalign(&block, kLargePageBytes, bytes) != 0) return nullptr;
  // Advice only: where large pages are off, or none is free, the block keeps
  // small pages and works the same.
  madvise(block, (bytes + kSmallPageBytes - 1) & ~(kSmallPageBytes - 1), MADV_HUGEPAGE);
  return block;
}

void large_free(void* block) { std::free(block); }

}  // namespace platform
