// Reading a principal variation back from its text: the KIF files keep the
// variation of an analysed move only as the text of its "!PV=" line, and a
// reader of the analysis (the post-game review) needs the move words.
#pragma once

#include <vector>

#include "model/position/move_word.h"
#include "model/position/kyokumen.h"
#include "model/text/kstring.h"

namespace model {

// The move words of a variation text as pv_to_text writes it ("▲７六歩△同　歩",
// "～" where a side passes) from `kyokumen`, 同 against (prev_x, prev_y) (-1
// for none). True with `out` holding the words when the whole text reads as
// moves that can be played one after another; false (`out` untouched) otherwise.
bool pv_from_text(const Kyokumen& kyokumen, const KString& text, int prev_x, int prev_y,
                  std::vector<KMoveWord>& out);

}  // namespace model
