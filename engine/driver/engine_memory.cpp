// The engine's memory for the life of the computer thread: the transposition
// table and the in-game mate instance, sized from the machine's memory.
#include <atomic>

#include "engine/board/hash_table.h"
#include "engine/board/random.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/message_queue.h"
#include "engine/search/depth_gen/gen_stamp.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "platform/memory.h"

namespace driver {

namespace {

// Memory is measured in units of 128 MB (in kB); below 0.2 units the table
// keeps its smallest size.
constexpr double kMemoryUnitKb = 131072.0;
constexpr double kMinMemoryUnits = 0.2;

std::atomic<uint32_t> allocated_table_kb{0};

}  // namespace

uint32_t engine_table_kb(uint64_t physical_bytes) {
  double units = static_cast<double>(physical_bytes / 1024) / kMemoryUnitKb;
  if (units >= 1.0) return kMaxTableKb;
  if (units < kMinMemoryUnits) units = kMinMemoryUnits;
  return static_cast<uint32_t>(units * kMaxTableKb);
}

uint32_t engine_table_alloc(uint32_t kb, int (*alloc)(uint32_t kb)) {
  for (;;) {
    if (alloc(kb) == 0) return kb;
    if (kb <= kMinTableKb) return 0;
    kb = kb / 2 > kMinTableKb ? kb / 2 : kMinTableKb;
  }
}

int engine_memory_init() {
  board::rand_seed(kEngineSeed);
  platform::MemoryStatus memory;
  platform::memory_status(memory);  // unreadable: 0 bytes, the smallest size
  const uint32_t kb = engine_table_kb(memory.total_physical);
  allocated_table_kb.store(engine_table_alloc(kb, board::hash_alloc));
  tsume::tsume_alloc(kb);
  tsume::tsume_pool_reset();
  search::set_pv_sink(send_pv_message);
  search::set_progress_sink(send_progress_message);
  search::sashite_gen_stamp_init();
  return 1;
}

int engine_memory_free() {
  tsume::tsume_free();
  board::hash_free();
  allocated_table_kb.store(0);
  return 1;
}

uint32_t engine_table_kb_allocated() { return allocated_table_kb.load(); }

}  // namespace driver
