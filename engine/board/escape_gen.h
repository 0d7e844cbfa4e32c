// Escapes of threatened pieces: the moves of one own piece to safe squares, a
// bishop's step off the diagonal it is attacked on, the escapes of every piece
// that the last move newly threatened, and room for a cramped king. None makes
// a move or tests full legality. Destinations pass the safe-square test of
// stage_rules.h: bound 14 for rooks, bishops and their promoted forms (a
// knight, lance or pawn attacker rejects the square), 22 for the short-range
// pieces (only a pawn attacker rejects it). Room: kMaxMoves.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace board {

// The moves of the side to move's piece on `sq` to safe squares; never onto
// `excluded`; 0 when the square holds no piece of the side to move. With
// `quick` set the generator looks for one good escape and stops early:
// - bishop or horse: along the diagonals over empty squares (no captures; the
//   excluded square is passed over), promoting when an unpromoted bishop may;
//   a horse then its orthogonal steps (captures allowed);
// - rook or dragon: off the line it is attacked along (a rook on its file
//   gives the file, elsewhere the rank; else a lance the file); in quick mode
//   first one sideways move to the farthest unattacked square, then one
//   backwards; otherwise the lines across the attack over empty squares, and
//   a dragon's diagonal steps (captures allowed);
// - knight: the forward jumps where the mover's support exceeds 1 or the
//   opponent does not attack;
// - lance: at most two squares ahead (below level 4 an empty square outside
//   the zone that only the lance supports is passed over);
// - pawn: the push onto an empty square outside the zone, when safe;
// - silver: its steps, skipping one that stays on an attacking slider's line
//   while the mover's support there is below 2;
// - gold, promoted short-range piece, king: the gold steps (the step back is
//   skipped against a lance, or a rook on the file with support below 2; the
//   king steps only onto squares the opponent does not attack).
int gen_escape_from(const KPosition& p, int sq, int level, int quick, int excluded, KMove* out);

// 1 when for some slider of the set (bit n for piece n, pieces 0..31; tried from
// the highest number) the line direction from the slider's square to `sq`
// equals `step`, else 0.
int on_attack_line(const KPosition& p, uint32_t sliders, int sq, int step);

// The own bishop or horse on `sq`, attacked from `attacker_sq`, steps along its
// other diagonal, first in the + direction then in the -, over empty squares;
// a square is skipped when only the bishop supports it and the opponent attacks
// it, or when an opponent pawn stands in front of it. Quick mode stops after
// the first emitted square the opponent does not attack. `mode` is not read.
int gen_diagonal_side(const KPosition& p, int sq, int attacker_sq, int mode, int quick, KMove* out);

// Quick escapes (gen_escape_from) of the own rooks, bishops, golds, silvers,
// knights and lances (pieces 2..21) and promoted pawns that the opponent
// attacks on a square whose attack situation changed with the last move,
// when losing them costs at least 100 (pieces from 4 on and promoted pawns; an
// unpromoted rook attacked first by a rook is left alone). From level 3 the
// moves of gen_king_room follow (each move once).
int gen_threatened_escapes(const KPosition& p, int level, int excluded, KMove* out);

// Room for the own king when some empty neighbour is held by the opponent at
// least as strongly as by the mover: an unpromoted silver or knight beside the
// king steps (jumps) forward towards the centre, and the king steps to each
// empty neighbour the opponent does not attack.
int gen_king_room(const KPosition& p, KMove* out);

}  // namespace board
