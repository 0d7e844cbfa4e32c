// velkora_evalterms FILE [--ply N]: the evaluation of the position after ply N
// of a record's main line (default: its end), prepared as a think prepares it,
// printed term by term: each piece's share of the record built from scratch
// (piece value, strategy cell, the enemy-king and own-king tables, the rook and
// bishop placement pairs, the king's square), the hands and open files, then
// what the king lines and each full-board term group add, and at the end the
// blend of the record's words into the score of the side to move. The shares
// are summed again here and checked against the record. Exit status 1, with
// one line on standard error, for a bad argument, a record that cannot be read
// and output that could not be written.
#include <cstdio>
#include <string>

#include "app/arguments.h"
#include "app/record_commands.h"
#include "app/standard_output.h"
#include "engine/board/eval_record.h"
#include "engine/board/think_board.h"
#include "engine/board/move_rules.h"
#include "engine/board/strategy_cells.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/castle_shape_terms.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/eval_position.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/gold_pawn_terms.h"
#include "engine/eval/king_lines.h"
#include "engine/eval/king_safety.h"
#include "engine/eval/position_terms.h"
#include "engine/eval/progress.h"
#include "engine/eval/record_terms.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/rook_bishop_pawn_terms.h"
#include "engine/eval/senkei_select.h"
#include "engine/eval/silver_knight_gold_terms.h"
#include "engine/search/eval_blend.h"
#include "engine/search/position_features.h"
#include "engine/search/score_maps.h"
#include "model/record/kifu_holder.h"

namespace {

using board::KEvalRecord;
using eval::KEvalWeights;
using board::KPosition;

constexpr const char* kKindNames[] = {"-",  "rook",   "bishop", "gold",   "silver", "knight", "lance",  "pawn",
                                      "king", "?9",   "?10",    "?11",    "?12",    "?13",    "?14",    "?15",
                                      "?16", "dragon", "horse", "?19",    "+silver", "+knight", "+lance", "+pawn"};
constexpr const char* kSide[] = {"sente", "gote"};
constexpr const char* kProgram = "velkora_evalterms";

struct Words {
  int piece = 0, material = 0, king_area = 0, positional = 0;
};

void print_delta(const char* name, const KEvalRecord& before, const KEvalRecord& after) {
  std::printf("  %-26s", name);
  for (int s = 0; s < 2; ++s) {
    std::printf("  %s att %+5d def %+5d mat %+5d", kSide[s], after.att[s].attack_extra - before.att[s].attack_extra,
                after.def[s].defence_extra - before.def[s].defence_extra,
                after.mat[s].material_extra - before.mat[s].material_extra);
  }
  std::printf("\n");
}

// Runs one term group on `t` and prints what it added.
template <typename Group>
void group(const char* name, eval::PositionTerms& t, Group g) {
  const int32_t a[2] = {t.attack[0], t.attack[1]}, d[2] = {t.defence[0], t.defence[1]},
                m[2] = {t.material[0], t.material[1]};
  const KEvalRecord before = t.record;
  g(t);
  std::printf("  %-26s", name);
  for (int s = 0; s < 2; ++s) {
    std::printf("  %s att %+5d def %+5d mat %+5d", kSide[s],
                t.attack[s] - a[s] + t.record.att[s].attack_extra - before.att[s].attack_extra, t.defence[s] - d[s],
                t.material[s] - m[s]);
  }
  std::printf("\n");
}

// Prints the terms of the position the arguments name; the exit status.
int run(int argc, char** argv) {
  int ply = -1;
  const bool plain = argc == 2, with_ply = argc == 4 && std::string(argv[2]) == "--ply";
  if (!(plain || (with_ply && app::parse_int(argv[3], 0, app::kMaxPlyOption, &ply)))) {
    std::fprintf(stderr, "usage: %s FILE [--ply N]\n", kProgram);
    return app::kExitFailure;
  }
  model::KifuHolder holder;
  std::string error;
  if (!app::load_record_at_ply(holder, "evalterms", argv[1], ply, error)) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return app::kExitFailure;
  }
  KPosition p;
  if (bridge::position_load(p, holder.kyokumen) != 0) {
    std::fprintf(stderr, "%s: the engine cannot hold the position\n", kProgram);
    return app::kExitFailure;
  }
  // Prepared as the think of a game opened with no strategy request prepares it.
  const int s = p.teban;
  int32_t codes[2];
  codes[s] = eval::senkei_select(p, s, 0x3FFFFF, 0, 0x3FFFFF);
  codes[1 - s] = eval::senkei_select(p, 1 - s, 0, 0, 0);
  board::think_board.generator_words.game_stage = eval::progress_estimate(p);
  eval::eval_root_prepare(p, codes, 0);
  eval::eval_setup_stage(p, board::think_board.generator_words.game_stage, codes);
  std::printf("side to move %s, strategies sente %d gote %d, game stage %d\n\n", kSide[s], codes[0], codes[1],
              board::think_board.generator_words.game_stage);

  const KEvalWeights& w = *eval::eval_setup.eval_weights;
  Words sum[2];
  std::printf("pieces: piece word (value + strategy cell), material word, king-area word, positional word\n");
  for (int n = 0; n < board::kPieceCount; ++n) {
    const board::KPieceEntry& e = p.piece[n];
    if (!board::is_playing_square(e.sq)) continue;
    const int o = board::code_side(e.code), k = board::code_class(e.code), q = e.sq;
    const int value = k == board::kKing ? 0 : w.piece_value[k];
    const int cell = board::senkei_cell(o, e.code, q);
    Words x;
    x.piece = value + cell;
    switch (k) {
      case board::kRook:
        x.material = board::in_camp(o, q) ? 550 : 150;
        x.positional = board::in_camp(o, q) ? 200 : 400;
        break;
      case board::kBishop:
        x.material = board::in_camp(o, q) ? 200 : 100;
        x.positional = 400;
        break;
      case board::kDragon:
        x.material = 650;
        x.positional = 235;
        break;
      case board::kHorse:
        x.material = 300;
        x.king_area = eval::eval_own_king_table(o, k, p.piece[o].sq, q);
        break;
      case board::kKing: {
        const int h = eval::king_half_bonus(w, o, q);
        x.king_area = h;
        sum[1 - o].material -= h;
        std::printf("  %s king %d%d: half square value %d (king area +, the opponent's material word -)\n", kSide[o],
                    board::square_file(q), board::square_rank(q), h);
        break;
      }
      default:
        x.king_area = eval::eval_own_king_table(o, k, p.piece[o].sq, q);
        x.material = eval::eval_king_table(o, k, p.piece[1 - o].sq, q);
        break;
    }
    if (k != board::kKing) {
      std::printf("  %s %-8s %d%d: piece %5d (value %4d cell %4d) material %5d king area %5d positional %4d\n",
                  kSide[o], kKindNames[k], board::square_file(q), board::square_rank(q), x.piece, value, cell,
                  x.material, x.king_area, x.positional);
    }
    sum[o].piece += x.piece;
    sum[o].material += x.material;
    sum[o].king_area += x.king_area;
    sum[o].positional += x.positional;
  }
  for (int o = 0; o < 2; ++o) {
    const int tokin = eval::tokin_penalty(static_cast<int>(p.tokin[o].count));
    sum[o].piece -= tokin;
    int non_pawns = 0, piece = 0, material = 0, positional = 0;
    for (int k = board::kRook; k <= board::kPawn; ++k) {
      for (int j = 0; j < p.hand[o][k]; ++j) {
        piece += w.count_value[k][j];
        material += w.count_split[k][j][0];
        positional += w.count_split[k][j][1];
      }
      if (k != board::kPawn) non_pawns += p.hand[o][k];
    }
    int crowding = 0;
    for (int j = 0; j < non_pawns; ++j) crowding += w.count_curve_b[j];
    const int32_t open = eval::open_file_sum(w, p, o);
    const int open_term = eval::open_file_term(w, open, p.hand[o][board::kPawn]);
    std::printf("  %s hand: R%d B%d G%d S%d N%d L%d P%d: piece %d material %d positional %d, crowding -%d; "
                "promoted pawns -%d; open files %d -> material %d\n",
                kSide[o], p.hand[o][1], p.hand[o][2], p.hand[o][3], p.hand[o][4], p.hand[o][5], p.hand[o][6],
                p.hand[o][7], piece, material, positional, crowding, tokin, open, open_term);
    sum[o].piece += piece;
    sum[o].material += material + open_term;
    sum[o].positional += positional - crowding;
  }

  KEvalRecord r{};
  search::position_features(p, r);
  std::printf("\nrecord from scratch (summed above / built):\n");
  bool same = true;
  for (int o = 0; o < 2; ++o) {
    std::printf("  %s piece %d/%d material %d/%d king area %d/%d positional %d/%d\n", kSide[o], sum[o].piece,
                r.mat[o].material, sum[o].material, r.att[o].attack, sum[o].king_area, r.def[o].defence,
                sum[o].positional, r.hand_b[o]);
    same = same && static_cast<int16_t>(sum[o].piece) == r.mat[o].material &&
           static_cast<int16_t>(sum[o].material) == r.att[o].attack &&
           static_cast<int16_t>(sum[o].king_area) == r.def[o].defence &&
           static_cast<int16_t>(sum[o].positional) == r.hand_b[o];
  }
  if (!same) std::printf("  THE SHARES DO NOT ADD UP TO THE RECORD\n");

  std::printf("\nterms added to the extra words:\n");
  const bool in_check = board::king_attacked(p, s);
  KEvalRecord before = r;
  if (!in_check) {
    eval::eval_king_kiki(p, r);
    print_delta("king lines", before, r);
    const board::KMove pass = board::pass_move();
    KEvalRecord copy = r;
    eval::PositionTerms t(p, 0, pass, copy);
    group("exposed golds", t, eval::exposed_gold_terms);
    group("promoted/advanced pawns", t, eval::pawn_threat_terms);
    group("king neighbourhood", t, eval::king_safety_terms);
    group("rook placement", t, eval::rook_placement_terms);
    group("bishop placement", t, eval::bishop_placement_terms);
    group("pawn placement", t, eval::pawn_placement_terms);
    group("silver/knight/gold/king", t, eval::silver_knight_gold_terms);
    group("castle shapes", t, eval::castle_shape_terms);
    before = r;
    eval::eval_position(p, 0, pass, r);
    print_delta("full-board terms together", before, r);
  } else {
    std::printf("  (the side to move is in check: the full evaluation is not run)\n");
  }

  std::printf("\nblend (P material words, K band-scaled king area + bonus, T positional, knee of the piece words):\n");
  for (int x = 0; x < 2; ++x) {
    const int y = 1 - x;
    const int32_t P = search::record_material(r, x), K = search::record_king_area(r, x), T = r.hand_b[x];
    const int32_t knee = search::record_piece_knee(r, x);
    const int32_t wgt = search::eval_stage_weight(search::record_material(r, y), K);
    const int32_t share = x == s ? 0 : 600;
    std::printf("  %s P %d (%d + %d) K %d (band(%d) + %d) T %d knee %d (%d + %d) weight %d plain %d blended %d\n",
                kSide[x], P, r.att[x].attack, r.att[x].attack_extra, K, r.def[x].defence, r.def[x].defence_extra, T,
                knee, r.mat[x].material, r.mat[x].material_extra, wgt, P + K + T - share,
                search::blended_side_score(r, x, share));
  }
  std::printf("score for %s: %d\n", kSide[s], search::eval_blend_node(r, s, false));
  return app::kExitOk;
}

}  // namespace

int main(int argc, char** argv) { return app::finish_program_output(kProgram, run(argc, argv)); }
