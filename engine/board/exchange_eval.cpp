#include "engine/board/exchange_eval.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>

#include "engine/board/exchange_values.h"
#include "engine/board/kiki.h"
#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"
#include "engine/board/strategy_cells.h"
#include "engine/board/think_board.h"

namespace board {

namespace {

// What taking a king is worth in a balance: more than any material.
constexpr int kKingTaken = 1000000;

// The fixed rook and bishop values of the king-relative model.
constexpr int kRookValue = 590;
constexpr int kRookZoneValue = 1100;
constexpr int kDragonValue = 1200;
constexpr int kBishopValue = 820;
constexpr int kBishopZoneValue = 1030;
constexpr int kHorseValue = 1130;

// Pawns are numbered from 22 on: every piece below that is a king, rook, bishop,
// gold, silver, knight or lance, and only the sliders among them hold line bits.
constexpr int kFirstPawnNumber = 22;

// Bit c set for the code classes c (below 32) that may promote.
constexpr uint32_t kPromotingClasses = [] {
  uint32_t bits = 0;
  for (int cls = 0; cls < 32; ++cls) {
    if (can_promote(cls)) bits |= 1u << cls;
  }
  return bits;
}();

// 1 for the cells inside a side's promotion zone, by side and cell.
constexpr auto kCampCell = [] {
  std::array<std::array<uint8_t, kBoardCells>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int sq = 0; sq < kBoardCells; ++sq) t[side][sq] = in_camp(side, sq) ? 1 : 0;
  }
  return t;
}();

// The strategy values read a class's flat value by its cell row alone: every
// class with a row has a flat value.
static_assert([] {
  for (int cls = 0; cls < 32; ++cls) {
    if (kSenkeiCellOfClass[cls] != kNoSenkeiCell && cls >= kPieceCodes) return false;
  }
  return true;
}());

// At most every piece captures once, and a king capture ends the sequence.
constexpr int kMaxBalances = kPieceCount + 2;

// A piece's worth by its place relative to the kings: the larger of its entry at
// its offset from its own king and its entry at the enemy king's offset from it.
// A king off the board gives no entry; with neither king the flat value holds.
int king_relative_value(const KPosition& p, int side, int cls, int sq) { return SideKingValues(p, side)(cls, sq); }

// The king-relative model for one exchange: the kings stay where they are
// while it is played out, so each side's king places are looked up once.
class KingRelativeModel {
 public:
  explicit KingRelativeModel(const KPosition& p) : sides_{SideKingValues(p, 0), SideKingValues(p, 1)} {}
  int operator()(int side, int cls, int sq) const {
    switch (cls) {
      case kRook: return in_camp(side, sq) ? kRookZoneValue : kRookValue;
      case kDragon: return kDragonValue;
      case kBishop: return in_camp(side, sq) ? kBishopZoneValue : kBishopValue;
      case kHorse: return kHorseValue;
      default: return sides_[side](cls, sq);
    }
  }
  void move_values(int side, int cls, int after, int from, int to, int& at_from, int& at_to) const {
    at_from = (*this)(side, cls, from);
    at_to = (*this)(side, after, to);
  }

 private:
  SideKingValues sides_[2];
};

// One side's capturers in the order they are taken: the direct attackers from
// the highest number down (the cheapest first), then the x-ray attackers, then
// the king. Kept as the attack sets of the capture square and taken from them
// one at a time: most exchanges end after a capture or two.
struct Attackers {
  uint64_t direct = 0;    // direct attackers other than the kings, not yet taken
  uint32_t xray = 0;      // x-ray attackers not yet taken
  uint32_t kings = 0;     // bits 0 and 1: the kings among the direct attackers
  bool xray_open = true;  // closed once an attacker was skipped as pinned

  void collect(const KKiki& k, int side, int exclude) {
    direct = kiki_direct64(k, side);
    xray = k.xray[side];
    if (exclude >= 0) {
      direct &= ~(uint64_t{1} << exclude);
      if (exclude < 32) xray &= ~(1u << exclude);
    }
    kings = static_cast<uint32_t>(direct & 3u);  // pieces 0 and 1
    direct &= ~uint64_t{3};
  }
};

// True when the side's piece n may not leave its square for q: it stands on a
// line from its own king with nothing between them, and behind it (over empty
// squares) the first piece is an enemy piece numbered below 22 whose line runs
// through n's square, unless q lies on that line. Pieces that already went to q
// in the sequence (`moved`) have left their squares.
[[gnu::noinline]] bool pinned_on_line(const KPosition& p, int side, int n, int q, uint64_t moved) {
  const int king = p.piece[side].sq;
  const int f = p.piece[n].sq;
  if (!is_playing_square(king)) return false;
  const int u = line_direction(king, f);
  if (u == 0 || line_direction(king, q) == u) return false;
  auto vacant = [&](int t) {
    const int b = p.board[t];
    return b == kEmptyNumber || (b < kPieceCount && ((moved >> b) & 1u));
  };
  for (int t = king + u; t != f; t += u) {
    if (!vacant(t)) return false;
  }
  int t = f + u;
  while (is_playing_square(t) && vacant(t)) t += u;
  if (!is_playing_square(t)) return false;
  const int e = p.board[t];
  return e < kFirstPawnNumber && code_side(p.piece[e].code) != side && ((kiki_at(p, f).line[1 - side] >> e) & 1u);
}

// Only an enemy slider whose line runs through the piece's square pins it, and
// most squares have none: that test is made here, the walk along the line out
// of line.
inline bool pinned(const KPosition& p, int side, int n, int q, uint64_t moved) {
  if (n == side || kiki_at(p, p.piece[n].sq).line[1 - side] == 0) return false;
  return pinned_on_line(p, side, n, q, moved);
}

// The side's next usable capturer, -1 when none is left. A pinned attacker is
// passed over and closes the x-ray attackers: those not yet taken are dropped.
[[gnu::always_inline]] inline int next_capturer(const KPosition& p, Attackers& a, int side, int q, uint64_t moved) {
  while (a.direct != 0) {
    const int n = 63 - std::countl_zero(a.direct);
    a.direct &= ~(uint64_t{1} << n);
    if (!pinned(p, side, n, q, moved)) return n;
    a.xray_open = false;
  }
  while (a.xray != 0 && a.xray_open) {
    const int n = 31 - std::countl_zero(a.xray);
    a.xray &= ~(1u << n);
    if (!pinned(p, side, n, q, moved)) return n;
    a.xray_open = false;
  }
  a.xray = 0;
  while (a.kings != 0) {
    const int n = 31 - std::countl_zero(a.kings);
    a.kings &= ~(1u << n);
    if (!pinned(p, side, n, q, moved)) return n;
    a.xray_open = false;
  }
  return -1;
}

template <class Model>
int exchange(const KPosition& p, int s, int code, int q, int first, int* out_first, const Model& value) {
  if (out_first != nullptr) *out_first = 0;
  if (!is_playing_square(q) || first < 0 || first >= kPieceCount || !is_playing_square(p.piece[first].sq)) {
    return 0;
  }
  const KKiki& k = kiki_at(p, q);
  Attackers attackers[2];
  attackers[s].collect(k, s, first);
  attackers[1 - s].collect(k, 1 - s, -1);
  // The pieces each side has taken so far, by kind: its hand holds that many
  // more than the position's.
  uint8_t taken[2][kPawn + 1] = {};

  int balance[kMaxBalances];
  int count = 0;
  int standing = code_class(code);  // the class on q
  int carry = standing != 0 ? value(1 - s, standing, q) : 0;
  uint64_t moved = uint64_t{1} << first;
  for (int side = s, piece = first;;) {
    const int sign = side == s ? 1 : -1;
    const int kind = code_kind(standing);
    if (kind == kKing) {
      balance[count++] = sign * kKingTaken;
      break;
    }
    int gain = 0;
    if (kind >= kRook && kind <= kPawn) gain = exchange_hand_value(kind, p.hand[side][kind] + taken[side][kind]++);
    const int f = p.piece[piece].sq;
    const int cls = code_class(p.piece[piece].code);
    // Whether the capturer promotes goes either way from one capture to the
    // next: it is worked out without a branch.
    const int promotes = ((kPromotingClasses >> cls) & 1u) & (kCampCell[side][f] | kCampCell[side][q]);
    const int after = cls | (promotes * kPromotedBit);
    int at_from = 0, at_to = 0;
    value.move_values(side, cls, after, f, q, at_from, at_to);
    carry += sign * (gain - at_from);
    balance[count++] = carry + sign * at_to;
    standing = after;
    side ^= 1;
    piece = next_capturer(p, attackers[side], side, q, moved);
    if (piece < 0) break;
    moved |= uint64_t{1} << piece;
  }
  if (out_first != nullptr) *out_first = balance[0];

  // Back up from the last capture: before a capture by s the other side may stop
  // (s takes the smaller), before one by the other side s may stop (the larger).
  int v = balance[count - 1];
  for (int i = count - 2; i >= 0; --i) {
    const bool next_by_s = (i + 1) % 2 == 0;
    v = next_by_s ? std::max(balance[i], v) : std::min(balance[i], v);
  }
  return v;
}

}  // namespace

int exchange_eval(const KPosition& p, int s, int code, int q, int first, int* out_first) {
  return exchange(p, s, code, q, first, out_first, KingRelativeModel{p});
}

int exchange_eval_pos(const KPosition& p, int s, int code, int q, int first, int* out_first) {
  return exchange(p, s, code, q, first, out_first, StrategyValues{});
}

int koma_put_value(const KPosition& p, int side, int code, int q, int* out_before) {
  const int cls = code_class(code);
  const int kind = code_kind(code);
  if (!is_playing_square(q) || kind < kRook || kind > kPawn) {
    if (out_before != nullptr) *out_before = 0;
    return 0;
  }
  int v = 0;
  if (!((kind == kRook || kind == kBishop) && in_camp(side, q))) {
    const int board_value = think_board.generator_words.game_stage < 1
                                ? exchange_flat_value(cls) + senkei_cell(side, cls, q)
                                : king_relative_value(p, side, cls, q);
    const int held = p.hand[side][kind];
    v = board_value - (held > 0 ? exchange_hand_value(kind, held - 1) : 0);
  }
  if (out_before != nullptr) *out_before = v;
  const int enemy = 1 - side;
  if (kiki_at(p, q).direct_count[enemy] > 0) {
    const int first = kiki_nth64(p, enemy, q, 0);
    const int gain = think_board.generator_words.game_stage != 0 ? exchange_eval(p, enemy, cls, q, first, nullptr)
                                     : exchange_eval_pos(p, enemy, cls, q, first, nullptr);
    if (gain >= 1) v -= gain;
  }
  return v;
}

int exchange_king_value(const KPosition& p, int side, int cls, int sq) { return king_relative_value(p, side, cls, sq); }

}  // namespace board
