// Set-up shared by the depth generator's tests: the evaluation's stage blocks
// for every exchange mode, the candidate table from scratch, and a search node
// entered by its last move (the per-ply table kept, so that the move builds
// the node's target list).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/board/exchange_values.h"
#include "engine/board/think_board.h"
#include "engine/board/make_move.h"
#include "engine/board/ply_table.h"
#include "engine/board/strategy_cells.h"
#include "engine/board/target_list.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/eval_setup.h"
#include "engine/search/depth_gen/gen_stamp.h"

namespace search::testing {

// The candidate table the tests hand to the depth and check generators, set
// up from scratch by every test.
inline KGenStamp& test_stamp() {
  static const std::unique_ptr<KGenStamp> stamp = std::make_unique<KGenStamp>();
  return *stamp;
}

class DepthGenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int stage = 0; stage < 3; ++stage) eval::stage_tables_init(stage, blocks_[stage]);
    eval::eval_tables_init(eval::eval_setup.eval_weight_block, 0);
    eval::eval_setup.eval_weights = &eval::eval_setup.eval_weight_block;
    board::eval_links.king_rel_table = &eval::eval_setup.eval_weight_block.king_rel;
    board::eval_links.senkei_current = nullptr;  // a think leaves one side's strategy cells behind
    Mode(0);
    sashite_gen_stamp_init(test_stamp());
    test_stamp().serial = 0;
  }
  void TearDown() override {
    board::think_board.generator_words.game_stage = 0;
    board::think_board.generator_words.threat_word = 0;
    board::eval_links.eval_stage_tables = nullptr;
    eval::eval_setup.eval_weights = nullptr;
    board::eval_links.king_rel_table = nullptr;
    board::pos_table_init();
  }
  void Mode(int stage) {
    board::think_board.generator_words.game_stage = stage;
    board::eval_links.eval_stage_tables = &blocks_[stage];
  }
  // The node after `history[1]` was played on `before`; history[0] is the
  // mover's move before it.
  static void Enter(board::KPosition& p, const board::KPosition& before, const board::KMove* history) {
    std::memcpy(&p, &before, sizeof p);
    board::pos_table_init();
    if (history[1].from != board::kPassSquare) {
      board::do_move(p, history[1], 1);
      board::target_list_extend(p, history[1].to);
    }
  }

  board::KExchangeWeights blocks_[3]{};
};

}  // namespace search::testing
