// The checking generator's families of the king, pawn, gold (and gold-moving
// promoted pieces), lance, knight and silver.
#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/check_families.h"
#include "engine/search/depth_gen/gen_captures.h"

namespace search {

using board::kPawn;

namespace {

constexpr int kLimit2[3] = {50, 250, 300};
constexpr int kLossLimit = -200;

// Gold steps as gote makes them (turned for sente by 2s - 1), with the
// follow-up squares each step newly attacks, and the silver steps with the
// squares a promoted silver gains over the silver it was.
constexpr int kGoldFollow[6][4] = {{0, 1, 5, -1}, {0, 1, 2, 5}, {1, 2, 3, -1},
                                   {2, 3, 4, -1}, {3, 4, 5, -1}, {0, 1, 4, 5}};
constexpr int kSilverNew[5][5] = {{0, 1, 5, -1, -1}, {0, 1, 2, 3, 5}, {0, 1, 2, 3, 4},
                                  {0, 2, 3, 4, 5}, {0, 1, 3, 4, 5}};

// A step of gote's table for the mover.
int turn(const GenCall& g, int step) { return g.s == 0 ? -step : step; }

bool camp_rank(const GenCall& g, int sq, int rank_from_far) {
  return board::square_rank(sq) == (g.s == 0 ? rank_from_far : 10 - rank_from_far);
}

// The exchange value of moving the piece to n, and the gain of its first
// capture: exchange evaluation where the enemy attacks n, else the direct gain.
void step_value(const GenCall& g, int piece, int from, int n, int promote, int* value, int* first) {
  if (g.c(g.e, n) > 0) {
    *value = exchange_gain(g.p, g.s, g.cls(n), n, piece, first);
  } else {
    *value = *first = direct_capture_gain(g.p, g.s, g.p.piece[piece].code, from, n, promote);
  }
}

int gold_family(GenCall& g, int piece, int sq) {
  const int start = g.count;
  for (int j = 0; j < 6; ++j) {
    const int n = sq + turn(g, board::kGoldSteps[j]);
    if (g.own_or_wall(n)) continue;
    if (g.empty(n) && g.enemy_attacks_from(n, 10)) continue;
    bool go = false;
    int value = 0, first = 0;
    if (g.c(g.e, n) == 0) {
      if ((g.enemy(n) && g.cell(n) < 14) || (j == 0 && g.enemy_pawn(n))) go = true;
      else step_value(g, piece, sq, n, 0, &value, &first);
    } else {
      if (g.empty(n) && g.sup(g.s, n) == 1) continue;
      step_value(g, piece, sq, n, 0, &value, &first);
    }
    if (!go && first >= kLimit2[exchange_mode()]) go = true;
    if (!go && value >= kLossLimit) {
      int targets = 0;
      for (int k : kGoldFollow[j]) {
        if (k < 0) break;
        const int q = n + turn(g, board::kGoldSteps[k]);
        if (!g.enemy(q)) continue;
        const int cls = g.cls(q);
        if (cls == board::kGold || cls == kPawn) continue;
        if (cls >= 20 && cls <= 23) break;
        if (++targets == 2) {
          go = true;
          break;
        }
      }
    }
    if (go && !board_return_fires(g, sq, n)) g.emit_board(piece, sq, n, 0);
  }
  return g.count - start;
}

// The lance rule: after the opponent's lance move on this file, only its
// destination is looked at while the accept word is on.
bool lance_rule_on(const GenCall& g, int sq) {
  const board::KMove& m1 = g.m1;
  return g.accept != 0 && m1.from < board::kInHand && board::code_class(m1.code) == board::kLance &&
         board::square_file(m1.from) == board::square_file(sq);
}

}  // namespace

int gen1_move_ou(GenCall& g) {
  const int start = g.count;
  const int k = g.p.piece[g.s].sq;
  if (!board::is_playing_square(k)) return 0;
  const bool advanced = g.s == 0 ? k < 112 : k >= 64;
  for (int d : board::kKingSteps) {
    const int n = k + d;
    if (g.own_or_wall(n) || g.sup(g.e, n) >= 1) continue;
    if (g.enemy(n) || (advanced && (2 * g.s - 1) * d > 14)) g.emit_board(g.s, k, n, 0);
  }
  return g.count - start;
}

int gen1_move_fu(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  const int d = sq + g.f;
  if (g.own_or_wall(d)) return 0;
  if (!g.enemy(d)) {
    const int a = g.sup(g.s, d), b = g.sup(g.e, d);
    if ((a == 1 && b >= 1) || a < b) return 0;
    const int ahead = d + g.f;
    if (g.cell(ahead) < board::kPieceCount && g.cls(ahead) == kPawn) return 0;
    if (!g.camp(d) && !(g.enemy(ahead) || (g.empty(ahead) && camp_rank(g, d, 4)))) return 0;
  }
  if (board_return_fires(g, sq, d)) return 0;
  return g.emit_board(piece, sq, d, g.camp(d) ? 1 : 0) ? 1 : 0;
}

int gen1_move_kin(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  return gold_family(g, piece, sq);
}

int gen1_move_narigoma(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  return gold_family(g, piece, sq);
}

int gen1_move_kyo(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  const int start = g.count;
  const bool lance_file = lance_rule_on(g, sq);
  for (int d = sq + g.f; !g.own_or_wall(d); d += g.f) {
    const bool capture = g.enemy(d);
    const bool lance_skip = lance_file && d != g.m1.to;
    bool plain = !g.camp(d) || camp_rank(g, d, 3);
    if (g.camp(d)) {
      const int a = g.sup(g.s, d), b = g.sup(g.e, d);
      bool skip = (g.empty(d) || g.enemy_pawn(d)) && ((a == 1 && b >= 1) || (a != 1 && b > a));
      skip = skip || (g.empty(d) && g.enemy(d + g.f)) || lance_skip || board_return_fires(g, sq, d);
      if (skip) {
        plain = false;
      } else {
        g.emit_board(piece, sq, d, 1);
      }
      if (g.wall(d + g.f)) break;
    }
    if (plain && capture) {
      bool ok = true;
      if (g.camp(d)) {
        ok = g.empty(d + g.f) && g.enemy(d + 2 * g.f);
      } else if (g.enemy_pawn(d)) {
        const int ahead = d + g.f;
        ok = !(g.sup(g.s, d) == 1 && g.sup(g.e, d) >= 1) &&
             !(g.empty(ahead) && g.hand(g.e, kPawn) > 0 && g.sup(g.s, ahead) < g.sup(g.e, ahead));
      }
      if (ok && lance_skip) break;
      if (ok && !board_return_fires(g, sq, d)) g.emit_board(piece, sq, d, 0);
    }
    if (capture) break;
  }
  return g.count - start;
}

int gen1_move_kei(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  const int start = g.count;
  for (int side_step : {-1, 1}) {
    const int d = sq + 2 * g.f + side_step;
    if (g.own_or_wall(d)) continue;
    const int a = g.sup(g.s, d), b = g.sup(g.e, d);
    const bool supported = b <= a && !(a == 1 && b != 0);
    if (g.empty(d)) {
      if (g.enemy_pawn(d + g.f) || !supported) continue;
      if (!g.camp(d)) {
        bool knight_attacks = false;
        for (int k = 14; k < 18; ++k) {
          knight_attacks = knight_attacks ||
                           (g.attacks(g.e, d, k) && g.p.piece[k].code == (board::kKnight | board::side_bit(g.e)));
        }
        if (knight_attacks) continue;
        const auto forked = [&](int q) { return g.enemy(q) && !g.enemy_pawn(q); };
        if (!forked(d + 2 * g.f - 1) || !forked(d + 2 * g.f + 1)) continue;
      }
    } else if (g.enemy_pawn(d) && !supported) {
      continue;
    }
    if (board_return_fires(g, sq, d)) continue;
    if (g.camp(d)) {
      if (g.emit_board(piece, sq, d, 1)) return g.count - start;
      if (!camp_rank(g, d, 3)) continue;
    }
    g.emit_board(piece, sq, d, 0);
  }
  return g.count - start;
}

int gen1_move_gin(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  const int start = g.count;
  const auto alternative = [&](int n) {
    for (int q : {n - g.f - 1, n - g.f + 1}) {
      if (!g.enemy(q)) continue;
      const int cls = g.cls(q);
      if (cls == board::kKing || cls == board::kRook || cls == board::kBishop || cls == board::kGold ||
          cls == board::kDragon || cls == board::kHorse) {
        g.emit_board_unchecked(piece, sq, n, 0);
        return;
      }
    }
  };
  for (int j = 0; j < 5; ++j) {
    const int n = sq + turn(g, board::kSilverSteps[j]);
    if (g.own_or_wall(n)) continue;
    const int promote = g.camp(sq) || g.camp(n) ? 1 : 0;
    int value = 0, first = 0;
    step_value(g, piece, sq, n, promote, &value, &first);
    if (value < kLossLimit) continue;
    if (first >= kLimit2[exchange_mode()]) {
      if (board_return_fires(g, sq, n) || !g.accepts(piece, g.p.piece[piece].code, promote, 0, n)) continue;
      g.emit_board_unchecked(piece, sq, n, promote);
      if (promote) alternative(n);
      continue;
    }
    if (!promote) continue;
    bool qualifies = false;
    for (int k : kSilverNew[j]) {
      if (k < 0 || qualifies) break;
      const int q = n + turn(g, board::kGoldSteps[k]);
      qualifies = g.enemy(q) && (!g.enemy_pawn(q) || (exchange_mode() == 0 && g.held(q)));
    }
    if (!qualifies || board_return_fires(g, sq, n) || !g.accepts(piece, g.p.piece[piece].code, 1, 0, n)) continue;
    g.emit_board_unchecked(piece, sq, n, 1);
    alternative(n);
  }
  return g.count - start;
}

}  // namespace search
