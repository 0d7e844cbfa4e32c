// The quiescence search's generators: captures that gain more than a threshold
// chosen by level and game stage, promotions and back-rank drops before the
// opponent's king, and the captures and promotions on the squares of the
// current ply's target list. Captures and pushes promote when they may.
// Room: kMaxMoves.
#pragma once

#include "engine/board/eval_record.h"
#include "engine/board/exchange_eval.h"
#include "engine/board/position.h"

namespace board {

// The gain a quiescence capture must exceed, by level (the caller's depth,
// clamped to 0..3) and game stage (clamped to 0..2):
//   stage 0:  50  50 100 200
//   stage 1: 100 100 250 400
//   stage 2: 200 200 400 600
int qs_gain_threshold(int level, int stage);

// The quiescence search's main list, for the side to move X:
// 1. when the opponent's king stands on its back rank with the square in front
//    of it empty and held by the mover at least as strongly: drops there of a
//    gold, a silver, a rook (each when held);
// 2. for pieces 2..39 in order: captures of an opponent piece by each own
//    attacker (cheapest first) gaining more than the threshold, where an
//    unsupported piece's gain is the capturer's change of square value (a flat
//    100 for an unpromoted rook or bishop in the zone) plus the captured
//    piece's square value for its owner, its value in the mover's hand and, at
//    game stage 0, its piece value; an unpromoted knight that captures with a
//    gain of 1 or more and checks from there (not onto the last two ranks) is
//    kept below the threshold too. An own unpromoted rook outside the zone
//    whose file is open to the far rank promotes on the second rank from the
//    far side, else on the third, where the opponent does not attack (not when
//    an undefended opponent piece waits on the far rank). An own lance, while
//    the record's 16-bit words [4X + 3] and [4X + 4] sum to at most 1000,
//    promotes on each empty square ahead in the zone that it holds more
//    strongly. An own unpromoted pawn promotes by its push onto an empty square
//    when the exchange estimate exceeds the threshold.
// Square values: the strategy table at game stage 0, else the king-relative
// tables of the weight object (by the owner's king; gote's squares turned),
// 0 when the evaluation has not set them up.
// With `notes` (room: kMaxMoves), notes[i] receives the exchange played out
// for move i: for a capture of a supported piece and a pawn's push, else
// kNoExchange.
int gen_king_front_drops(const KPosition& p, const KEvalRecord& data, int level, KMove* out,
                         KExchangeNote* notes = nullptr);

// For each square of the current ply's target list (none when it has no list),
// in list order: an opponent piece there is taken by each own attacker
// (cheapest first) whose exchange estimate exceeds the threshold; an empty
// square in the zone gets an unpromoted rook's promoting move when the
// opponent does not attack it, and a pawn's promoting push when its exchange
// estimate exceeds the threshold.
// `notes` as for gen_king_front_drops: for a capture and a pawn's push.
int gen_target_captures(const KPosition& p, int level, KMove* out, KExchangeNote* notes = nullptr);

}  // namespace board
