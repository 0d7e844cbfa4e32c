// The bodies of the castle-shape group (castle_shape_terms.h says what each
// adds). They are written once here and inlined both into their entry points
// and into the full evaluation (eval_position), which then runs them without a
// call and without saving and restoring registers once per group.
#pragma once

#include "engine/eval/castle_shape_terms.h"

#include "engine/eval/eval_access.h"
#include "engine/eval/eval_setup.h"

namespace eval {

// The helpers have internal linkage (the unnamed namespace), as they had when
// they lived in one source file, so that the compiler inlines them as before;
// the named namespace around it keeps their names apart from the other
// groups' helpers in eval_position.cpp.
namespace castle_shape_detail {
namespace {

using board::KPosition;
using board::kBishop;
using board::kGold;
using board::kKnight;
using board::kPawn;
using board::kSilver;

constexpr int kSideCode = 6;          // the code with its own corrections when nobody ranges
constexpr int kRangingCodes[] = {5, 7, 8};
constexpr int kRangingVsCode = 9;     // the static side's code with corrections against a ranging side

bool is_ranging(int code) {
  for (int c : kRangingCodes) {
    if (code == c) return true;
  }
  return false;
}

// The board as side V sees it: squares are (file, rank) of V's own view, pieces
// unpromoted. The side is a template argument so that every square a row names
// is a constant: the rows read some forty squares per side and node.
template <int V>
class View {
 public:
  explicit View(const PositionTerms& t) : p(t.p), king_square(t.king[V]), t_(t) {}

  int sq(int f, int r) const { return own_square(v, f, r); }
  bool mine(int kind, int f, int r) const { return own_on(p, v, kind, f, r); }
  bool theirs(int kind, int f, int r) const { return enemy_on(p, v, kind, f, r); }
  bool king(int f, int r) const { return king_square == sq(f, r); }
  // The own king's file in v's view, 0 when the king is not on the board.
  int king_file() const { return king_square ? own_file(v, king_square) : 0; }
  bool empty(int f, int r) const { return own_empty(p, v, f, r); }
  bool own_piece(int f, int r) const { return holds_piece_of(p, v, sq(f, r)); }
  int defenders(int f, int r) const { return dir(p, v, sq(f, r)); }
  // The own rook's file in v's view (each side has one here).
  int rook_file() const { return v == 0 ? t_.rook_file[0] : 10 - t_.rook_file[1]; }
  // The side's unpromoted bishop with the lowest number that attacks (f, r)
  // directly, or -1.
  int bishop_attacking(int f, int r) const {
    const board::KKiki& k = board::kiki_at(p, sq(f, r));
    const int first = board::kKindRange[kBishop].first;
    for (int n = first; n < first + board::kKindRange[kBishop].count; ++n) {
      if (p.piece[n].code == (kBishop | board::side_bit(v)) && board::kiki_has_direct(k, v, n)) return n;
    }
    return -1;
  }

  const KPosition& p;
  static constexpr int v = V, e = 1 - V;
  const int king_square;  // 0 when not on the board

 private:
  const PositionTerms& t_;
};

template <int V>
int32_t general_rows(const View<V>& s) {
  int32_t v = 0;
  if ((s.king(1, 8) && s.defenders(1, 6) == 0) || (s.king(9, 8) && s.defenders(9, 6) == 0)) v -= 6;
  if (s.mine(kBishop, 8, 8) && s.mine(kPawn, 7, 7) && s.theirs(kPawn, 7, 5)) v -= 10;
  if ((s.mine(kBishop, 6, 8) || s.mine(kBishop, 7, 9)) && s.own_piece(5, 7)) {
    v -= s.mine(kPawn, 5, 7) && s.own_piece(5, 6) ? 10 : 5;
  }
  if (s.mine(kSilver, 3, 6) && s.mine(kPawn, 3, 7)) v -= 13;
  return v;
}

template <int V>
int32_t side_code_rows(const View<V>& s) {
  int32_t v = 0;
  if (s.mine(kGold, 4, 8) && s.mine(kGold, 4, 9)) v -= 5;
  if (s.king(3, 9) && !s.empty(2, 8)) v -= 10;
  if (s.mine(kKnight, 3, 7) && s.defenders(3, 6) == 0) v -= 8;
  if (s.mine(kGold, 3, 8) && s.mine(kSilver, 2, 8) && !s.empty(3, 7) && s.king_file() >= 3) v -= 8;
  return v;
}

// A ranging side r (code 5, 7 or 8) against the other side o.
template <int R>
void ranging_rows(const View<R>& r, const View<1 - R>& o, int32_t material[2]) {
  const int r_code = eval_setup.root_senkei[r.v], o_code = eval_setup.root_senkei[o.v];
  int32_t vr = 0, vo = 0;
  if ((r.mine(kBishop, 5, 9) || r.mine(kBishop, 4, 8)) && !r.empty(3, 7)) vr -= 10;
  if (r.mine(kKnight, 7, 7) && r.defenders(7, 6) == 0) vr -= 5;
  if (r.mine(kBishop, 5, 7) && r.defenders(5, 6) == 0) vr -= 5;
  if (o.theirs(kPawn, 7, 6) && o.mine(kBishop, 8, 8) && o.mine(kPawn, 6, 6)) {
    // r's bishop on the long diagonal aims at the pawn (o's (6,6) is r's (4,4)).
    const int b = r.bishop_attacking(4, 4);
    if (b >= 0 && board::square_file(r.p.piece[b].sq) == board::square_rank(r.p.piece[b].sq)) vo -= 20;
  }
  if (o_code == kRangingVsCode) {
    if (o.p.hand[r.v][kBishop] > 0) vo -= 10;
    if (!o.king(1, 9) && (o.mine(kGold, 3, 8) || o.mine(kGold, 4, 8))) vo -= 8;
  }
  if (r_code == 5) {
    if (r.mine(kSilver, 4, 8) && (r.mine(kGold, 5, 8) || r.mine(kGold, 5, 9))) vr += 3;
    if (r.mine(kBishop, 7, 7) && r.defenders(7, 6) == 0) vr -= 5;
    if ((r.king(7, 9) || r.king(8, 8)) && r.empty(7, 8)) vr -= 5;
  }
  if (r_code == 7 && (r.mine(kBishop, 7, 7) || r.mine(kKnight, 7, 7)) && r.defenders(7, 6) == 0) vr -= 5;
  material[r.v] += vr;
  material[o.v] += vo;
}

// The three squares two ranks ahead of a king on ranks 5-9: each that no enemy
// piece holds (nor the own pawn, straight ahead) and no own piece defends.
template <int V>
int32_t open_front(const View<V>& s) {
  const int king = s.king_square;
  if (king == 0 || own_rank(s.v, king) < 5) return 0;
  int32_t v = 0;
  const int ahead = king + 2 * forward_step(s.v);
  for (int side : {-1, 0, 1}) {
    const int x = ahead + side;
    if (!board::is_playing_square(x) || holds_piece_of(s.p, s.e, x) || dir(s.p, s.v, x) != 0) continue;
    if (side == 0 && holds(s.p, s.v, x, kPawn)) continue;
    v -= 5;
  }
  return v;
}

template <int V>
int32_t yagura_rows(const View<V>& s, int working_silver) {
  int32_t v = open_front(s);
  const int kf = s.king_file();
  const bool king_left = kf >= 1 && kf <= 6;
  const int rf = s.rook_file();
  if (king_left && rf == 3) v -= 5;
  if (king_left && s.mine(kSilver, 4, 6)) v -= 5;
  if ((s.king(7, 9) || s.king(8, 8)) && !s.mine(kSilver, 6, 8) && s.mine(kGold, 4, 9)) v -= 5;
  if ((s.king(8, 8) || s.king(9, 8)) && s.empty(8, 7) && s.theirs(kPawn, 8, 6) && att(s.p, s.e, s.sq(8, 7)) >= 2 &&
      att(s.p, s.v, s.sq(8, 7)) <= 2) {
    v -= 120;
  }
  if ((s.mine(kSilver, 6, 8) || s.mine(kSilver, 7, 9) || s.mine(kSilver, 5, 7)) &&
      (s.mine(kSilver, 3, 7) || s.mine(kSilver, 4, 6))) {
    v -= 5;
  } else if (s.mine(kSilver, 8, 8) && (s.mine(kBishop, 7, 7) || s.mine(kBishop, 8, 6) || s.mine(kBishop, 9, 5))) {
    v -= 5;
  } else if (s.mine(kSilver, 8, 8) && s.mine(kSilver, 7, 7)) {
    v -= 15;
  }
  if ((s.mine(kKnight, 2, 5) || s.mine(kKnight, 4, 5)) && working_silver != 0 && own_rank(s.v, working_silver) >= 7) {
    v -= 12;
  }
  if (s.mine(kPawn, 4, 7) && s.mine(kSilver, 4, 6) && s.mine(kBishop, 2, 6)) v -= 13;
  if (s.mine(kPawn, 4, 7) && s.mine(kSilver, 4, 6) && (s.mine(kKnight, 3, 7) || s.mine(kKnight, 2, 9)) &&
      s.mine(kPawn, 2, 5)) {
    v -= 8;
  }
  if (s.mine(kSilver, 3, 7) && s.mine(kPawn, 4, 6)) v -= 5;
  if (rf >= 5 && (s.mine(kSilver, 3, 7) || s.mine(kSilver, 2, 6))) v -= 5;
  if (rf >= 5 && s.mine(kPawn, 2, 5)) v -= 3;
  if ((s.mine(kBishop, 5, 9) || s.mine(kBishop, 4, 8)) &&
      (s.mine(kSilver, 3, 7) || s.mine(kSilver, 2, 6) || s.mine(kKnight, 3, 7))) {
    v -= 15;
  }
  if (s.mine(kBishop, 3, 7) && s.mine(kSilver, 2, 6)) v -= 6;
  if (s.mine(kBishop, 4, 6) && s.mine(kKnight, 3, 7) && s.mine(kSilver, 4, 8)) {
    v -= s.mine(kPawn, 1, 7) ? 11 : s.mine(kPawn, 1, 6) ? 9 : 7;
  }
  if (s.mine(kSilver, 8, 6) && (s.mine(kGold, 5, 8) || s.mine(kGold, 4, 9))) v -= 5;
  if (s.mine(kSilver, 3, 6)) {
    // Gote's one row of its own: the knight ahead of the silver earns a bonus.
    if (s.mine(kPawn, 3, 7) && s.mine(kKnight, 2, 9)) {
      v -= 9;
    } else if (s.v == 1 && s.mine(kKnight, 3, 7)) {
      v += 5;
    }
  }
  if (s.mine(kPawn, 6, 5) && !s.mine(kKnight, 7, 7) && !s.mine(kSilver, 6, 6)) v -= 7;
  if (s.mine(kBishop, 7, 9) && s.own_piece(6, 8)) v -= 100;
  if (s.bishop_attacking(4, 4) >= 0 && !s.mine(kPawn, 4, 7) && s.theirs(kPawn, 4, 4) && !s.theirs(kBishop, 2, 2) &&
      !s.theirs(kBishop, 3, 3)) {
    v += s.mine(kKnight, 3, 7) ? 10 : 5;
  }
  return v;
}

}  // namespace
}  // namespace castle_shape_detail

[[gnu::always_inline]] inline void castle_shape_body(PositionTerms& t) {
  using namespace castle_shape_detail;
  if (t.active_rook || t.rook_file[0] == 0 || t.rook_file[1] == 0) return;
  const View<0> sente(t);
  const View<1> gote(t);
  t.material[0] += general_rows(sente);
  t.material[1] += general_rows(gote);
  if (eval_setup.root_yagura != 0) {
    t.material[0] += yagura_rows(sente, t.working_silver[0]);
    t.material[1] += yagura_rows(gote, t.working_silver[1]);
  } else if (is_ranging(eval_setup.root_senkei[0])) {
    ranging_rows(sente, gote, t.material);
  } else if (is_ranging(eval_setup.root_senkei[1])) {
    ranging_rows(gote, sente, t.material);
  } else {
    if (eval_setup.root_senkei[0] == kSideCode) t.material[0] += side_code_rows(sente);
    if (eval_setup.root_senkei[1] == kSideCode) t.material[1] += side_code_rows(gote);
  }
}

}  // namespace eval
