// The move-by-move update of the per-node evaluation record. A child's record
// is its parent's with the move's changes added to the running per-side sums,
// so that it equals, word for word, the record built from scratch for the
// child's position (search::position_features) whatever the path:
//
// - attack[s]: the first part of s's hand values (count_split[kind][n][0] per
//   piece held), s's pieces' second-group king-relative values around the
//   enemy king, the attack part of s's rook and bishop placement pairs, and the
//   weighted open-file term of s, less half the enemy king's square value;
// - open_file[s]: the sum, over the files without an unpromoted pawn of s, of
//   distance_weight by the file distance to the enemy king; it and its weighted
//   term (record_terms.h) are refreshed whenever the move changes s's pawn
//   files, s's pawns in hand or the enemy king's file;
// - defence[s]: s's pieces' first-group king-relative values around s's king,
//   plus half s's king's square value (rank_bonus);
// - hand_b[s]: the second part of s's hand values, less the non-pawn hand
//   penalty (count_curve_b[0] + ... + count_curve_b[c - 1] for c non-pawn pieces
//   in hand), plus the hand_b part of s's placement pairs;
// - material[s]: piece values and strategy-square values of s's pieces on the
//   board (the king's square value only) plus the per-count values of its hand,
//   less the promoted-pawn penalty of s's promoted pawns.
//
// The unpromoted lance and the horse have no term around the enemy king here.
// A side whose king is not on the board has no term relative to that king.
// Gote's king-relative lookups read the king square and the square with the
// rank mirrored. The "extra" fields and the flags are cleared on every move;
// the full evaluation fills them.
#pragma once

#include "engine/board/eval_record.h"
#include "engine/board/position.h"

namespace eval {

// Writes the child's record from the parent's for the move just made on `p`
// (the side to move is already the mover's opponent). A pass copies and clears.
// The weight object must be prepared (eval_root_prepare).
void eval_sashite_diff(const board::KMove& m, const board::KPosition& p, const board::KEvalRecord& parent,
                       board::KEvalRecord& child);

// The king-move part: re-bases every king-relative term on side s's king,
// which moved from `old_king` to its square on `p` (s's first-group terms and
// half its square value in defence[s], the opponent's second-group terms and
// that half in its attack), and refreshes the opponent's open-file sum and
// weighted term when the king changed file. eval_sashite_diff runs the same
// rebasing for every king move, with the open files of the move's capture
// refreshed in the same pass.
void eval_sashite_diff_body(const board::KPosition& p, int s, int old_king, board::KEvalRecord& r);

}  // namespace eval
