// The own-piece families of the stepping pieces: king, gold (with the
// gold-moving promoted pieces) and silver.
#include <cstdlib>

#include "engine/board/exchange_eval.h"
#include "engine/board/move_tables.h"
#include "engine/board/strategy_cells.h"
#include "engine/search/depth_gen/own_families.h"

namespace search {

using board::kPawn;

namespace {

constexpr int kValueA = -500;
constexpr int kGoldB[3] = {50, 250, 300};
constexpr int kGoldC[3] = {10, 120, 160};
constexpr int kSilverC[3] = {20, 60, 160};

// The king takes board::kKingSteps, the same for both sides.

// The squares each of sente's gold steps (board::kSenteGoldSteps) newly
// attacks, as indexes into the step list.
constexpr int kGoldNew[6][4] = {{0, 1, 5, -1}, {0, 1, 2, 5}, {1, 2, 3, -1},
                                {2, 3, 4, -1}, {3, 4, 5, -1}, {0, 1, 4, 5}};

// For each of sente's silver steps (board::kSenteSilverSteps), the squares
// looked at from the destination: promoting (a gold's new squares) and not
// promoting (a silver's).
constexpr int kSilverPromoting[5][5] = {{-16, -17, -15, 0, 0},
                                        {-16, -17, -1, 16, -15},
                                        {-16, -17, -1, 16, 1},
                                        {-16, -1, 16, 1, -15},
                                        {-16, -17, 16, 1, -15}};
constexpr int kSilverPlain[5][5] = {{-16, -17, 15, 17, -15},
                                    {-16, -17, 15, -15, 0},
                                    {-16, -17, 15, 17, 0},
                                    {-16, 15, 17, -15, 0},
                                    {-16, -17, 17, -15, 0}};

// The mover's own half: ranks 6-9 for sente, 1-4 for gote.
bool own_half(const GenCall& g, int sq) { return g.s == 0 ? sq >= 96 : sq < 80; }

int step_family(GenCall& g, int piece, int code, int sq, bool gold_family) {
  const int start = g.count;
  const int mode = exchange_mode();
  for (int j = 0; j < 6; ++j) {
    const int t = sq + g.fwd(board::kSenteGoldSteps[j]);
    if (g.own_or_wall(t)) continue;
    int va = 0, vb = 0;
    bool go = false;
    if (g.c(g.e, t) > 0) {
      if (g.n == 2 && g.empty(t) && g.sup(g.s, t) == 1 && g.sup(g.e, t) >= 2) continue;
      va = exchange_gain(g.p, g.s, g.cls(t), t, piece, &vb);
    } else if ((j == 0 && g.enemy_pawn(t)) || (g.enemy(t) && g.cell(t) < 14)) {
      go = true;
    } else {
      va = vb = positional_gain(g, code, code, sq, t);
    }
    if (!go) {
      if (g.n < 4 && va < kValueA) continue;
      go = vb >= kGoldB[mode] || (vb >= kGoldC[mode] && g.n >= 3);
    }
    if (!go) {
      for (int k : kGoldNew[j]) {
        if (k < 0) break;
        const int q = t + g.fwd(board::kSenteGoldSteps[k]);
        if (!g.enemy(q)) continue;
        const int cq = g.cls(q);
        if (cq == kPawn) {
          if (mode == 2 || g.n < 4) continue;
          const int raised = gold_family && g.n >= 5 && own_half(g, q) ? 1 : 0;
          if (g.sup(g.s, q) + raised >= g.sup(g.e, q)) {
            go = true;
            break;
          }
          continue;
        }
        go = cq != board::kTokin || g.n >= 8;
        break;
      }
    }
    if (go && !board_return_fires(g, sq, t)) g.emit_board(piece, sq, t, 0);
  }
  return g.count - start;
}

// An unpromoted enemy pawn on the square counts for a silver's new square.
bool silver_square_qualifies(const GenCall& g, int q, bool promoting) {
  if (!g.enemy(q)) return false;
  if (g.cls(q) != kPawn) return true;
  const int mode = exchange_mode();
  if (mode == 2 || (mode == 1 && g.n < 4)) return false;
  const int a = g.sup(g.s, q), b = g.sup(g.e, q);
  return a >= b || (!promoting && b == a + 1 && own_half(g, q));
}

// A king, rook, bishop, gold, dragon or horse of the enemy.
bool back_diagonal_target(const GenCall& g, int q) {
  if (!g.enemy(q)) return false;
  const int cls = g.cls(q);
  return cls == board::kKing || cls == board::kRook || cls == board::kBishop || cls == board::kGold ||
         cls == board::kDragon || cls == board::kHorse;
}

}  // namespace

int positional_gain(const GenCall& g, int code_before, int code_after, int from, int to) {
  const bool mode0 = exchange_mode() == 0;
  const int before = board::code_class(code_before), after = board::code_class(code_after);
  int v = mode0 ? board::senkei_cell(g.s, after, to) - board::senkei_cell(g.s, before, from)
                : piece_worth(g.p, g.s, after, to) - piece_worth(g.p, g.s, before, from);
  if (g.enemy(to)) {
    const int taken = g.cls(to);
    const int kind = board::code_kind(taken);
    v += mode0 ? board::senkei_cell(g.e, taken, to) + board::exchange_flat_value(taken)
               : piece_worth(g.p, g.e, taken, to);
    if (kind <= kPawn) v += board::exchange_hand_value(kind, g.hand(g.s, kind));
  }
  return v;
}

int gen_own_ou(GenCall& g) {
  const int start = g.count;
  const int k = g.p.piece[g.s].sq;
  if (!board::is_playing_square(k)) return 0;
  const bool advanced = g.s == 0 ? k < 112 : k >= 64;
  for (int i = 0; i < 8; ++i) {
    const int d = board::kKingSteps[i];
    const int t = k + d;
    if (g.own_or_wall(t) || g.c(g.e, t) > 0) continue;
    bool write = g.enemy(t) || (advanced && g.fwd(-d) > 14);
    const int span = (i & 1) ? 2 : 1;
    for (int j = -span; j <= span && !write; ++j) {
      const int q = t + board::kKingSteps[(i + j + 8) % 8];
      write = g.enemy(q) && g.held(q);
    }
    if (write) g.emit_board(g.s, k, t, 0);
  }
  return g.count - start;
}

int gen_own_kin(GenCall& g, int piece, int code, int sq) { return step_family(g, piece, code, sq, true); }

int gen_own_narigoma(GenCall& g, int piece, int code, int sq) { return step_family(g, piece, code, sq, false); }

int gen_own_gin(GenCall& g, int piece, int code, int sq) {
  const int start = g.count;
  const int mode = exchange_mode();
  const int promoted = board::kSilver | board::kPromotedBit;
  for (int j = 0; j < 5; ++j) {
    const int t = sq + g.fwd(board::kSenteSilverSteps[j]);
    if (g.own_or_wall(t)) continue;
    const int p1 = g.camp(sq) || g.camp(t) ? 1 : 0;
    int v = 0, w = 0;
    if (g.c(g.e, t) > 0) {
      v = exchange_gain(g.p, g.s, g.cls(t), t, piece, &w);
    } else {
      v = w = positional_gain(g, code, p1 ? promoted : code, sq, t) +
              (mode == 0 && p1 ? board::exchange_flat_value(promoted) - board::exchange_flat_value(board::kSilver)
                               : 0);
    }
    if (g.n < 4 && v < kValueA) continue;
    if (w >= kGoldB[mode] || (w >= kSilverC[mode] && g.n >= 3)) {
      if (board_return_fires(g, sq, t)) continue;
      g.emit_board(piece, sq, t, p1);
    } else {
      const int* list = p1 ? kSilverPromoting[j] : kSilverPlain[j];
      bool qualifies = false;
      for (int k = 0; k < 5 && list[k] != 0 && !qualifies; ++k) {
        qualifies = silver_square_qualifies(g, t + g.fwd(list[k]), p1 != 0);
      }
      if (qualifies && !board_return_fires(g, sq, t)) g.emit_board(piece, sq, t, p1);
    }
    if (p1 && (back_diagonal_target(g, t - g.f - 1) || back_diagonal_target(g, t - g.f + 1))) {
      g.emit_board_unchecked(piece, sq, t, 0);
    }
  }
  return g.count - start;
}

}  // namespace search
