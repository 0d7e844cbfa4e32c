#include "engine/search/position_features.h"

#include "engine/board/eval_record.h"
#include "engine/board/move_rules.h"
#include "engine/board/strategy_cells.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/record_terms.h"

namespace search {

namespace {

using eval::KEvalWeights;
using board::KPosition;

struct Sums {
  int32_t piece[2] = {}, material[2] = {}, king_area[2] = {}, positional[2] = {}, open_file[2] = {};
};

void board_piece(const KEvalWeights& w, const KPosition& p, int o, int code, int q, Sums& s) {
  const int k = board::code_class(code);
  s.piece[o] += (k == board::kKing ? 0 : w.piece_value[k]) + board::senkei_cell(o, code, q);
  const int own_king = p.piece[o].sq, enemy_king = p.piece[1 - o].sq;
  switch (k) {
    case board::kRook:
      s.material[o] += board::in_camp(o, q) ? 550 : 150;
      s.positional[o] += board::in_camp(o, q) ? 200 : 400;
      break;
    case board::kBishop:
      s.material[o] += board::in_camp(o, q) ? 200 : 100;
      s.positional[o] += 400;
      break;
    case board::kDragon:
      s.material[o] += 650;
      s.positional[o] += 235;
      break;
    case board::kHorse:
      s.material[o] += 300;
      s.king_area[o] += eval::eval_own_king_table(o, k, own_king, q);
      break;
    case board::kKing: {
      const int h = eval::king_half_bonus(w, o, q);
      s.king_area[o] += h;
      s.material[1 - o] -= h;
      break;
    }
    default: {
      s.king_area[o] += eval::eval_own_king_table(o, k, own_king, q);
      s.material[o] += eval::eval_king_table(o, k, enemy_king, q);
      break;
    }
  }
}

}  // namespace

void position_features(const KPosition& p, board::KEvalRecord& r) {
  const KEvalWeights& w = *eval::eval_setup.eval_weights;
  Sums s;
  for (int o = 0; o < 2; ++o) s.piece[o] -= eval::tokin_penalty(static_cast<int>(p.tokin[o].count));
  for (int n = 0; n < board::kPieceCount; ++n) {
    const board::KPieceEntry& e = p.piece[n];
    if (board::is_playing_square(e.sq)) board_piece(w, p, board::code_side(e.code), e.code, e.sq, s);
  }
  for (int o = 0; o < 2; ++o) {
    int non_pawns = 0;
    for (int k = board::kRook; k <= board::kPawn; ++k) {
      for (int j = 0; j < p.hand[o][k]; ++j) {
        s.piece[o] += w.count_value[k][j];
        s.material[o] += w.count_split[k][j][0];
        s.positional[o] += w.count_split[k][j][1];
      }
      if (k != board::kPawn) non_pawns += p.hand[o][k];
    }
    s.open_file[o] = eval::open_file_sum(w, p, o);
    s.material[o] += eval::open_file_term(w, s.open_file[o], p.hand[o][board::kPawn]);
    // The crowding table's entry 0 (0) belongs to the first piece, so a single
    // piece costs nothing and m pieces cost the entries 1..m-1.
    for (int j = 0; j < non_pawns; ++j) s.positional[o] -= w.count_curve_b[j];
  }
  for (int o = 0; o < 2; ++o) {
    r.att[o].attack = static_cast<int16_t>(s.material[o]);
    r.att[o].attack_extra = 0;
    r.att[o].open_file = s.open_file[o];
    r.def[o].defence = static_cast<int16_t>(s.king_area[o]);
    r.def[o].defence_extra = 0;
    r.hand_b[o] = static_cast<int16_t>(s.positional[o]);
    r.mat[o].material = static_cast<int16_t>(s.piece[o]);
    r.mat[o].material_extra = 0;
  }
}

}  // namespace search
