// The central invariant of the engine position, over random legal games from
// many start positions: after every do_move the derived tables equal a rebuild
// from scratch, the position equals the game model's and the incremental key
// the key computed from scratch, the per-ply change counters and capture list
// say what the move did, the light make agrees with do_move on what it keeps,
// and each undo restores every live field. Moves come from the game model's
// generator through the bridge.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/board/hash_key.h"
#include "engine/board/kiki.h"
#include "engine/board/make_move.h"
#include "engine/board/move_tables.h"
#include "engine/board/ply_table.h"
#include "tests/engine/board/model_positions.h"

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
  long steps = 0, drops = 0, captures = 0, promotions = 0, flagged_captures = 0, listed_captures = 0;
};

// The squares of the layer's list, walked from the head over the previous-links,
// with the next-links checked on the way; a broken list fails.
::testing::AssertionResult read_list(int layer, std::set<int>& out) {
  out.clear();
  uint32_t next = 0;
  for (uint32_t sq = think_board.ply_table.ply_list_head[layer]; sq != 0; next = sq, sq = ply_record(layer, sq).prev) {
    if (!is_playing_square(sq) || ply_record(layer, sq).next != next || !out.insert(sq).second) {
      return ::testing::AssertionFailure() << "broken list at square " << sq;
    }
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
    const int u = line_direction(before.piece[b].sq, m.from);
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
  // back on the way, and a pass where one is allowed. The pieces in play are
  // those of the start, so a key of `seen` (those of games from the same start)
  // must name one position.
  void Game(const model::Kyokumen& start, std::unordered_map<std::string, std::string>& seen, Coverage& cov) {
    model::Kyokumen k;
    k.Copy(start);
    ASSERT_EQ(bridge::position_load(p_, k), 0);
    ASSERT_TRUE(matches_rebuild(p_));
    think_board.ply_table.search_ply_counter = 0;
    model::Sashite moves[kTrialsPerPosition];
    for (int ply = 0; ply < kMaxGamePlies && cov.steps < kSteps; ++ply) {
      KHashKey key;
      hash_key_full(p_, 0, key);
      std::string position(reinterpret_cast<const char*>(k.ban), sizeof k.ban);
      position.append(reinterpret_cast<const char*>(k.mochigoma), 2 * sizeof k.mochigoma[0]) += char(k.teban);
      const auto it = seen.emplace(std::string(reinterpret_cast<const char*>(key.word), sizeof key), position);
      ASSERT_EQ(it.first->second, position) << "two positions share a key";
      if (!k.IsOute(k.teban)) {
        ASSERT_NO_FATAL_FAILURE(Trial(k, nullptr, cov));
      }
      const int n = testing::random_legal_moves(k, rng_, moves, kTrialsPerPosition);
      if (n == 0) break;
      for (int i = 0; i < n; ++i) {
        ASSERT_NO_FATAL_FAILURE(Trial(k, &moves[i], cov));
      }
      // Play one of them for good.
      const model::Sashite& m = moves[rng_() % n];
      KMove km;
      ASSERT_EQ(bridge::sashite_to_kmove(km, p_, m), 0);
      do_move(p_, km, 0);
      ASSERT_TRUE(k.DoSashite(m));
    }
  }

 private:
  // Makes and takes back the move `m`, a pass when null, with the per-ply table
  // off, counted or with its list only, at a random layer (one past the last
  // leaves the table alone).
  void Trial(const model::Kyokumen& k, const model::Sashite* m, Coverage& cov) {
    KMove km = pass_move();
    model::Kyokumen after, exported;
    after.Copy(k);
    if (m) {
      ASSERT_EQ(bridge::sashite_to_kmove(km, p_, *m), 0);
      model::Sashite back;
      ASSERT_EQ(bridge::kmove_to_sashite(back, k, km), 0);
      ASSERT_EQ(back, *m);
      ASSERT_TRUE(after.DoSashite(*m));
    } else {
      after.teban = 1 - after.teban;
    }

    const uint32_t saved_counter = think_board.ply_table.search_ply_counter;
    const int flag = static_cast<int>(rng_() % 3);
    const int layer = static_cast<int>(rng_() % (kPlyLayers + 1));
    const bool kept = flag != kPlyTableOff && layer < kPlyLayers;
    if (flag) think_board.ply_table.search_ply_counter = static_cast<uint32_t>(layer);
    const uint32_t counter = think_board.ply_table.search_ply_counter;
    std::memcpy(&before_, &p_, sizeof p_);

    do_move(p_, km, flag);
    ASSERT_EQ(think_board.ply_table.search_ply_counter, counter + 1);
    ASSERT_TRUE(matches_rebuild(p_)) << "after do_move of " << int(km.from) << "->" << int(km.to);
    bridge::position_export(exported, p_);
    ASSERT_TRUE(exported == after);
    ASSERT_NO_FATAL_FAILURE(CheckKey(km));
    for (int side = 0; side < 2; ++side) {
      ASSERT_EQ(square_attack_count(p_, 1 - side, p_.piece[side].sq) > 0, after.IsOute(side));
    }
    if (kept) {
      ASSERT_NO_FATAL_FAILURE(CheckPlyLayer(layer, km, flag == kPlyTableCounted));
    }

    std::memcpy(&after_, &p_, sizeof p_);
    undo_move(p_, km, flag);
    ASSERT_EQ(think_board.ply_table.search_ply_counter, counter);
    ASSERT_TRUE(same_live_fields(p_, before_));
    if (kept) {
      for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
        if (!is_playing_square(sq)) continue;
        ASSERT_EQ(ply_record(layer, sq).change[0] | ply_record(layer, sq).change[1], 0);
      }
    }
    think_board.ply_table.search_ply_counter = saved_counter;

    // The light pair: what do_move left, but for the attack records and the
    // promoted-pawn lists, which it leaves as they were.
    std::memcpy(&light_, &before_, sizeof p_);
    make_move_light(light_, km);
    ASSERT_EQ(std::memcmp(light_.tokin, before_.tokin, sizeof p_.tokin), 0) << "make_move_light";
    std::memcpy(light_.kiki, after_.kiki, sizeof p_.kiki);
    std::memcpy(light_.tokin, after_.tokin, sizeof p_.tokin);
    ASSERT_TRUE(same_live_fields(light_, after_)) << "make_move_light";
    unmake_move_light(light_, km);
    std::memcpy(light_.kiki, before_.kiki, sizeof p_.kiki);
    std::memcpy(light_.tokin, before_.tokin, sizeof p_.tokin);
    ASSERT_TRUE(same_live_fields(light_, before_)) << "unmake_move_light";
    ASSERT_EQ(think_board.ply_table.search_ply_counter, saved_counter);

    ++cov.steps;
    cov.drops += km.from == kInHand;
    cov.captures += km.captured != kEmptyNumber;
    cov.promotions += km.promote != 0;
    cov.flagged_captures += flag == kPlyTableCounted && km.captured != kEmptyNumber;
    cov.listed_captures += flag == kPlyTableListOnly && km.captured != kEmptyNumber;
  }

  // The key after the move, from the key before it, equals the key computed from
  // scratch, for both hand sides.
  void CheckKey(const KMove& km) {
    for (int hs = 0; hs < 2; ++hs) {
      KHashKey inc, full;
      hash_key_full(before_, hs, inc);
      hash_key_sashite(inc, hs, km);
      hash_key_full(p_, hs, full);
      ASSERT_EQ(inc, full) << "hand side " << hs << ", move " << int(km.from) << "->" << int(km.to);
    }
  }

  // The change counters hold the net change of each side's attacks per square
  // when counted, else stay 0; the list holds what a capture left weaker, and
  // nothing after other moves.
  void CheckPlyLayer(int layer, const KMove& km, bool counted) {
    for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
      if (!is_playing_square(sq)) continue;
      for (int side = 0; side < 2; ++side) {
        const KKiki& a = kiki_at(p_, sq);
        const KKiki& b = kiki_at(before_, sq);
        const int delta = a.direct_count[side] + a.xray_count[side] - b.direct_count[side] - b.xray_count[side];
        ASSERT_EQ(ply_record(layer, sq).change[side], counted ? delta : 0) << testing::square_name(sq);
      }
    }
    std::set<int> got;
    ASSERT_TRUE(read_list(layer, got));
    ASSERT_EQ(got, km.captured == kEmptyNumber ? std::set<int>{} : expected_capture_list(before_, p_, km));
  }

  std::mt19937 rng_;
  KPosition p_, before_, after_, light_;
};

TEST(MakeMove, RandomLegalGamesKeepEveryRecordEqualToARebuild) {
  pos_table_init();
  std::vector<model::Kyokumen> starts = testing::handicap_starts(
      {model::kHirate, model::kKyoOchi, model::kKakuOchi, model::kHishaOchi, model::kHiKyoOchi, model::kNimaiOchi,
       model::kYonmaiOchi, model::kRokumaiOchi, model::kNoSenteKing});
  // Both kings in the middle, every other piece in hand; one side holding all.
  starts.push_back(testing::kings_and_hands(testing::kHalfOfEveryPiece, testing::kHalfOfEveryPiece, 56, 54));
  starts.push_back(testing::kings_and_hands(testing::kEveryPiece));

  Coverage cov;
  Walk walk(20240607);
  std::vector<std::unordered_map<std::string, std::string>> seen(starts.size());
  for (int game = 0; cov.steps < kSteps; ++game) {
    ASSERT_NO_FATAL_FAILURE(walk.Game(starts[game % starts.size()], seen[game % starts.size()], cov))
        << "game " << game;
  }
  // The walk must have met every kind of move.
  for (long seen_kind : {cov.drops, cov.captures, cov.promotions, cov.flagged_captures, cov.listed_captures}) {
    EXPECT_GT(seen_kind, kSteps / 1000);
  }
}

}  // namespace
}  // namespace board
