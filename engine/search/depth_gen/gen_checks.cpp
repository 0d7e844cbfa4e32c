#include "engine/search/depth_gen/gen_checks.h"

#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/check_families.h"
#include "engine/search/depth_gen/gen_stamp.h"

namespace search {

using board::kBishop;
using board::kGold;
using board::kKnight;
using board::kLance;
using board::kPawn;
using board::kRook;
using board::kSilver;

namespace {

// The king-front state: 1 when the enemy king stands on its back rank behind
// an empty square the mover holds, 3 when moreover both squares beside that
// one hold an enemy piece or are attacked by the mover; else 0.
int king_front(const GenCall& g) {
  if (g.king == board::kNotInPlay || board::square_rank(g.king) != (g.s == 0 ? 1 : 9)) return 0;
  const int front = g.king - g.f;
  if (!g.empty(front) || !g.held(front)) return 0;
  const auto closed = [&](int q) { return g.enemy(q) || g.c(g.s, q) > 0; };
  return closed(front - 1) && closed(front + 1) ? 3 : 1;
}

void target_drops(GenCall& g, int piece, int code, int t) {
  const bool held = g.held(t);
  const bool promoted = (code & board::kPromotedBit) != 0;
  const auto knight = [&] { if (g.in_hand(kKnight)) gen1_drop_kei(g, t, kTagTarget); };
  const auto silver = [&](bool far) { if (g.in_hand(kSilver)) gen1_drop_gin(g, t, far, kTagTarget); };
  const auto gold = [&] { if (g.in_hand(kGold)) gen1_drop_kin(g, t, kTagTarget); };
  const auto bishop_rook = [&] {
    if (!held) return;
    if (g.in_hand(kBishop)) gen1_drop_kaku(g, t, kTagTarget);
    if (g.in_hand(kRook)) gen1_drop_hisha(g, t, kTagTarget);
  };
  switch (board::number_kind(piece)) {
    case kRook:
      knight();
      silver(false);
      gold();
      if (g.in_hand(kBishop)) gen1_drop_kaku_hisha(g, t);
      break;
    case kBishop:
      knight();
      silver(false);
      gold();
      if (g.in_hand(kBishop)) gen1_drop_kaku_kaku(g, t, code);
      if (g.in_hand(kRook) && (g.c(g.s, t) > 0 || g.c(g.e, t) == 0)) {
        int blocked = 4;
        if (!g.camp(t)) {
          for (int d : board::kDiagonalSteps) {
            const int q = t + d;
            if (!g.wall(q) && !g.enemy(q) && g.c(g.s, q) == 0) --blocked;
          }
        }
        if (!g.camp(t) && blocked >= 3) {
          gen1_drop_hisha_line_koma(g, t, piece, code, kTagTarget);
          gen1_drop_hisha_line(g, t, kTagTarget);
        } else {
          gen1_drop_hisha(g, t, kTagTarget);
        }
      }
      break;
    case kGold:
      knight();
      silver(false);
      bishop_rook();
      break;
    case kSilver:
      knight();
      gold();
      bishop_rook();
      break;
    case kKnight: {
      if (g.in_hand(kPawn) && g.file_free(g.s, t)) gen1_drop_fu(g, t);
      const int r = gen1_kei_target_gin_mode(g, t, code);
      if (r > 0) silver(r == 2);
      if (gen1_kei_target_kin_ok(g, t, code)) gold();
      bishop_rook();
      break;
    }
    case kLance: {
      if (!(g.sup(g.s, t) < 1 || g.sup(g.e, t) != 0)) break;
      knight();
      const int r = gen1_kyo_target_gin_mode(g, t, code);
      if (r > 0) silver(r == 2);
      if (gen1_kyo_target_kin_ok(g, t, code)) gold();
      bishop_rook();
      break;
    }
    case kPawn:
      if (promoted) knight();
      if (g.in_hand(kBishop) && gen1_fu_target_kaku_ok(g, t, code)) gen1_drop_kaku(g, t, kTagTarget);
      if (g.in_hand(kRook) && gen1_fu_target_hisha_mode(g, t, code) == 1) gen1_drop_hisha(g, t, kTagTarget);
      break;
    default: break;
  }
}

// Bishops dropped behind the own piece on p, through it at the enemy piece on
// its neighbour (or, for a bishop, first on its line) along each direction.
void bishops_behind(GenCall& g, int p, bool all_four, bool line) {
  if (!g.in_hand(kBishop)) return;
  const auto try_dir = [&](int d) {
    if (line ? gen1_kaku_line_test(g, p, d) : gen1_kaku_next_test(g, p, d)) gen1_drop_kaku_behind(g, p, d);
  };
  if (all_four) {
    for (int d : board::kDiagonalSteps) try_dir(d);
  } else {
    try_dir(g.f - 1);
    try_dir(g.f + 1);
  }
}

void own_moves(GenCall& g, int piece, int code, int sq, int front) {
  const bool promoted = (code & board::kPromotedBit) != 0;
  switch (board::number_kind(piece)) {
    case kRook: gen1_move_hisha(g, piece, code, sq, front); break;
    case kBishop:
      gen1_move_kaku(g, piece, code, sq, front);
      bishops_behind(g, sq, true, true);
      break;
    case kGold:
      gen1_move_kin(g, piece, code, sq);
      bishops_behind(g, sq, false, false);
      break;
    case kSilver:
      if (promoted) {
        gen1_move_kin(g, piece, code, sq);
      } else {
        gen1_move_gin(g, piece, code, sq);
      }
      bishops_behind(g, sq, !promoted, false);
      break;
    default:
      if (promoted) {
        gen1_move_narigoma(g, piece, code, sq);
        bishops_behind(g, sq, false, false);
      } else if (board::number_kind(piece) == kKnight) {
        gen1_move_kei(g, piece, code, sq);
      } else if (board::number_kind(piece) == kLance) {
        gen1_move_kyo(g, piece, code, sq);
      } else {
        gen1_move_fu(g, piece, code, sq);
      }
      break;
  }
}

}  // namespace

int sashite_gen_checks(const board::KPosition& p, const board::KMove* last, uint32_t accept, const KSearchedSet& set,
                       board::KMove* out) {
  GenCall g(p, last, last - 1, 1, accept, set, out, AcceptForm::kThreatKind, 1);
  gen_stamp_begin_checks();
  if (g.king != board::kNotInPlay) {
    const int k = g.king;
    if (g.in_hand(kPawn) && g.file_free(g.s, k)) gen1_drop_fu(g, k);
    if (g.in_hand(kKnight)) gen1_drop_kei(g, k, kTagTarget);
    if (g.in_hand(kSilver)) gen1_drop_gin(g, k, false, kTagTarget);
    if (g.in_hand(kGold)) gen1_drop_kin(g, k, kTagAdmitted);
    if (g.in_hand(kBishop)) gen1_drop_kaku_ou(g, k);
    if (g.in_hand(kRook)) gen1_drop_hisha(g, k, kTagTarget);
  }
  const int front = king_front(g);
  gen1_move_ou(g);
  for (int piece = 2; piece < board::kPieceCount; ++piece) {
    const int sq = p.piece[piece].sq;
    if (!board::is_playing_square(sq)) continue;
    const int code = p.piece[piece].code;
    if (code & board::side_bit(g.e)) {
      target_drops(g, piece, code, sq);
    } else {
      own_moves(g, piece, code, sq, front);
    }
  }
  for (int r = 0; r < gen_stamp.record_count; ++r) {
    const KGenRecord& rec = gen_stamp.record[r];
    const int from = p.piece[rec.piece].sq;
    if (from != board::kInHand) {
      g.emit_board(rec.piece, from, rec.square, rec.promote);
    } else if (gen_stamp_is_set(gen_stamp.entry[gen_stamp_key(rec.piece, rec.square, rec.promote)], kStampAgain)) {
      g.emit_drop(rec.piece, rec.square);
    }
  }
  return g.count;
}

}  // namespace search
