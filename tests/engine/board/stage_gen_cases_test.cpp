// Single positions for the generators' stated cases: the threshold table and
// the home-diagonal squares, quick rook escapes, a cramped king, captures that
// are priced or refused, the pawn's follow-up, back-rank drops and lance
// promotions before the enemy king, walls behind a battery; and perft counting
// its last ply in bulk against the game model.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/board/capture_gen.h"
#include "engine/board/engine_perft.h"
#include "engine/board/escape_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/quiescence_gen.h"
#include "engine/board/shape_score.h"
#include "engine/board/think_board.h"
#include "engine/board/threat_moves_gen.h"
#include "engine/eval/eval_tables.h"
#include "model/formats/csa_format.h"
#include "tests/engine/board/model_positions.h"

namespace board {
namespace {

using model::kKin;
using model::testing::gote;
using testing::scene;
using testing::Scene;

int sq(int file, int rank) { return square_of(file, rank); }

std::vector<int> destinations(const KMove* m, int n) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(m[i].to);
  return v;
}

class StageCases : public ::testing::Test {
 protected:
  void SetUp() override {
    eval::stage_tables_init(0, block_);
    eval_links.eval_stage_tables = &block_;
    think_board.generator_words.game_stage = 0;
  }
  void TearDown() override { eval_links.eval_stage_tables = nullptr; }
  KExchangeWeights block_{};
  KMove out_[kMaxMoves];
};

TEST_F(StageCases, ThresholdsAndHomeDiagonal) {
  const int table[3][4] = {{50, 50, 100, 200}, {100, 100, 250, 400}, {200, 200, 400, 600}};
  for (int stage = 0; stage < 3; ++stage) {
    for (int level = 0; level < 4; ++level) EXPECT_EQ(qs_gain_threshold(level, stage), table[stage][level]);
  }
  EXPECT_EQ(qs_gain_threshold(-2, 0), 50);
  EXPECT_EQ(qs_gain_threshold(9, 2), 600);
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const int v = file * 10 + rank;
      EXPECT_EQ(kaku_square_test(0, file, rank), v == 79 || v == 68 || v == 57) << v;
      EXPECT_EQ(kaku_square_test(1, file, rank), v == 31 || v == 42 || v == 53) << v;
    }
  }
}

TEST_F(StageCases, QuickRookLeavesTheLineOfTheAttack) {
  // Attacked along the rank it moves along the file; along the file, sideways.
  for (int attacker : {15, 53}) {
    const Scene s{scene("K99 k91 R55 r" + std::to_string(attacker))};
    const KPosition p = s.Load();
    const int n = gen_escape_from(p, sq(5, 5), 0, 1, 0, out_);
    ASSERT_EQ(n, 1) << attacker;
    EXPECT_EQ(attacker == 15 ? square_file(out_[0].to) : square_rank(out_[0].to), 5) << attacker;
    EXPECT_EQ(out_[0].captured_code, 0);
    EXPECT_EQ(gen_escape_from(p, sq(attacker / 10, attacker % 10), 0, 1, 0, out_), 0);  // not the mover's
  }
}

TEST_F(StageCases, CrampedKingGetsRoom) {
  Scene s{scene("K59 k51")};
  EXPECT_EQ(gen_king_room(s.Load(), out_), 0);  // every neighbour held by the king alone
  s.Put(5, 7, gote(kKin));                      // holds 48, 58 and 68 as strongly as the king
  EXPECT_EQ(destinations(out_, gen_king_room(s.Load(), out_)), (std::vector<int>{sq(4, 9), sq(6, 9)}));
}

TEST_F(StageCases, RecapturesAndScoredCaptures) {
  // A pawn on 55, defended by a lance behind it, taken back only by a rook.
  KPosition p = Scene{scene("K99 k91 p55 R58 l51")}.Load();
  KMove last = pass_move();  // the pawn's push from 54
  write_board_move(last, p, p.board[sq(5, 5)], sq(5, 4), sq(5, 5), 0);
  EXPECT_EQ(gen_recapture(p, last, out_), 0);
  EXPECT_EQ(gen_recapture(p, pass_move(), out_), 0);
  int best = -1;
  EXPECT_EQ(gen_captures_scored(p, sq(5, 5), out_, &best), 0);  // the rook would lose itself
  p = Scene{scene("K99 k91 p55 R58")}.Load();
  EXPECT_EQ(gen_recapture(p, last, out_), 1);
  // An undefended silver taken by a gold: the list's best gain is 101.
  p = Scene{scene("K99 k91 s55 G56 R59")}.Load();
  EXPECT_EQ(gen_captures_scored(p, sq(5, 5), out_, &best), 1);
  EXPECT_EQ(best, 101);
}

TEST_F(StageCases, PawnFollowsOnlyItsOwnPush) {
  const KPosition p = Scene{scene("K99 k91 P55 s54 G37")}.Load();
  KMove push{};
  push.from = static_cast<uint8_t>(sq(5, 6));
  push.to = static_cast<uint8_t>(sq(5, 5));
  push.piece = p.board[sq(5, 5)];
  ASSERT_EQ(gen_pawn_follow(p, push, out_), 1);
  EXPECT_EQ(out_[0].to, sq(5, 4));
  push.piece = p.board[sq(3, 7)];  // a gold, and not on the pushed square
  EXPECT_EQ(gen_pawn_follow(p, push, out_), 0);
  EXPECT_EQ(gen_pawn_follow(p, pass_move(), out_), 0);
}

TEST_F(StageCases, BackRankDropsAndLancePromotions) {
  const KPosition p = Scene{scene("K99 k51 G43 L15 *G *S *R")}.Load();
  KEvalRecord record{};
  record.att[0].attack_extra = 600;
  record.att[0].open_file = 400;  // the next word: the sum is 1000
  const int n = gen_king_front_drops(p, record, 0, out_);
  std::vector<int> codes;
  for (int i = 0; i < n; ++i) codes.push_back(out_[i].from == kInHand ? out_[i].code : out_[i].to);
  EXPECT_EQ(codes, (std::vector<int>{kGold | kSenteBit, kSilver | kSenteBit, kRook | kSenteBit, sq(1, 3), sq(1, 2),
                                     sq(1, 1)}));
  record.att[0].open_file = 401;
  EXPECT_EQ(gen_king_front_drops(p, record, 0, out_), 3);
  EXPECT_EQ(gen_target_captures(p, 0, out_), 0);  // no move led here: no list
}

TEST_F(StageCases, NoTargetBeyondTheEdge) {
  // Front pieces with only the wall behind them.
  EXPECT_EQ(gen_threat_moves(Scene{scene("K59 k51 R95 B91 L15 G11")}.Load(), nullptr, 5, out_), 0);
}

// A yagura (code 1) bishop leaving one of its three home-diagonal squares
// scores 10 where the opponent does not attack its landing square and 1 where
// it does; gote's on the turned board alike.
TEST_F(StageCases, YaguraBishopLeavingItsHomeDiagonal) {
  constexpr int kIyagura = 1;
  const int moves[3][4] = {{7, 9, 4, 6}, {6, 8, 3, 5}, {5, 7, 2, 4}};
  for (const auto& m : moves) {
    for (bool attacked : {false, true}) {
      const std::string text = "K59 k51 B" + std::to_string(m[0] * 10 + m[1]) +
                               (attacked ? " r" + std::to_string(m[2] * 10 + 1) : std::string());
      for (bool gote_moves : {false, true}) {
        const Scene s{gote_moves ? testing::twin(scene(text)) : scene(text)};
        const KPosition p = s.Load();
        const KMove move = gote_moves ? s.Move(p, 10 - m[0], 10 - m[1], 10 - m[2], 10 - m[3])
                                      : s.Move(p, m[0], m[1], m[2], m[3]);
        EXPECT_EQ(sashite_shape_score(p, move, 0, kIyagura), attacked ? 1 : 10) << text << (gote_moves ? " gote" : "");
      }
    }
  }
}

TEST(EnginePerftBulk, AgreesWithTheGameModel) {
  std::vector<model::Kyokumen> starts;
  for (const char* f : {"even_game", "handicap_pi", "other_program", "setup_chudan", "tsume_al"}) {
    ASSERT_EQ(model::csa_read_position_file((std::string(VELKORA_TEST_DATA) + "/csa/" + f + ".csa").c_str(),
                                            starts.emplace_back()),
              0);
  }
  std::mt19937 rng(77);
  const model::Kyokumen hands =
      testing::kings_and_hands(testing::kHalfOfEveryPiece, testing::kHalfOfEveryPiece, 19, 51);
  for (int game = 0; game < 12; ++game) {
    model::Kyokumen k;
    k.Copy(game % 2 ? hands : starts[0]);
    for (int ply = 0, plies = 20 + static_cast<int>(rng() % 60); ply < plies; ++ply) {
      model::Sashite m;
      if (testing::random_legal_moves(k, rng, &m, 1) == 0) break;
      k.DoSashite(m);
    }
    starts.push_back(k);
  }
  for (size_t i = 0; i < starts.size(); ++i) {
    KPosition p;
    ASSERT_EQ(bridge::position_load(p, starts[i]), 0);
    const int depth = i < 5 ? 3 : 1 + static_cast<int>(i % 3);
    uint64_t engine[3], model_counts[3];
    engine_perft(p, depth, engine);
    model::perft(starts[i], depth, model_counts);
    for (int d = 1; d <= depth; ++d) {
      EXPECT_EQ(engine[d - 1], model_counts[d - 1]) << "position " << i << " depth " << d;
    }
  }
}

}  // namespace
}  // namespace board
