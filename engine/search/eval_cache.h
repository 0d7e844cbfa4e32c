// The think's cache of full evaluations. The terms that completing a node's
// record adds (the king lines and the whole-board terms: the extra fields of
// attack, defence and material) depend on the position, on the square the
// silver rule examines and on whether the move that led there was a pass, and
// otherwise only on the evaluation's settings: the weights, the strategy codes
// and the strategy cells, set up for a think and changed by the root
// adjustments (each change counted by eval::eval_setup.eval_settings_count,
// which every entry holds as it was when stored). The same position comes
// back often (in the next iteration, through transpositions, after a
// re-search), so its terms are kept by its key and added again instead of
// being worked out anew; a result is the same either way. Most positions'
// terms do not depend on the pass flag (the evaluation tells when they do):
// such an entry serves the position reached by a move and by a pass alike.
//
// State: one table in the think's context (ThinkContext::eval_cache), empty
// when the context is made; used by the node search and the quiescence search
// only. A think does not empty it: each think's set-up raises the settings
// count, so the entries of earlier thinks never match (eval_cache_clear
// empties it where a caller wants that).
#pragma once

#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"
#include "engine/search/node_records.h"

namespace search {

// The table: 2^16 entries of 32 bytes, the positions of a few iterations'
// evaluations, each with the terms the full evaluation added.
struct EvalCache {
  static constexpr uint32_t kEntries = 1u << 16;
  static constexpr int kFields = 6;
  struct Entry {
    board::KHashKey key;
    uint32_t tag;       // filled bit 31 | either-pass bit 30 | square << 1 | pass flag; 0 empty
    uint32_t settings;  // eval::eval_setup.eval_settings_count when stored
    int16_t extra[kFields];
  };
  Entry table[kEntries];
};
static_assert(sizeof(EvalCache::Entry) == 32);

// Empties the cache.
void eval_cache_clear(EvalCache& cache);

// Asks the processor to bring the key's entry into the cache, ahead of the
// evaluation of a node of that key; changes nothing.
inline void eval_cache_prefetch(const EvalCache& cache, const board::KHashKey& key) {
  __builtin_prefetch(&cache.table[key.word[0] & (EvalCache::kEntries - 1)]);
}

// Completes record r of position p, whose key (hand side 0) is `key`, as
// evaluate_fully does, from the cache when it holds the position with the same
// square and pass flag.
void evaluate_cached(EvalCache& cache, const board::KPosition& p, const board::KHashKey& key, board::KEvalRecord& r,
                     int silver_square, const board::KMove& last);
// The node's record, for its position and key.
inline void evaluate_node(EvalCache& cache, KSearchNode& node, int silver_square, const board::KMove& last) {
  evaluate_cached(cache, *node.position, node.key, node.eval, silver_square, last);
}

}  // namespace search
