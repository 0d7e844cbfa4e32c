// The fourth-file rook with mino (with its rapid left-silver system) and the
// mutual ranging rook with the gold-pair castle.
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_rule_data.h"
#include "engine/eval/senkei_rules.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kKnight, board::kPawn, board::kRook, board::kSilver;
using board::KPosition;

constexpr int32_t kRookStays = 200;  // the rook that would meet the opponent's rook on rank 8

// With the opponent's rook on 36, a rook of s on 88, 78 or 68 (the first found)
// that sees along rank 8 to 38 would be offered in exchange: keep it where it is.
void keep_rooks_apart(const KPosition& p, int s) {
  if (!enemy_at(p, s, kRook, 36)) return;
  for (int f : {8, 7, 6}) {
    if (!own_at(p, s, kRook, f * 10 + 8)) continue;
    bool open = true;
    for (int g = f - 1; g >= 3 && open; --g) open = empty_at(p, s, g * 10 + 8);
    if (!open) continue;
    cell(s, kRookLayer, f * 10 + 8) += kRookStays;
    return;
  }
}

// With the left gold on 78 the bishop stays home: every bishop cell above -6
// shrinks towards it, harder when no silver stands on 67.
void bishop_stays_home(const KPosition& p, int s) {
  const bool silver67 = own_at(p, s, kSilver, 67);
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      int32_t& v = cell(s, kBishopLayer, f * 10 + r);
      if (v > -6) v = silver67 ? (v - 6) / 2 : (v - 24) / 5;
    }
  }
}

}  // namespace

void nefura_system(const KPosition& p, int s) {
  apply_rules(p, s, senkei_rules(RuleGroup::kNefura));
}

void senkei_build_shiken_mino(const KPosition& p, int s) {
  if (enemy_at(p, s, kPawn, 14) && own_at(p, s, kPawn, 17)) cell(s, kPawnLayer, 16) += 20;
  if (!own_at(p, s, kSilver, 38)) {
    if (!own_at(p, s, kSilver, 39) &&
        !(own_at(p, s, kSilver, 47) && own_at(p, s, kGold, 49) && own_at_any(p, s, kGold, {58, 69}))) {
      cell(s, kGoldLayer, 49) = 0;
    }
    if (own_at(p, s, kSilver, 27)) {
      cell(s, kGoldLayer, 38) += 12;
    } else if (own_at(p, s, kSilver, 39)) {
      cell(s, kGoldLayer, 38) -= 8;
      cell(s, kGoldLayer, 47) -= 8;
    }
  }
  if (own_at(p, s, kPawn, 37)) add_cells(s, kPawnLayer, {26, 25}, -5);
  if (own_at(p, s, kPawn, 46) && own_at(p, s, kPawn, 37) && (own_at(p, s, kSilver, 38) || own_at(p, s, kGold, 38))) {
    cell(s, kPawnLayer, 36) += 5;
  }
  apply_rules(p, s, senkei_rules(RuleGroup::kShikenMinoGold38));
  apply_rules(p, s, senkei_rules(RuleGroup::kShikenMinoFurther));

  keep_rooks_apart(p, s);
  add_enemy_cells(s, kPawnLayer, {81, 82, 83, 84, 85}, -10);
  if (!own_at(p, s, kSilver, 27)) cell(s, kPawnLayer, 25) -= 12;
  if (own_at(p, s, kGold, 47) && own_at(p, s, kGold, 49)) cell(s, kGoldLayer, 58) -= 9;
  if (empty_at(p, s, 57)) {
    add_cells(s, kKingLayer, {48, 39}, -5);
    add_cells(s, kKingLayer, {58, 59}, -3);
  }
  nefura_system(p, s);
  if (own_at(p, s, kGold, 78)) bishop_stays_home(p, s);
}

void senkei_build_aifuri(const KPosition& p, int s) {
  if (own_at(p, s, kBishop, 88)) cell(s, kSilverLayer, 77) -= 20;
  // The rook still at home: the castle waits for the swing.
  if (own_at(p, s, kRook, 28)) {
    add_cells(s, kGoldLayer, {38, 48, 58}, -50);
    add_cells(s, kSilverLayer, {28, 38, 48}, -50);
    cell(s, kSilverLayer, 58) -= 100;
    cell(s, kKingLayer, 48) -= 100;
    cell(s, kRookLayer, 38) -= 50;
    cell(s, kRookLayer, 28) -= 20;
  }
  if (enemy_at(p, s, kPawn, 14) && own_at(p, s, kPawn, 17)) cell(s, kPawnLayer, 16) += 20;
  if (enemy_at(p, s, kPawn, 94) && own_at(p, s, kPawn, 97)) cell(s, kPawnLayer, 96) += 20;
  if (own_at_any(p, s, kRook, {76, 75, 74, 66})) {
    cell(s, kBishopLayer, 97) += 9;
    cell(s, kKnightLayer, 77) += 7;
    cell(s, kPawnLayer, 97) -= 4;
    if (enemy_at(p, s, kPawn, 94)) cell(s, kPawnLayer, 96) += 7;
  }
  apply_rules(p, s, senkei_rules(RuleGroup::kAifuriFurther));
}

}  // namespace eval
