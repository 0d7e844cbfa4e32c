// The move half of the post-game commentary: the engine moves that the review
// reads out of recorded principal variations, and the tests on the position
// before the judged move J that name what went wrong (the motif) and how the
// expected move E would have been played (the suggestion's verb). Every test
// works on copies of the position or takes back what it plays.
#pragma once

#include <string>

#include "engine/board/position.h"
#include "model/record/kifu_node.h"

namespace driver {

// At most this many moves of a recorded line are replayed.
constexpr int kCommentaryLineMoves = 32;

// The engine move of a recorded word on the position, or false (and a pass in
// `out`) when the word does not fit it: a square off the board, no piece of
// the word's code of the side to move on the from-square, an own piece or a
// king on the to-square, a drop without that piece in hand or onto an
// occupied square, a promotion the piece cannot make, or a piece left without
// a move. Records are untrusted: a move that fits can be made and taken back
// without harm.
bool commentary_move(const board::KPosition& p, board::KMoveWord w, board::KMove& out);

// A recorded line replayed after J: the moves that fit, in order, up to the
// first that does not (a pass word only flips the side to move).
struct ReplayedLine {
  int count = 0;
  board::KMove move[kCommentaryLineMoves];
};
// Plays J on a copy of `before` and replays the variation recorded at
// `answer` (null: none).
void commentary_replay(const board::KPosition& before, const board::KMove& j, const model::KifuSashite* answer,
                       ReplayedLine& line);

// The smallest generator level 1..5 of the depth-selected generator (1 the
// checks, 2..5 the attack generator) that produces m on p, 0 when none does.
int commentary_gen_level(const board::KPosition& p, const board::KMove& m);

// The kind of king move m is on p: 0 none (a drop, another piece, a capture,
// or the mover's king in check), 3 entering the enemy camp, 2 reaching the
// middle rank or the one beyond it, 1 any other king move (an early escape).
int commentary_king_move_type(const board::KPosition& p, const board::KMove& m);

// True for a move that holds on at the edge of the mover's camp: a drop onto
// file 1 or 9 or the mover's own second rank, or a gold or (promoted) silver
// stepping onto such a square from elsewhere.
bool commentary_holding_move(const board::KPosition& p, const board::KMove& m);

// The exchange-loss code of J on `before` with E expected and the variation
// recorded at `answer`: 0 when J loses no material by exchange or the answer
// takes nothing; 3 when an attacking move (generator level 1-4) is taken on
// its square, 4 when another move is; 1 when the answer took the piece that E
// would have moved away.
int commentary_exchange_loss(const board::KPosition& before, const board::KMove& j, const board::KMove& e,
                             const model::KifuSashite* answer);

// The motif phrase of J for verdict code k (empty when none applies).
// `expected_word` is the recorded word of E (0 writes nothing).
std::string commentary_motif(const board::KPosition& before, const board::KMove& j, const board::KMove& e,
                             board::KMoveWord expected_word, const model::KifuSashite* answer, int k);

// The verb phrase that follows E's notation in a suggestion of kind 0.
std::string commentary_suggestion_verb(const board::KPosition& before, const board::KMove& j, const board::KMove& e,
                                       board::KMoveWord expected_word, int64_t before_score);

}  // namespace driver
