#include "engine/board/check_gen.h"

#include <array>
#include <bit>
#include <cstdint>
#include <iterator>

#include "engine/board/check_tables.h"
#include "engine/board/check_test.h"
#include "engine/board/move_tables.h"

namespace board {

namespace {

using detail::oute_near_table;
using detail::NearRow;

// Offsets from the king written for sente (forward -16); gote negates them. A
// silver or gold checks from the squares the king reaches with gote's steps of
// the piece (kSilverSteps, kGoldSteps). The same for both sides: the king's
// eight lines, the rook's then the bishop's (kDirectionSteps), and the drop
// lines of the bishop and rook, walked from the king in the order of
// kDiagonalStepsNegated and kOrthogonalStepsNegated.
constexpr std::array<int, 4> kBishopOrthogonalTargets = {16, -1, 1, -16};
constexpr int kLanceTargets[6] = {16, 15, 17, -1, 1, -16};

// The from-offsets of the near table as each side reads them (gote negated),
// so that the walk over the table's rows adds one number to the king's square.
constexpr int kNearRows = static_cast<int>(std::size(oute_near_table));
constexpr auto kNearFrom = [] {
  std::array<std::array<int, kNearRows>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int i = 0; i < kNearRows; ++i) t[side][i] = side_offset(oute_near_table[i].from, side);
  }
  return t;
}();

// Bit i set for the near-table rows whose from-square lies on the board, by
// side and king square: the walk over the rows passes over the others at once.
static_assert(kNearRows <= 32);
constexpr auto kNearRowsOnBoard = [] {
  std::array<std::array<uint32_t, kBoardCells>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int king = 0; king < kBoardCells; ++king) {
      for (int i = 0; i < kNearRows; ++i) {
        if (is_playing_square(king + kNearFrom[side][i])) t[side][king] |= 1u << i;
      }
    }
  }
  return t;
}();

// The near-table class of a piece code, -1 for pieces without one.
int near_class(int code) {
  switch (code_class(code)) {
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin: return detail::kNearGold;
    case kSilver: return detail::kNearSilver;
    case kKnight: return detail::kNearKnight;
    case kPawn: return detail::kNearPawn;
    default: return -1;
  }
}

class CheckGen {
 public:
  CheckGen(const KPosition& p, KMove* out)
      : p_(p), out_(out), side_(p.teban), opp_(1 - p.teban), king_(p.piece[1 - p.teban].sq),
        own_king_(p.piece[p.teban].sq) {}

  int Run(int flag) {
    if (king_ >= kInHand) return 0;
    Drops(flag);
    const int first_board = n_;
    NearChecks();
    KnightPromotions();
    KnightChecks();
    NeighbourSliders<kRook>(kDiagonalSteps);
    NeighbourSliders<kBishop>(kBishopOrthogonalTargets);
    LancePromotions();
    LongRange();
    LanceCapture();
    first_board_ = first_board;
    Discovered();
    return n_;
  }

 private:
  int Off(int offset) const { return king_ + side_offset(offset, side_); }
  bool Camp(int sq) const { return in_camp(side_, sq); }
  bool Empty(int sq) const { return p_.board[sq] == kEmptyNumber; }

  // The line a piece of the mover is pinned along, 0 when it is free.
  int Pin(int n, int sq) const { return is_discovered_oute(p_, opp_, own_king_, sq, n); }

  // Pin rule: a pinned piece moves only along its pin line (so a pinned
  // knight never moves).
  static bool PinAllows(int pin, int from, int to) {
    if (pin == 0) return true;
    const int line = line_direction(from, to);
    return line == pin || line == -pin;
  }

  void Drop(int kind, int to) { write_drop(out_[n_++], p_, kind, to); }

  // A board move of any section.
  void Emit(int n, int from, int to, int promote) { write_board_move(out_[n_++], p_, n, from, to, promote); }

  // Whether a direct-check section already listed the board move. Moves of a
  // piece that uncovers a check are rare, so a walk over the board moves
  // listed so far costs less than marking every move the sections emit.
  bool Listed(int from, int to, int promote) const {
    for (int i = first_board_; i < n_; ++i) {
      if (out_[i].from == from && out_[i].to == to && out_[i].promote == promote) return true;
    }
    return false;
  }

  // Emits the move when the target and pin rules allow it.
  void TryMove(int n, int from, int to, int promote, int pin) {
    if (blocked_for(p_, side_, to) || !PinAllows(pin, from, to)) return;
    Emit(n, from, to, promote);
  }

  // The mover's pieces numbered first..last that attack the square directly.
  uint64_t Attackers(int sq, int first, int last) const {
    const uint64_t mask = ((uint64_t{2} << last) - 1) & ~((uint64_t{1} << first) - 1);
    return kiki_direct64(kiki_at(p_, sq), side_) & mask;
  }

  template <class F>
  static void ForEach(uint64_t set, F&& f) {
    for (; set != 0; set &= set - 1) f(std::countr_zero(set));
  }

  void Drops(int flag) {
    const auto& hand = p_.hand[side_];
    const int front = king_ - forward_step(side_);  // the square before the king, seen from the mover
    if (flag == 0 && hand[kPawn] && Empty(front) && p_.pawn_file[side_][square_file(front)] == 0) Drop(kPawn, front);
    if (hand[kLance]) {
      for (int t = front; Empty(t); t -= forward_step(side_)) Drop(kLance, t);
    }
    const int king_rank = square_rank(king_);
    if (hand[kKnight] && (side_ == 0 ? king_rank <= 7 : king_rank >= 3)) {
      const int a = side_ == 0 ? king_ + 31 : king_ - 33;
      if (Empty(a)) Drop(kKnight, a);
      if (Empty(a + 2)) Drop(kKnight, a + 2);
    }
    if (hand[kSilver]) {
      for (int off : kSilverSteps) {
        if (Empty(Off(off))) Drop(kSilver, Off(off));
      }
    }
    if (hand[kGold]) {
      for (int off : kGoldSteps) {
        if (Empty(Off(off))) Drop(kGold, Off(off));
      }
    }
    if (hand[kBishop]) {
      for (int u : kDiagonalStepsNegated) {
        for (int t = king_ + u; Empty(t); t += u) Drop(kBishop, t);
      }
    }
    if (hand[kRook]) {
      for (int u : kOrthogonalStepsNegated) {
        for (int t = king_ + u; Empty(t); t += u) Drop(kRook, t);
      }
    }
  }

  // Gold-like pieces, silvers, knights and pawns stepping to a checking square.
  void NearChecks() {
    const std::array<int, kNearRows>& from_offsets = kNearFrom[side_];
    const int king = king_, own = side_bit(side_);
    for (uint32_t rows = kNearRowsOnBoard[side_][king]; rows != 0; rows &= rows - 1) {
      const int i = std::countr_zero(rows);
      const NearRow& row = oute_near_table[i];
      const int from = king + from_offsets[i];
      const int n = p_.board[from];
      if (n >= kPieceCount || !(p_.piece[n].code & own)) continue;
      const int cls = near_class(p_.piece[n].code);
      if (cls < 0) continue;
      const int pin = Pin(n, from);
      for (int promote = 1; promote >= 0; --promote) {
        for (int off : row.dest[cls][promote]) {
          if (off == 0) break;
          const int to = Off(off);
          if (promote && !Camp(from) && !Camp(to)) continue;
          TryMove(n, from, to, promote, pin);
        }
      }
    }
  }

  // Knights promoting on the three squares before the king.
  void KnightPromotions() {
    const int middle = king_ - forward_step(side_);
    if (!Camp(middle)) return;
    for (int to = middle - 1; to <= middle + 1; ++to) {
      if (!is_playing_square(to) || blocked_for(p_, side_, to)) continue;
      ForEach(Attackers(to, 14, 17), [&](int n) {
        if (code_class(p_.piece[n].code) == kKnight && Pin(n, p_.piece[n].sq) == 0) Emit(n, p_.piece[n].sq, to, 1);
      });
    }
  }

  // Knights jumping, unpromoted, to the two squares a knight checks from.
  void KnightChecks() {
    if (side_ == 0 ? king_ >= 96 : king_ < 80) return;
    const int a = side_ == 0 ? king_ + 31 : king_ - 33;
    for (int to : {a, a + 2}) {
      if (!is_playing_square(to) || blocked_for(p_, side_, to)) continue;
      ForEach(Attackers(to, 14, 17), [&](int n) {
        if (code_class(p_.piece[n].code) == kKnight && Pin(n, p_.piece[n].sq) == 0) Emit(n, p_.piece[n].sq, to, 0);
      });
    }
  }

  // Rooks onto the king's diagonal neighbours (bishops onto its orthogonal
  // ones): an unpromoted one must promote there, a promoted one checks as it is.
  template <int kKind>
  void NeighbourSliders(const std::array<int, 4>& targets) {
    constexpr int first = kKindRange[kKind].first;
    for (int off : targets) {
      const int to = Off(off);
      if (blocked_for(p_, side_, to)) continue;
      ForEach(Attackers(to, first, first + 1), [&](int n) {
        const int from = p_.piece[n].sq;
        const int pin = Pin(n, from);
        if (!(p_.piece[n].code & kPromotedBit)) {
          if (Camp(from) || Camp(to)) TryMove(n, from, to, 1, pin);
        } else {
          TryMove(n, from, to, 0, pin);
        }
      });
    }
  }

  // Lances promoting next to the king.
  void LancePromotions() {
    for (int off : kLanceTargets) {
      const int to = Off(off);
      if (blocked_for(p_, side_, to)) continue;
      const uint64_t on_line = Attackers(to, 18, 21) & kiki_at(p_, to).line[side_];
      ForEach(on_line, [&](int n) {
        const int from = p_.piece[n].sq;
        if (Camp(from) || Camp(to)) TryMove(n, from, to, 1, Pin(n, from));
      });
    }
  }

  // Rooks along the king's rank and file, bishops along its diagonals.
  // The walk reads only the low attacker word: rooks and bishops are numbered below 32.
  void LongRange() {
    static_assert(kKindRange[kBishop].first + kKindRange[kBishop].count <= 32);
    const int side = side_, king = king_;
    // The rooks and bishops of the mover (on the board or in its hand, where
    // they attack nothing): a group none of which is the mover's has only its
    // lines' ends to find.
    uint32_t owned = 0;
    constexpr int kSliders[4] = {kKindRange[kRook].first, kKindRange[kRook].first + 1, kKindRange[kBishop].first,
                                 kKindRange[kBishop].first + 1};
    for (int n : kSliders) {
      if (p_.piece[n].code & side_bit(side)) owned |= 1u << n;
    }
    for (int i = 0; i < 8; ++i) {
      const int u = kDirectionSteps[i];
      const int first = i < 4 ? kKindRange[kRook].first : kKindRange[kBishop].first;
      const uint32_t mask = 3u << first;
      int to = king + u;
      if ((owned & mask) == 0) {
        while (Empty(to)) to += u;
        line_end_[i] = to;
        continue;
      }
      for (; !blocked_for(p_, side, to); to += u) {
        ForEach(kiki_at(p_, to).direct[side][0] & mask, [&](int n) {
          const int from = p_.piece[n].sq;
          const int pin = Pin(n, from);
          if (!(p_.piece[n].code & kPromotedBit) && (Camp(from) || Camp(to))) TryMove(n, from, to, 1, pin);
          TryMove(n, from, to, 0, pin);
        });
        if (!Empty(to)) break;
      }
      // The walk ends on the line's first cell that is not empty.
      line_end_[i] = to;
    }
  }

  // A lance capturing the first piece before the king on the king's file.
  void LanceCapture() {
    const int to = line_end_[kDirectionNumber[direction_slot(-forward_step(side_))]];
    if (!holds_piece_of(p_, opp_, to)) return;
    ForEach(Attackers(to, 18, 21), [&](int n) {
      if (code_class(p_.piece[n].code) != kLance) return;
      const int from = p_.piece[n].sq;
      const int pin = Pin(n, from);
      if (pin == 0 || pin == forward_step(side_) || pin == -forward_step(side_)) Emit(n, from, to, 0);
    });
  }

  // A move of the discovering piece P in the discovered section: promoting
  // version first, each unless a direct section already listed it.
  void EmitDiscovered(int n, int from, int to) {
    const int code = p_.piece[n].code;
    if (can_promote(code) && (Camp(from) || Camp(to)) && !Listed(from, to, 1)) Emit(n, from, to, 1);
    if (may_stay_unpromoted(code, to) && !Listed(from, to, 0)) Emit(n, from, to, 0);
  }

  // Pieces of the mover standing between the king and a slider of the mover:
  // every move off that line uncovers a check.
  void Discovered() {
    const int sign = side_ == 0 ? 1 : -1;
    for (int d = 0; d < 8; ++d) {
      const int u = kDirectionSteps[d];
      const int sq = line_end_[d];
      if (!holds_piece_of(p_, side_, sq)) continue;
      int behind = sq + u;
      while (Empty(behind)) behind += u;
      const int slider = p_.board[behind];
      const KKiki& k = kiki_at(p_, sq);
      if (slider >= 32 || !((k.direct[side_][0] & k.line[side_]) >> slider & 1)) continue;

      const int n = p_.board[sq];
      const bool king = n == side_;
      const int pin = king ? 0 : Pin(n, sq);
      const KomaMoves& km = kKomaMoveTable[code_class(p_.piece[n].code)];
      for (int i = 0; i < km.step_count; ++i) {
        const int step = km.step[i] * sign;
        const int to = sq + step;
        if (step == u || step == -u || blocked_for(p_, side_, to)) continue;
        if (king ? kiki_at(p_, to).direct_count[opp_] > 0 : !PinAllows(pin, sq, to)) continue;
        EmitDiscovered(n, sq, to);
      }
      for (int i = 0; i < km.slide_count; ++i) {
        const int v = km.slide[i] * sign;
        if (v == u || v == -u || (pin != 0 && v != pin && v != -pin)) continue;
        for (int to = sq + v; !blocked_for(p_, side_, to); to += v) {
          EmitDiscovered(n, sq, to);
          if (!Empty(to)) break;
        }
      }
    }
  }

  const KPosition& p_;
  KMove* out_;
  int n_ = 0;
  int first_board_ = 0;  // the first board move of the list (drops come before)
  const int side_, opp_, king_, own_king_;
  // The first cell that is not empty on each of the king's eight lines
  // (kDirectionSteps order): the long-range walk finds them, the lance capture
  // and the discovered section read them.
  int line_end_[8];
};

}  // namespace

int oute_gen(const KPosition& p, KMove* out, int flag) { return CheckGen(p, out).Run(flag); }

}  // namespace board
