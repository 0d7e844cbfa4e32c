#include "engine/eval/senkei_select.h"

#include <bit>

#include "engine/board/random.h"
#include "engine/eval/own_view.h"
#include "engine/eval/senkei_castle.h"
#include "engine/eval/senkei_set.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kLance, board::kPawn, board::kRook, board::kSilver;

// Rook states.
constexpr int kStaticRook = 0;
constexpr int kRangingRook = 1;
constexpr int kCentralRook = 2;

// What step 4 of the choice notes of each side: its king file and, for its rook
// on the board, the file (0 when it has none), both in the side's own view.
struct SideShape {
  int king_file = 0;
  int rook_file = 0;
};

int rook_state(const SideShape& own, const SideShape& other, bool rook_in_a_hand) {
  const int k = own.king_file;
  if (k == 5) {
    if (own.rook_file == 0) return kStaticRook;
    if (own.rook_file >= 6) return kRangingRook;
    return own.rook_file == 5 ? kCentralRook : kStaticRook;
  }
  if (k >= 6) return kStaticRook;
  if (k >= 1) {
    if (own.rook_file == 5) return kCentralRook;
    if (own.rook_file == 0 && other.rook_file != 0 && !rook_in_a_hand) return kStaticRook;
    return kRangingRook;
  }
  return kStaticRook;  // no king on the board
}

// The rule of current code 0: a plan from the king and the rook states.
int choose_fresh(const board::KPosition& p, int s, int own_state, int enemy_state, uint32_t preference) {
  if (own_king_on(p, s, 5, 8)) return 10;
  if (own_state == kStaticRook) {
    return enemy_state == kStaticRook ? senkei_static_castle_kind(p, s, preference)
                                      : senkei_against_ranging(p, s, preference);
  }
  return enemy_state == kStaticRook ? senkei_castle_test(p, s, preference) : senkei_mutual_ranging();
}

// True when on the own-view file both sides have an unpromoted pawn and the two
// stand on adjacent ranks.
bool pawns_face(const board::KPosition& p, int s, int file) {
  const int board_file = s == 0 ? file : 10 - file;
  const int a = p.pawn_file[0][board_file];
  const int b = p.pawn_file[1][board_file];
  if (a == 0 || b == 0) return false;
  const int gap = board::square_rank(a) - board::square_rank(b);
  return gap == 1 || gap == -1;
}

// Current code 1 (yagura) against the opponent's set-up.
int keep_yagura(const board::KPosition& p, int s, int enemy_state, uint32_t preference) {
  if (p.hand[0][kBishop] + p.hand[1][kBishop] == 2) return 2;
  if (enemy_state == kStaticRook) return 1;
  // The opponent ranges its rook: a yagura-style boat castle when the pieces
  // stand for it, otherwise a choice against ranging rooks.
  if (own_on(p, s, kGold, 6, 9) || own_on(p, s, kSilver, 7, 7) || own_on(p, s, kSilver, 8, 8)) return 5;
  return senkei_against_ranging(p, s, preference);
}

// Current code 9 (ranging anaguma): stays unless the enemy's set-up is sharp.
int keep_furiana(const board::KPosition& p, int s, int enemy_state) {
  if (!own_on(p, s, kLance, 1, 9)) return 9;
  if (enemy_state == kRangingRook) return 6;
  constexpr int kSilverFiles[4] = {8, 7, 6, 5};
  for (int f : kSilverFiles) {
    if (!enemy_on(p, s, kSilver, f, 4)) continue;
    for (int file = 5; file <= 8; ++file) {
      if (pawns_face(p, s, file)) return 3;
    }
    if (enemy_on(p, s, kRook, 6, 2) && enemy_on(p, s, kPawn, 6, 4)) return 3;
    break;
  }
  return p.hand[1 - s][kBishop] > 0 ? 3 : 9;
}

}  // namespace

int senkei_random_choice(uint32_t a, uint32_t b) {
  uint32_t set = a & b;
  if (set == 0) set = a;
  if (set == 0) return 0;
  const int n = std::popcount(set);
  int k = static_cast<int>((board::rand_next() & 0xFFFF) % static_cast<uint32_t>(n));
  while (k-- > 0) set &= set - 1;  // drop the k lowest codes
  return std::countr_zero(set) + 1;
}

uint32_t senkei_filter_allowed(const board::KPosition& p, int s, uint32_t set) {
  for (int code = 4; code <= kLastChosenCode; ++code) {
    if (!senkei_has(set, code)) continue;
    switch (code) {
      case 4:
      case 11:
      case 13:
      case 15:
      case 17:
      case 20:
      case 22:
        set = senkei_remove(set, code);
        break;
      case 8:
        if (senkei_ibisha_anaguma_blocked(p, s) != 0) set = senkei_remove(set, code);
        break;
      case 9:
        if (senkei_ranging_anaguma_blocked(p, s) != 0) set = senkei_remove(set, code);
        break;
      case 18:
        if (senkei_king_on_left(p, s)) set = senkei_remove(set, code);
        break;
      case 19:
        // The provisional ranging anaguma is chosen as the anaguma itself.
        set = senkei_add_value(senkei_remove(set, code), 9);
        break;
      default:
        break;
    }
  }
  const bool anti = senkei_has_anti_ranging(set);
  if (senkei_has_static_castle(set) && anti) return 0;
  if (senkei_has_handicap_upper(set) && senkei_has_handicap_lower(set)) return 0;
  if (enemy_on(p, s, kRook, 8, 2) && anti) return 0;
  const int built = senkei_built_castle(p, s);
  if (built != 0 && (set & ~senkei_bit(built)) != 0) return 0;
  if (senkei_has_handicap_upper(set) && s == 0) return 0;
  if (senkei_king_on_left(p, s)) return senkei_has_ranging(set) ? 0 : set;
  if (senkei_king_on_right(p, s)) return senkei_has_static_castle(set) ? 0 : set;
  return set;
}

int senkei_select(const board::KPosition& p, int s, uint32_t allowed, int current, uint32_t preference) {
  const uint32_t m = senkei_filter_allowed(p, s, allowed);
  if (current < 0 || current > kLastChosenCode) current = 0;
  if (current == 12 || current == 13) return current;
  if (!senkei_has(m, 3)) {
    for (int code = 12; code <= 16; ++code) {
      if (senkei_has(m, code)) return code;
    }
  }

  SideShape shape[2];
  bool rook_missing = false;
  for (int side = 0; side < 2; ++side) shape[side].king_file = own_king_file(p, side);
  for (int n = board::kKindRange[kRook].first; n < board::kKindRange[kRook].first + board::kKindRange[kRook].count;
       ++n) {
    const int sq = p.piece[n].sq;
    if (sq == board::kNotInPlay) rook_missing = true;
    if (!board::is_playing_square(sq)) continue;
    const int owner = board::code_side(p.piece[n].code);
    shape[owner].rook_file = own_file(owner, sq);
  }
  if (rook_missing && m != kAllSenkei && m != 0) return senkei_random_choice(m, preference);

  const bool rook_in_a_hand = p.hand[0][kRook] + p.hand[1][kRook] > 0;
  const int own_state = rook_state(shape[s], shape[1 - s], rook_in_a_hand);
  const int enemy_state = rook_state(shape[1 - s], shape[s], rook_in_a_hand);

  if (current == 0 && senkei_set_is_single_family(m)) current = senkei_random_choice(m, preference);
  if (current > 9) return current;

  switch (current) {
    case 0:
      return choose_fresh(p, s, own_state, enemy_state, preference);
    case 1:
      return keep_yagura(p, s, enemy_state, preference);
    case 3:
      if (enemy_state != kRangingRook) return 3;
      return (own_on(p, s, kSilver, 3, 9) || own_on(p, s, kSilver, 2, 8)) && own_on(p, s, kGold, 4, 9) ? 6 : 3;
    case 4:
      if (own_on(p, s, kRook, 8, 8) || own_on(p, s, kRook, 8, 9)) return 4;
      return 3;  // the rook has left: the fourth-file rook with mino
    case 6:
      if (!enemy_on(p, s, kRook, 8, 2)) return 6;
      return enemy_on(p, s, kSilver, 6, 2) || enemy_king_on(p, s, 4, 3) || enemy_on(p, s, kPawn, 8, 4) ? 3 : 6;
    case 8:
      if (senkei_against_ranging(p, s, senkei_bit(8)) == 8) return 8;
      return choose_fresh(p, s, own_state, enemy_state, preference);
    case 9:
      return keep_furiana(p, s, enemy_state);
    default:  // 2, 5 and 7 stay
      return current;
  }
}

}  // namespace eval
