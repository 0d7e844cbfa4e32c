#include "engine/eval/king_safety.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/eval/eval_access.h"
#include "engine/eval/static_eval_tables.h"

namespace eval {

namespace {

using board::KPosition;

constexpr int kLoneDefenderEmpty = 30;     // an empty square u defends only once
constexpr int kLoneDefenderOccupied = 15;  // u's piece that only one of u's pieces defends
constexpr int kSpaceLimit = 230;           // a corner's space count above this lowers e's attack
constexpr int kEscapeClosed = -150;
constexpr int kEscapeHalfClosed = -50;

// The hand expressions x of the examined squares; pd is pawnDrop(q), c the
// defender count, a the (reduced) attack count, H e's non-pawn pieces in hand
// and w 2 inside u's camp, else 1.
enum class HandExpr {
  kFront,             // 3 pd + lance + silver + gold + rook - 3c + 4a + 2H
  kFrontDiagonal,     // 2 pd + silver + gold + bishop - 3c + 4a + 2H
  kGoldRook,          // 3 (gold + rook - c) + 4a
  kSilverBishop,      // 3 (silver + bishop - c) + 4a
  kOpenFront,         // (H - L) w + 4a - 3c + 3 (pd + L), L = lance + silver + gold + rook
  kOpenDiagonal,      // (pd - B + H) w + 3 (B - c) + 4a, B = silver + gold + bishop
};

// What lowers the attack count of a square outside u's camp by one: an e pawn on
// the square ahead of it, or an unpromoted e piece of the kind among its direct
// attackers.
enum Reduce : unsigned {
  kNoReduce = 0,
  kPawnAhead = 1,
  kByKnight = 2,
  kByLance = 4,
  kByBishop = 8,
  kByRook = 16,
};

// One examined square's weight M and cap C.
struct Weights {
  int m;
  int cap;
};

// The escape squares a king's charge looks at, as offsets from the king, and
// how they count: all of them taken cost kEscapeClosed, or (`half`) each taken
// one costs kEscapeHalfClosed. By side and square; none for most squares.
struct EscapeShape {
  uint8_t count;
  bool half;
  int8_t offset[3];
};

inline constexpr auto kEscapeShapes = [] {
  std::array<std::array<EscapeShape, board::kKikiSquares>, 2> t{};
  for (int u = 0; u < 2; ++u) {
    const int f = forward_step(u);
    for (int k = board::kFirstSquare; k <= board::kLastSquare; ++k) {
      if (!board::is_playing_square(k)) continue;
      const int file = board::square_file(k);
      // One file toward the nearer edge (file 1 or 9): a castled king flees
      // that way; a king on the edge file's seventh rank looks back inward.
      const int c = file <= 4 ? -1 : 1;
      EscapeShape e{};
      switch (own_rank(u, k)) {
        case 7:
          if (file == 1 || file == 9) e = {2, false, {static_cast<int8_t>(f - c), static_cast<int8_t>(f), 0}};
          break;
        case 9:
          if (file == 3 || file == 4 || file == 6 || file == 7) {
            e = {2, false, {static_cast<int8_t>(f + c), static_cast<int8_t>(c), 0}};
          }
          break;
        case 8:
          if (file == 2 || file == 8) {
            e = {2, true, {static_cast<int8_t>(f + c), static_cast<int8_t>(c), 0}};
          } else if (file == 3 || file == 4 || file == 6 || file == 7) {
            e = {3, false, {static_cast<int8_t>(f + c), static_cast<int8_t>(c), static_cast<int8_t>(c - f)}};
          }
          break;
        default:
          break;
      }
      t[u][k - board::kFirstSquare] = e;
    }
  }
  return t;
}();

// king_escape_terms for u's king on board square k. Inlined into each side's
// neighbourhood, where the side is a constant: its table row and forward step
// then fold, and the call's own cost goes.
[[gnu::always_inline]] inline int escape_terms(const KPosition& p, int u, int k) {
  const EscapeShape& shape = kEscapeShapes[u][k - board::kFirstSquare];
  if (shape.count == 0) return 0;
  const int e = 1 - u;
  auto blocked = [&](int q) { return blocked_for(p, u, q) || dir(p, e, q) > 0; };
  if (shape.half) {
    return (blocked(k + shape.offset[0]) ? kEscapeHalfClosed : 0) + (blocked(k + shape.offset[1]) ? kEscapeHalfClosed : 0);
  }
  for (int i = 0; i < shape.count; ++i) {
    if (!blocked(k + shape.offset[i])) return 0;
  }
  return kEscapeClosed;
}

// The charge of square q of u's king neighbourhood, which e attacks `a` times
// (before the reduction) and u defends `c` times, holding `code` (0 empty);
// out of line, as most squares are not attacked, and apart from the examiner's
// object, which then stays in registers.
class Charge {
 public:
  Charge(const KPosition& p, int u)
      : p_(p), u_(u), e_(1 - u), fwd_(forward_step(u)), hand_(p.hand[1 - u]),
        others_(static_cast<int>(p.hand_sum[1 - u])) {}

  int Value(int q, int code, Weights w, HandExpr x, unsigned reduce, int c, int a) const {
    if (a > 1 && !in_own_camp(u_, q) && Reduced(q, reduce)) --a;
    if (code == 0) return a > c ? w.cap : std::min(scale_by_hand(HandValue(x, q, c, a), w.m), w.cap);
    const int32_t pv = eval_piece_value(board::code_class(code));
    return c < a ? (pv >> 4) + w.cap : c == a ? pv / 24 + w.m : (pv >> 5) + w.m / 2;
  }

 private:
  bool Reduced(int q, unsigned reduce) const {
    if ((reduce & kPawnAhead) && holds(p_, e_, q + fwd_, board::kPawn)) return true;
    const uint64_t attackers = board::kiki_direct64(board::kiki_at(p_, q), e_);
    constexpr struct {
      unsigned flag;
      int kind;
    } kKinds[] = {{kByKnight, board::kKnight}, {kByLance, board::kLance}, {kByBishop, board::kBishop},
                  {kByRook, board::kRook}};
    for (const auto& k : kKinds) {
      if (!(reduce & k.flag)) continue;
      const board::KindRange range = board::kKindRange[k.kind];
      for (int n = range.first; n < range.first + range.count; ++n) {
        if (((attackers >> n) & 1u) && !(p_.piece[n].code & board::kPromotedBit)) return true;
      }
    }
    return false;
  }

  // pawnDrop(q): e could drop a pawn on q's file.
  int PawnDrop(int q) const { return hand_[board::kPawn] > 0 && p_.pawn_file[e_][board::square_file(q)] == 0; }

  int HandValue(HandExpr x, int q, int c, int a) const {
    const int lance = hand_[board::kLance], silver = hand_[board::kSilver], gold = hand_[board::kGold];
    const int bishop = hand_[board::kBishop], rook = hand_[board::kRook];
    const int w = in_own_camp(u_, q) ? 2 : 1;
    switch (x) {
      case HandExpr::kFront:
        return 3 * PawnDrop(q) + lance + silver + gold + rook - 3 * c + 4 * a + 2 * others_;
      case HandExpr::kFrontDiagonal:
        return 2 * PawnDrop(q) + silver + gold + bishop - 3 * c + 4 * a + 2 * others_;
      case HandExpr::kGoldRook:
        return 3 * (gold + rook - c) + 4 * a;
      case HandExpr::kSilverBishop:
        return 3 * (silver + bishop - c) + 4 * a;
      case HandExpr::kOpenFront: {
        const int l = lance + silver + gold + rook;
        return (others_ - l) * w + 4 * a - 3 * c + 3 * (PawnDrop(q) + l);
      }
      case HandExpr::kOpenDiagonal: {
        const int b = silver + gold + bishop;
        return (PawnDrop(q) - b + others_) * w + 3 * (b - c) + 4 * a;
      }
    }
    return 0;
  }

  const KPosition& p_;
  const int u_, e_, fwd_;
  const uint8_t* hand_;  // e's hand by kind
  const int others_;     // H: e's pieces in hand other than pawns
};

[[gnu::noinline]] int charge(const KPosition& p, int u, int q, int code, Weights w, HandExpr x, unsigned reduce, int c,
                             int a) {
  return Charge(p, u).Value(q, code, w, x, reduce, c, a);
}

// Where a king stands, for the squares examined around it: off the edge
// files, on file 1 or 9, in a corner (an edge file on the side's back rank), or
// on an edge file's second rank. By side and square.
enum class Place : uint8_t { kInside, kEdge, kCorner, kEdgeSecondRank };

inline constexpr auto kKingPlaces = [] {
  std::array<std::array<Place, board::kKikiSquares>, 2> t{};
  for (int u = 0; u < 2; ++u) {
    for (int k = board::kFirstSquare; k <= board::kLastSquare; ++k) {
      if (!board::is_playing_square(k)) continue;
      const int file = board::square_file(k);
      const int rank = own_rank(u, k);
      Place& place = t[u][k - board::kFirstSquare];
      if (file != 1 && file != 9) {
        place = Place::kInside;
      } else {
        place = rank == 9 ? Place::kCorner : rank == 8 ? Place::kEdgeSecondRank : Place::kEdge;
      }
    }
  }
  return t;
}();

class Neighbourhood {
 public:
  Neighbourhood(PositionTerms& t, int u, int king)
      : p_(t.p), t_(t), u_(u), e_(1 - u), k_(king), fwd_(forward_step(u)), cells_(t.p.board + king),
        kikis_(&board::kiki_at(t.p, king)) {}

  void Run() {
    const Place place = kKingPlaces[u_][k_ - board::kFirstSquare];
    if (place == Place::kInside) {
      General<false>();
    } else if (place == Place::kEdge) {
      General<true>();
    } else {
      // Toward the centre from file 1 or 9.
      const int c = board::square_file(k_) == 1 ? 1 : -1;
      if (place == Place::kCorner) {
        Corner(c);
      } else {
        EdgeSecondRank(c);
      }
    }
    defence_ += escape_terms(p_, u_, k_);
    t_.attack[e_] += attack_;
    t_.defence[u_] += defence_;
  }

 private:
  // The king on file 1 or 9 and on u's back rank; c steps toward the centre.
  void Corner(int c) {
    SpaceCount(c);
    Examine(k_ + fwd_, {120, 500}, true, HandExpr::kFront, kNoReduce);
    Examine(k_ + fwd_ + c, {180, 750}, false, HandExpr::kFrontDiagonal, kNoReduce);
    Examine(k_ + c, {40, 250}, false, HandExpr::kGoldRook, kNoReduce);
  }

  void EdgeSecondRank(int c) {
    Examine(k_ + fwd_, {88, 300}, true, HandExpr::kFront, kNoReduce);
    Examine(k_ + fwd_ + c, {132, 450}, false, HandExpr::kFrontDiagonal, kNoReduce);
    Examine(k_ + c, {60, 218}, false, HandExpr::kGoldRook, kPawnAhead | kByKnight | kByLance | kByBishop);
    Examine(k_ - fwd_ + c, {52, 180}, false, HandExpr::kSilverBishop, kNoReduce);
    Examine(k_ - fwd_, {52, 180}, false, HandExpr::kGoldRook, kNoReduce);
  }

  // Any other king; one on file 1 or 9 weighs its diagonal and side squares more.
  // The pairs of squares either side are examined unrolled, each with its
  // offset as a constant; the edge is a template argument so that the weights
  // are constants too (worked out at run time they were set up for every
  // king, though most squares never read them).
  template <bool edge>
  void General() {
    Examine(k_ + fwd_, {80, 250}, true, HandExpr::kOpenFront, kByKnight | kByBishop);
    const Weights diagonal = edge ? Weights{90, 280} : Weights{56, 175};
    const Weights side = edge ? Weights{56, 175} : Weights{40, 125};
#pragma GCC unroll 2
    for (int d : {-1, 1}) {
      Examine(k_ + fwd_ + d, diagonal, false, HandExpr::kOpenDiagonal, kPawnAhead | kByKnight | kByRook | kByLance);
    }
#pragma GCC unroll 2
    for (int d : {-1, 1}) Examine(k_ + d, side, false, HandExpr::kGoldRook, kPawnAhead | kByKnight | kByLance | kByBishop);
#pragma GCC unroll 2
    for (int d : {-1, 1}) {
      Examine(k_ - fwd_ + d, {24, 75}, false, HandExpr::kSilverBishop, kPawnAhead | kByKnight | kByRook | kByLance);
    }
    Examine(k_ - fwd_, {24, 75}, false, HandExpr::kGoldRook, kByKnight);
  }

  // How much room a corner king has: u's hold on the three squares next to it
  // and on three squares farther out (where an e rook's attack counts for u, as
  // the rook there is exposed); past the limit it blunts e's attack.
  void SpaceCount(int c) {
    auto bal = [&](int q) { return att(p_, u_, q) - att(p_, e_, q) - (is_empty_cell(p_, q) ? 1 : 0); };
    int count = 0;
    const int front = bal(k_ + fwd_);
    count += front >= 2 ? 60 : front == 1 ? 25 : 0;
    for (int q : {k_ + fwd_ + c, k_ + c}) {
      const int b = bal(q);
      count += b >= 2 ? 100 : b == 1 ? 40 : 0;
    }
    for (int q : {k_ + fwd_ + 2 * c, k_ + 2 * c, k_ + 2 * fwd_ + c}) {
      const board::KKiki& k = board::kiki_at(p_, q);
      const int first = board::kKindRange[board::kRook].first;
      const bool rook = board::kiki_has_direct(k, e_, first) || board::kiki_has_direct(k, e_, first + 1);
      if (att(p_, u_, q) - att(p_, e_, q) + (rook ? 1 : 0) > 0) count += 80;
    }
    if (count > kSpaceLimit) attack_ -= count - kSpaceLimit;
  }

  // The square examiner. The common case (a square e does not attack) stays
  // small enough to inline at each of the nine call sites; the charge of an
  // attacked square is worked out apart.
  [[gnu::always_inline]] void Examine(int q, Weights w, bool direct_defenders, HandExpr x, unsigned reduce) {
    // Read relative to the king: each square's offset is then a constant.
    const int code = p_.piece[cells_[q - k_]].code;
    if (code & board::side_bit(e_)) return;  // e's piece, or off the board (blocked_for)
    const board::KKiki& k = kikis_[q - k_];
    const int a = k.direct_count[e_] + k.xray_count[e_];
    const int c = code == 0 && direct_defenders ? k.direct_count[u_] : k.direct_count[u_] + k.xray_count[u_];
    if (c == 1) defence_ -= code == 0 ? kLoneDefenderEmpty : kLoneDefenderOccupied;
    if (a != 0) {
      const int v = charge(p_, u_, q, code, w, x, reduce, c, a);
      attack_ += v / 2;
      defence_ -= v / 2;
    }
  }

  const KPosition& p_;
  PositionTerms& t_;
  const int u_, e_, k_, fwd_;
  const uint8_t* const cells_;        // the king's cell of the board
  const board::KKiki* const kikis_;   // the king's square's attack record
  int32_t attack_ = 0;   // e's attack and u's defence, added to the terms at the end
  int32_t defence_ = 0;
};

}  // namespace

int scale_by_hand(int x, int m) {
  x = std::clamp(x, -7, 7);
  return x >= 0 ? kTwoThirds[x] * m >> 10 : m * 1024 / kTwoThirds[-x];
}

int king_escape_terms(const KPosition& p, int u) {
  const int k = king_square(p, u);
  return k == 0 ? 0 : escape_terms(p, u, k);
}

void king_safety_terms(PositionTerms& t) {
  // Unrolled over the sides: each side's forward step, camp and attack-count
  // fields are then constants in its nine examined squares.
#pragma GCC unroll 2
  for (int u = 0; u < 2; ++u) {
    const int king = t.king[u];
    if (king != 0) Neighbourhood(t, u, king).Run();
  }
}

}  // namespace eval
