#include "app/sashite_decode.h"

#include "engine/driver/koma_convert.h"

namespace app {

namespace {

constexpr int kDropFrom = 252;

// File and rank of an engine square (16 x rank + file + 3); false off the board.
bool square_to_xy(int sq, int* x, int* y) {
  *x = (sq & 15) - 3;
  *y = sq >> 4;
  return *x >= 1 && *x <= 9 && *y >= 1 && *y <= 9;
}

}  // namespace

int sashite_decode(driver::KMoveWord word, model::Sashite& out) {
  out = model::Sashite{};
  if (word == driver::kNoMoveWord) return -1;
  const int from = word & 0xFF;
  const int to = (word >> 8) & 0xFF;
  const int code = (word >> 16) & 0x7F;
  int tx = 0, ty = 0;
  // A word that names no board square is no move either: never hand on a
  // move with coordinates off the board.
  if (!square_to_xy(to, &tx, &ty)) return -1;
  if (from == kDropFrom) {
    const int koma = driver::koma_engine_to_gui(code & ~driver::kEnginePromoted);
    const int type = model::koma_type(koma);
    if (type < model::kFu || type > model::kHi) return -1;
    out.from_x = (code & driver::kEngineGote) ? model::kGoteHand : model::kSenteHand;
    out.from_y = static_cast<int8_t>(type);
  } else {
    int fx = 0, fy = 0;
    if (!square_to_xy(from, &fx, &fy)) return -1;
    out.from_x = static_cast<int8_t>(fx);
    out.from_y = static_cast<int8_t>(fy);
    out.nari = ((word >> 30) & 3) ? 1 : 0;
  }
  out.to_x = static_cast<int8_t>(tx);
  out.to_y = static_cast<int8_t>(ty);
  return 0;
}

}  // namespace app
