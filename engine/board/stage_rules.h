// What the targeted and stage generators share: the exchange estimate chosen by
// the game stage, the per-ply "changed" test, the safe-square test, support and
// cheapest attackers, the promote-when-possible rule, the threat-word switch and
// a move writer that can drop duplicates as it writes.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/board/exchange_eval.h"
#include "engine/board/kiki.h"
#include "engine/board/move_rules.h"
#include "engine/board/ply_table.h"
#include "engine/board/position.h"
#include "engine/board/target_list.h"
#include "engine/board/think_board.h"

namespace board {

// Bounds of the safe-square test: the opponent's cheapest attacker must be
// numbered below it. 14 lets only rooks, bishops, golds and silvers stand
// (a knight, lance or pawn attacker rejects the square); 22 also knights and
// lances (only a pawn rejects it).
constexpr int kSafeBoundSlider = 14;
constexpr int kSafeBoundStep = 22;

// The side's direct plus x-ray attacks on a playing square.
inline int support(const KPosition& p, int side, int sq) {
  const KKiki& k = kiki_at(p, sq);
  return k.direct_count[side] + k.xray_count[side];
}

inline int attacks(const KPosition& p, int side, int sq) { return kiki_at(p, sq).direct_count[side]; }

// The side's cheapest direct attacker of the square (the highest number), 40 none.
inline int cheapest_attacker(const KPosition& p, int side, int sq) { return kiki_nth64(p, side, sq, 0); }

// A destination that the opponent attacks is safe only when its cheapest
// attacker is numbered below the bound and the mover supports the square at
// least twice; an unattacked square is always safe.
inline bool safe_square(const KPosition& p, int side, int sq, int bound) {
  if (attacks(p, 1 - side, sq) == 0) return true;
  return cheapest_attacker(p, 1 - side, sq) < bound && support(p, side, sq) >= 2;
}

// The exchange estimate: piece values only once the game has left the opening
// stage, piece plus strategy-square values while it is in it. `out_first` as
// for exchange_eval.
inline int stage_exchange(const KPosition& p, int side, int code, int sq, int first, int* out_first = nullptr) {
  return think_board.generator_words.game_stage != 0 ? exchange_eval(p, side, code, sq, first, out_first)
                         : exchange_eval_pos(p, side, code, sq, first, out_first);
}

// Whether the side's attack situation on the square changed with the move that
// led to the current ply: unless the side's own count did not fall and the
// opponent's did not rise. Without a layer (no move led here) every square
// counts as changed.
inline bool square_changed(int side, int sq) {
  const int layer = target_list_layer(think_board.ply_table.search_ply_counter);
  if (layer < 0) return true;
  const KPlySquare& r = ply_record(layer, sq);
  return !(r.change[side] >= 0 && r.change[1 - side] < 1);
}

// Promote when possible: not a gold, king or promoted piece, and the from- or
// to-square lies in the mover's zone.
inline int promote_when_possible(int code, int from, int to) {
  const int side = code_side(code);
  return can_promote(code) && (in_camp(side, from) || in_camp(side, to)) ? 1 : 0;
}

// The threat word's low 16 bits switch the target filter on.
inline bool threat_filter_on() { return (think_board.generator_words.threat_word & 0xffffu) != 0; }

// A square written for sente, for the side: gote reads file 10 - f, rank 10 - r.
constexpr int turned_square(int sq) { return 176 - sq; }
constexpr int side_square(int side, int file, int rank) {
  return side == 0 ? square_of(file, rank) : turned_square(square_of(file, rank));
}
// The file and rank of a square as the side sees them (sente's numbering).
constexpr int side_file(int side, int sq) { return square_file(side == 0 ? sq : turned_square(sq)); }
constexpr int side_rank(int side, int sq) { return square_rank(side == 0 ? sq : turned_square(sq)); }

// The piece on the square when it belongs to the side, else -1 (empty, wall or
// the other side's).
inline int piece_of(const KPosition& p, int side, int sq) {
  const int n = p.board[sq];
  return n < kPieceCount && (p.piece[n].code & side_bit(side)) ? n : -1;
}

// True when two moves are the same move: a drop by square and code, a board
// move by from, to, code, captured code and promote.
inline bool same_move(const KMove& a, const KMove& b) {
  if (a.from != b.from || a.to != b.to || a.code != b.code) return false;
  return a.from == kInHand || (a.captured_code == b.captured_code && (a.promote != 0) == (b.promote != 0));
}

// Writes moves into the caller's array, each with the flag byte cleared and the
// trailing word left as the caller set it. With
// `unique` set a move equal to one already written is not written again: a
// 256-slot table marks the low byte of from + to + code + promote (to + code
// for a drop, 0 for a pass) of every kept move, so only a move whose value was
// marked before is compared with the earlier ones.
class MoveOut {
 public:
  // The mark table is cleared only when it is read: most writers keep every move.
  MoveOut(const KPosition& p, KMove* out, bool unique = false) : p_(p), out_(out), unique_(unique) {
    if (unique_) std::memset(marked_, 0, sizeof marked_);
  }

  int count() const { return n_; }

  void Board(int piece, int from, int to, int promote) {
    write_board_move(out_[n_], p_, piece, from, to, promote);
    Commit();
  }
  void Drop(int kind, int to) {
    write_drop(out_[n_], p_, kind, to);
    Commit();
  }
  // A move made elsewhere (its trailing word is not copied).
  void Push(const KMove& m) {
    write_move(out_[n_], m.from, m.to, m.piece, m.captured, m.code, m.captured_code, m.promote);
    Commit();
  }

 private:
  // Keeps the move just written unless it repeats a kept one.
  void Commit() {
    KMove& m = out_[n_];
    m.flag = 0;
    if (unique_) {
      const uint8_t v = slot(m);
      if (marked_[v]) {
        for (int i = 0; i < n_; ++i) {
          if (same_move(out_[i], m)) return;
        }
      }
      marked_[v] = 1;
    }
    ++n_;
  }

  static uint8_t slot(const KMove& m) {
    if (m.from == kPassSquare) return 0;
    if (m.from == kInHand) return static_cast<uint8_t>(m.to + m.code);
    return static_cast<uint8_t>(m.from + m.to + m.code + (m.promote != 0));
  }

  const KPosition& p_;
  KMove* out_;
  int n_ = 0;
  bool unique_;
  uint8_t marked_[256];
};

}  // namespace board
