#include "model/position/sashite_decode.h"

#include "model/position/koma_convert.h"

namespace model {

int sashite_decode(KMoveWord word, Sashite& out) {
  out = Sashite{};
  if (word == kNoMoveWord) return -1;
  const int to = word_to(word);
  const int code = word_piece(word);
  // A word that names no board square is no move either: never hand on a
  // move with coordinates off the board.
  if (!word_on_board(to)) return -1;
  if (word_is_drop(word)) {
    const int type = koma_type(koma_engine_to_gui(code & ~kWordPromoted));
    if (type < kFu || type > kHi) return -1;
    out.from_x = (code & kWordGote) ? kGoteHand : kSenteHand;
    out.from_y = static_cast<int8_t>(type);
  } else {
    const int from = word_from(word);
    if (!word_on_board(from)) return -1;
    out.from_x = static_cast<int8_t>(word_file(from));
    out.from_y = static_cast<int8_t>(word_rank(from));
    out.nari = word_promotes(word) ? 1 : 0;
  }
  out.to_x = static_cast<int8_t>(word_file(to));
  out.to_y = static_cast<int8_t>(word_rank(to));
  return 0;
}

KMoveWord sashite_encode(const Sashite& m) {
  if (m.special != kOrdinaryMove) return kNoMoveWord;
  const int to = word_square(m.to_x, m.to_y);
  const int code = koma_gui_to_engine(m.koma);
  if (m.IsDrop()) return word_drop(to, code);
  return word_pack(word_square(m.from_x, m.from_y), to, code, koma_gui_to_engine(m.tori), m.nari);
}

}  // namespace model
