// Memory for the engine's large tables (the transposition table, the mate
// tables, the think's context). Their probes land on random places of tens of
// megabytes, and with small pages most of them also miss the address cache
// and wait for a page-table walk; the system is therefore asked to back these
// blocks with its large (2 MB) pages, where it grants them.
#pragma once

#include <cstddef>

namespace platform {

// The size and alignment of a large page.
constexpr size_t kLargePageBytes = size_t{2} << 20;

// Blocks from a quarter of a large page up take whole large pages: the
// memory that rounding up adds costs less than a table whose probes miss the
// address cache (the transposition table's and the mate table's bucket heads
// are such blocks).
constexpr size_t kLargeBlockBytes = kLargePageBytes / 4;

// At least `bytes` of uninitialised memory, or null when it cannot be had. A
// block of kLargeBlockBytes or more starts on a large-page boundary, is
// rounded up to whole large pages and the system is asked to back it with
// them; a smaller one is plain heap memory. Either is given back with
// large_free (std::free also does).
void* large_alloc(size_t bytes);
void large_free(void* block);

// For std::unique_ptr of memory from large_alloc.
struct LargeFree {
  void operator()(void* block) const { large_free(block); }
};

}  // namespace platform
