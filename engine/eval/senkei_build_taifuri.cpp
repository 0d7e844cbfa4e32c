// The static-rook builders against a ranging rook: the common anti-ranging
// builder and the boat castle, left mino and static-rook anaguma that follow it.
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_rule_data.h"
#include "engine/eval/senkei_rules.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kKnight, board::kPawn, board::kRook, board::kSilver;
using board::KPosition;

// The pawns in s's hand plus the files where the opponent's unpromoted pawn
// stands right in front of s's unpromoted pawn.
int pawn_tension(const KPosition& p, int s) {
  const int o = 1 - s;
  int n = p.hand[s][kPawn];
  for (int f = 1; f <= 9; ++f) {
    const int mine = p.pawn_file[s][f];
    const int theirs = p.pawn_file[o][f];
    if (mine != 0 && theirs != 0 && own_rank(s, theirs) == own_rank(s, mine) - 1) ++n;
  }
  return n;
}

bool gold_or_silver_at(const KPosition& p, int s, int sq2) {
  return own_at(p, s, kGold, sq2) || own_at(p, s, kSilver, sq2);
}

}  // namespace

int funagakoi_progress(const KPosition& p, int s) {
  if (own_at(p, s, kPawn, 75)) return 1;
  if (own_at(p, s, kSilver, 77)) return 2;
  if (gold_or_silver_at(p, s, 78)) return 3;
  if (gold_or_silver_at(p, s, 67) && own_at(p, s, kGold, 69)) return 4;
  const int f = own_king_file(p, s);
  if (f == 8 || f == 9) return 5;
  return 0;
}

bool king_on_left(const KPosition& p, int s) { return own_king_file(p, s) >= 7; }

void corner_ban_taifuri(int s) {
  add_cells(s, kGoldLayer, {31, 21, 32, 12, 23, 14}, -100);
  add_cells(s, kSilverLayer, {41, 31, 21, 32, 23}, -80);
}

void senkei_build_taifuri(const KPosition& p, int s) {
  if (king_at(p, s, 59)) add_cells(s, kRookLayer, {58, 68, 78, 88, 98}, -10);
  if (king_at_any(p, s, {59, 68})) {
    cell(s, kPawnLayer, 57) += 8;
    cell(s, kPawnLayer, 56) -= 8;
  }
  if (own_at_any(p, s, kSilver, {46, 26}) && own_at(p, s, kKnight, 29)) cell(s, kKnightLayer, 37) -= 20;
  if (own_at(p, s, kKnight, 37)) {
    cell(s, kSilverLayer, 46) -= 10;
  } else if (own_at(p, s, kSilver, 46) || own_at(p, s, kPawn, 37)) {
    add_cells(s, kBishopLayer, {59, 48, 37, 26}, -8);
  }
  if (own_at(p, s, kPawn, 17) && enemy_at(p, s, kPawn, 13) && enemy_bishop_attacks(p, s, 15, {24, 33, 42, 51})) {
    cell(s, kKnightLayer, 37) -= 5;
  }
  if (own_at_any(p, s, kRook, {28, 27, 29})) {
    cell(s, kPawnLayer, 26) -= 10;
    cell(s, kPawnLayer, 27) -= 12;
    if (own_at(p, s, kPawn, 25) && enemy_at(p, s, kPawn, 23)) {
      const int n = pawn_tension(p, s);
      if (n == 1) cell(s, kPawnLayer, 25) -= 10;
      if (n >= 2) cell(s, kPawnLayer, 25) -= 35;
    }
  } else if (own_at(p, s, kRook, 36)) {
    cell(s, kKnightLayer, 29) -= 9;
  }
  if (own_at(p, s, kKnight, 29)) {
    cell(s, kRookLayer, 36) += 2;
    cell(s, kRookLayer, 26) += 2;
  }
  // Both kings on the left: the rules of that fight. Either way the gold and
  // silver keep out of the far corner while the opponent's king is away from it.
  apply_rules(p, s, senkei_rules(RuleGroup::kTaifuriSameWing));
  const int ko = enemy_king_file(p, s);
  if (ko == 8 || ko == 9) corner_ban_taifuri(s);
}

void senkei_build_funagakoi(const KPosition& p, int s) {
  if (enemy_at(p, s, kPawn, 94) && own_at(p, s, kPawn, 97)) cell(s, kPawnLayer, 96) += 20;
  if (king_at_any(p, s, {59, 68})) cell(s, kPawnLayer, 37) += 16;
  if (own_at(p, s, kPawn, 37)) cell(s, kSilverLayer, 36) -= 15;
  if (gold_or_silver_at(p, s, 77)) cell(s, kBishopLayer, 88) = cell(s, kBishopLayer, 79);

  if (funagakoi_progress(p, s) == 0) {
    if (own_at(p, s, kSilver, 79)) cell(s, kGoldLayer, 68) -= 20;
    if (own_at(p, s, kSilver, 68) && own_at(p, s, kSilver, 48)) {
      cell(s, kSilverLayer, 48) += 5;
      cell(s, kSilverLayer, 68) -= 5;
    } else if (own_at(p, s, kSilver, 79) && own_at(p, s, kSilver, 48)) {
      cell(s, kSilverLayer, 48) += 10;
      cell(s, kSilverLayer, 68) += 3;
    }
    if (own_at(p, s, kGold, 49) && !own_at(p, s, kSilver, 39) && !king_at_any(p, s, {59, 68})) {
      cell(s, kGoldLayer, 58) += 10;
    }
    if (king_at(p, s, 59)) cell(s, kSilverLayer, 68) -= 5;
    return;
  }

  const bool left = king_on_left(p, s);
  cell(s, kPawnLayer, 37) += left ? 12 : 16;
  struct Value {
    int8_t layer;
    int8_t square;
    int16_t value;
  };
  static constexpr Value kCastle[] = {
      {kKingLayer, 87, 17},   {kKingLayer, 88, 28},   {kKingLayer, 89, 10},    {kKingLayer, 78, 22},
      {kKingLayer, 79, 16},   {kKingLayer, 68, 9},    {kBishopLayer, 77, -4},  {kGoldLayer, 77, 0},
      {kGoldLayer, 78, 15},   {kGoldLayer, 67, 10},   {kGoldLayer, 68, 5},     {kGoldLayer, 58, 4},
      {kSilverLayer, 87, 2},  {kSilverLayer, 77, 4},  {kSilverLayer, 78, 4},   {kSilverLayer, 79, -7},
      {kSilverLayer, 67, 6},  {kSilverLayer, 68, 1},  {kSilverLayer, 69, -10}, {kSilverLayer, 56, -3},
      {kSilverLayer, 57, -3}, {kSilverLayer, 58, -6}, {kSilverLayer, 59, -8},  {kSilverLayer, 46, -5},
      {kSilverLayer, 47, -5}, {kSilverLayer, 48, -7}, {kSilverLayer, 49, -8},  {kSilverLayer, 35, -6},
      {kSilverLayer, 36, -6}, {kSilverLayer, 37, -6}, {kSilverLayer, 38, -8},  {kSilverLayer, 39, -10},
  };
  for (const Value& v : kCastle) cell(s, v.layer, v.square) = v.value;

  if (!own_at(p, s, kPawn, 75)) {
    const bool silver77 = own_at(p, s, kSilver, 77);
    if (silver77 || (own_at(p, s, kSilver, 67) && own_at(p, s, kPawn, 76) && own_at(p, s, kPawn, 37))) {
      if (silver77) cell(s, kSilverLayer, 77) += 5;
      cell(s, kPawnLayer, 75) = 18;
      cell(s, kSilverLayer, 76) = 15;
    }
    return;
  }
  cell(s, kSilverLayer, 77) = 15;
  cell(s, kSilverLayer, 67) = 11;
  cell(s, kSilverLayer, 76) = 23;
  cell(s, kSilverLayer, 66) = 15;
  if (!own_at(p, s, kSilver, 76)) return;
  static constexpr Value kSilverOn76[] = {{kPawnLayer, 87, 13}, {kPawnLayer, 86, 16}, {kPawnLayer, 85, 16},
                                          {kPawnLayer, 77, 2},  {kPawnLayer, 76, 7},  {kPawnLayer, 75, 16},
                                          {kPawnLayer, 67, 4},  {kPawnLayer, 66, 9},  {kPawnLayer, 65, 12}};
  for (const Value& v : kSilverOn76) cell(s, v.layer, v.square) = v.value;
  if (!left) return;
  static constexpr Value kKingLeft[] = {
      {kPawnLayer, 87, 3}, {kPawnLayer, 86, 13}, {kPawnLayer, 85, 16}, {kPawnLayer, 67, -3}, {kPawnLayer, 66, 2}};
  for (const Value& v : kKingLeft) cell(s, v.layer, v.square) = v.value;
  if (own_at(p, s, kPawn, 66)) cell(s, kSilverLayer, 65) += 27;
}

void senkei_build_hidari_mino(const KPosition& p, int s) {
  const bool pawn97 = own_at(p, s, kPawn, 97);
  const bool enemy95 = enemy_at(p, s, kPawn, 95);
  if (pawn97 && ((own_at(p, s, kPawn, 87) && king_at(p, s, 78)) || enemy_at(p, s, kPawn, 94))) {
    cell(s, kPawnLayer, 97) -= 15;
    if (!enemy95) cell(s, kPawnLayer, 86) -= 5;
  }
  if (pawn97 && !enemy95) cell(s, kPawnLayer, 67) += 2;
  if (!own_at(p, s, kSilver, 78)) {
    if (!own_at(p, s, kSilver, 79)) {
      cell(s, kGoldLayer, 69) -= 8;
      if (own_at(p, s, kSilver, 87)) cell(s, kGoldLayer, 78) += 4;
    } else {
      cell(s, kGoldLayer, 78) -= 10;
      cell(s, kGoldLayer, 67) -= 7;
      cell(s, kGoldLayer, 77) -= 7;
      cell(s, kSilverLayer, 77) -= 5;
      cell(s, kSilverLayer, 67) -= 5;
    }
  }
  enemy_cell(s, kSilverLayer, 33) -= 15;
  if (king_at(p, s, 98)) {
    cell(s, kPawnLayer, 87) -= 2;
    cell(s, kPawnLayer, 86) += 1;
    cell(s, kSilverLayer, 87) += 3;
  }
  cell(s, kSilverLayer, 79) += king_at_any(p, s, {87, 88, 98}) ? -15 : 6;
  if (king_at_any(p, s, {59, 68, 78})) add_cells(s, kPawnLayer, {47, 37}, 10);
  if (own_at(p, s, kPawn, 87)) {
    cell(s, kKingLayer, 98) -= 5;
  } else if (own_at(p, s, kGold, 49)) {
    cell(s, kKingLayer, 98) -= 6;
  } else if (own_at(p, s, kGold, 58)) {
    cell(s, kKingLayer, 98) -= 3;
  }
  if (!own_at_any(p, s, kBishop, {11, 22, 33, 44, 55, 66})) {
    cell(s, kKingLayer, 88) += 3;
    cell(s, kKingLayer, 87) -= 2;
  }
  if (king_at(p, s, 79) && empty_at(p, s, 69)) cell(s, kKingLayer, 79) -= 5;
}

void senkei_build_ibiana(const KPosition& p, int s) {
  if (!king_at(p, s, 99)) {
    cell(s, kGoldLayer, 79) = cell(s, kGoldLayer, 69);
    cell(s, kGoldLayer, 68) = cell(s, kGoldLayer, 58);
    cell(s, kGoldLayer, 78) = cell(s, kGoldLayer, 68);
    cell(s, kGoldLayer, 67) -= 3;
    cell(s, kGoldLayer, 77) -= 8;
    cell(s, kPawnLayer, 65) -= 10;
    cell(s, kPawnLayer, 75) -= 10;
    cell(s, kPawnLayer, 55) -= 5;
  }
  if (!own_at(p, s, kKnight, 77)) {
    if (own_at(p, s, kSilver, 79)) cell(s, kGoldLayer, 79) -= 5;
    if (!king_at(p, s, 88)) cell(s, kLanceLayer, 98) -= 10;
    if (!king_at_any(p, s, {88, 99})) {
      cell(s, kSilverLayer, 88) -= 30;
      cell(s, kGoldLayer, 78) -= 30;
      cell(s, kGoldLayer, 88) -= 30;
    }
    return;
  }
  cell(s, kKnightLayer, 77) += 15;
  cell(s, kBishopLayer, 66) += 3;
  cell(s, kGoldLayer, 78) += 7;
  cell(s, kSilverLayer, 79) += 9;
  cell(s, kSilverLayer, 78) += 5;
  cell(s, kSilverLayer, 68) += 9;
  cell(s, kSilverLayer, 67) += 4;
  cell(s, kLanceLayer, 98) -= 8;
  cell(s, kKingLayer, 89) += 25;
  cell(s, kKingLayer, 99) -= 5;
  if (own_at(p, s, kSilver, 88)) {
    cell(s, kPawnLayer, 87) -= 5;
    cell(s, kPawnLayer, 86) += 18;
  }
  if (own_at(p, s, kBishop, 66)) cell(s, kSilverLayer, 57) -= 20;
  if (!(gold_or_silver_at(p, s, 79) && gold_or_silver_at(p, s, 78))) cell(s, kSilverLayer, 68) -= 15;
  if (!own_at(p, s, kSilver, 68) && (empty_at(p, s, 78) || empty_at(p, s, 79))) cell(s, kSilverLayer, 88) -= 5;
}

}  // namespace eval
