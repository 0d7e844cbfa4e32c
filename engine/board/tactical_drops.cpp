#include "engine/board/tactical_drops.h"

#include <cstdlib>

#include "engine/board/move_tables.h"
#include "engine/board/stage_rules.h"

namespace board {

namespace {

// The speculative groups (4 and 5) need this much depth left.
constexpr int kSpeculativeDepth = 3;

class TacticalDrops {
 public:
  TacticalDrops(const KPosition& p, KMove* out)
      : p_(p), w_(p, out, true), side_(p.teban), opp_(1 - p.teban), fwd_(forward_step(p.teban)) {}

  int Run(const KMove& previous, int depth) {
    if (p_.hand[side_][kPawn] == 0) return 0;
    BesideKing();
    const bool moved = previous.from != kPassSquare && is_playing_square(previous.to);
    if (moved && previous.from == kInHand && code_kind(previous.code) == kRook) RookOnBackRank(previous.to);
    if (moved && previous.from == kInHand && code_kind(previous.code) == kBishop) BishopDiagonals(previous.to);
    if (depth >= kSpeculativeDepth) {
      if (think_board.generator_words.game_stage < 2) RookFiles();
      if (moved && previous.from != kInHand) Reactions(previous);
    }
    return w_.count();
  }

 private:
  bool Defended(int sq) const { return attacks(p_, side_, sq) > 0; }

  void Pawn(int sq) {
    if (!is_playing_square(sq) || p_.board[sq] != kEmptyNumber || on_last_rank(side_, sq)) return;
    if (p_.pawn_file[side_][square_file(sq)] != 0) return;
    w_.Drop(kPawn, sq);
  }

  // Group 1. Only a real piece beside the king counts (a wall carries both
  // side bits, and its number is past the pieces).
  void BesideKing() {
    const int king = p_.piece[opp_].sq;
    if (!is_playing_square(king)) return;
    for (int d : {-1, 1}) {
      const int sq = king + d;
      const int n = piece_of(p_, opp_, sq);
      if (n < 0 || code_class(p_.piece[n].code) == kPawn) continue;
      bool rook_on_rank = false;
      for (int r = kKindRange[kRook].first; r < kKindRange[kRook].first + 2; ++r) {
        rook_on_rank |= kiki_has_direct(kiki_at(p_, sq), side_, r) && (p_.piece[r].code & side_bit(side_)) &&
                        square_rank(p_.piece[r].sq) == square_rank(sq);
      }
      if (rook_on_rank && attacks(p_, opp_, sq) <= attacks(p_, side_, sq) + 1) Pawn(sq - fwd_);
    }
  }

  // Group 2.
  void RookOnBackRank(int rook) {
    const int king = p_.piece[side_].sq;
    if (!is_playing_square(king) || side_rank(side_, rook) != 9 || square_rank(king) != square_rank(rook)) return;
    const int u = king > rook ? 1 : -1;
    for (int sq = rook + u; sq != king && p_.board[sq] == kEmptyNumber; sq += u) {
      if (Defended(sq)) {
        Pawn(sq);
        return;
      }
    }
  }

  // Group 3.
  void BishopDiagonals(int bishop) {
    for (int u : kDiagonalSteps) {
      for (int sq = bishop + u; p_.board[sq] == kEmptyNumber; sq += u) {
        if (Defended(sq)) Pawn(sq);
      }
    }
  }

  // Group 4: the opponent's rook moves towards the mover along its file.
  void RookFiles() {
    for (int r = kKindRange[kRook].first; r < kKindRange[kRook].first + 2; ++r) {
      const int sq = p_.piece[r].sq;
      if (!is_playing_square(sq) || p_.piece[r].code != (kRook | side_bit(opp_))) continue;
      if (p_.pawn_file[side_][square_file(sq)] != 0 || p_.board[sq - fwd_] != kEmptyNumber) continue;
      for (int t = sq - 2 * fwd_; is_playing_square(t) && p_.board[t] == kEmptyNumber; t -= fwd_) {
        if (Defended(t)) Pawn(t);
      }
    }
  }

  // Group 5: a pawn before the piece the opponent just moved.
  void Reactions(const KMove& m) {
    const int n = p_.board[m.to];
    if (n >= kPieceCount || !(p_.piece[n].code & side_bit(opp_))) return;
    const int cls = code_class(p_.piece[n].code);
    const bool rook_run = cls == kRook && square_file(m.from) == square_file(m.to) &&
                          std::abs(square_rank(m.from) - square_rank(m.to)) > 1;
    const int rank = side_rank(side_, m.to);
    const bool silver_up = cls == kSilver && rank >= 4 && rank <= 6;
    if (!rook_run && !silver_up) return;
    const int front = m.to - fwd_;  // in front of the piece, as its owner moves
    if (is_playing_square(front) && Defended(front)) Pawn(front);
  }

  const KPosition& p_;
  MoveOut w_;
  const int side_, opp_, fwd_;
};

}  // namespace

int gen_tactical_drops(const KPosition& p, const KMove& previous, int depth, KMove* out) {
  return TacticalDrops(p, out).Run(previous, depth);
}

}  // namespace board
