#include "engine/board/defence_gen.h"

#include <bit>

#include "engine/board/attack_square_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/move_tables.h"
#include "engine/board/stage_rules.h"

namespace board {

namespace {

// Drop kinds from the cheapest.
constexpr int kCheapestFirst[7] = {kPawn, kLance, kKnight, kSilver, kGold, kBishop, kRook};

class Defences {
 public:
  Defences(const KPosition& p, KMove* out)
      : p_(p), w_(p, out, true), side_(p.teban), opp_(1 - p.teban), fwd_(forward_step(p.teban)) {}

  int Run(const KMove& last, int level) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        const int sq = square_of(file, rank);
        if (Candidate(sq)) Defend(sq, level);
      }
    }
    PushedPawn(last);
    KingCorner();
    return w_.count();
  }

 private:
  bool Empty(int sq) const { return p_.board[sq] == kEmptyNumber; }
  bool HasCode(int sq, int code) const {
    const int n = p_.board[sq];
    return n < kPieceCount && p_.piece[n].code == code;
  }
  bool PawnFileFree(int sq) const { return p_.pawn_file[side_][square_file(sq)] == 0; }

  bool Candidate(int sq) const {
    const int n = p_.board[sq];
    int code = 0;
    if (n == kEmptyNumber) {
      if (!in_camp(opp_, sq)) return false;
    } else {
      if (piece_of(p_, side_, sq) < 0) return false;
      code = p_.piece[n].code;
      const int cls = code_class(code);
      const bool big = cls == kRook || cls == kBishop || cls == kGold || cls == kSilver;
      if (big && HasCode(sq + fwd_, kPawn | side_bit(opp_))) return false;
    }
    if (support(p_, opp_, sq) == 0 || !square_changed(side_, sq)) return false;
    return stage_exchange(p_, opp_, code, sq, cheapest_attacker(p_, opp_, sq)) >= 100;
  }

  void Defend(int sq, int level) {
    KMove buf[kMaxAttackSquareMoves];
    const int n = gen_attack_square(p_, sq, level, 3, 1, buf);
    for (int i = 0; i < n; ++i) w_.Push(buf[i]);
    const uint32_t line = kiki_at(p_, sq).line[opp_];
    for (uint32_t set = line; set != 0;) {
      const int s = 31 - std::countl_zero(set);
      set &= ~(1u << s);
      const int u = line_direction(p_.piece[s].sq, sq);
      if (u == 0) continue;
      for (int x = p_.piece[s].sq + u; x != sq && is_playing_square(x); x += u) {
        if (Empty(x) && attacks(p_, side_, x) > 0) Interpose(x, level);
      }
    }
  }

  // The cheapest kind in hand that may be dropped on x, 0 none.
  int CheapestDrop(int x) const {
    for (int kind : kCheapestFirst) {
      if (p_.hand[side_][kind] == 0 || !detail::drop_rank_allowed(side_, kind, x)) continue;
      if (kind == kPawn && !PawnFileFree(x)) continue;
      return kind;
    }
    return 0;
  }

  bool DropAllowed(int kind, int x, int level) const {
    const int point = side_square(side_, 8, 8);
    if (level <= 2) {
      const int front = x + fwd_;
      const bool big = kind == kRook || kind == kBishop || kind == kGold || kind == kSilver;
      if (big && is_playing_square(front) && Empty(front) && support(p_, side_, front) < 2 && p_.hand[opp_][kPawn] &&
          p_.pawn_file[opp_][square_file(front)] == 0) {
        return false;
      }
      if (x == point && p_.hand[opp_][kBishop] && support(p_, side_, x) < 2) return false;
    }
    return !(x == point && HasCode(side_square(side_, 9, 9), kBishop | side_bit(side_)));
  }

  void Interpose(int x, int level) {
    const int kind = CheapestDrop(x);
    if (kind != 0 && DropAllowed(kind, x, level)) w_.Drop(kind, x);
    if (support(p_, side_, x) < 2) return;
    const int a = cheapest_attacker(p_, side_, x);
    // The king would step onto the slider's line: never a legal defence.
    if (a == side_ || a >= kPieceCount) return;
    const int from = p_.piece[a].sq;
    w_.Board(a, from, x, promote_when_possible(p_.piece[a].code, from, x));
  }

  // An opponent pawn pushed to the mover's rank 6, backed on its file by a
  // lance or rook: a pawn drop between them, on the first square the mover
  // attacks.
  void PushedPawn(const KMove& last) {
    if (last.from == kPassSquare || last.from == kInHand || !is_playing_square(last.from) ||
        !is_playing_square(last.to) || last.promote || code_class(last.code) != kPawn) {
      return;
    }
    if (side_rank(side_, last.to) != 6 || !HasCode(last.to, kPawn | side_bit(opp_))) return;
    if (p_.hand[side_][kPawn] == 0 || !PawnFileFree(last.to)) return;
    int backer = last.to + fwd_;  // behind the pawn, as the opponent sees it
    while (Empty(backer)) backer += fwd_;
    const int n = p_.board[backer];
    if (n >= kPieceCount || !(p_.piece[n].code & side_bit(opp_))) return;
    const int cls = code_class(p_.piece[n].code);
    if (cls != kLance && cls != kRook && cls != kDragon) return;
    for (int x = last.to + fwd_; x != backer; x += fwd_) {
      if (attacks(p_, side_, x) > 0) {
        w_.Drop(kPawn, x);
        return;
      }
    }
  }

  // A king in a corner of its first rank with the square diagonally in front
  // of it, towards the centre, empty and attacked.
  void KingCorner() {
    const int king = p_.piece[side_].sq;
    if (!is_playing_square(king)) return;
    const int first = side_ == 0 ? 9 : 1;
    int x = 0;
    if (king == square_of(1, first)) {
      x = square_of(2, first) + fwd_;
    } else if (king == square_of(9, first)) {
      x = square_of(8, first) + fwd_;
    }
    if (x == 0 || !Empty(x) || attacks(p_, opp_, x) == 0) return;
    const auto& hand = p_.hand[side_];
    if (hand[kGold]) {
      w_.Drop(kGold, x);
    } else if (hand[kRook]) {
      w_.Drop(kRook, x);
    }
    if (hand[kSilver]) {
      w_.Drop(kSilver, x);
    } else if (hand[kBishop]) {
      w_.Drop(kBishop, x);
    }
    if (hand[kPawn] && PawnFileFree(x)) w_.Drop(kPawn, x);
  }

  const KPosition& p_;
  MoveOut w_;
  const int side_, opp_, fwd_;
};

}  // namespace

int gen_defences(const KPosition& p, const KMove& last, int level, KMove* out) {
  return Defences(p, out).Run(last, level);
}

}  // namespace board
