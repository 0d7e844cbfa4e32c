// What the node search and the quiescence search share: the per-ply move
// pools, the full evaluation of a node's record, the storing of a found mate,
// and the quick mate tests for the opponent after a move.
#pragma once

#include <cstdint>

#include "engine/board/eval_record.h"
#include "engine/board/move_rules.h"
#include "engine/board/position.h"
#include "engine/search/move_list.h"
#include "engine/search/node_records.h"

namespace search {

// The moves of the nodes on the line and their list nodes, one list node per
// move record at the same index. A stage takes the room from the cursor on and
// advances the cursor by what it generated; the node puts the cursor back when
// it returns. A generator is only called while its whole room still fits.
constexpr int kPoolMoves = 1 << 17;
extern board::KMove pool_moves[kPoolMoves];
extern KMoveNode pool_nodes[kPoolMoves];
extern int pool_cursor;
inline bool pool_fits(int room = board::kMaxMoves) { return pool_cursor + room <= kPoolMoves; }

// Puts the cursor back when the owner leaves its scope.
class PoolMark {
 public:
  PoolMark() : saved_(pool_cursor) {}
  ~PoolMark() { pool_cursor = saved_; }
  PoolMark(const PoolMark&) = delete;
  PoolMark& operator=(const PoolMark&) = delete;

 private:
  int saved_;
};

inline bool is_pass(const board::KMove& m) { return m.from == board::kPassSquare; }
inline bool is_drop(const board::KMove& m) { return m.from == board::kInHand; }

// Completes the node's record (the king lines, then the whole board) unless it
// is fully evaluated; `last` is the move that led to the position.
void evaluate_fully(const board::KPosition& p, board::KEvalRecord& r, int silver_square, const board::KMove& last);
bool fully_evaluated(const board::KEvalRecord& r);

// A proven mate for the side to move at `key`: depth 756, exact, 32766.
constexpr int kProvenDepth = 756;
constexpr uint32_t kProvenMark = 32767;
constexpr int kMateTag = 5;
void store_mate(const board::KHashKey& key, board::KMoveWord mate);

// The quick mate tests after the side `mover` made a move (or passed) and the
// opponent is to move, not in check: a mate in one; else, when the table holds
// no mark for the position, a mate remembered against the mover re-verified
// along its record (300 ms); else, with `search_allowed`, the mate search
// capped at 300 nodes, which marks the position as searched when it finds
// nothing. A mate found is stored for the position's key, its first move in
// `mate`. No test that sets the mate solver's time limit starts while a stop is
// asked for.
bool opponent_mates(KSearchNode& node, KSearchNode& child, int mover, bool search_allowed,
                    board::KMoveWord* mate);

// The draw value of a repetition from the side to move's view.
int draw_value(int side_to_move);

}  // namespace search
