// The central invariant of the engine position, over random legal games from
// many start positions: after every do_move the derived tables equal a rebuild
// from scratch and the position equals the game model's, the per-ply change
// counters and capture list say what the move did, and undo_move restores every
// live field. Moves come from the game model's generator through the bridge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "../../model/position_builder.h"
#include "engine/board/kiki.h"
#include "engine/board/make_move.h"
#include "engine/board/move_tables.h"
#include "engine/board/ply_table.h"
#include "engine/driver/position_bridge.h"
#include "model/kyokumen.h"
#include "model/perft.h"
#include "position_checker.h"

namespace board {
namespace {

using testing::matches_rebuild;
using testing::same_live_fields;

// Make/unmake pairs checked. The sanitizer build runs a slice of the walk.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSteps = 150000;
#else
constexpr long kSteps = 1000000;
#endif
constexpr int kTrialsPerPosition = 16;
constexpr int kMaxGamePlies = 300;

struct Coverage {
  long steps = 0, drops = 0, captures = 0, promotions = 0, flagged_captures = 0, king_in_middle = 0;
};

// Up to `limit` legal moves of the position, in random order.
int legal_moves(const model::Kyokumen& k, std::mt19937& rng, model::Sashite* out, int limit) {
  model::Sashite all[model::kMaxSashite];
  const int n = k.GenerateAll(all);
  std::shuffle(all, all + n, rng);
  int count = 0;
  for (int i = 0; i < n && count < limit; ++i) {
    model::Kyokumen next;
    next.Copy(k);
    if (next.DoSashite(all[i]) && model::is_legal_result(next, all[i], k.teban)) out[count++] = all[i];
  }
  return count;
}

int king_square(const KPosition& p, int side) { return p.piece[side].sq; }

// The squares of the layer's list, walked from the head over the previous-links,
// with the links checked on the way.
::testing::AssertionResult read_list(int layer, std::vector<int>& out) {
  out.clear();
  uint32_t sq = ply_list_head[layer];
  if (sq != 0 && ply_record(layer, sq).next != 0) return ::testing::AssertionFailure() << "head has a next-link";
  while (sq != 0) {
    if (!is_playing_square(sq) || out.size() > 81) return ::testing::AssertionFailure() << "broken list";
    out.push_back(static_cast<int>(sq));
    const uint32_t prev = ply_record(layer, sq).prev;
    if (prev != 0 && ply_record(layer, prev).next != sq) return ::testing::AssertionFailure() << "next-link";
    sq = prev;
  }
  return ::testing::AssertionSuccess();
}

bool attacks(const KKiki& k, int side, int n) {
  return kiki_has_direct(k, side, n) || (n < 32 && ((k.xray[side] >> n) & 1));
}

// What a capture must leave on its list: the squares the capturer stopped
// attacking, and the squares beyond the from-square that an enemy slider, which
// attacked the from-square directly, newly reaches.
std::set<int> expected_capture_list(const KPosition& before, const KPosition& after, const KMove& m) {
  const int s = code_side(m.code), o = 1 - s;
  std::set<int> want;
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) continue;
    if (attacks(kiki_at(before, sq), s, m.piece) && !attacks(kiki_at(after, sq), s, m.piece)) want.insert(sq);
  }
  const KKiki& kf = kiki_at(before, m.from);
  for (uint32_t set = kf.direct[o][0] & kf.line[o]; set != 0; set &= set - 1) {
    const int b = std::countr_zero(set);
    if (b == m.captured) continue;
    const int u = dir_by_diff(before.piece[b].sq, m.from);
    for (int t = m.from + u; before.board[t] < kFirstWall; t += u) {
      if (attacks(kiki_at(after, t), o, b) && !attacks(kiki_at(before, t), o, b)) want.insert(t);
    }
  }
  return want;
}

class Walk {
 public:
  explicit Walk(uint32_t seed) : rng_(seed) {}

  // Plays one random game from `start`, checking every trial move made and taken
  // back on the way, then takes the game back move by move.
  void Game(const model::Kyokumen& start, Coverage& cov) {
    model::Kyokumen k;
    k.Copy(start);
    ASSERT_EQ(driver::position_load(p_, k), 0);
    ASSERT_TRUE(matches_rebuild(p_));
    KPosition first;
    std::memcpy(&first, &p_, sizeof first);
    std::vector<KMove> played;
    std::vector<KPosition> history;
    search_ply_counter = 0;
    model::Sashite moves[kTrialsPerPosition];
    for (int ply = 0; ply < kMaxGamePlies && cov.steps < kSteps; ++ply) {
      const int n = legal_moves(k, rng_, moves, kTrialsPerPosition);
      if (n == 0) break;
      for (int i = 0; i < n; ++i) {
        ASSERT_NO_FATAL_FAILURE(Trial(k, moves[i], cov));
      }
      // Play one of them for good.
      const model::Sashite& m = moves[rng_() % n];
      KMove km;
      ASSERT_EQ(driver::sashite_to_kmove(km, p_, m), 0);
      history.emplace_back();
      std::memcpy(&history.back(), &p_, sizeof p_);
      do_move(p_, km, 0);
      played.push_back(km);
      ASSERT_TRUE(k.DoSashite(m));
    }
    while (!played.empty()) {
      undo_move(p_, played.back(), 0);
      ASSERT_TRUE(same_live_fields(p_, history.back()));
      played.pop_back();
      history.pop_back();
    }
    EXPECT_EQ(search_ply_counter, 0u);
    ASSERT_TRUE(same_live_fields(p_, first));
  }

 private:
  void Trial(const model::Kyokumen& k, const model::Sashite& m, Coverage& cov) {
    KMove km;
    ASSERT_EQ(driver::sashite_to_kmove(km, p_, m), 0);
    model::Sashite back;
    ASSERT_EQ(driver::kmove_to_sashite(back, k, km), 0);
    ASSERT_EQ(back, m);

    const uint32_t saved_counter = search_ply_counter;
    const int flag = static_cast<int>(rng_() & 1);
    const int layer = static_cast<int>(rng_() % kPlyLayers);
    if (flag) search_ply_counter = static_cast<uint32_t>(layer);
    const uint32_t counter = search_ply_counter;
    std::memcpy(&before_, &p_, sizeof p_);

    do_move(p_, km, flag);
    ASSERT_EQ(search_ply_counter, counter + 1);
    ASSERT_TRUE(matches_rebuild(p_)) << "after do_move of " << int(km.from) << "->" << int(km.to);
    model::Kyokumen after, exported;
    after.Copy(k);
    ASSERT_TRUE(after.DoSashite(m));
    driver::position_export(exported, p_);
    ASSERT_TRUE(exported == after);
    for (int side = 0; side < 2; ++side) {
      ASSERT_EQ(square_attack_count(p_, 1 - side, king_square(p_, side)) > 0, after.IsOute(side));
    }
    if (flag) {
      ASSERT_NO_FATAL_FAILURE(CheckPlyLayer(layer, km));
    }

    undo_move(p_, km, flag);
    ASSERT_EQ(search_ply_counter, counter);
    ASSERT_TRUE(same_live_fields(p_, before_));
    if (flag) {
      for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
        if (!is_playing_square(sq)) continue;
        ASSERT_EQ(ply_record(layer, sq).change[0] | ply_record(layer, sq).change[1], 0);
      }
    }
    search_ply_counter = saved_counter;

    ++cov.steps;
    cov.drops += km.from == kInHand;
    cov.captures += km.captured != kEmptyNumber;
    cov.promotions += km.promote != 0;
    cov.flagged_captures += flag && km.captured != kEmptyNumber;
    const int rank = square_rank(km.to);
    cov.king_in_middle += code_kind(km.code) == kKing && rank >= 4 && rank <= 6;
  }

  // The change counters hold the net change of each side's attacks per square;
  // the list holds what a capture left weaker, and nothing after other moves.
  void CheckPlyLayer(int layer, const KMove& km) {
    for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
      if (!is_playing_square(sq)) continue;
      for (int side = 0; side < 2; ++side) {
        const KKiki& a = kiki_at(p_, sq);
        const KKiki& b = kiki_at(before_, sq);
        const int delta = a.direct_count[side] + a.xray_count[side] - b.direct_count[side] - b.xray_count[side];
        ASSERT_EQ(ply_record(layer, sq).change[side], delta) << testing::square_name(sq);
      }
    }
    std::vector<int> list;
    ASSERT_TRUE(read_list(layer, list));
    const std::set<int> got(list.begin(), list.end());
    ASSERT_EQ(got.size(), list.size()) << "a square is listed twice";
    if (km.captured == kEmptyNumber) {
      ASSERT_TRUE(list.empty());
    } else {
      ASSERT_EQ(got, expected_capture_list(before_, p_, km));
    }
  }

  std::mt19937 rng_;
  KPosition p_;
  KPosition before_;
};

// Both kings in the middle of an empty board and every other piece in hand.
model::Kyokumen kings_in_the_middle() {
  model::Kyokumen k = model::testing::empty_position();
  model::testing::put(k, 5, 6, model::kOu);
  model::testing::put(k, 5, 4, model::testing::gote(model::kOu));
  const int half[8] = {0, 9, 2, 2, 2, 2, 1, 1};  // by model type 1..7
  for (int type = model::kFu; type <= model::kHi; ++type) k.mochigoma[0][type] = k.mochigoma[1][type] = half[type];
  return k;
}

TEST(MakeMove, RandomLegalGamesKeepEveryRecordEqualToARebuild) {
  pos_table_init();
  std::vector<model::Kyokumen> starts;
  for (int32_t h : {model::kHirate, model::kKyoOchi, model::kKakuOchi, model::kHishaOchi, model::kHiKyoOchi,
                    model::kNimaiOchi, model::kYonmaiOchi, model::kRokumaiOchi, model::kNoSenteKing}) {
    starts.emplace_back();
    starts.back().Init(h);
  }
  starts.push_back(kings_in_the_middle());

  Coverage cov;
  Walk walk(20240607);
  for (int game = 0; cov.steps < kSteps; ++game) {
    ASSERT_NO_FATAL_FAILURE(walk.Game(starts[game % starts.size()], cov)) << "game " << game;
  }
  EXPECT_GE(cov.steps, kSteps);
  // The walk must have met every kind of move.
  const long some = kSteps / 1000;
  EXPECT_GT(cov.drops, some);
  EXPECT_GT(cov.captures, some);
  EXPECT_GT(cov.promotions, some);
  EXPECT_GT(cov.flagged_captures, some);
  EXPECT_GT(cov.king_in_middle, some);
  RecordProperty("steps", static_cast<int>(cov.steps));
}

}  // namespace
}  // namespace board
