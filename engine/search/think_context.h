// The think context: what one think keeps while it runs and no other thread
// reads, in one object that the think routine hands to the root search, the
// node and quiescence searches and their helpers. The driver holds one and
// lends it to each think (the think routine resets what a think relies on at
// its start); its arrays are fixed, so the search allocates nothing.
//
// What stays process-wide because another thread or a later think reads it is
// listed in search_words.h (the stop word, the iteration depth, the time
// limits).
#pragma once

#include <cstdint>
#include <new>

#include "engine/board/exchange_eval.h"
#include "engine/board/hash_key.h"
#include "engine/board/move_rules.h"
#include "engine/board/position.h"
#include "engine/search/depth_gen/gen_stamp.h"
#include "engine/search/eval_cache.h"
#include "engine/search/exchange_score.h"
#include "engine/search/move_list.h"
#include "engine/search/move_set.h"
#include "engine/search/node_records.h"
#include "engine/search/pv_learn.h"
#include "engine/search/root_list.h"
#include "engine/search/search_words.h"
#include "platform/large_memory.h"

namespace search {

// The moves of the nodes on the line and their list nodes, one list node per
// move record at the same index. A stage takes the room from the cursor on and
// advances the cursor by what it generated; the node puts the cursor back when
// it returns. A generator is only called while its whole room still fits.
constexpr int kPoolMoves = 1 << 17;
// The root's moves and the candidates behind them.
constexpr int kRootMoveRoom = 2 * board::kMaxMoves;
// The mate-threat defences together before duplicates go: two threatening
// words, each with its escapes, attackers, backing, drops, interpositions and
// protected pieces.
constexpr int kThreatDefenceRoom = 12 * board::kMaxMoves;

struct ThinkContext {
  // Made on the heap: its arrays come to megabytes, and its evaluation cache
  // and move pool are read all over, so it lives in large pages.
  static void* operator new(size_t bytes) {
    void* block = platform::large_alloc(bytes);
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
  static void operator delete(void* block) { platform::large_free(block); }

  // The line being searched: entry p is the move that led to the node of ply
  // p (entry 1 the opponent's last move before the think); its flag byte holds
  // the en-prise marker, its flag word the stage code from bit 3 and three
  // flags.
  board::KMove move_stack[kPlyEntries] = {};
  int32_t search_ply = 0;
  // Per ply: the node being searched there.
  KSearchNode* ply_nodes[kPlyEntries] = {};
  // Nodes visited in this think.
  uint32_t node_counter = 0;
  // 1 ends the running search; set by the polling points, cleared at think start.
  int32_t search_abort = 0;
  // 1 in normal play, 2 when the N best moves are asked for.
  int32_t search_style = 1;
  // The score below which the deepening gives up early (the hopeless score of
  // the side to move); -32766 when none.
  int32_t early_stop_score = -kScoreMate;
  SearchTimeState time_state;
  // The key of the root position computed for side 0.
  board::KHashKey root_key{};

  // The move pool of the nodes below the root.
  board::KMove pool_moves[kPoolMoves];
  KMoveNode pool_nodes[kPoolMoves];
  int pool_cursor = 0;

  // The root's move records and list nodes, and the root node.
  board::KMove root_moves[kRootMoveRoom];
  KMoveNode root_nodes[kRootMoveRoom];
  KSearchNode root_node;
  // The root moves chosen so far in an iteration (N-best passes).
  KMoveSet searched_move_set;
  // The best root move so far, reset at think start.
  BestRootEntry best_root;
  // The predicted lines saved at the root for a re-search.
  KSavedLines saved_lines;
  // Per ply: the path-table entries that belong to plies up to it.
  uint32_t path_ply_count[kPlyEntries] = {};

  // The think's clock: its start, the start of the deepening, the last
  // reading, and the ms since think start of its last report.
  uint32_t think_start = 0;
  uint32_t iteration_start = 0;
  uint32_t last_reading = 0;
  uint32_t last_report_ms = 0;

  // Where gen_mate_threat_defences gathers its moves within one call.
  board::KMove threat_defence_scratch[kThreatDefenceRoom];

  // The exchanges the quiescence search's generators played out for the moves
  // of one list, read by its ordering right after.
  board::KExchangeNote exchange_notes[board::kMaxMoves];

  // The depth-selected generator's candidate table and call counter.
  KGenStamp gen_stamp;

  // The exchange scorer's moves within one call.
  ExchangePool exchange_pool;

  // The think's cache of full evaluations.
  EvalCache eval_cache;

  bool pool_fits(int room = board::kMaxMoves) const { return pool_cursor + room <= kPoolMoves; }
};

// Puts the pool cursor back when the owner leaves its scope.
class PoolMark {
 public:
  explicit PoolMark(ThinkContext& cx) : cx_(cx), saved_(cx.pool_cursor) {}
  ~PoolMark() { cx_.pool_cursor = saved_; }
  PoolMark(const PoolMark&) = delete;
  PoolMark& operator=(const PoolMark&) = delete;

 private:
  ThinkContext& cx_;
  int saved_;
};

}  // namespace search
