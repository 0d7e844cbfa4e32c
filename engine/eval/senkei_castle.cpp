#include "engine/eval/senkei_castle.h"

#include "engine/board/random.h"
#include "engine/eval/own_view.h"
#include "engine/eval/senkei_select.h"
#include "engine/eval/senkei_set.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kKnight, board::kLance, board::kPawn, board::kRook, board::kSilver;

bool enemy_bishop_in_hand(const board::KPosition& p, int side) { return p.hand[1 - side][kBishop] > 0; }

// The side's rook on the board (the higher-numbered when it has both), or -1.
int own_rook(const board::KPosition& p, int side) {
  int found = -1;
  for (int n = board::kKindRange[kRook].first; n < board::kKindRange[kRook].first + board::kKindRange[kRook].count;
       ++n) {
    if (board::is_playing_square(p.piece[n].sq) && board::code_side(p.piece[n].code) == side) found = n;
  }
  return found;
}

// True when the side's piece number n stands on the board.
bool on_board_of(const board::KPosition& p, int side, int n) {
  return board::is_playing_square(p.piece[n].sq) && board::code_side(p.piece[n].code) == side;
}

}  // namespace

bool senkei_king_on_right(const board::KPosition& p, int side) {
  const int f = own_king_file(p, side);
  return f >= 1 && f <= 4;
}

bool senkei_king_on_left(const board::KPosition& p, int side) { return own_king_file(p, side) >= 6; }

int senkei_static_castle_kind(const board::KPosition& p, int s, uint32_t preference) {
  if (senkei_king_on_right(p, s)) return 18;
  if (own_king_on(p, s, 5, 9) && own_on(p, s, kGold, 4, 9) &&
      (own_on(p, s, kSilver, 3, 8) || own_on(p, s, kSilver, 3, 9)) &&
      (own_on(p, s, kBishop, 9, 7) || own_on(p, s, kKnight, 7, 7) || own_on(p, s, kPawn, 7, 5)) &&
      senkei_rook_stays_right(p, s) == 0) {
    return 3;
  }
  if (p.hand[0][kBishop] + p.hand[1][kBishop] == 2) return 2;
  if (own_on(p, s, kRook, 2, 8) && own_on(p, s, kPawn, 2, 7) && own_king_on(p, s, 5, 9) && own_empty(p, s, 5, 8) &&
      own_empty(p, s, 4, 8) && own_empty(p, s, 3, 8)) {
    if (senkei_has(preference, 1)) return 1;
    return senkei_has(preference, 3) ? 3 : 1;
  }
  // How far a castle on the left (the yagura side) has come.
  int score = 0;
  if (own_king_on(p, s, 6, 9)) score += 2;
  if (own_on(p, s, kGold, 5, 9)) score += 2;
  if (own_on(p, s, kSilver, 4, 8)) score += 2;
  score +=
      own_on(p, s, kSilver, 3, 9) + own_on(p, s, kGold, 4, 9) + own_on(p, s, kGold, 7, 8) + own_on(p, s, kSilver, 8, 8);
  score += own_empty(p, s, 8, 7) + own_empty(p, s, 7, 6);
  if (own_on(p, s, kRook, 2, 6) || own_on(p, s, kRook, 2, 5) || own_on(p, s, kRook, 2, 4)) ++score;
  return score >= 7 ? 21 : 1;
}

int senkei_rook_stays_right(const board::KPosition& p, int s) {
  const int n = own_rook(p, s);
  if (n < 0) return 0;
  const int sq = p.piece[n].sq;
  const int f = own_file(s, sq);
  const int r = own_rank(s, sq);
  if (r >= 7) return f <= 4 ? 2 : 0;
  if (f == 2 && r == 6) return own_empty(p, s, 3, 6) && own_empty(p, s, 4, 6) ? 0 : 1;
  return 0;
}

int senkei_against_ranging(const board::KPosition& p, int s, uint32_t preference) {
  if (own_king_on(p, s, 5, 9) && own_on(p, s, kRook, 2, 8) && own_empty(p, s, 5, 8) && own_empty(p, s, 4, 8) &&
      own_empty(p, s, 3, 8) && own_on(p, s, kPawn, 2, 7) && own_on(p, s, kGold, 4, 9) &&
      (own_on(p, s, kPawn, 7, 5) || own_on(p, s, kGold, 6, 5))) {
    return 3;
  }
  if ((own_king_on(p, s, 7, 8) || own_king_on(p, s, 8, 9)) && own_on(p, s, kKnight, 7, 7) &&
      (own_on(p, s, kSilver, 8, 8) || own_on(p, s, kSilver, 7, 9)) && !own_on(p, s, kBishop, 8, 8) &&
      !own_on(p, s, kBishop, 7, 9)) {
    return 8;
  }
  if (own_king_on(p, s, 9, 9)) return 8;
  if (own_king_on(p, s, 8, 8) && own_on(p, s, kSilver, 7, 9) && own_on(p, s, kGold, 7, 8)) {
    return enemy_bishop_in_hand(p, s) ? 5 : 8;
  }
  if (own_on(p, s, kSilver, 7, 8) || own_on(p, s, kSilver, 8, 7)) return 7;
  if (own_on(p, s, kSilver, 7, 9) && own_on(p, s, kPawn, 8, 6)) return 7;
  // Two silvers out in front of the right side: the boat castle's rapid attack.
  constexpr int kRapidSilverSquares[13] = {26, 38, 37, 36, 35, 48, 47, 46, 45, 57, 56, 68, 67};
  int silvers = 0;
  for (int fr : kRapidSilverSquares) silvers += own_on(p, s, kSilver, fr / 10, fr % 10);
  if (silvers == 2) return 5;
  if (own_on(p, s, kLance, 9, 8) && own_on(p, s, kKnight, 8, 9) && own_king_on(p, s, 8, 8)) return 8;
  if (own_on(p, s, kSilver, 7, 6) || own_on(p, s, kSilver, 6, 7) ||
      ((own_on(p, s, kBishop, 8, 8) || own_on(p, s, kBishop, 7, 9)) && own_on(p, s, kSilver, 7, 7))) {
    return 5;
  }
  const int a = senkei_ibisha_anaguma_blocked(p, s);
  const int b = senkei_left_mino_blocked(p, s);
  if (own_king_on(p, s, 8, 8) && own_on(p, s, kSilver, 7, 9)) {
    if (a == 0) {
      if (enemy_on(p, s, kPawn, 9, 5)) return 8;
      if (senkei_has(preference, 8) && !senkei_has(preference, 7)) return 8;
    }
    return 7;
  }
  if (!own_king_on(p, s, 9, 8)) {
    if (own_on(p, s, kBishop, 7, 7)) {
      if (a == 0) return 8;
      if (b == 0) return 7;
    }
    uint32_t choices = senkei_bit(5);
    if (b == 0) senkei_add(choices, 7);
    if (a == 0) senkei_add(choices, 8);
    return senkei_random_choice(choices, preference);
  }
  return 7;
}

int senkei_castle_test(const board::KPosition& p, int s, uint32_t /*preference*/) {
  if (own_king_on(p, s, 1, 9)) return 9;
  if (own_on(p, s, kLance, 1, 8) && own_empty(p, s, 1, 9) && own_king_on(p, s, 2, 8)) {
    if (own_empty(p, s, 2, 9)) return 3;
    if (own_on(p, s, kSilver, 3, 7) || own_on(p, s, kSilver, 1, 7) || own_on(p, s, kSilver, 3, 9) ||
        (own_on(p, s, kSilver, 2, 7) && own_on(p, s, kGold, 3, 9))) {
      return 9;
    }
  }
  if (own_king_on(p, s, 2, 8) && enemy_on(p, s, kPawn, 1, 5) && own_on(p, s, kPawn, 1, 7) &&
      own_on(p, s, kSilver, 3, 9)) {
    return 9;
  }
  return 3;
}

int senkei_mutual_ranging() {
  board::rand_next();
  return 6;
}

int senkei_ibisha_anaguma_blocked(const board::KPosition& p, int s) {
  if (senkei_king_on_right(p, s)) return 100;
  const bool corner_lance = own_on(p, s, kLance, 9, 9);
  if (corner_lance && !own_on(p, s, kSilver, 7, 9) && !own_on(p, s, kSilver, 7, 7) && !own_on(p, s, kSilver, 8, 7))
    return 1;
  if (!corner_lance && own_on(p, s, kSilver, 8, 8) && !own_king_on(p, s, 9, 9) && enemy_bishop_in_hand(p, s)) return 2;
  if (corner_lance && enemy_bishop_in_hand(p, s)) return 2;
  for (int n = board::kKindRange[kGold].first; n < board::kKindRange[kGold].first + board::kKindRange[kGold].count;
       ++n) {
    if (!on_board_of(p, s, n)) continue;
    if (own_file(s, p.piece[n].sq) <= 3) return 4;
    if (own_rank(s, p.piece[n].sq) < 7) return 5;
  }
  const int king_file = own_king_file(p, s);
  if (king_file != 8 && king_file != 9) {
    if (own_on(p, s, kBishop, 8, 8) && corner_lance && !own_on(p, s, kPawn, 3, 7)) return 6;
    if (own_on(p, s, kGold, 6, 8) && own_empty(p, s, 6, 9)) return 7;
  }
  // The silvers and the first knight must stay back while the king walks over.
  const int first_silver = board::kKindRange[kSilver].first;
  for (int n = first_silver; n <= board::kKindRange[kKnight].first; ++n) {
    if (!on_board_of(p, s, n)) continue;
    const int r = own_rank(s, p.piece[n].sq);
    if (r <= 5) return 8;
    if (r == 6 && king_file <= 7) return 9;
  }
  if (enemy_on(p, s, kRook, 3, 4) && enemy_on(p, s, kPawn, 3, 5)) return 10;
  return 0;
}

int senkei_left_mino_blocked(const board::KPosition& p, int s) {
  if (enemy_bishop_in_hand(p, s)) return 1;
  const int king_file = own_king_file(p, s);
  if (king_file == 8 || king_file == 9) return 0;
  if (!own_on(p, s, kGold, 6, 8)) return 0;
  return own_empty(p, s, 6, 9) ? 2 : 0;
}

int senkei_ranging_anaguma_blocked(const board::KPosition& p, int s) {
  if (senkei_king_on_left(p, s)) return 100;
  if (own_on(p, s, kLance, 1, 9)) {
    if (!own_on(p, s, kSilver, 3, 9) && !own_on(p, s, kSilver, 3, 7) && !own_on(p, s, kSilver, 2, 7)) return 1;
    return enemy_bishop_in_hand(p, s) ? 2 : 0;
  }
  if (!own_on(p, s, kSilver, 2, 8) || own_king_on(p, s, 1, 9)) return 0;
  return enemy_bishop_in_hand(p, s) ? 2 : 0;
}

int senkei_built_castle(const board::KPosition& p, int s) {
  if (own_on(p, s, kLance, 1, 9) && own_on(p, s, kSilver, 3, 8) && own_on(p, s, kGold, 4, 9)) return 3;
  if (own_king_on(p, s, 8, 7) && own_on(p, s, kSilver, 7, 8) && own_on(p, s, kGold, 6, 9)) return 7;
  if (own_king_on(p, s, 1, 9)) return 9;
  if (own_king_on(p, s, 9, 9)) return 8;
  return 0;
}

}  // namespace eval
