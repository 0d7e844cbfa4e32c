#include "engine/board/attack_square_gen.h"

#include <array>

#include "engine/board/attack_near_table.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/move_tables.h"
#include "engine/board/stage_rules.h"

namespace board {

namespace {

using detail::AttackNearRow;
using detail::kAttackNearTable;

// Level limits of the drops of gen_attack_square.
constexpr int kLongLanceLevel = 3;  // lances beyond the two nearest squares below it
constexpr int kBishopDropLevel = 6;
constexpr int kRookDropLevel = 5;

// True when every square strictly between a and b (on one line) is empty.
bool clear_between(const KPosition& p, int a, int b) {
  const int u = line_direction(a, b);
  if (u == 0) return false;
  for (int sq = a + u; sq != b; sq += u) {
    if (p.board[sq] != kEmptyNumber) return false;
  }
  return true;
}

bool gold_like(int code) {
  const int cls = code_class(code);
  return cls == kGold || ((code & kPromotedBit) && cls >= (kSilver | kPromotedBit) && cls <= kTokin);
}

class AttackSquare {
 public:
  AttackSquare(const KPosition& p, KMove* out, int t, int quick)
      : p_(p), w_(p, out), side_(p.teban), opp_(1 - p.teban), fwd_(forward_step(p.teban)), t_(t), quick_(quick != 0) {}

  int Run(int level) {
    PawnPush();
    if (!stop_) NearPieces();
    if (!stop_) Rooks();
    if (!stop_) Bishops();
    if (!stop_) Drops(level);
    return w_.count();
  }

 private:
  bool Empty(int sq) const { return is_playing_square(sq) && p_.board[sq] == kEmptyNumber; }
  bool Camp(int sq) const { return in_camp(side_, sq); }
  int Off(int offset) const { return t_ + side_offset(offset, side_); }

  void Move(int n, int from, int to, int promote) {
    if (stop_) return;
    w_.Board(n, from, to, promote);
    stop_ = quick_ && attacks(p_, opp_, to) == 0;
  }
  void Drop(int kind, int to) {
    if (stop_) return;
    const int bound = kind == kRook || kind == kBishop ? kSafeBoundSlider : kSafeBoundStep;
    if (!Empty(to) || !detail::drop_rank_allowed(side_, kind, to) || !safe_square(p_, side_, to, bound)) return;
    w_.Drop(kind, to);
    stop_ = quick_ && attacks(p_, opp_, to) == 0;
  }

  void PawnPush() {
    const int behind = t_ - fwd_;
    if (!Empty(behind) || Camp(behind)) return;
    const int n = piece_of(p_, side_, behind - fwd_);
    if (n >= 0 && p_.piece[n].code == (kPawn | side_bit(side_))) Move(n, behind - fwd_, behind, 0);
  }

  void NearPieces() {
    for (const AttackNearRow& row : kAttackNearTable) {
      const int from = Off(row.from);
      if (!is_playing_square(from)) continue;
      const int n = piece_of(p_, side_, from);
      if (n < 0) continue;
      const int code = p_.piece[n].code;
      const bool silver = code_class(code) == kSilver;
      if (!silver && !gold_like(code)) continue;
      for (int promote = silver ? 1 : 0; promote >= 0; --promote) {
        const int8_t* dest = silver ? row.silver[promote] : row.gold;
        for (int i = 0; i < 4 && dest[i] != 0; ++i) {
          const int to = Off(dest[i]);
          if (!is_playing_square(to) || blocked_for(p_, side_, to)) continue;
          if (promote && !Camp(from) && !Camp(to)) continue;
          if (safe_square(p_, side_, to, kSafeBoundStep)) Move(n, from, to, promote);
        }
      }
    }
  }

  // A slider of the mover goes to `to` when it reaches it over empty squares,
  // `to` is empty and safe, and the line from there to the target is clear.
  void SliderTo(int n, int to) {
    const int from = p_.piece[n].sq;
    if (!Empty(to) || !clear_between(p_, from, to) || !clear_between(p_, to, t_)) return;
    if (!safe_square(p_, side_, to, kSafeBoundSlider)) return;
    const bool unpromoted = !(p_.piece[n].code & kPromotedBit);
    Move(n, from, to, unpromoted && (Camp(from) || Camp(to)) ? 1 : 0);
  }

  int Own(int n) const {
    const int sq = p_.piece[n].sq;
    return is_playing_square(sq) && (p_.piece[n].code & side_bit(side_)) ? sq : 0;
  }

  void Rooks() {
    const int tf = square_file(t_), tr = square_rank(t_);
    for (int n = kKindRange[kRook].first; n < kKindRange[kRook].first + 2; ++n) {
      const int sq = Own(n);
      if (sq == 0 || square_file(sq) == tf || square_rank(sq) == tr) continue;
      SliderTo(n, square_of(tf, square_rank(sq)));
      SliderTo(n, square_of(square_file(sq), tr));
    }
  }

  void Bishops() {
    const int tf = square_file(t_), tr = square_rank(t_);
    for (int n = kKindRange[kBishop].first; n < kKindRange[kBishop].first + 2; ++n) {
      const int sq = Own(n);
      if (sq == 0 || sq == t_) continue;
      const int bf = square_file(sq), br = square_rank(sq);
      if ((bf + br - tf - tr) % 2 == 0) {
        // The bishop's f - r diagonal against the target's f + r one, then the
        // bishop's f + r against the target's f - r; crossings off the board
        // (a wall cell has no attack record) are skipped.
        const int cross[2][2] = {{(bf - br + tf + tr) / 2, (tf + tr - bf + br) / 2},
                                 {(bf + br + tf - tr) / 2, (bf + br - tf + tr) / 2}};
        for (const auto& c : cross) {
          if (c[0] < 1 || c[0] > 9 || c[1] < 1 || c[1] > 9 || c[0] == bf || c[0] == tf) continue;
          SliderTo(n, square_of(c[0], c[1]));
        }
      } else if (code_class(p_.piece[n].code) == kHorse) {
        for (int u : kOrthogonalSteps) {
          const int to = sq + side_offset(u, side_);
          if (!is_playing_square(to) || blocked_for(p_, side_, to)) continue;
          const int d = line_direction(to, t_);
          if ((d == 1 || d == -1 || d == 16 || d == -16 || d == 0) || !clear_between(p_, to, t_)) continue;
          if (safe_square(p_, side_, to, kSafeBoundSlider)) Move(n, sq, to, 0);
        }
      }
    }
  }

  // The mover's 8-8 point, where a pawn drop in front of the home bishop is
  // weak against a bishop in the opponent's hand.
  bool PawnDropAllowed(int sq, int level) const {
    if (sq != side_square(side_, 8, 8)) return true;
    if (p_.hand[opp_][kBishop] && support(p_, side_, sq) < 2 && level < 3) return false;
    const int corner = p_.board[side_square(side_, 9, 9)];
    const bool home_bishop = corner < kPieceCount && p_.piece[corner].code == (kBishop | side_bit(side_));
    return !(home_bishop && level < 6);
  }

  void Drops(int level) {
    const auto& hand = p_.hand[side_];
    const int pawn_sq = t_ - fwd_;
    if (hand[kPawn] && is_playing_square(pawn_sq) && p_.pawn_file[side_][square_file(pawn_sq)] == 0 &&
        PawnDropAllowed(pawn_sq, level)) {
      Drop(kPawn, pawn_sq);
    }
    if (hand[kLance]) {
      int i = 0;
      for (int sq = t_ - fwd_; Empty(sq) && (i < 2 || level < kLongLanceLevel); sq -= fwd_, ++i) Drop(kLance, sq);
    }
    if (hand[kKnight]) {
      for (int off : {31, 33}) {
        if (is_playing_square(Off(off))) Drop(kKnight, Off(off));
      }
    }
    if (hand[kGold]) {
      for (int s : kSenteGoldSteps) Drop(kGold, t_ - side_offset(s, side_));
    }
    if (hand[kSilver]) {
      for (int s : kSenteSilverSteps) Drop(kSilver, t_ - side_offset(s, side_));
    }
    if (hand[kBishop] && level < kBishopDropLevel) {
      for (int u : kDiagonalSteps) {
        for (int sq = Off(u); Empty(sq); sq += side_offset(u, side_)) Drop(kBishop, sq);
      }
    }
    if (hand[kRook] && level < kRookDropLevel) {
      for (int u : kOrthogonalSteps) {
        for (int sq = Off(u); Empty(sq); sq += side_offset(u, side_)) Drop(kRook, sq);
      }
    }
  }

  const KPosition& p_;
  MoveOut w_;
  const int side_, opp_, fwd_, t_;
  const bool quick_;
  bool stop_ = false;
};

}  // namespace

int gen_attack_square(const KPosition& p, int t, int level, int /*mode*/, int quick, KMove* out) {
  if (!is_playing_square(t)) return 0;
  return AttackSquare(p, out, t, quick).Run(level);
}

int gen_line_backing(const KPosition& p, int target, KMove* out) {
  if (!is_playing_square(target)) return 0;
  const int side = p.teban;
  MoveOut w(p, out);
  const int count = attacks(p, side, target);
  for (int i = 0; i < count; ++i) {
    const int a = kiki_nth64(p, side, target, i);
    if (a < 2 || p.piece[a].code == (kKnight | side_bit(side))) continue;
    const int a_sq = p.piece[a].sq;
    const int u = line_direction(target, a_sq);
    if (u == 0) continue;
    const bool straight = u == 1 || u == -1 || u == 16 || u == -16;
    const int first = straight ? kKindRange[kRook].first : kKindRange[kBishop].first;
    const KKiki& at_a = kiki_at(p, a_sq);
    for (int s = a_sq + u; p.board[s] == kEmptyNumber; s += u) {
      for (int r = first; r < first + 2; ++r) {
        if (r == a || !(p.piece[r].code & side_bit(side)) || !kiki_has_direct(kiki_at(p, s), side, r)) continue;
        if (kiki_has_direct(at_a, side, r) && ((at_a.line[side] >> r) & 1)) continue;  // already behind A
        const int from = p.piece[r].sq;
        const bool unpromoted = !(p.piece[r].code & kPromotedBit);
        w.Board(r, from, s, unpromoted && (in_camp(side, from) || in_camp(side, s)) ? 1 : 0);
      }
    }
  }
  return w.count();
}

int gen_slider_line(const KPosition& p, int sq, KMove* out) {
  if (!is_playing_square(sq)) return 0;
  const int n = p.board[sq];
  if (n >= kPieceCount) return 0;
  const int code = p.piece[n].code;
  const int owner = code_side(code);
  const int side = p.teban;
  int count = 0;
  auto take = [&](int at) {
    if (is_playing_square(at) && piece_of(p, side, at) >= 0) count += gen_piece_moves(p, at, out + count);
  };
  auto first_on = [&](const std::array<int, 4>& lines) {
    for (int u : lines) {
      int at = sq + u;
      while (p.board[at] == kEmptyNumber) at += u;
      take(at);
    }
  };
  switch (code_class(code)) {
    case kRook:
    case kDragon:
      first_on(kOrthogonalSteps);
      break;
    case kBishop:
    case kHorse:
      first_on(kDiagonalSteps);
      break;
    case kSilver:
      for (int s : kSenteSilverSteps) take(sq + side_offset(s, owner));
      break;
    case kKnight:
      take(sq + side_offset(-33, owner));
      take(sq + side_offset(-31, owner));
      break;
    default:
      if (gold_like(code)) {
        for (int s : kSenteGoldSteps) take(sq + side_offset(s, owner));
      }
      break;
  }
  return count;
}

}  // namespace board
