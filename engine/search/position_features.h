// The evaluation record of a position built from scratch, as the root needs
// it before any move: the think's root record, the remaining-moves estimate and
// the static assessment of the root moves. It reads the evaluation's weight
// object (eval::eval_weights) and the current strategy table; the flag word
// of the record is left as it was.
//
// Record words (board::KEvalRecord), per side o:
// - piece word (mat[o].material): piece values and strategy-square values of
//   o's board pieces, the per-count values of its hand (count_value), less the
//   promoted-pawn table's first n entries for n promoted pawns;
// - material word 1 (att[o].attack): rook/bishop/dragon/horse placement, the
//   enemy-king rows of o's minor pieces, the first hand split
//   (count_split[..][0]), the weighted open-file term, less half the other
//   king's square value (rank_bonus);
// - king-area word (def[o].defence): the own-king rows, half o's king square value;
// - positional word (hand_b[o]): placement, the second hand split, less the
//   hand-crowding values (count_curve_b) of the non-pawn pieces in hand;
// - pawn-file sum (att[o].open_file): distance_weight by file distance to the
//   enemy king over the files without o's unpromoted pawn (uncapped).
#pragma once

#include "engine/board/eval_record.h"
#include "engine/board/position.h"
#include "engine/eval/eval_weights.h"
#include "engine/eval/record_terms.h"

namespace search {

void position_features(const board::KPosition& p, board::KEvalRecord& r);

// The promoted-pawn penalty: the sum of the first n entries of 0, 100, 300,
// 500, then 600 for every further promoted pawn.
using eval::tokin_penalty;

}  // namespace search
