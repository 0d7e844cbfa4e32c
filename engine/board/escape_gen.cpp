#include "engine/board/escape_gen.h"

#include <array>
#include <bit>
#include <cstdlib>

#include "engine/board/move_tables.h"
#include "engine/board/stage_rules.h"

namespace board {

namespace {

constexpr uint32_t kRookBishopBits = 0x3cu;  // pieces 2..5

enum AttackLine { kNoLine, kFileLine, kRankLine };

class Escape {
 public:
  Escape(const KPosition& p, KMove* out, int quick, int excluded)
      : p_(p), w_(p, out), side_(p.teban), opp_(1 - p.teban), quick_(quick != 0), excluded_(excluded) {}

  int Run(int sq, int level) {
    const int n = piece_of(p_, side_, sq);
    if (n < 0) return 0;
    n_ = n;
    from_ = sq;
    code_ = p_.piece[n].code;
    switch (code_class(code_)) {
      case kBishop:
      case kHorse:
        Bishop();
        break;
      case kRook:
      case kDragon:
        Rook();
        break;
      case kKnight:
        Knight();
        break;
      case kLance:
        Lance(level);
        break;
      case kPawn:
        Pawn();
        break;
      case kSilver:
        Silver();
        break;
      default:
        GoldLike();
        break;
    }
    return w_.count();
  }

 private:
  bool Empty(int sq) const { return p_.board[sq] == kEmptyNumber; }
  bool Unattacked(int sq) const { return attacks(p_, opp_, sq) == 0; }
  bool Camp(int sq) const { return in_camp(side_, sq); }
  bool Unpromoted() const { return (code_ & kPromotedBit) == 0; }
  // A step destination: no own piece or wall, not the excluded square.
  bool Open(int to) const { return !blocked_for(p_, side_, to) && to != excluded_; }

  // Emits, and in quick mode says whether to stop: after an unattacked square.
  bool Emit(int to, int promote) {
    w_.Board(n_, from_, to, promote);
    return quick_ && Unattacked(to);
  }

  // Slides over empty squares (no captures), passing over the excluded square.
  void Slide(int u, int promote_kind) {
    for (int to = from_ + u; Empty(to); to += u) {
      if (to == excluded_) continue;
      if (!safe_square(p_, side_, to, kSafeBoundSlider)) continue;
      const int promote = code_class(code_) == promote_kind && (Camp(from_) || Camp(to)) ? 1 : 0;
      if (Emit(to, promote)) break;
    }
  }

  // Single steps of a promoted slider (captures allowed): true to stop.
  bool Steps(const std::array<int, 4>& steps) {
    for (int u : steps) {
      const int to = from_ + u;
      if (Open(to) && safe_square(p_, side_, to, kSafeBoundSlider) && Emit(to, 0)) return true;
    }
    return false;
  }

  void Bishop() {
    for (int u : kDiagonalSteps) Slide(side_offset(u, side_), kBishop);
    if (code_class(code_) == kHorse) Steps(kOrthogonalSteps);
  }

  AttackLine RookAttackLine() const {
    const KKiki& k = kiki_at(p_, from_);
    for (int n = kKindRange[kRook].first + 1; n >= kKindRange[kRook].first; --n) {
      if (kiki_has_direct(k, opp_, n)) {
        return square_file(p_.piece[n].sq) == square_file(from_) ? kFileLine : kRankLine;
      }
    }
    for (uint64_t set = kiki_direct64(k, opp_); set != 0; set &= set - 1) {
      const int n = std::countr_zero(set);
      if (code_class(p_.piece[n].code) == kLance) return kFileLine;
    }
    return kNoLine;
  }

  // The quick rook escape: one move sideways to the farthest unattacked square
  // (an unpromoted rook outside the zone avoids files where its own pawn stands
  // behind that square), else one move backwards. True when it found one.
  bool QuickRook(AttackLine line) {
    const bool rook = Unpromoted();
    const int promote = rook && Camp(from_) ? 1 : 0;
    if (line != kRankLine) {
      const int left = side_offset(1, side_);
      for (int dir : {left, -left}) {
        int far = from_;
        while (Empty(far + dir)) far += dir;
        for (int t = far; t != from_; t -= dir) {
          if (t == excluded_ || !Unattacked(t)) continue;
          if (rook && !Camp(from_)) {
            const int pawn = p_.pawn_file[side_][square_file(t)];
            if (pawn != 0 && side_rank(side_, pawn) >= side_rank(side_, t)) continue;
          }
          w_.Board(n_, from_, t, promote);
          return true;
        }
      }
    }
    if (line != kFileLine) {
      const int back = -forward_step(side_);
      int far = from_;
      while (Empty(far + back)) far += back;
      for (int t = far; t != from_; t -= back) {
        if (t == excluded_ || !Unattacked(t)) continue;
        w_.Board(n_, from_, t, promote);
        return true;
      }
    }
    return false;
  }

  void Rook() {
    const AttackLine line = RookAttackLine();
    if (quick_ && QuickRook(line)) return;
    for (int u : kOrthogonalSteps) {
      const bool along_rank = u == 1 || u == -1;
      if ((line == kRankLine && along_rank) || (line == kFileLine && !along_rank)) continue;
      Slide(u, kRook);
    }
    if (code_class(code_) == kDragon) Steps(kDiagonalSteps);
  }

  void Knight() {
    // Lower-numbered square first.
    const int jumps[2] = {side_ == 0 ? -33 : 31, side_ == 0 ? -31 : 33};
    for (int step : jumps) {
      const int to = from_ + step;
      if (!Open(to)) continue;
      if (support(p_, side_, to) > 1 || Unattacked(to)) {
        if (Emit(to, Camp(to) ? 1 : 0)) return;
      }
    }
  }

  void Lance(int level) {
    const int fwd = forward_step(side_);
    const KKiki& k = kiki_at(p_, from_);
    const int first = cheapest_attacker(p_, opp_, from_);
    const bool rook_on_file =
        k.direct_count[opp_] == 1 && first >= 2 && first <= 3 && square_file(p_.piece[first].sq) == square_file(from_);
    for (int to = from_ + fwd, i = 0; i < 2 && !blocked_for(p_, side_, to); ++i, to += fwd) {
      const bool empty = Empty(to);
      if (to == excluded_) {
        if (empty) continue;
        break;
      }
      const int sup = support(p_, side_, to);
      if (level < 4 && empty && !Camp(to) && sup == 1) continue;
      if (sup < 2 && (rook_on_file || !Unattacked(to))) {
        if (!empty) break;
        continue;
      }
      w_.Board(n_, from_, to, Camp(to) ? 1 : 0);
      if (!empty) break;
    }
  }

  void Pawn() {
    const int to = from_ + forward_step(side_);
    if (!Empty(to) || Camp(to) || to == excluded_) return;
    if (support(p_, side_, to) > 1 || Unattacked(to)) w_.Board(n_, from_, to, 0);
  }

  void Silver() {
    const KKiki& k = kiki_at(p_, from_);
    const uint32_t sliders = k.direct[opp_][0] & k.line[opp_] & kRookBishopBits;
    for (int s : kSenteSilverSteps) {
      const int step = side_offset(s, side_);
      const int to = from_ + step;
      if (!Open(to) || !safe_square(p_, side_, to, kSafeBoundStep)) continue;
      if (sliders != 0 && support(p_, side_, to) < 2 && on_attack_line(p_, sliders, from_, step)) continue;
      if (Emit(to, Camp(from_) || Camp(to) ? 1 : 0)) return;
    }
  }

  // Gold, king and promoted short-range pieces: back, sideways (towards s
  // first), ahead, diagonally ahead; s points to the higher files (as the
  // mover sees them) on the far four ranks, else to the lower.
  void GoldLike() {
    const int s = side_rank(side_, from_) <= 4 ? 1 : -1;
    const int steps[6] = {16, s, -s, -16, -16 + s, -16 - s};
    const KKiki& k = kiki_at(p_, from_);
    bool lance = false, rook_on_file = false;
    for (uint64_t set = kiki_direct64(k, opp_); set != 0; set &= set - 1) {
      const int n = std::countr_zero(set);
      lance |= code_class(p_.piece[n].code) == kLance;
      rook_on_file |= (n == 2 || n == 3) && square_file(p_.piece[n].sq) == square_file(from_);
    }
    const bool king = n_ == side_;
    for (int i = 0; i < 6; ++i) {
      const int to = from_ + side_offset(steps[i], side_);
      if (!Open(to) || !safe_square(p_, side_, to, kSafeBoundStep)) continue;
      // A king never steps onto an attacked square: that move is not legal.
      if (king && !Unattacked(to)) continue;
      if (i == 0 && (lance || (rook_on_file && support(p_, side_, to) < 2))) continue;
      if (Emit(to, 0)) return;
    }
  }

  const KPosition& p_;
  MoveOut w_;
  const int side_, opp_;
  const bool quick_;
  const int excluded_;
  int n_ = 0, from_ = 0, code_ = 0;
};

}  // namespace

int gen_escape_from(const KPosition& p, int sq, int level, int quick, int excluded, KMove* out) {
  if (!is_playing_square(sq)) return 0;
  return Escape(p, out, quick, excluded).Run(sq, level);
}

int on_attack_line(const KPosition& p, uint32_t sliders, int sq, int step) {
  for (; sliders != 0;) {
    const int n = 31 - std::countl_zero(sliders);
    sliders &= ~(1u << n);
    if (line_direction(p.piece[n].sq, sq) == step) return 1;
  }
  return 0;
}

int gen_diagonal_side(const KPosition& p, int sq, int attacker_sq, int /*mode*/, int quick, KMove* out) {
  const int side = p.teban, opp = 1 - side;
  if (!is_playing_square(sq)) return 0;
  const int n = piece_of(p, side, sq);
  if (n < 0 || (code_class(p.piece[n].code) != kBishop && code_class(p.piece[n].code) != kHorse)) return 0;
  const int d = std::abs(line_direction(attacker_sq, sq));
  const int other = d == 15 ? 17 : 15;
  const bool bishop = code_class(p.piece[n].code) == kBishop;
  MoveOut w(p, out);
  for (int dir : {other, -other}) {
    for (int to = sq + dir; p.board[to] == kEmptyNumber; to += dir) {
      if (support(p, side, to) == 1 && attacks(p, opp, to) > 0) continue;
      const int front = piece_of(p, opp, to + forward_step(side));
      if (front >= 0 && code_class(p.piece[front].code) == kPawn) continue;
      w.Board(n, sq, to, bishop && (in_camp(side, sq) || in_camp(side, to)) ? 1 : 0);
      if (quick && attacks(p, opp, to) == 0) return w.count();
    }
  }
  return w.count();
}

int gen_king_room(const KPosition& p, KMove* out) {
  const int side = p.teban, opp = 1 - side;
  const int king = p.piece[side].sq;
  if (!is_playing_square(king)) return 0;
  bool cramped = false;
  for (int d : kDirectionSteps) {
    const int sq = king + d;
    cramped |= p.board[sq] == kEmptyNumber && support(p, opp, sq) >= support(p, side, sq);
  }
  if (!cramped) return 0;
  MoveOut w(p, out);
  for (int d : kDirectionSteps) {
    const int sq = king + d;
    const int n = piece_of(p, side, sq);
    const int centre = side_file(side, sq) <= 4 ? 1 : -1;  // as the mover sees the files
    if (n >= 0 && p.piece[n].code == (kSilver | side_bit(side))) {
      const int to = sq + side_offset(-16 + centre, side);
      if (p.board[to] == kEmptyNumber) w.Board(n, sq, to, 0);
    } else if (n >= 0 && p.piece[n].code == (kKnight | side_bit(side))) {
      const int to = sq + side_offset(-32 + centre, side);
      if (is_playing_square(to) && !blocked_for(p, side, to)) w.Board(n, sq, to, in_camp(side, to) ? 1 : 0);
    } else if (p.board[sq] == kEmptyNumber && attacks(p, opp, sq) == 0) {
      w.Board(side, king, sq, 0);
    }
  }
  return w.count();
}

int gen_threatened_escapes(const KPosition& p, int level, int excluded, KMove* out) {
  const int side = p.teban, opp = 1 - side;
  int count = 0;
  auto threatened = [&](int n, bool priced) {
    const int sq = p.piece[n].sq;
    if (!is_playing_square(sq) || !(p.piece[n].code & side_bit(side))) return false;
    if (attacks(p, opp, sq) == 0 || !square_changed(side, sq)) return false;
    const int first = cheapest_attacker(p, opp, sq);
    if (priced && stage_exchange(p, opp, p.piece[n].code, sq, first) < 100) return false;
    // A rook attacked first by a rook may simply be exchanged.
    return !(p.piece[n].code == (kRook | side_bit(side)) && (first == 2 || first == 3));
  };
  for (int n = kKindRange[kRook].first; n < kKindRange[kPawn].first; ++n) {
    if (threatened(n, n >= kKindRange[kBishop].first))
      count += gen_escape_from(p, p.piece[n].sq, level, 1, excluded, out + count);
  }
  const KTokinList& tokins = p.tokin[side];
  for (uint32_t i = 0; i < tokins.count && i < 18; ++i) {
    const int n = static_cast<int>(tokins.number[i]);
    if (threatened(n, true)) count += gen_escape_from(p, p.piece[n].sq, level, 1, excluded, out + count);
  }
  if (level < 3) return count;
  // The king's room, without the moves an escape already listed.
  KMove room[3 * 8];
  const int r = gen_king_room(p, room);
  for (int i = 0; i < r; ++i) {
    bool seen = false;
    for (int j = 0; j < count && !seen; ++j) seen = same_move(out[j], room[i]);
    if (!seen) out[count++] = room[i];
  }
  return count;
}

}  // namespace board
