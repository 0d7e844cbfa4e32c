// The think's evaluation cache against the full evaluation: over middle-game
// positions and the positions one move later, whatever the cache held before
// (the same position with another examined square or pass flag, or from before
// a root adjustment of the strategy cells), a node completed through the cache
// carries the record that completing it from scratch gives; an entry that
// serves either pass flag never serves a position whose terms read the flag.
#include "engine/search/eval_cache.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/board/gen_all_moves.h"
#include "engine/board/hash_key.h"
#include "engine/board/make_move.h"
#include "engine/board/strategy_cells.h"
#include "engine/driver/benchmark_positions.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/root_modes.h"
#include "engine/search/node_common.h"
#include "engine/search/position_features.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;

// The cache of the tests' think context.
EvalCache& cache() { return testing::test_context().eval_cache; }

bool same_record(const board::KEvalRecord& a, const board::KEvalRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The node of position p, its record built from scratch and not yet completed.
KSearchNode node_of(KPosition& p) {
  KSearchNode node{};
  node.position = &p;
  board::hash_key_full(p, 0, node.key);
  position_features(p, node.eval);
  return node;
}

// Completes the node through the cache and checks the record against the full
// evaluation of the same start; true when it matched.
::testing::AssertionResult cached_matches(KPosition& p, int square, const KMove& last,
                                          board::KEvalRecord* out = nullptr) {
  KSearchNode node = node_of(p);
  board::KEvalRecord full = node.eval;
  evaluate_fully(p, full, square, last);
  evaluate_node(cache(), node, square, last);
  if (out != nullptr) *out = full;
  if (same_record(node.eval, full)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "square " << square << " pass " << (last.from == board::kPassSquare);
}

// The square of a silver of the side to move (one the silver rule may examine),
// 0 when it has none on the board.
int silver_square(const KPosition& p) {
  const board::KindRange silvers = board::kKindRange[board::kSilver];
  for (int n = silvers.first; n < silvers.first + silvers.count; ++n) {
    const board::KPieceEntry& e = p.piece[n];
    if (board::is_playing_square(e.sq) && board::code_side(e.code) == p.teban) return e.sq;
  }
  return 0;
}

TEST(EvalCache, CompletedNodesMatchTheFullEvaluationWhateverTheCacheHeld) {
  int variants_differing = 0;
  for (const model::Kyokumen& k : driver::middle_game_positions(40)) {
    KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    testing::prepare_evaluation(p);
    eval_cache_clear(cache());
    KMove moves[board::kMaxMoves];
    const int n = board::gen_all_moves(p, moves);
    for (int i = 0; i < n; ++i) {
      board::do_move(p, moves[i], 0);
      if (!board::king_attacked(p, 1 - p.teban)) {
        // The second time the cache holds the position; then the same
        // position reached by a pass, and with a silver's square examined.
        board::KEvalRecord plain{}, again{}, passed{}, examined{};
        ASSERT_TRUE(cached_matches(p, 0, moves[i], &plain));
        ASSERT_TRUE(cached_matches(p, 0, moves[i], &again));
        ASSERT_TRUE(cached_matches(p, 0, board::pass_move(), &passed));
        ASSERT_TRUE(cached_matches(p, silver_square(p), moves[i], &examined));
        if (!same_record(plain, passed) || !same_record(plain, examined)) ++variants_differing;
      }
      board::undo_move(p, moves[i], 0);
    }
  }
  // The pass flag or the square changes the terms somewhere in the set, so the
  // cache was asked for a variant of a position it held with other terms.
  EXPECT_GT(variants_differing, 0);
}

// The terms the full evaluation adds, apart from the kept part of the record.
bool same_terms(const board::KEvalRecord& a, const board::KEvalRecord& b) {
  for (int s = 0; s < 2; ++s) {
    if (a.att[s].attack_extra != b.att[s].attack_extra || a.def[s].defence_extra != b.def[s].defence_extra ||
        a.mat[s].material_extra != b.mat[s].material_extra) {
      return false;
    }
  }
  return true;
}

// Positions where the pass flag changes the terms, one for each term that reads
// it: sente's knight on 55 chased by a pawn drop on 54 (gote may drop first
// only after a pass), sente's rook behind its pawn on 25 ready to push against
// gote's undefended pawn on 23 (on sente's turn), and sente's gold on 57 with
// the rook on 59, open to a silver drop on 48 or 68 (on gote's turn). Whichever
// flag the cache saw first, the other is worked out anew.
TEST(EvalCache, TermsThatReadThePassFlagAreNotServedForTheOtherFlag) {
  struct Case {
    const char* scene;
    int teban;
  };
  KMove moved = board::pass_move();
  moved.from = board::kInHand;  // any move but a pass: only its from square is read
  const KMove pass = board::pass_move();
  for (const Case& c : {Case{"K59 k51 N55 *p", 0}, Case{"R28 P25 p23 K59 k51", 0}, Case{"G57 R59 K99 k11 *s", 1}}) {
    KPosition p = board::testing::load(board::testing::scene(c.scene, c.teban));
    testing::prepare_evaluation(p);
    for (bool pass_first : {false, true}) {
      eval_cache_clear(cache());
      board::KEvalRecord first{}, second{};
      ASSERT_TRUE(cached_matches(p, 0, pass_first ? pass : moved, &first)) << c.scene;
      EXPECT_TRUE(cached_matches(p, 0, pass_first ? moved : pass, &second)) << c.scene;
      EXPECT_FALSE(same_terms(first, second)) << c.scene;
    }
  }
}

// A cell that a term reads: sente's knight on 25 may be chased by a pawn drop
// on 24 (gote to move, a pawn in hand, none on the file) unless the drop is
// worth too little to gote, which at the opening stage its strategy cell says.
TEST(EvalCache, CellsChangedAtTheRootAreNotServedFromBefore) {
  KPosition p = board::testing::load(board::testing::scene("N25 K59 k51 *p", 1));
  testing::prepare_evaluation(p);
  board::think_board.generator_words.game_stage = 0;
  eval_cache_clear(cache());
  const KMove pass = board::pass_move();
  int32_t& cell = board::eval_links.senkei_current->cell[1][board::senkei_layer_of(board::kPawn)][board::square_of(2, 4) - board::kFirstSquare];
  const int32_t kept = cell;
  // As a root adjustment does: the change counted before it is made (and the
  // restore counted too).
  auto set_cell = [&cell](int32_t v) {
    ++eval::eval_setup.eval_settings_count;
    cell = v;
  };
  for (int32_t shift : {-1000, 1000}) {
    board::KEvalRecord before{}, adjusted{}, after{};
    set_cell(kept + shift);
    ASSERT_TRUE(cached_matches(p, 0, pass, &before));
    set_cell(kept - shift);
    EXPECT_TRUE(cached_matches(p, 0, pass, &adjusted));
    set_cell(kept + shift);
    EXPECT_TRUE(cached_matches(p, 0, pass, &after));
    EXPECT_TRUE(same_record(before, after));
    EXPECT_FALSE(same_terms(before, adjusted));
  }
  set_cell(kept);
}

// The evaluation set up again for other strategy codes (as the next think may
// do) while the cache still holds the position from before.
TEST(EvalCache, SettingsSetUpAgainAreNotServedFromBefore) {
  int changed = 0;
  for (const model::Kyokumen& k : driver::middle_game_positions(4)) {
    KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    testing::prepare_evaluation(p);
    eval_cache_clear(cache());
    const KMove pass = board::pass_move();
    board::KEvalRecord plain{}, other{};
    ASSERT_TRUE(cached_matches(p, 0, pass, &plain));
    for (int32_t code : {1, 5, 9}) {
      const int32_t codes[2] = {code, code};
      eval::eval_root_prepare(p, codes, 0);
      EXPECT_TRUE(cached_matches(p, 0, pass, &other));
      if (!same_terms(plain, other)) ++changed;
    }
  }
  // Some codes weigh some position's terms otherwise.
  EXPECT_GT(changed, 0);
}

}  // namespace
}  // namespace search
