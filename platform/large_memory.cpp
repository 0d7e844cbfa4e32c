#include "platform/large_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

void* large_alloc(size_t bytes) {
  if (bytes < kLargeBlockBytes) return std::malloc(bytes == 0 ? 1 : bytes);
  if (bytes > SIZE_MAX - kLargePageBytes) return nullptr;
  // Whole large pages: the system backs a large page only where the block
  // covers all of it, so a block's last part would otherwise stay on small
  // pages.
  const size_t whole = (bytes + kLargePageBytes - 1) & ~(kLargePageBytes - 1);
  void* block = nullptr;
  if (posix_memalign(&block, kLargePageBytes, whole) != 0) return nullptr;
  // Advice only: where large pages are off, or none is free, the block keeps
  // small pages and works the same.
  madvise(block, whole, MADV_HUGEPAGE);
  return block;
}

void large_free(void* block) { std::free(block); }

}  // namespace platform
