// The speed benchmark's walk under a fake clock, and the move-generation
// statistics on small records.
#include "engine/driver/speed_benchmark.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/board/exchange_eval.h"
#include "engine/board/position_setup.h"
#include "engine/board/think_board.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/movegen_stats.h"
#include "platform/clock.h"
#include "tests/model/position/position_builder.h"
#include "tests/model/record/kifu_test_util.h"

namespace driver {
namespace {

constexpr uint32_t kStart = 5000;
uint32_t clock_reads = 0;
uint32_t jump_after = 0;  // reads before the clock passes the limit (0: never)
uint32_t fake_clock() {
  ++clock_reads;
  return jump_after != 0 && clock_reads > jump_after ? kStart + kBenchmarkLimitMs + 1 : kStart;
}

// The moves listed at plies 0, 1 and 2 from the start (the generator writes
// no non-promoting twins).
constexpr uint64_t kListed = 30 + 900 + 25440;

TEST(SpeedBenchmark, WalksThreePliesUntilTheClockPassesTheLimit) {
  board::KPosition p;
  board::pos_set_handicap(p, 0);
  struct {
    uint32_t jump;
    size_t size;
    uint64_t nodes, pairs;
  } const kRuns[] = {{0, kBenchmarkBufferBytes, 1 + 30 + 900, 10 * kListed},
                     {0, kBenchmarkFallbackBytes, 1 + 30 + 900, 10 * kListed},
                     // Root and first reply generate; every later node returns at once while
                     // both finish their loops.
                     {2, kBenchmarkBufferBytes, 2, 10 * (30 + 30)}};
  for (const auto& r : kRuns) {
    std::vector<uint8_t> buf(r.size);
    clock_reads = 0, jump_after = r.jump;
    BenchmarkWords words{kStart, 0, 0, 0, fake_clock};
    benchmark_walk(words, p, 0, kBenchmarkPlies, kBenchmarkLimitMs, buf.data(), r.size);
    EXPECT_EQ(words.nodes, r.nodes) << r.size << " " << r.jump;
    EXPECT_EQ(words.make_pairs, r.pairs) << r.size << " " << r.jump;
  }
  jump_after = 0;
  // A stop asked for ends the walk at its next node (Ctrl-C); the next run
  // starts afresh.
  std::vector<uint8_t> buf(kBenchmarkFallbackBytes);
  BenchmarkWords words{kStart, 0, 0, 0, fake_clock};
  benchmark_stop.store(true);
  benchmark_walk(words, p, 0, kBenchmarkPlies, kBenchmarkLimitMs, buf.data(), buf.size());
  EXPECT_EQ(words.nodes, 0u);
  EXPECT_EQ(speed_benchmark_run(words), 0u);  // a clock that stands still
  EXPECT_EQ(words.nodes, 1u + 30 + 900);
}

class MovegenStatsTest : public ::testing::Test {
 protected:
  void Load(const model::Kyokumen& k) {
    ASSERT_TRUE(kifu_.SetStartPosition(k));
    kyokumen_ = k;
    record_cursor_set(job_.cursor, kifu_, kifu_.root.get(), kyokumen_);
  }
  model::Kifu kifu_;
  model::Kyokumen kyokumen_;
  CompJob job_;
};

TEST_F(MovegenStatsTest, CountsAllMovesOrEvasionsAndRestoresTheStage) {
  Load(model::testing::initial(0));
  board::think_board.generator_words.game_stage = 1;
  MovegenStats s;
  ASSERT_EQ(movegen_stats(job_, kModeAll, 3, s), 0);
  EXPECT_EQ(s.generated, 30);
  EXPECT_EQ(s.legal, 30);
  EXPECT_LE(s.cycles.minimum, s.cycles.average);
  EXPECT_EQ(s.moves.size(), 30u);

  MovegenDetail d;
  EXPECT_EQ(movegen_stats_detail(job_, model::testing::move(kyokumen_, 7, 7, 7, 6), d), 0);
  for (const CyclePair& c : {d.make, d.unmake, d.soma_j, d.soma_s}) EXPECT_LE(c.minimum, c.average);
  EXPECT_EQ(movegen_stats_detail(job_, model::Sashite(5, 5, 5, 4, model::kFu, 0, 0, 0), d), -1);
  EXPECT_EQ(board::think_board.generator_words.game_stage, 1);
  board::think_board.generator_words.game_stage = 0;

  // In check only the evasions count: four king steps, not the pawn push.
  kifu_.ClearMoves();
  model::Kyokumen check = model::testing::kings_only();
  model::testing::put(check, 5, 5, model::testing::gote(model::kHi));
  model::testing::put(check, 9, 7, model::kFu);
  Load(check);
  for (int mode = 0; mode < kModeCount; ++mode) {
    ASSERT_EQ(movegen_stats(job_, mode, 3, s), 0) << mode;
    EXPECT_EQ(s.generated, 4);
    EXPECT_EQ(s.legal, 4);
    EXPECT_LE(s.cycles.minimum, s.cycles.average);
  }
}

// For a drop the put value of the dropped piece on its square is measured at
// game stage 0 and at stage 2, and the stage word is put back.
TEST_F(MovegenStatsTest, ADropIsValuedAtBothStages) {
  model::Kyokumen k = model::testing::kings_only();
  model::testing::put(k, 4, 3, model::testing::gote(model::kGin));
  k.mochigoma[0][model::kKin] = 1;
  Load(k);
  board::think_board.generator_words.game_stage = 1;
  const model::Sashite drop(model::kSenteHand, model::kKin, 5, 3, model::kKin, 0, 0, 0);
  MovegenDetail d;
  ASSERT_EQ(movegen_stats_detail(job_, drop, d), 0);
  EXPECT_EQ(board::think_board.generator_words.game_stage, 1);
  for (const CyclePair& c : {d.make, d.unmake, d.soma_j, d.soma_s}) EXPECT_LE(c.minimum, c.average);

  board::KPosition p;
  ASSERT_EQ(bridge::position_load(p, k), 0);
  board::KMove m;
  ASSERT_EQ(bridge::sashite_to_kmove(m, p, drop), 0);
  for (int stage : {0, 2}) {
    board::think_board.generator_words.game_stage = stage;
    int first = 0;
    EXPECT_EQ(d.values[stage], board::koma_put_value(p, 0, m.code, m.to, &first)) << stage;
    EXPECT_EQ(d.values[stage + 1], first) << stage;
  }
  board::think_board.generator_words.game_stage = 0;
}

// A position where the side to move could take the king is refused before
// anything is measured; a mated side has no move: zero counts, an empty list.
TEST_F(MovegenStatsTest, RefusesATakableKingAndListsNothingWhenMated) {
  model::Kyokumen open = model::testing::kings_only();
  model::testing::put(open, 5, 5, model::kHi);
  Load(open);
  MovegenStats s;
  MovegenDetail d;
  for (int mode = 0; mode < kModeCount; ++mode) EXPECT_EQ(movegen_stats(job_, mode, 3, s), kStatsKingCapturable);
  EXPECT_EQ(movegen_stats_detail(job_, model::testing::move(kyokumen_, 5, 9, 4, 8), d), kStatsKingCapturable);

  // Gote's king on 5一 under a gold on 5二 that a pawn on 5三 guards.
  kifu_.ClearMoves();
  model::Kyokumen mated = model::testing::kings_only();
  model::testing::put(mated, 5, 2, model::kKin);
  model::testing::put(mated, 5, 3, model::kFu);
  mated.teban = 1;
  Load(mated);
  board::think_board.generator_words.game_stage = 1;
  for (int mode = 0; mode < kModeCount; ++mode) {
    ASSERT_EQ(movegen_stats(job_, mode, 3, s), 0) << mode;
    EXPECT_EQ(s.generated, 0);
    EXPECT_EQ(s.legal, 0);
    EXPECT_TRUE(s.moves.empty());
    EXPECT_EQ(board::think_board.generator_words.game_stage, 1);
  }
  board::think_board.generator_words.game_stage = 0;
}

// The move list's moves: every move of a position with drops, captures and
// promotions for either side comes back as its squares (a drop from the
// mover's hand with the dropped type) and promote flag, the pieces left for
// the view; completed on the position it is the move it was made from. The
// statistics list every generated move that way.
TEST_F(MovegenStatsTest, TheListGivesEachMoveAsItsSquaresAndPromotion) {
  model::Kyokumen k = model::testing::kings_only();
  model::testing::put(k, 2, 4, model::kHi);
  model::testing::put(k, 2, 2, model::testing::gote(model::kKaku));
  model::testing::put(k, 3, 3, model::testing::gote(model::kFu));
  model::testing::put(k, 8, 7, model::kKei);
  for (int type = model::kFu; type <= model::kKin; ++type) k.mochigoma[0][type] = k.mochigoma[1][type] = 1;
  for (int side = 0; side < 2; ++side) {
    k.teban = side;
    board::KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    std::vector<model::Sashite> moves(model::kMaxSashite);
    moves.resize(static_cast<size_t>(k.GenerateAll(moves.data())));
    ASSERT_GT(moves.size(), 40u);
    for (const model::Sashite& s : moves) {
      board::KMove m;
      ASSERT_EQ(bridge::sashite_to_kmove(m, p, s), 0);
      model::Sashite raw;
      ASSERT_EQ(kmove_to_sashite_raw(raw, k, m), 0);
      EXPECT_EQ(raw, model::Sashite(s.from_x, s.from_y, s.to_x, s.to_y, 0, 0, s.nari, 0));
      EXPECT_EQ(raw.IsDrop() ? raw.from_x : model::kSenteHand + side, model::kSenteHand + side);
      model::Sashite completed = raw;
      ASSERT_TRUE(k.CompleteSashite(completed));
      EXPECT_EQ(completed, s);
    }
  }
  model::Sashite none;
  board::KMove pass{};
  pass.from = pass.to = 253;
  EXPECT_EQ(kmove_to_sashite_raw(none, k, pass), -1);
  EXPECT_EQ(none, model::Sashite{});

  k.teban = 0;
  Load(k);
  MovegenStats s;
  ASSERT_EQ(movegen_stats(job_, kModeAll, 3, s), 0);
  ASSERT_EQ(s.moves.size(), static_cast<size_t>(s.generated));
  for (const MovegenStatsMove& entry : s.moves) {
    EXPECT_EQ(entry.sashite.koma.code, 0);
    model::Sashite completed = entry.sashite;
    EXPECT_TRUE(k.CompleteSashite(completed));
  }
}

}  // namespace
}  // namespace driver
