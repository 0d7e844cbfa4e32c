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
#include "engine/search/node_stage.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"

namespace search {

// The best score found (fail-soft), 32766 a mate, -32767 when the think's
// search_abort was set on entry or got set on the way (a stop request, or the time). The node
// holds the position after the incoming move, its key, record, ext, hash move
// and hash stage; `incoming` is the list node of the move that led here (its
// stage byte selects the stage row). Flag word B goes to the pass child as its
// flag word A; bit 0 of flag word A allows the check extension.
int search_node(ThinkContext& cx, KSearchNode& node, const KMoveNode* incoming, int alpha, int beta, int flag_a, int flag_b);

// From ply 38 on the node search hands over to the quiescence search, which
// stands pat past it: a line never reaches the end of the per-ply arrays.
constexpr int kNodeLastPly = 38;
static_assert(kNodeLastPly + 3 <= KPvHolder::kMaxMoves, "per-ply arrays of 42 cover every ply");

// Depth of a node in twelfths of a ply: the horizon ply H = think_words.depth +
// ext / 12 (a positive ext rounds up, a negative one toward zero), the
// remaining plies R = H - ply, and the depth the transposition table stores,
// ext + 12 x (think_words.depth - ply).
struct NodeDepth {
  int horizon;
  int remaining;
  int stored;
};
inline NodeDepth node_depth(int ext, int ply, int depth) {
  const int horizon = depth + (ext > 0 ? (ext + 11) / 12 : ext / 12);
  return {horizon, horizon - ply, ext + 12 * (depth - ply)};
}
inline NodeDepth node_depth(int ext, int ply) { return node_depth(ext, ply, think_words.depth.load(std::memory_order_relaxed)); }
inline int remaining_plies(int ext, int ply) { return node_depth(ext, ply).remaining; }
// Whether the node's horizon is at or beyond its ply (remaining >= 0), by one
// comparison: the horizon's rounding of ext / 12 (up for a gain, toward zero
// for a loss) puts it there exactly when ext > 12 x (ply - 1 - depth).
inline bool within_horizon(int ext, int ply, int depth) { return ext > 12 * (ply - 1 - depth); }
inline bool within_horizon(int ext, int ply) {
  return within_horizon(ext, ply, think_words.depth.load(std::memory_order_relaxed));
}

// The stage table: the row is the stage byte of the incoming move's list node
// (row 0 after a pass), the column the position in the node's sequence.
constexpr int kStageNone = stage_code(NodeStage::kNone);
constexpr int kStageColumns = 13;
constexpr int kStageRows = 12;
inline constexpr std::array<std::array<NodeStage, kStageColumns>, kStageRows> kStageTable = [] {
  using S = NodeStage;
  constexpr std::array<S, kStageColumns> after_pass = {S::kHashMove, S::kPass,  S::kDepthSelected, S::kThreats,
                                                       S::kQuiet,    S::kTacticalDrops, S::kNone,  S::kNone,
                                                       S::kNone,     S::kNone,  S::kNone,          S::kNone,
                                                       S::kNone};
  constexpr std::array<S, kStageColumns> after_move = {
      S::kHashMove, S::kCaptures,       S::kEscapes, S::kRefutations,   S::kPass,          S::kDepthSelected, S::kThreats,
      S::kDefences, S::kThreatDefences, S::kQuiet,   S::kKingDrops,     S::kTacticalDrops, S::kNone};
  std::array<std::array<S, kStageColumns>, kStageRows> t{};
  t[0] = after_pass;
  for (int row = 1; row < kStageRows; ++row) t[row] = after_move;
  return t;
}();
static_assert(stage_code(kStageTable[0][2]) == 5 && stage_code(kStageTable[1][10]) == 11 &&
                  stage_code(kStageTable[1][11]) == 10,
              "the table keeps its codes");

// What the pass child's best line showed: the opponent's threat after the
// pass, the reply and the opponent's next move (count words, passes allowed).
struct KPassThreat {
  int count = 0;
  board::KMoveWord words[3] = {0, 0, 0};
};

// The stage trace (think_report_hooks.stage_trace_hook, search_words.h)
// reports the futility test with this code.
constexpr int kTraceFutility = 100;

}  // namespace search
