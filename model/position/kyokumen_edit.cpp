// Board-editor operations on a Kyokumen.
#include <cstring>

#include "model/position/kyokumen.h"

namespace model {

namespace {

// Row of `mochigoma` for a hand or the box named by a file 11, 12 or 13.
int hand_row(int x) { return x - kSenteHand; }

bool is_board_square(int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9; }
// A hand holds pawn..rook; the box also holds kings.
bool is_hand_slot(int x, int type) {
  if (x == kPieceBox) return type >= kFu && type <= kOu;
  return (x == kSenteHand || x == kGoteHand) && type >= kFu && type <= kHi;
}

}  // namespace

bool Kyokumen::EditSashite(const Sashite& m) {
  const int fx = m.from_x, fy = m.from_y, tx = m.to_x, ty = m.to_y;
  const bool from_board = is_board_square(fx, fy);
  const bool to_board = is_board_square(tx, ty);
  if (!(from_board || is_hand_slot(fx, fy)) || !(to_board || is_hand_slot(tx, ty))) return false;
  if (m.koma.Type() == kOu && (tx == kSenteHand || tx == kGoteHand)) return false;
  if ((fx == kSenteHand || fx == kGoteHand) && fx == tx) return false;

  if (from_board && tx == fx && ty == fy) {
    if (m.nari == 0) return false;
    Koma& k = At(fx, fy);
    if (k.Side() < 0) return false;  // nothing to turn
    // A tap cycles sente → promoted sente → gote → promoted gote; gold and king
    // only change side.
    const int t = k.Type();
    const int step = (t == kKin || t == kOu) ? 16 : 8;
    k.Set((k.code + step) & 0x1F);
    return true;
  }

  const Koma displaced = m.tori;
  if (!from_board) {
    const int row = hand_row(fx);
    if (displaced.Type() == kOu && fx != kPieceBox) return false;
    if (mochigoma[row][fy] < 1) return false;  // nothing of that kind to take
    --mochigoma[row][fy];
    if (displaced.Side() >= 0) ++mochigoma[row][base_type(displaced.Type())];
  } else {
    At(fx, fy) = displaced;
  }

  if (!to_board) {
    ++mochigoma[hand_row(tx)][ty];
  } else {
    At(tx, ty) = m.koma;
  }
  return true;
}

void Kyokumen::Flip() {
  Koma turned[121];
  std::memcpy(turned, ban, sizeof ban);
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) {
      Koma k = ban[Cell(10 - x, 10 - y)];
      if (k.Side() >= 0) k.Set(k.code ^ kGoteBit);
      turned[Cell(x, y)] = k;
    }
  }
  std::memcpy(ban, turned, sizeof ban);
  for (int t = 1; t <= 8; ++t) {
    const int8_t s = mochigoma[0][t];
    mochigoma[0][t] = mochigoma[1][t];
    mochigoma[1][t] = s;
  }
}

void Kyokumen::BanToMochi(int side) {
  if (side != 0 && side != 1) return;
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) {
      Koma& k = At(x, y);
      if (k.Side() < 0 || k.Type() == kOu) continue;
      ++mochigoma[side][base_type(k.Type())];
      k.Set(kEmpty);
    }
  }
}

void Kyokumen::GatherHands(int side) {
  if (side != 0 && side != 1) return;
  const int other = 1 - side;
  for (int t = kFu; t <= kHi; ++t) {
    mochigoma[side][t] = static_cast<int8_t>(mochigoma[side][t] + mochigoma[other][t]);
    mochigoma[other][t] = 0;
  }
}

}  // namespace model
