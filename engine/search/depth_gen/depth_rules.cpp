// Step 6 of the depth generator: per piece on the board in piece-number
// order, the drops that attack an enemy piece, or an own piece's family moves
// and the drops that back it.
#include <cstdlib>

#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/depth_rules.h"
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/gen_stamp.h"
#include "engine/search/depth_gen/own_families.h"

namespace search {

using board::kBishop;
using board::kGold;
using board::kKnight;
using board::kLance;
using board::kPawn;
using board::kRook;
using board::kSilver;

namespace {

constexpr int kRuleCLimit = 200;
constexpr int kNoValue = 32767;

int first_piece(const GenCall& g, int from, int dir) {
  int q = from + dir;
  while (g.empty(q)) q += dir;
  return q;
}

bool any_pawn(const GenCall& g, int sq) { return g.cell(sq) < board::kPieceCount && g.cls(sq) == kPawn; }
bool near_enemy_half(const GenCall& g, int sq) { return g.s == 0 ? sq < 80 : sq >= 96; }

// The pawn rule with its file condition, and the second pawn rule from n = 3.
void pawn_drops(GenCall& g, int t) {
  if (!g.in_hand(kPawn)) return;
  if (g.file_free(g.s, t)) gen_drop_fu(g, t, kTagTarget);
  if (g.n >= 3) gen_drop_fu_tare(g, t, kTagPawnBelow);
}

void minor_drops(GenCall& g, int t, bool weak) {
  if (g.in_hand(kKnight)) gen_drop_kei(g, t, kTagTarget, weak);
  if (g.in_hand(kSilver)) gen_drop_gin(g, t, kTagTarget, weak, false);
  if (g.in_hand(kGold)) gen_drop_kin(g, t, kTagTarget, weak);
}

void bishop_drops(GenCall& g, int t, bool when) {
  if (when && g.in_hand(kBishop)) gen_drop_kaku(g, t, kTagTarget);
}
void rook_drops(GenCall& g, int t, bool when) {
  if (when && g.in_hand(kRook)) gen_drop_hisha(g, t, kTagTarget);
}

// Rule B: a rook against an enemy bishop; the rook-line rules when the bishop
// is nearly trapped outside its camp.
void rule_b(GenCall& g, int piece, int code, int t) {
  if (!g.in_hand(kRook) || !(g.n >= 3 || g.c(g.s, t) != 0 || g.c(g.e, t) < 1)) return;
  if (!g.camp(t)) {
    int blocked = 4;
    for (int d : board::kDiagonalSteps) {
      const int q = t + d;
      if (!g.wall(q) && !g.enemy(q) && g.c(g.s, q) == 0) --blocked;
    }
    if (blocked >= 3) {
      gen_drop_hisha_line_koma(g, t, piece, code, kTagTarget);
      gen_drop_hisha_line(g, t, kTagTarget);
      return;
    }
  }
  gen_drop_hisha(g, t, kTagTarget);
}

// Rule D: silver and gold against an enemy knight or lance.
void rule_d(GenCall& g, int code, int t, bool knight) {
  if (knight && !(g.sup(g.s, t) < 1 || g.sup(g.e, t) != 0 || g.n >= 5)) return;
  if (!(code & board::kPromotedBit)) {
    if (!g.held(t) || gen_threshold(g.n) > piece_worth(g.p, g.e, board::code_class(code), t)) return;
    if (g.in_hand(kSilver)) gen_drop_gin(g, t, kTagTarget, false, false);
    if (g.in_hand(kGold)) gen_drop_kin(g, t, kTagTarget, false);
    return;
  }
  if (g.in_hand(kSilver)) gen_drop_gin(g, t, kTagTarget, false, g.n < 5);
  if (g.in_hand(kGold) && g.n >= 5) gen_drop_kin(g, t, kTagTarget, false);
}

void enemy_piece_drops(GenCall& g, int piece, int code, int t) {
  const bool held = g.held(t);
  const bool promoted = (code & board::kPromotedBit) != 0;
  switch (board::number_kind(piece)) {
    case kRook:
      pawn_drops(g, t);
      if (g.in_hand(kLance)) gen_drop_kyo(g, t, kTagTarget);
      minor_drops(g, t, g.n < 3);
      if (g.in_hand(kBishop)) gen_drop_kaku_hisha(g, t);
      rook_drops(g, t, g.n >= 3);
      break;
    case kBishop:
      pawn_drops(g, t);
      if (g.in_hand(kLance)) gen_drop_kyo(g, t, kTagTarget);
      minor_drops(g, t, g.n < 3);
      if (g.in_hand(kBishop)) gen_drop_kaku_kaku(g, t, code);
      rule_b(g, piece, code, t);
      break;
    case kGold:
    case kSilver:
      pawn_drops(g, t);
      if (g.in_hand(kLance)) gen_drop_kyo(g, t, kTagTarget);
      minor_drops(g, t, false);
      bishop_drops(g, t, held || (board::number_kind(piece) == kGold && g.n >= 4));
      rook_drops(g, t, held);
      break;
    case kKnight:
      pawn_drops(g, t);
      if (g.in_hand(kLance)) gen_drop_kyo(g, t, kTagTarget);
      if (g.in_hand(kKnight) && (g.c(g.s, t) < 1 || g.c(g.e, t) != 0 || g.n >= 5)) {
        gen_drop_kei(g, t, kTagTarget, false);
      }
      rule_d(g, code, t, true);
      bishop_drops(g, t, held);
      rook_drops(g, t, held);
      break;
    case kLance: {
      if (!(g.sup(g.s, t) < 1 || g.sup(g.e, t) != 0 || g.n >= 5)) break;
      pawn_drops(g, t);
      const bool cheap = !promoted && piece_worth(g.p, g.e, board::code_class(code), t) < 25 && g.n < 4;
      if (!cheap && g.in_hand(kLance)) gen_drop_kyo(g, t, kTagTarget);
      if (!cheap && g.in_hand(kKnight)) gen_drop_kei(g, t, kTagTarget, false);
      rule_d(g, code, t, false);
      bishop_drops(g, t, held);
      rook_drops(g, t, held);
      break;
    }
    case kPawn: {
      if (promoted || g.n >= 3) pawn_drops(g, t);
      if (g.n >= 3 && g.in_hand(kLance) && (promoted || (g.camp(t) && held))) gen_drop_kyo_fu(g, t, kTagTarget);
      if (g.in_hand(kKnight) && fu_target_kei_ok(g, t, code)) gen_drop_kei(g, t, kTagTarget, false);
      if (g.in_hand(kSilver)) {
        const int r = fu_target_gin_mode(g, t, code);
        if (r > 0) gen_drop_gin(g, t, kTagTarget, false, r == 2);
      }
      if (g.in_hand(kGold) && fu_target_kin_ok(g, t, code)) gen_drop_kin(g, t, kTagTarget, false);
      if (g.in_hand(kBishop) && fu_target_kaku_ok(g, t, code)) gen_drop_kaku(g, t, kTagTarget);
      if (g.in_hand(kRook)) {
        int cache = kNoValue;
        const int mode = fu_target_hisha_mode(g, t, code, cache);
        if (mode == 1) gen_drop_hisha(g, t, kTagTarget);
        if (mode == 2) gen_drop_hisha_line(g, t, kTagTarget);
      }
      break;
    }
    default: break;
  }
}

// Rule C: a bishop dropped behind the own piece on p, aimed through it at a
// defended enemy piece along d (the first piece on the line, or the neighbour).
void rule_c(GenCall& g, int p, int d, bool line) {
  const int target = line ? first_piece(g, p, d) : p + d;
  if (!g.enemy(target) || (g.enemy_pawn(target) && !g.camp(target))) return;
  if (g.c(g.e, target) == 0 || !g.held(target) || !g.empty(p - d)) return;
  for (int sq = p - d; g.empty(sq); sq -= d) {
    if (!g.covered(sq)) continue;
    if (g.c(g.e, sq) > 0 && enemy_gain_against(g, kBishop, sq) > kRuleCLimit) continue;
    if (!drop_return_fires(g, sq, kReturnBishopRule)) propose_drop(g, kBishop, sq, kTagTarget, false);
  }
}

void rule_c_diagonals(GenCall& g, int p, bool forward_only, bool line) {
  if (!g.in_hand(kBishop)) return;
  if (forward_only) {
    rule_c(g, p, g.f - 1, false);
    rule_c(g, p, g.f + 1, false);
    return;
  }
  for (int d : board::kDiagonalSteps) rule_c(g, p, d, line);
}

// Rule A: a lance behind the own rook that runs into the camp beside the
// enemy king.
void rule_a(GenCall& g, int code, int r) {
  if (!g.in_hand(kLance) || board::code_class(code) != kRook || g.n < 3 || !g.empty(r - g.f) || g.camp(r)) return;
  if (g.king == board::kNotInPlay || std::abs(board::square_file(g.king) - board::square_file(r)) != 1) return;
  for (int q = r + g.f; !g.own_or_wall(q); q += g.f) {
    if (g.camp(q) && g.c(g.e, q) == 1 && g.attacks(g.e, q, g.e)) {
      gen_drop_kyo(g, r, kTagTarget);
      return;
    }
    if (!g.empty(q)) return;
  }
}

// Rule E: a lance behind the own lance that faces a defended enemy piece.
void rule_e(GenCall& g, int sq) {
  if (!g.in_hand(kLance) || g.n < 3 || !g.empty(sq - g.f)) return;
  const int q = first_piece(g, sq, g.f);
  if (g.enemy(q) && g.c(g.e, q) > 0) gen_drop_kyo(g, sq, kTagTarget);
}

// Rule F: a rook behind the own lance or pawn that presses an enemy pawn.
void rule_f(GenCall& g, int sq, bool lance) {
  if (!g.in_hand(kRook) || g.n < 3) return;
  if (lance) {
    if (!g.empty(sq - g.f)) return;
    const int q = first_piece(g, sq, g.f);
    if (g.enemy_pawn(q) && g.held(q) && g.c(g.e, q) > 0) gen_drop_hisha_behind(g, sq);
    return;
  }
  const int ahead = sq + g.f;
  if (near_enemy_half(g, sq) && g.c(g.e, ahead) > 0 && g.held(ahead) && !any_pawn(g, ahead + g.f)) {
    gen_drop_hisha_behind(g, sq);
  }
}

// Rule G: a lance behind the own advanced pawn.
void rule_g(GenCall& g, int sq) {
  if (!g.in_hand(kLance) || g.n < 2 || !near_enemy_half(g, sq)) return;
  const int ahead = sq + g.f;
  if (g.c(g.e, ahead) > 0 && (!any_pawn(g, ahead + g.f) || g.held(ahead))) gen_drop_kyo(g, sq, kTagTarget);
}

void own_piece_moves(GenCall& g, int piece, int code, int sq) {
  const bool promoted = (code & board::kPromotedBit) != 0;
  switch (board::number_kind(piece)) {
    case kRook:
      gen_own_hisha(g, piece, code, sq);
      rule_a(g, code, sq);
      break;
    case kBishop:
      gen_own_kaku(g, piece, code, sq);
      rule_c_diagonals(g, sq, false, true);
      break;
    case kGold:
      gen_own_kin(g, piece, code, sq);
      rule_c_diagonals(g, sq, true, false);
      break;
    case kSilver:
      if (promoted) {
        gen_own_kin(g, piece, code, sq);
      } else {
        gen_own_gin(g, piece, code, sq);
      }
      rule_c_diagonals(g, sq, promoted, false);
      break;
    default:
      if (promoted) {
        gen_own_narigoma(g, piece, code, sq);
        rule_c_diagonals(g, sq, true, false);
      } else if (board::number_kind(piece) == kKnight) {
        gen_own_kei(g, piece, code, sq);
      } else if (board::number_kind(piece) == kLance) {
        gen_own_kyo(g, piece, code, sq);
        rule_e(g, sq);
        rule_f(g, sq, true);
      } else {
        gen_own_fu(g, piece, code, sq);
        rule_g(g, sq);
        rule_f(g, sq, false);
      }
      break;
  }
}

}  // namespace

void depth_piece_rules(GenCall& g) {
  for (int piece = 2; piece < board::kPieceCount; ++piece) {
    const int sq = g.p.piece[piece].sq;
    if (!board::is_playing_square(sq)) continue;
    const int code = g.p.piece[piece].code;
    if (code & board::side_bit(g.e)) {
      enemy_piece_drops(g, piece, code, sq);
    } else {
      own_piece_moves(g, piece, code, sq);
    }
  }
}

}  // namespace search
