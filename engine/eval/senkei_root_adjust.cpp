#include "engine/eval/senkei_root_adjust.h"

#include <bit>

#include "engine/board/kiki.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_rules.h"
#include "engine/eval/senkei_set.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kKing, board::kKnight, board::kLance, board::kPawn, board::kRook,
    board::kSilver;
using board::KPosition;

// A root move in the mover's own view: squares written file * 10 + rank (0 for
// the from-square of a drop), the moving piece's kind with its promotion.
struct RootMove {
  const KPosition& p;
  int m;
  int kind;
  int from;
  int to;

  bool is(int k, int from_sq, int to_sq) const { return kind == k && from == from_sq && to == to_sq; }
  bool gold(int from_sq, int to_sq) const { return is(kGold, from_sq, to_sq); }
};

RootMove root_move(const KPosition& p, const board::KMove& mv) {
  const int m = board::code_side(mv.code);
  auto square = [m](int sq) { return board::is_playing_square(sq) ? own_file(m, sq) * 10 + own_rank(m, sq) : 0; };
  return RootMove{p, m, board::code_class(mv.code), square(mv.from), square(mv.to)};
}

// A pattern matched: the first of the call saves the mover's cells.
void fire(const RootMove& mv, int number) {
  if (eval_setup.senkei_saved_pattern != 0) return;
  ++eval_setup.eval_settings_count;
  senkei_table_save(mv.m);
  eval_setup.saved_side = mv.m;
  eval_setup.senkei_saved_pattern = number;
}

bool rook_swings_from_28(const RootMove& mv) {
  return mv.kind == kRook && mv.from == 28 && rule_file(mv.to) >= 5 && rule_file(mv.to) <= 9;
}

// ---- Anti-ranging ----

bool pattern7(const RootMove& mv) {
  if (!(mv.kind == kPawn && rule_file(mv.from) == 1 && mv.to == 16)) return false;
  if (!enemy_bishop_attacks(mv.p, mv.m, 15, {24, 33, 42, 51})) return false;
  fire(mv, 7);
  cell(mv.m, kKnightLayer, 37) += 10;
  return true;
}

bool pattern9(const RootMove& mv) {
  if (!(mv.gold(58, 68) && king_at(mv.p, mv.m, 59))) return false;
  fire(mv, 9);
  cell(mv.m, kGoldLayer, 68) -= 25;
  return true;
}

bool pattern11(const RootMove& mv) {
  if (!(mv.is(kPawn, 26, 25) && own_at(mv.p, mv.m, kRook, 28))) return false;
  fire(mv, 11);
  cell(mv.m, kPawnLayer, 25) += 5;
  return true;
}

bool pattern13(const RootMove& mv) {
  if (!mv.gold(78, 67)) return false;
  fire(mv, 13);
  cell(mv.m, kGoldLayer, 67) -= 20;
  return true;
}

// ---- Ranging rook ----

bool pattern1(const RootMove& mv) {
  if (!(rook_swings_from_28(mv) && cell(mv.m, kGoldLayer, 38) < -10)) return false;
  fire(mv, 1);
  rook_swing_cells(mv.m, 1);
  return true;
}

bool pattern3(const RootMove& mv) {
  if (!(mv.from == 58 && mv.to == 48 && king_at(mv.p, mv.m, 59))) return false;
  fire(mv, 3);
  cell(mv.m, kGoldLayer, 48) -= 25;
  return true;
}

// ---- 居矢倉 ----

bool pattern15(const RootMove& mv) {
  if (!(mv.kind == kBishop && mv.to == 26 && (mv.from == 59 || mv.from == 48 || mv.from == 37))) return false;
  fire(mv, 15);
  add_cells(mv.m, kKnightLayer, {37, 45, 25}, 30);
  if (mv.from == 59) {
    for (int sq2 : {45, 46, 47, 48}) cell(mv.m, kRookLayer, sq2) = 0;
  }
  return true;
}

bool pattern17(const RootMove& mv) {
  if (!(mv.kind == kBishop && mv.from == 79 && own_at(mv.p, mv.m, kSilver, 37) && king_at(mv.p, mv.m, 69))) {
    return false;
  }
  fire(mv, 17);
  add_cells(mv.m, kBishopLayer, {35, 46, 57}, -17);
  if (own_at(mv.p, mv.m, kPawn, 36)) cell(mv.m, kPawnLayer, 36) += 5;
  return true;
}

bool pattern19(const RootMove& mv) {
  if (!(mv.kind == kPawn && rule_file(mv.from) == 2 && own_at(mv.p, mv.m, kRook, 28))) return false;
  const KPosition& p = mv.p;
  const int m = mv.m;
  const int file6 = board::square_file(rule_square(m, 61));
  const bool bishop_on_66 =
      enemy_bishop_attacks(p, m, 66, {}) && (enemy_at_any(p, m, kPawn, {64, 65}) || p.pawn_file[1 - m][file6] == 0);
  const bool bishop_on_22 = enemy_at(p, m, kBishop, 22) && empty_at(p, m, 33) && own_at(p, m, kSilver, 44);
  if (!bishop_on_66 && !bishop_on_22) return false;
  fire(mv, 19);
  cell(m, kPawnLayer, 25) -= 5;
  cell(m, kPawnLayer, 26) -= 20;
  cell(m, kPawnLayer, 27) -= 27;
  return true;
}

// ---- 角換わり ----

void pattern21(const RootMove& mv) {
  if (!(mv.gold(78, 67) || mv.gold(78, 68) || mv.gold(69, 58))) return;
  fire(mv, 21);
  cell(mv.m, kGoldLayer, mv.to) -= 15;
}

void pattern25(const RootMove& mv) {
  if (!mv.gold(49, 58)) return;
  if (board::square_attack_count(mv.p, mv.m, rule_square(mv.m, 67)) != 1) return;
  fire(mv, 25);
  cell(mv.m, kGoldLayer, 67) += 8;
}

void pattern27(const RootMove& mv) {
  if (!mv.is(kKing, 69, 68)) return;
  fire(mv, 27);
  cell(mv.m, kKingLayer, 68) -= 20;
}

// ---- 四間美濃 ----

void pattern29(const RootMove& mv) {
  if (!(mv.is(kSilver, 38, 47) || mv.is(kSilver, 38, 37))) return;
  fire(mv, 29);
  cell(mv.m, kSilverLayer, mv.to) -= 20;
}

void pattern31(const RootMove& mv) {
  if (!(mv.gold(49, 58) || mv.gold(49, 48) || mv.gold(38, 47))) return;
  fire(mv, 31);
  cell(mv.m, kGoldLayer, mv.to) -= 28;
}

void pattern33(const RootMove& mv) {
  if (!mv.gold(38, 48)) return;
  fire(mv, 33);
  cell(mv.m, kGoldLayer, 58) -= 15;
}

void pattern35(const RootMove& mv) {
  if (!mv.is(kSilver, 56, 67)) return;
  fire(mv, 35);
  cell(mv.m, kSilverLayer, 67) -= 10;
}

// ---- 舟囲い急戦 ----

void pattern37(const RootMove& mv) {
  if (!mv.is(kPawn, 37, 36)) return;
  fire(mv, 37);
  cell(mv.m, kPawnLayer, 37) -= 8;
}

// ---- 相振金無双 ----

void pattern39(const RootMove& mv) {
  if (!(rook_swings_from_28(mv) && cell(mv.m, kGoldLayer, 38) < -30)) return;
  fire(mv, 39);
  add_cells(mv.m, kGoldLayer, {38, 48, 58}, 50);
  add_cells(mv.m, kSilverLayer, {28, 38, 48, 58}, 50);
  add_cells(mv.m, kKingLayer, {58, 48}, 50);
}

void pattern41(const RootMove& mv) {
  if (!mv.gold(49, 58)) return;
  fire(mv, 41);
  cell(mv.m, kGoldLayer, 58) -= 20;
}

// The mover's rook: the first rook-numbered piece when it is the mover's, else
// the second; its square, or 0 when that rook is not the mover's on the board.
int mover_rook_square(const KPosition& p, int m) {
  const int first = board::kKindRange[kRook].first;
  const int n = board::code_side(p.piece[first].code) == m ? first : first + 1;
  const board::KPieceEntry& e = p.piece[n];
  return board::is_playing_square(e.sq) && board::code_side(e.code) == m ? e.sq : 0;
}

void pattern43(const RootMove& mv) {
  const int f = rule_file(mv.to);
  if (!(mv.kind == kPawn && mv.from == f * 10 + 5 && mv.to == f * 10 + 4)) return;
  const int rook = mover_rook_square(mv.p, mv.m);
  if (rook == 0 || own_file(mv.m, rook) != f || f < 6 || f > 8) return;
  if (!enemy_at(mv.p, mv.m, kPawn, f * 10 + 3)) return;
  fire(mv, 43);
  cell(mv.m, kPawnLayer, f * 10 + 4) -= 15;
  cell(mv.m, kPawnLayer, f * 10 + 5) -= 15;
}

// ---- ひだり美濃, いびあな ----

void pattern45(const RootMove& mv) {
  if (!(mv.is(kSilver, 78, 67) || mv.is(kSilver, 78, 77))) return;
  fire(mv, 45);
  cell(mv.m, kSilverLayer, mv.to) -= 20;
}

void pattern47(const RootMove& mv) {
  if (!(mv.kind == kGold && mv.from == 78 && rule_rank(mv.to) == 9 && !king_at(mv.p, mv.m, 99))) return;
  fire(mv, 47);
  cell(mv.m, kGoldLayer, mv.to) -= 35;
}

// True when one of the side's direct attackers of the square is an unpromoted
// piece of one of the kinds.
bool attacked_by_kind(const KPosition& p, int side, int sq, std::initializer_list<int> kinds) {
  uint64_t set = board::kiki_direct64(board::kiki_at(p, sq), side);
  for (; set != 0; set &= set - 1) {
    const int code = p.piece[std::countr_zero(set)].code;
    for (int k : kinds) {
      if (code == (k | board::side_bit(side))) return true;
    }
  }
  return false;
}

}  // namespace

void senkei_table_save(int side) {
  if (board::eval_links.senkei_current == nullptr) return;
  for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
    for (int f = 1; f <= 9; ++f) {
      for (int r = 1; r <= 9; ++r) {
        eval_setup.senkei_save_area[layer][f - 1][r - 1] =
            board::eval_links.senkei_current->cell[side][layer][board::square_of(f, r) - board::kFirstSquare];
      }
    }
  }
}

void senkei_table_restore(int side) {
  if (eval_setup.senkei_saved_pattern == 0) return;
  eval_setup.senkei_saved_pattern = 0;
  ++eval_setup.eval_settings_count;
  if (board::eval_links.senkei_current == nullptr) return;
  for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
    for (int f = 1; f <= 9; ++f) {
      for (int r = 1; r <= 9; ++r) {
        board::eval_links.senkei_current->cell[side][layer][board::square_of(f, r) - board::kFirstSquare] =
            eval_setup.senkei_save_area[layer][f - 1][r - 1];
      }
    }
  }
}

int senkei_table_update(const KPosition& p, const board::KMove& m, int /*stage*/, int code) {
  // An adjustment left pending by a caller that did not restore would stay in
  // the table for good: take it back before the new move.
  if (eval_setup.senkei_saved_pattern != 0) senkei_table_restore(eval_setup.saved_side);
  eval_setup.senkei_saved_pattern = 0;
  if (board::eval_links.senkei_current == nullptr || m.from == board::kPassSquare) return 0;

  const RootMove mv = root_move(p, m);
  if (senkei_furibisha_flag(code)) {
    if (!pattern1(mv)) pattern3(mv);
  } else if (senkei_taifuri_flag(code)) {
    pattern7(mv);
    pattern9(mv);
    pattern11(mv);
    pattern13(mv);
  }
  switch (senkei_table_index(code)) {
    case 1:
      if (!pattern15(mv) && !pattern17(mv)) pattern19(mv);
      break;
    case 2:
      pattern21(mv);
      pattern25(mv);
      pattern27(mv);
      break;
    case 3:
      pattern29(mv);
      pattern31(mv);
      pattern33(mv);
      pattern35(mv);
      break;
    case 5: pattern37(mv); break;
    case 6:
      pattern39(mv);
      pattern41(mv);
      pattern43(mv);
      break;
    case 7: pattern45(mv); break;
    case 8: pattern47(mv); break;
    default: break;
  }
  return eval_setup.senkei_saved_pattern;
}

int koma_move_bonus(const KPosition& p, const board::KMove& mv, const int32_t codes[2]) {
  if (!board::is_playing_square(mv.from) || !board::is_playing_square(mv.to) || mv.captured_code != 0) return 0;
  const int kind = board::code_class(mv.code);
  if (kind != kGold && kind != kSilver && kind != kKnight && kind != kKing) return 0;
  const int m = board::code_side(mv.code);
  const int o = 1 - m;
  const board::KKiki& from = board::kiki_at(p, mv.from);
  const bool enemy_attacks = from.direct_count[o] > 0;
  const int defenders = from.direct_count[m];
  const bool better = board::senkei_cell(m, mv.code, mv.to) + 4 < board::senkei_cell(m, mv.code, mv.from);
  const int from_rank = own_rank(m, mv.from);
  const int to_rank = own_rank(m, mv.to);

  if (kind == kKnight) {
    if (enemy_attacks && defenders == 0) return 0;
    if (attacked_by_kind(p, o, mv.from, {kPawn})) return 0;
    return better && to_rank == 7 ? 5 : 0;
  }
  if (kind == kKing && enemy_attacks) return 0;
  // The vacated square must stay safe.
  const bool undefended = defenders == 0 || (defenders == 1 && board::kiki_has_direct(from, m, mv.piece));
  if (enemy_attacks && undefended) return 0;
  if (attacked_by_kind(p, o, mv.from, {kPawn, kKnight, kLance})) return 0;
  if (kind != kSilver) return better ? 1 : 0;

  const bool back = to_rank == 9 || (from_rank == 7 && to_rank == 8);
  if (better && back) return 2;
  if (codes[m] != 1) return 0;
  if (back) return 3;
  if (mv.from == rule_square(m, 77) && mv.to == rule_square(m, 76) && !own_at(p, m, kPawn, 75)) return 4;
  return 0;
}

}  // namespace eval
