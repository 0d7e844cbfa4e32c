// The threat tests of a search node. When the side to move's previous move
// left a piece en prise (its move-stack en-prise marker), the node asks whether
// the opponent's answer now threatens that piece; a threat switches the
// node's stage generators to the threat word's accept test and skips the
// stages that only help when nothing is threatened.
//
// A threat is written as the threat word the accept test reads
// (board::threat_word): byte 0 square A = the threatened piece's square,
// byte 1 square B = the square of the opponent's piece that threatens it,
// byte 2 kind K = that piece's base kind (a drop of the same kind can offer the
// exchange), byte 3 file F = B's file (a pawn dropped there hits or blocks the
// attacker). A and B are playing squares, so a threat's low 16 bits are never 0.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace search {

// The threat word made of its four bytes.
uint32_t threat_word_of(int square_a, int square_b, int kind, int file);

// On the position after the opponent's `incoming` move: 0 when it threatens
// nothing of what `previous` (the side to move's move before it) put on its
// square, else the threat word. A threat: neither move is a pass, the
// destination of `previous` still holds the side's piece (not the king),
// the piece `incoming` moved (or dropped) attacks that square directly, and
// the attacker is the cheaper piece or the side's direct defenders there are
// fewer than the opponent's direct attackers. The remaining plies are not
// read: every depth that asks gets the same answer.
uint32_t threat_after_move(const board::KPosition& p, const board::KMove& previous, const board::KMove& incoming,
                           int remaining);

// After the side passed: `own` is the side's move three plies back (the
// move-stack entry of ply - 3, the one that left a piece en prise), `between`
// the opponent's move after it, `incoming` the opponent's move after the pass.
// 0 when `own` or `incoming` is a pass, when `between` or `incoming` landed on
// own's destination (the piece was taken), or when the piece `incoming` moved
// does not reach own's destination from its new square by one of its steps or
// along one of its lines (squares between are not examined: only the move
// records are read); else the threat word with A = own's destination and B =
// incoming's destination.
uint32_t threat_after_pass(const board::KMove& own, const board::KMove& between, const board::KMove& incoming);

}  // namespace search
