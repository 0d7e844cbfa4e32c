#include "model/position/sashite_decode.h"

#include "model/position/koma_convert.h"

namespace model {

int sashite_decode(engine::KMoveWord word, Sashite& out) {
  out = Sashite{};
  if (word == engine::kNoMoveWord) return -1;
  const int to = engine::kmove_to(word);
  const int code = engine::kmove_piece(word);
  // A word that names no board square is no move either: never hand on a
  // move with coordinates off the board.
  if (!engine::is_playing_square(to)) return -1;
  if (engine::kmove_is_drop(word)) {
    const int type = koma_type(koma_engine_to_gui(code & ~engine::kPromotedBit));
    if (type < kFu || type > kHi) return -1;
    out.from_x = (code & engine::kGoteBit) ? kGoteHand : kSenteHand;
    out.from_y = static_cast<int8_t>(type);
  } else {
    const int from = engine::kmove_from(word);
    if (!engine::is_playing_square(from)) return -1;
    out.from_x = static_cast<int8_t>(engine::square_file(from));
    out.from_y = static_cast<int8_t>(engine::square_rank(from));
    out.nari = engine::kmove_promotes(word) ? 1 : 0;
  }
  out.to_x = static_cast<int8_t>(engine::square_file(to));
  out.to_y = static_cast<int8_t>(engine::square_rank(to));
  return 0;
}

}  // namespace model
