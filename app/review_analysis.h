// The command line's stand-in for a game against the computer: the post-game
// commentary judges a player's moves by the values and lines the computer's
// thinks recorded on its own moves, so a record without them is first thought
// through here, one think per move of the other side, each stored on its move
// as the think of a game stores it.
#pragma once

#include <functional>
#include <vector>

#include "model/record/kifu.h"
#include "model/record/kifu_holder.h"

namespace app {

// How each position is thought about: `depth` plies (2 to 12), or with
// `seconds` > 0 and no depth a timed think of that many seconds; both: the
// depth within that time.
struct ReviewThink {
  int depth = 0;
  int seconds = 0;
};

// The moves of the main line, up to its first special move, made by `side`.
std::vector<model::KifuSashite*> moves_of_side(model::Kifu& kifu, int side);

// True when one of `moves` carries an analysis value.
bool carries_values(const std::vector<model::KifuSashite*>& moves);

// A record read from a KIF file keeps each analysed move's variation as text:
// every move of the main line with a value and such a text gets the move
// words back, so that the commentary sees what the think had expected.
void restore_variations(model::Kifu& kifu);

// Called after each think with the number thought so far, how many there are,
// and the move whose block was written.
using ReviewProgress = std::function<void(int done, int total, const model::KifuSashite& move)>;

// Thinks on the position after each of `moves` (all of one side, in line
// order) on the computer thread, without a book, and stores the result on the
// move: the value from sente's side, the variation led by the move itself,
// the reply the think expected. Ctrl-C (under an InterruptGuard) stops the
// think that runs, which stores nothing, and the rest. Returns false when
// Ctrl-C stopped the thinking before its end; a Ctrl-C that comes after the
// last think has ended stops nothing. `holder`'s current move is changed.
bool think_on_moves(model::KifuHolder& holder, const std::vector<model::KifuSashite*>& moves,
                    const ReviewThink& how, const ReviewProgress& progress);

}  // namespace app
