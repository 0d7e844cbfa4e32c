#include "engine/search/depth_gen/gen_by_depth.h"

#include "engine/board/exchange_eval.h"
#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/depth_rules.h"
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/gen_captures.h"
#include "engine/search/depth_gen/gen_checks.h"
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

// The drops against the enemy king (tag 4) or a square next to it (tag 5).
void drops_around(GenCall& g, int t, int tag, bool on_king) {
  if (g.in_hand(kPawn) && g.file_free(g.s, t)) gen_drop_fu(g, t, tag);
  if (g.in_hand(kLance)) gen_drop_kyo(g, t, tag);
  if (g.in_hand(kKnight)) gen_drop_kei(g, t, tag, false);
  if (g.in_hand(kSilver)) gen_drop_gin(g, t, tag, false, false);
  if (g.in_hand(kGold)) gen_drop_kin(g, t, tag, false);
  if (g.in_hand(kBishop)) {
    if (on_king) {
      gen_drop_kaku_ou(g, t);
    } else {
      gen_drop_kaku(g, t, tag);
    }
  }
  if (g.in_hand(kRook)) gen_drop_hisha(g, t, tag);
}

// The camp ranks from the one nearest the centre outwards.
int camp_rank(int side, int i) { return side == 0 ? 3 - i : 7 + i; }

void camp_pawn_drops(GenCall& g) {
  if (!g.in_hand(kPawn)) return;
  const int hand_value = board::exchange_hand_value(kPawn, g.hand(g.s, kPawn));
  const int threshold = gen_threshold(g.n);
  for (int file = 1; file <= 9; ++file) {
    if (g.p.pawn_file[g.s][file] != 0) continue;
    for (int i = 0; i < 3; ++i) {
      const int t = board::square_of(file, camp_rank(g.s, i));
      if (!g.empty(t) || !(g.covered(t) || g.n >= 4)) continue;
      if (threshold <= piece_worth(g.p, g.s, board::kTokin, t) - hand_value) gen_drop_fu(g, t, kTagCamp);
    }
  }
}

void camp_slider_drops(GenCall& g) {
  constexpr int kBishopCampLimit = 601;
  if (g.in_hand(kBishop) && !(g.p.hand_sum[g.s] >= 3 && open_camp_squares(g) > 6)) {
    for (int i = 0; i < 3; ++i) {
      for (int file = 1; file <= 9; ++file) {
        const int t = board::square_of(file, camp_rank(g.s, i));
        if (!g.empty(t) || !g.covered(t)) continue;
        if ((g.c(g.e, t) == 0 || enemy_gain_against(g, kBishop, t) < kBishopCampLimit) &&
            !drop_return_fires(g, t, kReturnBishopRule)) {
          propose_drop(g, kBishop, t, kTagCamp, false);
        }
        gen_drop_kaku(g, t, kTagCamp);
      }
    }
  }
  if (g.in_hand(kRook) && open_camp_squares(g) <= 4) {
    for (int i = 0; i < 3; ++i) {
      for (int file = 1; file <= 9; ++file) {
        const int t = board::square_of(file, camp_rank(g.s, i));
        if (!g.empty(t) || !g.held(t) || g.enemy_pawn(t + g.f)) continue;
        if (!drop_return_fires(g, t, kReturnRookRule)) propose_drop(g, kRook, t, kTagCamp, false);
        gen_drop_hisha(g, t, kTagCamp);
      }
    }
  }
}

// Reads the candidates back in the order of first proposal.
void admit_candidates(GenCall& g) {
  for (int r = 0; r < gen_stamp.record_count; ++r) {
    const KGenRecord& rec = gen_stamp.record[r];
    const KGenStampEntry& e = gen_stamp.entry[gen_stamp_key(rec.piece, rec.square, rec.promote)];
    if (g.p.piece[rec.piece].sq != board::kInHand) {
      g.emit_board(rec.piece, g.p.piece[rec.piece].sq, rec.square, rec.promote);
      continue;
    }
    const bool again = gen_stamp_is_set(e, kStampAgain);
    const bool weak_only = gen_stamp_is_set(e, kStampWeakOnly);
    const bool in_camp = g.camp(rec.square);
    bool admit = !weak_only;
    switch (board::number_kind(rec.piece)) {
      case kRook: admit = !(g.n < 4 && weak_only) && (in_camp || again); break;
      case kBishop: admit = again || g.n >= 5 || (in_camp && !weak_only); break;
      default: break;
    }
    if (admit) g.emit_drop(rec.piece, rec.square);
  }
}

}  // namespace

int sashite_gen_by_depth(const board::KPosition& p, const board::KMove* last, int n, uint32_t accept,
                         const KSearchedSet& set, board::KMove* out) {
  if (n <= 0) return sashite_gen_captures(p, last, last, last - 1, accept, set, out);
  if (n == 1) return sashite_gen_checks(p, last, accept, set, out);
  GenCall g(p, last, last - 1, n, accept, set, out, AcceptForm::kThreatKind, n);
  gen_stamp_begin_depth();
  if (g.king != board::kNotInPlay) {
    drops_around(g, g.king, kTagTarget, true);
    if (n >= 4) {
      for (int step : board::kDirectionSteps) {
        const int t = g.king + step;
        if (g.wall(t)) continue;
        if (g.empty(t) || (g.enemy(t) && g.sup(g.e, t) <= g.sup(g.s, t) + 1)) drops_around(g, t, kTagKingSide, false);
      }
    }
  }
  gen_own_ou(g);
  depth_piece_rules(g);
  camp_pawn_drops(g);
  camp_slider_drops(g);
  admit_candidates(g);
  return g.count;
}

}  // namespace search
