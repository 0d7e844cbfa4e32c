// The search's own answers to a check: captures of the checker, interpositions
// on the squares the side already guards, and king steps, in the order the
// node search, the quiescence search and the exchange scoring want to try
// them. Needless non-promoting twins are left out.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace search {

// The evasions of the side to move (in check) written to `out` (room for
// board::kMaxMoves); their count. In double check only king steps. While the
// low 16 bits of `filter` are not 0, a move is written only when the accept
// test sashite_threat_kind takes it (with `last`, the move-stack entry of the
// move that gave the check, and depth 0). Order: captures of the cheapest
// checker by each unpinned attacker (cheapest first, promoting first); then,
// against a rook, bishop, their promoted forms or a lance, for each square
// between king and checker that the side attacks directly, the drops (pawn ..
// rook) and the unpinned moves onto it; then the king steps onto squares the
// opponent does not attack. Moves leaving the king attacked are possible (a
// pinned piece's line is not followed through), so callers still test.
int gen_check_evasions(const board::KPosition& p, const board::KMove* last, uint32_t filter, board::KMove* out);

}  // namespace search
