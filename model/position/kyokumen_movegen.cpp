// Pseudo-legal move generation on a Kyokumen, with filters on every field.
#include "model/position/kyokumen.h"
#include "model/position/piece_rules.h"

namespace model {

namespace {

bool on_board(int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9; }

// One-step moves in generation order (dx, dy as for sente) with the mask bit
// that allows each.
struct Step {
  int dx, dy, bit;
};
constexpr Step kSteps[] = {
    {-1, -2, kKnightJump},    {1, -2, kKnightJump}, {-1, -1, kStepDiagForward},
    {0, -1, kStepForward},    {1, -1, kStepDiagForward}, {-1, 0, kStepSide},
    {1, 0, kStepSide},        {-1, 1, kStepDiagBack},    {0, 1, kStepBack},
    {1, 1, kStepDiagBack},
};

// Slide directions in generation order (dx, dy as for sente).
constexpr int kSlides[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};

// A filter value of -1 (or 0xFF for the piece filters) lets everything through.
bool passes(int filter, int value) { return filter == -1 || filter == value; }
bool passes_type(int filter, int type) { return (filter & 0xFF) == 0xFF || (filter & 15) == type; }

// Writes the moves of one piece onto one target square: the plain move when the
// piece could still move from there, then the promoting one.
struct Emitter {
  Sashite* out;
  int n;
  int side;
  int nari_filter;

  void Board(int fx, int fy, int tx, int ty, Koma k, Koma captured) {
    const int type = k.Type();
    if (passes(nari_filter, 0) && can_move_on(side, type, ty)) {
      out[n++] = Sashite(fx, fy, tx, ty, k.code, captured.code, 0, 0);
    }
    if (passes(nari_filter, 1) && can_promote(type) &&
        (in_promotion_zone(side, fy) || in_promotion_zone(side, ty))) {
      out[n++] = Sashite(fx, fy, tx, ty, k.code, captured.code, 1, 0);
    }
  }
};

}  // namespace

int Kyokumen::GenerateSashite(Sashite* out, int from_x, int from_y, int to_x, int to_y, int koma,
                              int tori, int nari, int side) const {
  if (side != 0 && side != 1) side = teban == 0 ? 0 : 1;
  const int side_bit = side ? kGoteBit : 0;
  const int fwd = side == 0 ? 1 : -1;
  Emitter e{out, 0, side, nari};

  // Drops.
  const bool tori_allows_empty = (tori & 0xFF) == 0xFF || type_is_empty(tori & 15);
  if (passes(from_x, kSenteHand + side) && tori_allows_empty && passes(nari, 0)) {
    for (int type = kFu; type <= kHi; ++type) {
      if (!passes_type(koma, type) || mochigoma[side][type] < 1) continue;
      for (int y = 1; y <= 9; ++y) {
        if (!passes(to_y, y) || !can_move_on(side, type, y)) continue;
        for (int x = 1; x <= 9; ++x) {
          if (!passes(to_x, x) || At(x, y).code != kEmpty) continue;
          if (type == kFu) {
            bool two_pawns = false;
            for (int yy = 1; yy <= 9 && !two_pawns; ++yy) two_pawns = At(x, yy).code == (kFu | side_bit);
            if (two_pawns) continue;
          }
          out[e.n++] = Sashite(kSenteHand + side, type, x, y, type | side_bit, 0, 0, 0);
        }
      }
    }
  }

  // Board moves.
  for (int fy = 1; fy <= 9; ++fy) {
    if (!passes(from_y, fy)) continue;
    for (int fx = 1; fx <= 9; ++fx) {
      if (!passes(from_x, fx)) continue;
      const Koma k = At(fx, fy);
      if (k.Side() != side || !passes_type(koma, k.Type())) continue;
      const int mask = kMoveMask[k.Type()];
      // A target is taken when it passes the square filters and holds no own
      // piece; its occupant (0 when empty) must pass the capture filter.
      const auto target_ok = [&](int x, int y, Koma* captured) {
        if (!on_board(x, y) || !passes(to_x, x) || !passes(to_y, y)) return false;
        const Koma t = At(x, y);
        if (t.Side() == side) return false;
        *captured = t.Side() < 0 ? Koma{0} : t;
        return passes_type(tori, captured->Type());
      };
      for (const Step& s : kSteps) {
        if (!(mask & s.bit)) continue;
        const int tx = fx + s.dx, ty = fy + s.dy * fwd;
        Koma captured{0};
        if (target_ok(tx, ty, &captured)) e.Board(fx, fy, tx, ty, k, captured);
      }
      for (const auto& d : kSlides) {
        const int dx = d[0], dy = d[1] * fwd;
        const bool diagonal = dx != 0 && d[1] != 0;
        if (diagonal ? !(mask & kSlideDiagonal)
                     : !((mask & kSlideOrthogonal) ||
                         ((mask & kSlideForward) && dx == 0 && d[1] == -1))) {
          continue;
        }
        // The adjacent square belongs to the one-step moves; the slide starts
        // behind it and needs it empty.
        int x = fx + dx, y = fy + dy;
        if (!on_board(x, y) || !At(x, y).IsEmpty()) continue;
        for (x += dx, y += dy; on_board(x, y); x += dx, y += dy) {
          const Koma t = At(x, y);
          if (t.Side() == side) break;
          Koma captured{0};
          if (target_ok(x, y, &captured)) e.Board(fx, fy, x, y, k, captured);
          if (t.Side() >= 0) break;
        }
      }
    }
  }
  return e.n;
}

}  // namespace model
