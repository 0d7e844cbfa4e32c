// The rules of the game on a Kyokumen: legality, making and taking back moves,
// set-up validity, check, mate by a dropped pawn, and the impasse count.
#include "model/position/kyokumen.h"
#include "model/position/piece_rules.h"

namespace model {

namespace {

bool on_board(int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9; }

// Bit of a type in a type set.
constexpr uint32_t T(int type) { return 1u << type; }
constexpr uint32_t kPromotedMinors = T(kTo) | T(kNariKyo) | T(kNariKei) | T(kNariGin);
constexpr uint32_t kGoldLike = T(kKin) | kPromotedMinors;

// Offsets from a king towards an attacker next to it (as for sente's king; dy is
// negated for gote's, and each nonzero dx is also taken mirrored), with the
// attacker types that reach the king from there.
struct AdjacentAttack {
  int dx, dy;
  uint32_t types;
};
constexpr AdjacentAttack kAdjacentAttacks[] = {
    {1, -2, T(kKei)},
    {0, -1, T(kFu) | T(kKyo) | T(kGin) | kGoldLike | T(kHi) | T(kOu) | T(kUma) | T(kRyu)},
    {1, -1, T(kGin) | kGoldLike | T(kKaku) | T(kOu) | T(kUma) | T(kRyu)},
    {1, 0, kGoldLike | T(kHi) | T(kOu) | T(kUma) | T(kRyu)},
    {0, 1, kGoldLike | T(kHi) | T(kOu) | T(kUma) | T(kRyu)},
    {1, 1, T(kGin) | T(kKaku) | T(kOu) | T(kUma) | T(kRyu)},
};

// Promotion code of a board move of `type` by `side` between two ranks.
int promotion_code(int side, int type, int from_y, int to_y) {
  if (!in_promotion_zone(side, from_y) && !in_promotion_zone(side, to_y)) return kNoPromotion;
  if (!can_promote(type)) return kNoPromotion;
  return can_move_on(side, type, to_y) ? kMayPromote : kMustPromote;
}

}  // namespace

int Kyokumen::IsLegal(const Sashite& m, bool strict) const {
  const int fx = m.from_x, fy = m.from_y, tx = m.to_x, ty = m.to_y;
  const bool drop = fx == kSenteHand || fx == kGoteHand;
  if (!drop && (fx < 1 || fx > 9)) return kIllegal;
  if (!drop && (fy < 1 || fy > 9)) return kIllegal;
  if (drop && (fy < kFu || fy > kHi)) return kIllegal;
  if (!on_board(tx, ty)) return kIllegal;
  const int side = (m.koma.code & kGoteBit) ? 1 : 0;
  if (side != teban) return kIllegal;
  const int type = m.koma.Type();

  if (drop) {
    if (type < kFu || type > kOu) return kIllegal;
    if (!m.tori.IsEmpty()) return kIllegal;
    if (strict && m.nari) return kIllegal;
    if (!can_move_on(side, type, ty)) return kIllegal;
    if (type == kFu) {
      const int own_pawn = kFu | (side ? kGoteBit : 0);
      for (int y = 1; y <= 9; ++y) {
        if (y != ty && At(tx, y).code == own_pawn) return kIllegal;
      }
    }
    return kNoPromotion;
  }

  if (type < 1 || type == kNone13) return kIllegal;
  if (m.tori.Side() >= 0 && m.tori.Side() != 1 - side) return kIllegal;

  const int code = promotion_code(side, type, fy, ty);
  if (strict && code == kNoPromotion && m.nari) return kIllegal;
  if (strict && code == kMustPromote && !m.nari) return kIllegal;

  const int dx = tx > fx ? tx - fx : fx - tx;
  const int dy = side == 0 ? ty - fy : fy - ty;  // -1 is one step forward
  if (dx == 0 && dy == 0) return kIllegal;
  const int mask = kMoveMask[type];
  if ((mask & kStepForward) && dx == 0 && dy == -1) return code;
  if ((mask & kStepDiagForward) && dx == 1 && dy == -1) return code;
  if ((mask & kStepSide) && dx == 1 && dy == 0) return code;
  if ((mask & kStepBack) && dx == 0 && dy == 1) return code;
  if ((mask & kStepDiagBack) && dx == 1 && dy == 1) return code;
  if ((mask & kKnightJump) && dx == 1 && dy == -2) return code;
  const int ady = dy < 0 ? -dy : dy;
  const bool slide = ((mask & kSlideForward) && dx == 0 && dy < -1) ||
                     ((mask & kSlideOrthogonal) && (dx == 0 || dy == 0)) ||
                     ((mask & kSlideDiagonal) && dx == ady);
  if (!slide) return kIllegal;
  const int sx = tx > fx ? 1 : (tx < fx ? -1 : 0);
  const int sy = ty > fy ? 1 : (ty < fy ? -1 : 0);
  for (int x = fx + sx, y = fy + sy; x != tx || y != ty; x += sx, y += sy) {
    if (!At(x, y).IsEmpty()) return kIllegal;
  }
  return code;
}

bool Kyokumen::DoSashite(const Sashite& m) {
  if (m.special != kOrdinaryMove) return false;
  if (IsLegal(m, true) == kIllegal) return false;
  const int side = teban;
  const int type = m.koma.Type();
  // The move must also match the position: the mover stands on its square (or
  // is in the named hand), and the captured piece is what the target holds.
  // Otherwise making it would duplicate or lose pieces.
  if (m.IsDrop()) {
    if (m.from_x != kSenteHand + side || m.from_y != type) return false;
    if (mochigoma[side][type] < 1 || At(m.to_x, m.to_y).code != kEmpty) return false;
    --mochigoma[side][type];
  } else {
    if (At(m.from_x, m.from_y) != m.koma || At(m.to_x, m.to_y) != m.tori) return false;
    At(m.from_x, m.from_y).Set(kEmpty);
  }
  int placed = m.koma.code;
  if (m.nari && (type & 7) != 0) placed |= kPromoteBit;
  At(m.to_x, m.to_y).Set(placed);
  if (m.tori.Side() >= 0) ++mochigoma[side][m.tori.code & 7];
  teban = 1 - side;
  return true;
}

bool Kyokumen::UndoSashite(const Sashite& m) {
  if (m.special != kOrdinaryMove || !on_board(m.to_x, m.to_y)) return false;
  const int side = (m.koma.code & kGoteBit) ? 1 : 0;
  const int type = m.koma.Type();
  const bool drop = m.from_x >= 10;
  if (drop) {
    if (m.from_x != kSenteHand + side || m.from_y != type || type < kFu || type > kHi) return false;
  } else if (!on_board(m.from_x, m.from_y) || At(m.from_x, m.from_y).code != kEmpty) {
    return false;  // the source must be free to take the piece back
  }
  int placed = m.koma.code;
  if (m.nari && type != kOu) placed += kPromoteBit;
  if (At(m.to_x, m.to_y).code != placed) return false;
  const bool captured = m.tori.Side() >= 0;
  if (captured && mochigoma[side][m.tori.code & 7] < 1) return false;

  At(m.to_x, m.to_y) = m.tori;
  if (captured) --mochigoma[side][m.tori.code & 7];
  if (drop) {
    ++mochigoma[side][type];
  } else {
    At(m.from_x, m.from_y) = m.koma;
  }
  teban = side;
  return true;
}

bool Kyokumen::Check() const {
  if (teban != 0 && teban != 1) return false;
  // The border must be walls and every cell an empty square or a real piece:
  // a position from outside is used for indexing only after this.
  for (int y = 0; y <= 10; ++y) {
    for (int x = 0; x <= 10; ++x) {
      const Koma k = At(x, y);
      if (!on_board(x, y)) {
        if (k.code != kWall) return false;
      } else if (k.code != kEmpty && k.Side() < 0) {
        return false;
      }
    }
  }
  int count[9] = {};
  for (int t = kFu; t <= kHi; ++t) {
    for (int row = 0; row < 3; ++row) {
      if (mochigoma[row][t] < 0) return false;
      count[t] += mochigoma[row][t];
    }
    if (count[t] > kPieceLimit[t]) return false;
  }
  if (mochigoma[0][kOu] != 0 || mochigoma[1][kOu] != 0) return false;
  if (mochigoma[kBoxRow][kOu] < 0 || mochigoma[kBoxRow][kOu] > 2) return false;

  int kings[2] = {0, 0};
  for (int x = 1; x <= 9; ++x) {
    int pawns[2] = {0, 0};
    for (int y = 1; y <= 9; ++y) {
      const Koma k = At(x, y);
      const int side = k.Side();
      if (side < 0) continue;
      const int type = k.Type();
      if (type == kOu) {
        if (++kings[side] > 1) return false;
        continue;
      }
      if (type == kFu && ++pawns[side] > 1) return false;
      if (!can_move_on(side, type, y)) return false;
      const int base = base_type(type);
      if (++count[base] > kPieceLimit[base]) return false;
    }
  }
  if (kings[0] + kings[1] + mochigoma[kBoxRow][kOu] > 2) return false;
  if (teaiwari == kNoSenteKing) return true;
  if (kings[0] != 1 || kings[1] != 1) return false;
  // Both kings in check at once cannot arise in a game. (The attack test is
  // the one the move rules use; every record reader runs this check on every
  // position it reads, so it must stay cheap.)
  return !(IsOute(0) && IsOute(1));
}

bool Kyokumen::IsOute(int side) const {
  int kx, ky;
  if (!FindKing(side, &kx, &ky)) return false;
  const int enemy = 1 - side;
  const int fwd = side == 0 ? 1 : -1;  // rank step towards the attackers' side
  for (const AdjacentAttack& a : kAdjacentAttacks) {
    for (int mirror = 0; mirror < (a.dx ? 2 : 1); ++mirror) {
      const int x = kx + (mirror ? -a.dx : a.dx);
      const int y = ky + a.dy * fwd;
      if (x < 0 || x > 10 || y < 0 || y > 10) continue;
      const Koma k = At(x, y);
      if (k.Side() == enemy && (a.types & T(k.Type()))) return true;
    }
  }
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx == 0 && dy == 0) continue;
      int x = kx + dx, y = ky + dy * fwd;
      while (on_board(x, y) && At(x, y).IsEmpty()) {
        x += dx;
        y += dy * fwd;
      }
      if (!on_board(x, y)) continue;
      const Koma k = At(x, y);
      if (k.Side() != enemy) continue;
      const int t = k.Type();
      const bool straight = dx == 0 || dy == 0;
      if (straight && (t == kHi || t == kRyu)) return true;
      if (!straight && (t == kKaku || t == kUma)) return true;
      if (t == kKyo && dx == 0 && dy == -1) return true;
    }
  }
  return false;
}

bool Kyokumen::IsUchifuzume(const Sashite& m) const {
  if (m.special != kOrdinaryMove || !on_board(m.to_x, m.to_y)) return false;
  const bool sente_drop = m.from_x == kSenteHand && m.koma.code == kFu;
  const bool gote_drop = m.from_x == kGoteHand && m.koma.code == (kFu | kGoteBit);
  if (!sente_drop && !gote_drop) return false;
  const int defender = sente_drop ? 1 : 0;
  const Koma front = At(m.to_x, m.to_y + (sente_drop ? -1 : 1));
  if (front.code != (kOu | (defender ? kGoteBit : 0))) return false;
  Sashite moves[kMaxSashite];
  const int n = GenerateAll(moves);
  for (int i = 0; i < n; ++i) {
    Kyokumen next;
    next.Copy(*this);
    if (next.DoSashite(moves[i]) && !next.IsOute(defender)) return false;
  }
  return true;
}

bool Kyokumen::HasLegalMove() const {
  Sashite moves[kMaxSashite];
  const int n = GenerateAll(moves);
  const int side = teban;
  for (int i = 0; i < n; ++i) {
    Kyokumen next;
    next.Copy(*this);
    if (next.DoSashite(moves[i]) && !next.IsOute(side)) return true;
  }
  return false;
}

bool Kyokumen::CompleteSashite(Sashite& m) const {
  if (m.from_x >= 10) {
    if (m.from_x < kSenteHand || m.from_x > kPieceBox) return false;
    const int row = m.from_x - kSenteHand;
    const int max_type = row == kBoxRow ? kOu : kHi;
    if (m.from_y < kFu || m.from_y > max_type || mochigoma[row][m.from_y] < 1) return false;
    m.koma.Set(m.from_y | (m.from_x == kGoteHand ? kGoteBit : 0));
  } else {
    if (!on_board(m.from_x, m.from_y)) return false;
    const Koma k = At(m.from_x, m.from_y);
    if (k.Side() < 0) return false;
    m.koma = k;
  }
  if (m.to_x >= 10) {
    m.tori.Set(kEmpty);
    m.to_y = static_cast<int8_t>(base_type(m.koma.Type()));
  } else {
    if (!on_board(m.to_x, m.to_y)) return false;
    m.tori = At(m.to_x, m.to_y);
  }
  m.special = kOrdinaryMove;
  return true;
}

int Kyokumen::JishogiPoints(int threshold, int* points) const {
  *points = -1;
  const int side = teban == 0 ? 0 : 1;
  int kx, ky;
  if (!FindKing(side, &kx, &ky) || !in_promotion_zone(side, ky) || IsOute(side)) return 0;
  const auto value = [](int base) { return (base == kKaku || base == kHi) ? 5 : (base == kOu ? 0 : 1); };
  int pieces = 0, pts = 0;
  for (int y = 1; y <= 9; ++y) {
    if (!in_promotion_zone(side, y)) continue;
    for (int x = 1; x <= 9; ++x) {
      const Koma k = At(x, y);
      if (k.Side() != side) continue;
      ++pieces;
      pts += value(base_type(k.Type()));
    }
  }
  if (pieces < 11) return 0;
  for (int t = kFu; t <= kHi; ++t) {
    pts += value(t) * mochigoma[side][t];
    // The handicap giver also counts the pieces it left in the box.
    if (side == 1) pts += value(t) * mochigoma[kBoxRow][t];
  }
  *points = pts;
  if (pts < threshold) return 0;
  if (54 - pts < threshold) return side == 0 ? 2 : 3;
  if (threshold == 27) return side == 0 ? 1 : 3;
  return 4;
}

}  // namespace model
