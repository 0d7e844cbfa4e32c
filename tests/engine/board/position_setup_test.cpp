// Start positions and handicaps against the game model's, engine perft of the
// even game against the published counts (the random comparison with the game
// model covers every other position), the direction lookup and the random
// generator.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/board/engine_perft.h"
#include "engine/board/kiki.h"
#include "engine/board/move_tables.h"
#include "engine/board/position_print.h"
#include "engine/board/position_setup.h"
#include "engine/board/random.h"
#include "engine/bridge/position_bridge.h"
#include "model/position/kyokumen.h"
#include "tests/engine/board/position_checker.h"
#include "tests/model/position/position_builder.h"

namespace board {
namespace {

using testing::matches_rebuild;

// The engine position holds the game model's start position of the handicap.
::testing::AssertionResult is_start_of(const KPosition& p, int32_t handicap_bits) {
  model::Kyokumen start, exported;
  start.Init(handicap_bits);
  bridge::position_export(exported, p);
  if (!(exported == start)) return ::testing::AssertionFailure() << "not the start position";
  return matches_rebuild(p);
}

TEST(StartPosition, EvenGameAndHandicapsMatchTheGameModel) {
  // Engine handicap number -> game-model handicap bits, and gote's pieces removed.
  struct Case {
    int number;
    int32_t bits;
    std::vector<int> removed;
  };
  const Case cases[] = {
      {0, model::kHirate, {}},             {1, model::kKyoOchi, {21}},
      {2, model::kKakuOchi, {5}},          {3, model::kHishaOchi, {3}},
      {4, model::kHiKyoOchi, {3, 21}},     {5, model::kNimaiOchi, {3, 5}},
      {6, model::kYonmaiOchi, {3, 5, 20, 21}}, {7, model::kRokumaiOchi, {3, 5, 16, 17, 20, 21}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    KPosition p;
    pos_set_handicap(p, c.number);
    EXPECT_TRUE(is_start_of(p, c.bits));
    int out = 0;
    for (int n = 0; n < kPieceCount; ++n) out += p.piece[n].sq == kNotInPlay;
    EXPECT_EQ(out, static_cast<int>(c.removed.size()));
    for (int n : c.removed) EXPECT_EQ(p.piece[n].sq, kNotInPlay);
  }
  // A number outside 0..7 keeps the handicap in force; 0 restores every piece.
  KPosition p;
  pos_set_handicap(p, 5);
  pos_set_handicap(p, 9);
  EXPECT_TRUE(is_start_of(p, model::kNimaiOchi));
  pos_set_handicap(p, 0);
  EXPECT_TRUE(is_start_of(p, model::kHirate));

  // Loading the game model's even position gives the engine's own start.
  model::Kyokumen even;
  even.Init(model::kHirate);
  KPosition loaded;
  ASSERT_EQ(bridge::position_load(loaded, even), 0);
  EXPECT_TRUE(is_start_of(loaded, model::kHirate));

  // Sente's 5h: king, both golds and the rook along rank 8, cheapest first.
  const int sq58 = square_of(5, 8);
  const int attackers[] = {7, 6, 2, 0, kEmptyNumber};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(kiki_nth64(p, 0, sq58, i), attackers[i]) << i;
  // Taking the set apart from the top meets the same pieces, then 40.
  uint64_t set = kiki_direct64(kiki_at(p, sq58), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(kiki_take_top(set), attackers[i]) << i;
  EXPECT_EQ(set, 0u);
}

TEST(EnginePerft, EvenGameToDepthFour) {
  KPosition p, before;
  pos_set_handicap(p, 0);
  std::memcpy(&before, &p, sizeof p);
  uint64_t counts[4];
  engine_perft(p, 4, counts);
  EXPECT_EQ(std::vector<uint64_t>(counts, counts + 4), (std::vector<uint64_t>{30, 900, 25470, 719731}));
  EXPECT_TRUE(testing::same_live_fields(p, before));
}

TEST(Tables, DirectionOnlyForSquaresOnALine) {
  EXPECT_EQ(line_direction(square_of(9, 1), square_of(1, 9)), 15);
  EXPECT_EQ(line_direction(square_of(2, 8), square_of(3, 6)), 0);  // a knight's distance
  // Differences that also fit a line, for squares that are not on one.
  EXPECT_EQ(line_direction(square_of(1, 3), square_of(9, 2)), 0);
  EXPECT_EQ(line_direction(square_of(1, 1), square_of(9, 8)), 0);
}

TEST(Random, LinearCongruentialSteps) {
  rand_seed(0);
  EXPECT_EQ(rand_next(), 65537u);
  EXPECT_EQ(rand_get(), 65537u);
  EXPECT_EQ(rand_next(), static_cast<uint32_t>(65537u * 1664525u + 65537u));  // wraps
}

}  // namespace
}  // namespace board

namespace board {
namespace {

TEST(PositionPrint, TaggedTextOfTheStartPosition) {
  KPosition p;
  pos_set_handicap(p, 0);
  p.hand[1][kPawn] = 2;  // a held pawn shows in gote's hand
  model::KString text;
  position_trace_text(p, 0, text);
  const std::string s = text.c_str();
  EXPECT_EQ(s.rfind("<teban>0</teban>\n<ban>", 0), 0u);
  int entries = 0;
  for (size_t at = s.find("<ban>"); (at = s.find(' ', at + 1)) < s.find("</ban>");) ++entries;
  EXPECT_EQ(entries, 2 * 40);  // a name and a square per piece
  EXPECT_NE(s.find(" 玉 59 "), std::string::npos);
  EXPECT_NE(s.find(" 飛 82 "), std::string::npos);  // gote's rook on 8二
  EXPECT_NE(s.find("<mochi-sente></mochi-sente>\n<mochi-gote> 歩 2</mochi-gote>"), std::string::npos);
}

// The debug dump goes to the discarded trace log: nothing reaches the
// terminal, whatever the flag, and the position is left as it was.
TEST(PositionPrint, KyokumenPrintWritesNothingAndKeepsThePosition) {
  KPosition p;
  pos_set_handicap(p, 0);
  const KPosition before = p;
  for (int flag : {0, 1, 0x1FF}) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    kyokumen_print(p, flag);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << flag;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << flag;
  }
  EXPECT_TRUE(testing::same_live_fields(p, before));
  EXPECT_EQ(std::memcmp(p.kiki, before.kiki, sizeof p.kiki), 0);
}

TEST(FixPieceLists, HandCountsEditedDirectly) {
  KPosition p;
  ASSERT_EQ(bridge::position_load(p, model::testing::empty_position()), 0);
  p.hand[0][kSilver] = 1;
  p.hand[1][kSilver] = 2;
  position_fix_piece_lists(p);
  EXPECT_EQ(p.hand_slot[10], 10);
  EXPECT_EQ(p.hand_slot[11], 11);
  EXPECT_EQ(p.hand_slot[12], 12);
  EXPECT_EQ(p.piece[12].sq, kInHand);
  EXPECT_EQ(p.piece[13].sq, kNotInPlay);
  p.hand[1][kSilver] = 0;
  position_fix_piece_lists(p);
  EXPECT_EQ(p.piece[10].sq, kInHand);
  EXPECT_EQ(p.piece[11].sq, kNotInPlay);
}

}  // namespace
}  // namespace board
