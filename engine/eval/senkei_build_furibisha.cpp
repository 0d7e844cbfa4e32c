// The common ranging-rook builder, the far-corner bans and the ranging-rook
// anaguma.
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_rule_data.h"
#include "engine/eval/senkei_rules.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kKnight, board::kLance, board::kPawn, board::kRook, board::kSilver;
using board::KPosition;

// The lance at home stays there while no bishop of the opponent looks down its
// diagonal from 22..55.
void lance_stays_home(const KPosition& p, int s) {
  if (own_at(p, s, kLance, 99) && !enemy_at_any(p, s, kBishop, {22, 33, 44, 55})) {
    cell(s, kLanceLayer, 98) -= 6;
    cell(s, kLanceLayer, 97) -= 6;
  }
}

void corner_ban(int s, std::initializer_list<int> gold, int gold_amount, std::initializer_list<int> silver,
                int silver_amount) {
  add_cells(s, kGoldLayer, gold, gold_amount);
  add_cells(s, kSilverLayer, silver, silver_amount);
}

}  // namespace

void corner_ban_furibisha(int s) {
  corner_ban(s, {61, 71, 81, 91, 72, 82, 92, 83, 93, 94}, -100, {61, 71, 81, 91, 72, 82, 83}, -70);
}

void corner_ban_iyagura(int s) {
  corner_ban(s, {61, 71, 81, 91, 72, 82, 92, 83, 93, 94}, -70, {61, 71, 81, 91, 72, 82, 83}, -50);
}

void rook_swing_cells(int s, int sign) {
  add_cells(s, kGoldLayer, {78, 68, 58, 48, 38}, sign * 35);
  add_cells(s, kGoldLayer, {67, 57, 47, 37, 27}, sign * 20);
  add_cells(s, kSilverLayer, {58, 48, 38}, sign * 35);
  add_cells(s, kSilverLayer, {57, 47, 37, 27}, sign * 20);
  for (int r = 1; r <= 6; ++r) {
    for (int f = 1; f <= 9; ++f) {
      cell(s, kGoldLayer, f * 10 + r) += sign * 40;
      cell(s, kSilverLayer, f * 10 + r) += sign * 40;
    }
  }
  add_cells(s, kKingLayer, {78, 68, 58, 48, 38}, sign * 40);
  cell(s, kKingLayer, 39) += sign * 20;
  cell(s, kLanceLayer, 98) += sign * 8;
}

void senkei_build_furibisha(const KPosition& p, int s) {
  const bool rook28 = own_at(p, s, kRook, 28);
  // The rook still at home: the castle waits for the swing.
  if (rook28) {
    rook_swing_cells(s, -1);
    add_cells(s, kPawnLayer, {26, 36, 46}, -6);
    add_cells(s, kPawnLayer, {25, 35, 45}, -15);
    if (own_at(p, s, kGold, 69) && king_at(p, s, 59) && own_at(p, s, kKnight, 89)) cell(s, kKnightLayer, 89) += 10;
    cell(s, kBishopLayer, 97) -= 20;
  }
  if (own_at_any(p, s, kRook, {68, 69}) || (own_at_any(p, s, kRook, {58, 59}) && own_at_any(p, s, kPawn, {57, 56}))) {
    cell(s, kBishopLayer, 97) -= 10;
  }
  lance_stays_home(p, s);
  if (!king_at_any(p, s, {48, 39})) {
    if (rook28) add_cells(s, kPawnLayer, {97, 87, 77, 67, 57, 47, 37, 27, 17}, 5);
  } else {
    cell(s, kPawnLayer, 57) += 12;
  }
  if (own_at(p, s, kRook, 88)) cell(s, kLanceLayer, 99) += 3;
  if (!own_at(p, s, kRook, 78)) cell(s, kPawnLayer, 75) -= 5;
  if (own_at(p, s, kBishop, 59)) {
    cell(s, kKnightLayer, 37) -= 5;
    cell(s, kGoldLayer, 48) -= 5;
    cell(s, kSilverLayer, 48) -= 5;
  } else if (!(empty_at(p, s, 37) && empty_at(p, s, 48)) && own_at_any(p, s, kBishop, {77, 68})) {
    cell(s, kBishopLayer, 59) -= 5;
  }
  if (own_at(p, s, kBishop, 88)) cell(s, kSilverLayer, 77) -= 20;
  if (own_at(p, s, kBishop, 77)) cell(s, kBishopLayer, 88) -= 5;
  // A rook on the third or fourth file far up: the bishop and knight follow it.
  if (own_at_any(p, s, kRook, {76, 75, 74, 66})) {
    cell(s, kBishopLayer, 88) += 4;
    cell(s, kBishopLayer, 77) -= 3;
    cell(s, kBishopLayer, 97) += 9;
    cell(s, kKnightLayer, 77) += 7;
    cell(s, kPawnLayer, 97) -= 4;
    if (enemy_at(p, s, kPawn, 94)) cell(s, kPawnLayer, 96) += 12;
  }
  lance_stays_home(p, s);
  if (king_at_any(p, s, {59, 48})) {
    if (!own_at(p, s, kSilver, 48)) cell(s, kGoldLayer, 38) -= 15;
    cell(s, kPawnLayer, 65) -= 10;
  }
  if (king_at(p, s, 59)) {
    cell(s, kSilverLayer, 48) -= 20;
    add_cells(s, kRookLayer, {48, 38, 18}, -20);
    add_cells(s, kPawnLayer, {57, 47, 37, 27}, 8);
  }
  if (own_at(p, s, kRook, 68) || own_at(p, s, kGold, 68) || own_at(p, s, kSilver, 68)) {
    cell(s, kBishopLayer, 79) -= 200;
  }
  if (own_at_any(p, s, kGold, {78, 77, 68, 69, 67})) add_cells(s, kPawnLayer, {46, 36}, -5);
  if (!empty_at(p, s, 66)) {
    cell(s, kRookLayer, 56) -= 8;
  } else if (!empty_at(p, s, 76)) {
    cell(s, kRookLayer, 56) -= 3;
  }
  if (own_at(p, s, kSilver, 67)) cell(s, kSilverLayer, 78) -= own_at(p, s, kRook, 88) ? 15 : 5;
  if (enemy_king_file(p, s) == 1) {
    cell(s, kPawnLayer, 15) -= 10;
    cell(s, kPawnLayer, 16) -= 18;
    cell(s, kPawnLayer, 17) -= 26;
    cell(s, kPawnLayer, 18) -= 30;
    cell(s, kPawnLayer, 19) -= 32;
  }
  if (own_at(p, s, kBishop, 79)) {
    cell(s, kRookLayer, 68) -= 30;
    cell(s, kGoldLayer, 68) -= 30;
  }
  if (own_at(p, s, kRook, 68)) cell(s, kBishopLayer, 79) -= 20;
  if (enemy_at(p, s, kSilver, 63)) cell(s, kPawnLayer, 56) -= 4;
  apply_rules(p, s, senkei_rules(RuleGroup::kFuribishaRank6));
  apply_rules(p, s, senkei_rules(RuleGroup::kFuribishaKingRight));
  const int ko = enemy_king_file(p, s);
  if (ko == 1 || ko == 2) corner_ban_furibisha(s);
}

bool furiana_silver_test(const KPosition& p, int s) {
  if (!enemy_at(p, s, kPawn, 73)) return true;
  if (enemy_at_any(p, s, kSilver, {84, 75, 74})) return true;
  int silvers = 0;
  for (int sq2 : {62, 72, 63, 53, 42, 43}) silvers += enemy_at(p, s, kSilver, sq2);
  return silvers == 2;
}

void senkei_build_furiana(const KPosition& p, int s) {
  if (own_at(p, s, kSilver, 39)) cell(s, kGoldLayer, 39) -= 5;
  if (!king_at(p, s, 28)) cell(s, kLanceLayer, 18) -= 10;
  if (!king_at_any(p, s, {28, 19})) cell(s, kSilverLayer, 28) -= 20;
  if (!(king_at(p, s, 19) && own_at(p, s, kSilver, 28))) {
    cell(s, kPawnLayer, 47) += 10;
    cell(s, kPawnLayer, 37) += 15;
  }
  if (furiana_silver_test(p, s)) {
    if (own_at_any(p, s, kBishop, {77, 68, 88, 59})) cell(s, kPawnLayer, 57) -= 4;
    cell(s, kPawnLayer, 46) -= 4;
    cell(s, kPawnLayer, 37) -= 4;
    cell(s, kSilverLayer, 47) -= 3;
    add_cells(s, kSilverLayer, {67, 68, 69}, 3);
  }
}

}  // namespace eval
