// The accept test of the search's stage generators. Deep in the search a quiet
// move is only worth trying when it does something about what the opponent's
// last move created: the squares its capture left weaker (the current ply's
// target list, target_list.h) or the threat the search noted in the threat word
// (generator_words.h: square A, square B, piece kind K, file F). The test answers
// 0 (skip the move) or a code saying how the move bears on them; callers only
// test for non-zero.
#pragma once

#include "engine/board/position.h"

namespace board {

// The accept code of a candidate move of the side to move: piece n (for a drop
// the piece taken from the hand), its promote flag, the mode flag (set for
// drops), the destination and the remaining depth. `last` points to the record
// of the move that led to the node inside the search's per-ply move array, and
// codes 3 and 7 read the record just before it (the side's own previous move);
// with a null `last` those two codes do not apply. The first test that holds
// gives the code:
//  1 the destination is on the target list;
//  2 a listed square holds the side's king, rook or bishop;
//  3 mode: onto file F an unpromoted pawn (or a promoted pawn when the previous
//    own move promoted);
//  4 mode: the piece's kind is K (a pawn only while exactly one is in hand);
//  5 mode: onto square A while B holds a pawn, lance or knight, or a silver on
//    A's file;
//  7 onto the square the side's previous move came from;
//  class tests, by the piece's class after promotion: the piece newly attacks a
//  listed square holding an enemy piece, or an empty listed square that counts
//  (depth above 3 and no enemy pawn one step beyond it): 18 gold, 20 promoted
//  minor piece, 22 silver (by their steps), 24 knight; lance 25 (its line
//  reaches the square before B, depth above 2) and 26 (a listed square on its
//  line); pawn 27 (B two steps ahead, depth 3 or more) and 28 (a listed square
//  ahead); 9 dragon and 13 horse by their single steps, then 10 and 11 (rook
//  lines: a listed enemy piece, else a listed empty square, off the move's own
//  line) and 15 and 16 (bishop lines: a listed square, else reaching A);
//  29-33 a pawn push or drop on B's rank or the rank behind it that opens the
//  side's rook behind it; 40 B and the destination both next to the enemy king.
int sashite_threat_kind(const KPosition& p, const KMove* last, int n, int promote, int mode, int to, int depth);

// The boolean form used by the targeted generator: 1 when the move bears on the
// target list or on the threat word's kind and file, else 0. A board move gives
// its piece number and code, a drop -1 and the kind. It accepts a drop of an
// unpromoted pawn onto file F or of kind K; a destination on the target list;
// or, by the class after promotion, a listed square holding an enemy piece that
// the piece newly attacks from the destination (a silver's steps need not be
// new; sliders walk their lines, where reaching square A also accepts). Empty
// listed squares never count here.
int sashite_threat_kind2(const KPosition& p, int n, int code, int promote, int to);

}  // namespace board
