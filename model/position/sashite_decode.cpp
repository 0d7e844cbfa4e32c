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

engine::KMoveWord sashite_encode(const Sashite& m) {
  if (m.special != kOrdinaryMove) return engine::kNoMoveWord;
  const int to = engine::square_of(m.to_x, m.to_y);
  const int code = koma_gui_to_engine(m.koma);
  if (m.IsDrop()) return engine::kmove_drop(to, code);
  return engine::kmove_pack(engine::square_of(m.from_x, m.from_y), to, code, koma_gui_to_engine(m.tori), m.nari);
}

}  // namespace model
