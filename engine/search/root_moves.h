// The root's own treatment before the deepening: the mate check for the side
// to move, the root moves (GetProper) with the two threat tests that warn the
// search (passing would allow a mate; every evasion loses to a mate), and the
// filters they use. The mate solver runs with node budgets; none starts while
// a stop is asked for, and under the time rules they end together within a
// share of the limit (time_control.h: root_solver_ms).
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/search_words.h"

namespace search {

// Node budget caps of the mate solver at the root.
constexpr int32_t kRootMateNodeCap = 300000;

// 0 when a mate for the side to move is proven (its first move in `out`), else
// the solver's other result (1 also for a budget of 0; 7 when stopped).
int root_mate_check(ThinkContext& cx, board::KPosition& p, board::KMove* out, int32_t budget);

// The root moves into `moves` (room for kMaxMoves); their count. Sets the
// pass-threat flag (two or more moves) and the lost flag of the think's time
// state.
int GetProper(ThinkContext& cx, board::KPosition& p, board::KMove* moves, const board::KMove* last,
              const board::KMove* before, int max_depth);

// The evasion filter's node budget by level (the maximum depth).
int32_t evasion_filter_budget(int level);
// Removes the evasions after which the opponent has a mate; the new count.
// The evasions it has no time left to try stay.
int root_mate_filter(ThinkContext& cx, board::KPosition& p, int count, board::KMove* moves, int level);
// The node budget of the pass-threat test: 100 x t (t from the current limit,
// capped by depth), at most 300000; 0 for a negative limit (no test).
int32_t pass_threat_budget(int32_t current_limit, int max_depth);
// The solver's result for the opponent after a pass (0 = mate found); 1
// without running when the budget is 0.
int pass_threat_check(ThinkContext& cx, board::KPosition& p);
// Removes the moves after which the opponent mates in one; the new count.
int root_mate_in_one_filter(board::KPosition& p, int count, board::KMove* moves);
// Removes the pawn drops that mate (an illegal move); the new count.
int drop_pawn_mates(board::KPosition& p, int count, board::KMove* moves);
// True when the move (made already) was a pawn drop that leaves no evasion.
bool is_pawn_drop_mate(const board::KPosition& p, const board::KMove& m);

}  // namespace search
