// The board diagram of KIF records: the hand of the second player, the file
// header and frame, nine rows with "v" before gote's pieces and the rank in
// kanji, the hand of the first player and the side to move. The KIF and KI2
// writers put it in the position block; the engine's trace log and the front
// end's board and show commands print it.
#pragma once

#include "model/position/kyokumen.h"
#include "model/text/text_stream.h"

namespace model {

// Writes the diagram of `kyokumen`. With `handicap_names` the sides are called
// 下手 and 上手 when the handicap bits are not those of an even game, as records
// name them; otherwise they are always 先手 and 後手.
void kifu_write_diagram(const Kyokumen& kyokumen, TextWriter& writer, bool handicap_names);

}  // namespace model
