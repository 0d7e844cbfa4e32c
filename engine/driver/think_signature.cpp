#include "engine/driver/think_signature.h"

#include <atomic>
#include <memory>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/random.h"
#include "engine/board/repetition.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/benchmark_positions.h"
#include "engine/driver/computer_jobs.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"

namespace driver {

// The random state as the computer thread starts it: the strategy choice draws
// from it.
void think_fresh_state() {
  board::rand_seed(kEngineSeed);
  board::kifu_rep_clear();
  tsume::tsume_pool_reset();
  search::think_words.control.store(search::kThinkRun);
}

namespace {

// Set by think_signature_stop to end a run (Ctrl-C); the run clears it when it
// starts, so a stop is asked for until the run has ended.
std::atomic<bool> signature_stop{false};

}  // namespace

void think_signature_stop() {
  // The run looks at signature_stop after each think's fresh state, so a stop
  // word that state cleared was set before that look, which then sees it.
  signature_stop.store(true);
  search::think_words.control.store(search::kThinkStop);
}

uint64_t think_signature() {
  signature_stop.store(false);
  uint64_t total = 0;
  auto cx = std::make_unique<search::ThinkContext>();
  if (board::hash_alloc(kSignatureTableKb) == 0 && tsume::tsume_alloc(kSignatureMateKb) == 1) {
    for (const model::Kyokumen& k : middle_game_positions(kSignaturePositions)) {
      board::KPosition p;
      if (bridge::position_load(p, k) != 0) continue;
      think_fresh_state();
      if (signature_stop.load()) break;
      search::KPvHolder line{};
      search::ThinkRequest r;
      r.position = &p;
      r.max_depth = kSignatureDepth;
      r.result = &line;
      r.no_time_limit = true;
      search::Chuban(*cx, r);
      total += cx->node_counter;
    }
  }
  tsume::tsume_free();
  board::hash_free();
  return signature_stop.load() ? 0 : total;
}

}  // namespace driver
