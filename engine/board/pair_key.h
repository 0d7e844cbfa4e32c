// Keys of a pair of moves on one square: an answer b to an earlier move a that
// lands where a landed (a recapture or a reply on the same square). The search
// keeps the key of the move that led to a node and reads it in the quiescence
// search; 0 says that the two moves are unrelated. Every key holds
// b.to x 256 + b.from in its low 16 bits; the upper bits tell the kind of pair
// (the file of a pawn push, or the kind a dearer piece captured).
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace board {

// The marker that some pairs of the drop variant give instead of a key.
constexpr uint32_t kPairReject = 0xFFFF0000u;

// The key of b answering a on a's destination, 0 when they are unrelated: a or
// b a pass, or other destinations; a drop or a non-pawn move without capture
// gives the bare key; a pawn push adds its file x 2^24; a non-pawn taking an
// unpromoted pawn adds 0x70000; otherwise a piece that took a dearer kind (a
// larger kind number) gives the key plus the captured kind x 0x10000, and one
// that took a cheaper or equal kind gives 0. No side effect.
uint32_t sashite_pair_key(const KPosition& p, const KMove& a, const KMove& b);

// The key of b answering a where b's piece is the one that c (the move before
// a) brought to b's from-square: 0 when c is a drop while a moved a pawn, when c
// is a board move that captured, when c did not land on b.from, when a and b
// land on different squares, or when a or b is a pass. Otherwise as
// sashite_pair_key, except that a non-pawn taking a pawn or a promoted pawn
// gives the bare key.
uint32_t sashite_pair_key_recapture(const KPosition& p, const KMove& c, const KMove& a, const KMove& b);

// The variant used with drops, on the position after a (the side to move plays
// b), with the remaining depth. After a drop: kPairReject when a pawn dropped on
// an edge file within 2 files of the opponent's king is taken by a knight, or
// by a lance not landing on its second rank, with depth 3 or more; kPairReject
// also when b brings a gold or a gold-moving piece or a silver from near the own
// king back onto the own back rank; else the bare key. After a board move: as
// sashite_pair_key, and whenever that gives a key the current ply's target list
// is first extended from a's from-square.
uint32_t sashite_pair_key_drop(const KPosition& p, const KMove& a, const KMove& b, int depth);

}  // namespace board
