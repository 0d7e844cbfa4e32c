// The node search below the root: a fail-soft negamax node that generates its
// moves lazily in stages (hash move, captures, escapes, refutations, the
// pass, the depth-selected generator, ...), searches the pass as a reduced
// null move, runs quick mate tests inside the node, and counts depth in
// twelfths of a ply with fractional extensions and reductions. At the horizon
// it hands over to the quiescence search.
#pragma once

#include <array>
#include <cstdint>

#include "engine/search/move_list.h"
#include "engine/search/node_records.h"
#include "engine/search/search_words.h"

namespace search {

// The best score found (fail-soft), 32766 a mate, -32767 when search_abort was
// set on entry or got set on the way (a stop request, or the time). The node
// holds the position after the incoming move, its key, record, ext, hash move
// and hash stage; `incoming` is the list node of the move that led here (its
// stage byte selects the stage row). Flag word B goes to the pass child as its
// flag word A; bit 0 of flag word A allows the check extension.
int search_node(KSearchNode& node, const KMoveNode* incoming, int alpha, int beta, int flag_a, int flag_b);

// From ply 38 on the node search hands over to the quiescence search, which
// stands pat past it: a line never reaches the end of the per-ply arrays.
constexpr int kNodeLastPly = 38;
static_assert(kNodeLastPly + 3 <= KPvHolder::kMaxMoves, "per-ply arrays of 42 cover every ply");

// Depth of a node in twelfths of a ply: the horizon ply H = search_depth +
// ext / 12 (a positive ext rounds up, a negative one toward zero), the
// remaining plies R = H - ply, and the depth the transposition table stores,
// ext + 12 x (search_depth - ply).
struct NodeDepth {
  int horizon;
  int remaining;
  int stored;
};
NodeDepth node_depth(int ext, int ply, int depth);
inline NodeDepth node_depth(int ext, int ply) { return node_depth(ext, ply, search_depth.load(std::memory_order_relaxed)); }
inline int remaining_plies(int ext, int ply) { return node_depth(ext, ply).remaining; }

// The stage table: the row is the stage byte of the incoming move's list node
// (row 0 after a pass), the column the position in the node's sequence; code
// 13 does nothing.
constexpr int kStageNone = 13;
constexpr int kStageColumns = 13;
constexpr int kStageRows = 12;
inline constexpr std::array<std::array<uint8_t, kStageColumns>, kStageRows> kStageTable = [] {
  constexpr std::array<uint8_t, kStageColumns> after_pass = {1, 0, 5, 6, 9, 10, 13, 13, 13, 13, 13, 13, 13};
  constexpr std::array<uint8_t, kStageColumns> after_move = {1, 2, 3, 4, 0, 5, 6, 7, 8, 9, 11, 10, 13};
  std::array<std::array<uint8_t, kStageColumns>, kStageRows> t{};
  t[0] = after_pass;
  for (int row = 1; row < kStageRows; ++row) t[row] = after_move;
  return t;
}();

// What the pass child's best line showed: the opponent's threat after the
// pass, the reply and the opponent's next move (count words, passes allowed).
struct KPassThreat {
  int count = 0;
  board::KMoveWord words[3] = {0, 0, 0};
};

// Test hook: when set, every stage a node runs (after its skip tests) is
// reported with its code, and the futility test with kTraceFutility.
constexpr int kTraceFutility = 100;
using StageTraceHook = void (*)(int code);
extern StageTraceHook stage_trace_hook;

}  // namespace search
