// The full evaluation of a node: the full-board terms that the move-by-move
// update cannot keep, added to the node's record once. Term groups, in order:
//
// 1. exposed golds in their owner's camp (gold_pawn_terms.h);
// 2. promoted pawns threatening valuable pieces and pawns advanced toward the
//    enemy king (gold_pawn_terms.h);
// 3. the king neighbourhood: attacked squares around each king and its escape
//    squares (king_safety.h);
// 4. the placement groups: rook, bishop and pawn placement
//    (rook_bishop_pawn_terms.h); silver, knight, gold and advanced-king terms
//    (silver_knight_gold_terms.h); castle-shape corrections
//    (castle_shape_terms.h).
// The exposed golds are valued in the same pass over the golds as the gold
// placement terms. The per-side sums go into attack_extra, defence_extra and
// material_extra at the end (the rook group's break-through bonus adds to
// attack_extra at once).
//
// Callers run eval_king_kiki on the record first.
#pragma once

#include <cstdint>

#include "engine/board/eval_record.h"
#include "engine/board/position.h"
#include "engine/eval/king_lines.h"

namespace eval {

// The record flag telling that the full-board terms are in; with kKingLinesDone
// the record is fully evaluated.
constexpr uint32_t kPositionDone = 0x20;
constexpr uint32_t kFullyEvaluated = kKingLinesDone | kPositionDone;

// Adds the full-board terms to the record and sets kPositionDone; returns at
// once when that flag is already set. `square` is a board square the placement
// groups examine (0 for none; the leaf evaluation passes 0): when a side's
// working silver stands there, it is also valued by its escapes from a pawn
// dropped in front of it. `last` is the move that led to the position (from 253
// for a pass). The weight object and the stage block must be prepared
// (eval_root_prepare, eval_setup_stage): the placement groups run exchanges.
// Returns false when the terms added are the same whether or not `last` is a
// pass (only its from square is read); true when they may differ, and when the
// flag was already set.
bool eval_position(const board::KPosition& p, int square, const board::KMove& last, board::KEvalRecord& r);

}  // namespace eval
