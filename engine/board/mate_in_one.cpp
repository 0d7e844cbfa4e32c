#include "engine/board/mate_in_one.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_cover_table.h"
#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"

namespace board {

namespace {

using detail::kMateCoverTable;
using detail::mate_cover_row;

// A square from which a knight would check and stay: the defender does not
// attack it, or only once while a bishop of the attacker bears on the square
// one rank nearer the king on that file.
bool knight_square_safe(const KPosition& p, int attacker, int sq) {
  const int defence = kiki_at(p, sq).direct_count[1 - attacker];
  if (defence == 0) return true;
  if (defence != 1) return false;
  const KKiki& nearer = kiki_at(p, sq + forward_step(attacker));
  const uint32_t bishops = nearer.direct[attacker][0] & nearer.line[attacker] & (0x3u << kKindRange[kBishop].first);
  return bishops != 0;
}

bool knight_mate_possible(const KPosition& p, int attacker, int king) {
  const int v = (5 - square_rank(king)) * (2 * attacker - 1);
  if (v >= 3) return false;
  const int two_back = king - 2 * forward_step(attacker);  // two ranks towards the attacker
  const int file = square_file(king);
  int squares[2];
  int count = 0;
  if (file > 1) squares[count++] = two_back - 1;
  if (file < 9) squares[count++] = two_back + 1;
  if (p.hand[attacker][kKnight] > 0) {
    for (int i = 0; i < count; ++i) {
      if (p.board[squares[i]] == kEmptyNumber && knight_square_safe(p, attacker, squares[i])) return true;
    }
  }
  if (v >= 1) return false;
  for (int i = 0; i < count; ++i) {
    if (!knight_square_safe(p, attacker, squares[i])) continue;
    const uint64_t knights = kiki_direct64(kiki_at(p, squares[i]), attacker) & (uint64_t{0xf} << kKindRange[kKnight].first);
    for (uint64_t set = knights; set != 0; set &= set - 1) {
      if (code_class(p.piece[std::countr_zero(set)].code) == kKnight) return true;
    }
  }
  return false;
}

// True when the square is at most one file and one rank from the king.
bool next_to(int sq, int king) {
  return std::abs(square_file(sq) - square_file(king)) <= 1 && std::abs(square_rank(sq) - square_rank(king)) <= 1;
}

// A neighbour the king can step to: no piece of its own side (nor a wall) and
// not attacked by the attacker.
bool free_neighbour(const KPosition& p, int attacker, int sq) {
  return !blocked_for(p, 1 - attacker, sq) && kiki_at(p, sq).direct_count[attacker] == 0;
}

bool refuted(const KPosition& p, const KMove& m, bool count_xray) {
  const int s = p.teban;
  const int king = p.piece[1 - s].sq;
  if (king >= kInHand) return false;
  const KKiki& at = kiki_at(p, m.to);
  if (m.from != kInHand) {
    const int support = at.direct_count[s] + (count_xray ? at.xray_count[s] : 0);
    return support == 1 && kiki_at(p, m.from).direct_count[s] == 0 && next_to(m.to, king);
  }
  if (at.direct_count[s] == 0 && next_to(m.to, king)) return true;
  const int kind = code_kind(m.code);
  const int line = line_direction(king, m.to);
  if (kind == kRook && king + line == m.to) return false;  // next to the king: kept
  if (kind == kKnight) {
    for (int step : kDirectionSteps) {
      if (free_neighbour(p, s, king + step)) return true;
    }
    return false;
  }
  if (kind == kRook || kind == kBishop || kind == kLance) {
    for (int step : kDirectionSteps) {
      if (step != line && step != -line && free_neighbour(p, s, king + step)) return true;
    }
  }
  return false;
}

// The king's neighbours as steps from the king, seen from attacker S:
// neighbour i is the king's step kKingSteps[i] times (2 x S - 1).
template <int S>
constexpr const std::array<int, 8>& kNeighbourSteps = S == 0 ? kSenteKingSteps : kKingSteps;

// The first look at the eight neighbours for attacker S: bit i of `blocked`
// set when the king cannot step to neighbour i (its own piece or a wall stands
// there, or the attacker attacks it); bit i of `open` set when the neighbour is
// free of the king's pieces and walls, the attacker reaches it (directly or by
// x-ray) and the defender covers it at most once: only those can take a
// mating piece. The side is a constant so that the eight neighbours are fixed
// offsets from the king and the attack counts read are fixed fields: the
// search asks this at most of its nodes.
struct NeighbourLook {
  uint32_t blocked;
  uint32_t open;
};

// A record's four count bytes read as one word: the side's direct and x-ray
// counts are its bytes S and 2 + S, so one masked test asks whether the side
// attacks the square at all.
static_assert(std::endian::native == std::endian::little);
static_assert(offsetof(KKiki, direct_count) == 0 && offsetof(KKiki, xray_count) == 2);
template <int S>
constexpr uint32_t kSideCountBytes = S == 0 ? 0x00FF00FFu : 0xFF00FF00u;

template <int S>
[[gnu::always_inline]] inline uint32_t side_counts(const KKiki& k) {
  uint32_t word;
  std::memcpy(&word, &k, sizeof(word));
  return word & kSideCountBytes<S>;
}

template <int S>
[[gnu::always_inline]] inline NeighbourLook look_around(const KPosition& p, int king) {
  constexpr int kDefender = side_bit(1 - S);
  constexpr const std::array<int, 8>& steps = kNeighbourSteps<S>;
  // The king's cell and attack record as bases: each neighbour is a constant
  // offset from them (a wall neighbour is passed over before its record).
  const uint8_t* cells = &p.board[king];
  const KKiki* records = &kiki_at(p, king);
  uint32_t blocked = 0, open = 0;
#pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) {
    if (p.piece[cells[steps[i]]].code & kDefender) {
      blocked |= 1u << i;
      continue;
    }
    // Most neighbours are not attacked at all: free for the king and no
    // square for a mating piece (the counts are never negative).
    const KKiki& k = records[steps[i]];
    if (side_counts<S>(k) == 0) continue;
    if (k.direct_count[S] > 0) blocked |= 1u << i;
    if (k.direct_count[1 - S] < 2) open |= 1u << i;
  }
  return {blocked, open};
}

// The rest of the pretest once the first look left a chance: a knight's mate
// of a boxed-in king, then a drop or a move onto an open neighbour that covers
// every square left. Out of line, so that the frequent early answer of the
// first look sets up no frame for it.
template <int S>
[[gnu::noinline]] int pretest_cover(const KPosition& p, int king, NeighbourLook look) {
  constexpr const std::array<int, 8>& steps = kNeighbourSteps<S>;
  const uint32_t m = look.blocked;
  if (m == 0xff && knight_mate_possible(p, S, king)) return 1;

  constexpr int kDropKinds[5] = {kGold, kRook, kBishop, kSilver, kLance};
  for (uint32_t set = look.open; set != 0; set &= set - 1) {
    const int i = std::countr_zero(set);
    const int sq = king + steps[i];
    const KKiki& k = kiki_at(p, sq);
    const int attacks = k.direct_count[S] + k.xray_count[S];
    if (p.board[sq] == kEmptyNumber) {
      for (int kind : kDropKinds) {
        if (p.hand[S][kind] > 0 && (kMateCoverTable[mate_cover_row(kind)][i] | m) == 0xff) return 1;
      }
    }
    if (attacks < 2) continue;
    uint64_t attackers = kiki_direct64(k, S);
    for (int j = 0; j < k.direct_count[S] && attackers != 0; ++j) {
      const int n = 63 - std::countl_zero(attackers);
      attackers &= ~(uint64_t{1} << n);
      int cls = code_class(p.piece[n].code);
      if (can_promote(p.piece[n].code) && (in_camp(S, p.piece[n].sq) || in_camp(S, sq))) cls |= kPromotedBit;
      if ((kMateCoverTable[mate_cover_row(cls)][i] | m) == 0xff) return 1;
    }
  }
  return 0;
}

// The pretest for attacker S: no open neighbour and a king not boxed in leave
// no mate to look for.
template <int S>
[[gnu::always_inline]] inline int pretest_side(const KPosition& p, int king) {
  const NeighbourLook look = look_around<S>(p, king);
  if (look.open == 0 && look.blocked != 0xff) return 0;
  return pretest_cover<S>(p, king, look);
}

// The pretest's body, inlined into the one-move mate finder (which the search
// asks at most of its nodes) and behind the exported pretest.
[[gnu::always_inline]] inline int pretest(const KPosition& p) {
  const int king = p.piece[1 - p.teban].sq;
  if (king >= kInHand) return 0;
  return p.teban == 0 ? pretest_side<0>(p, king) : pretest_side<1>(p, king);
}

}  // namespace

int ichite_zume_pretest(const KPosition& p) { return pretest(p); }

int oute_quick_refute(const KPosition& p, const KMove& m) { return refuted(p, m, false) ? 1 : 0; }

int oute_list_filter(const KPosition& p, int count, KMove* list) {
  for (int i = 0; i < count;) {
    if (refuted(p, list[i], true)) {
      list[i] = list[--count];
    } else {
      ++i;
    }
  }
  return count;
}

namespace {

// The trial of the checks once the pretest let them through: kept out of line
// so that the pretest's frequent early answer does not set up the frame of the
// check list.
[[gnu::noinline]] int try_checks(KPosition& p, KMoveWord* out) {
  KMove checks[kMaxMoves];
  int n = oute_gen(p, checks, 1);
  if (n == 0) return 0;
  n = oute_list_filter(p, n, checks);
  const int s = p.teban;
  for (int i = 0; i < n; ++i) {
    do_move(p, checks[i], 0);
    // A check that exposes the mover's own king is no move at all.
    const bool mate = !king_attacked(p, s) && king_attacked(p, 1 - s) && oute_nige_count(p, 0) == 0;
    undo_move(p, checks[i], 0);
    if (mate) {
      *out = move_word(checks[i]);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int ichite_zume(KPosition& p, KMoveWord* out) { return pretest(p) ? try_checks(p, out) : 0; }

}  // namespace board
