// The capture generators of the main search's node stages: captures of one
// piece with the best expected gain, the pawn's follow-up capture, the
// recapture on the last move's square, the filtered captures on one square and
// the profitable captures of one piece. Exchange estimates follow the game
// stage (stage_rules.h); captures promote when they may. Room: kMaxMoves.
#pragma once

#include "engine/board/position.h"

namespace board {

// The captures of the opponent's piece on `sq` by each own direct attacker,
// cheapest first; `best_gain` receives the best expected gain (0 when none).
// The king ends the list when the opponent supports the square. Only a cheaper
// piece taken by a dearer one (a larger kind number captured) is priced: when
// the opponent defends the square its exchange estimate (below -400 the list
// ends before that capture), else 101 for any piece but a pawn.
int gen_captures_scored(const KPosition& p, int sq, KMove* out, int* best_gain);

// When m's piece still stands on m's destination as an unpromoted pawn of the
// side to move and an opponent piece stands in front of it: that capture. 0 or
// 1; 0 for a pass or no move.
int gen_pawn_follow(const KPosition& p, const KMove& m, KMove* out);

// The capture of the piece that the opponent's `last` move put on its square by
// the mover's cheapest attacker, when its exchange estimate is at least 51;
// nothing when a king, rook or bishop would take a knight, lance or pawn on a
// square it alone supports while the opponent defends it. 0 for a pass.
int gen_recapture(const KPosition& p, const KMove& last, KMove* out);

// The captures of the opponent's piece on `sq` by each own attacker, cheapest
// first, ending at one whose exchange estimate is below -400 while the
// opponent supports the square. While the threat word's filter is on a capture
// that sashite_threat_kind rejects (with `last` and `depth`) is skipped.
int gen_captures_on(const KPosition& p, const KMove* last, int sq, int depth, KMove* out);

// The captures by the side to move's unpromoted gold, silver, knight or pawn on
// `sq` (other pieces give nothing): gold and silver take a rook or bishop, or a
// gold, silver, knight or lance where the mover's support exceeds the
// opponent's; a knight takes a rook, bishop, gold or silver; a pawn takes any
// non-pawn piece, and inside the zone onto an unattacked square promotes
// whatever stands there.
int gen_piece_captures(const KPosition& p, int sq, KMove* out);

}  // namespace board
