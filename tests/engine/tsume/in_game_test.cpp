// The in-game instance: quick searches in a small table that evicts, the
// lookup of stored mates, their confirmation, and a missing instance.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/hash_key.h"
#include "engine/board/make_move.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

Problem problem_named(const char* name) {
  Problem pr;
  EXPECT_TRUE(load_problem(tsume_data_dir() + "/" + name, pr));
  return pr;
}

TEST(InGame, SearchStoresAMateThatLookupAndVerifyConfirm) {
  ASSERT_EQ(tsume_alloc(1024), 1);
  const Problem pr = problem_named("mate09_game.kif");
  board::KPosition p = engine_position(pr.kyokumen);
  board::KMove first;
  ASSERT_EQ(tsume_search(p, nullptr, &first, 200000), 0);
  board::KMove stored;
  ASSERT_EQ(tsume_hash_check(p, &stored), 0);
  EXPECT_EQ(stored.from, first.from);
  EXPECT_EQ(stored.to, first.to);
  board::KMove confirmed;
  EXPECT_EQ(tsume_verify(board::KHashKey{}, first, 0, nullptr, p, &confirmed, 10000), 0);
  EXPECT_EQ(confirmed.to, first.to);
  // An emptied table proves nothing.
  tsume_pool_reset();
  EXPECT_EQ(tsume_hash_check(p, &stored), 1);
  tsume_free();
}

// A node's work is 1 when it is made and grows, at the end of each visit, by
// the nodes of the visit's last child search: after one search in a fresh
// table no entry holds more than 1 + the nodes the search visited, and the
// nodes below some entries are there.
TEST(InGame, EntriesHoldTheWorkSpentBelowThem) {
  ASSERT_EQ(tsume_alloc(1024), 1);
  for (const char* name : {"mate09_game.kif", "mate07_f.kif", "mate11_d.kif"}) {
    tsume_pool_reset();
    const Problem pr = problem_named(name);
    board::KPosition p = engine_position(pr.kyokumen);
    board::KMove first;
    ASSERT_EQ(tsume_search(p, nullptr, &first, 200000), 0) << name;
    const KTsumeEngine& e = *tsume_instance();
    const uint32_t nodes = e.node_count;
    uint32_t entries = 0, grown = 0;
    for (uint32_t b = 0; b < e.table.bucket_count; ++b) {
      for (uint32_t i = e.table.buckets[b]; i != kNoNode; i = e.table.at(i).next) {
        const KTsumeNode& n = e.table.at(i);
        ++entries;
        grown += n.work > 1;
        ASSERT_LE(n.work, nodes + 1) << name << " entry " << entries;
      }
    }
    EXPECT_GT(entries, 0u) << name;
    EXPECT_GT(grown, 0u) << name;
  }
  tsume_free();
}

// The search hands the solver its own key of the position (the first
// player's hand packed); the solver's root key made from it equals the one
// made from scratch for either attacker, along checks and evasions that drop,
// capture and promote.
TEST(InGame, RootKeyFromTheSearchKeyEqualsTheKeyFromScratch) {
  int compared = 0;
  for (const char* name : {"mate09_game.kif", "mate07_f.kif", "mate11_d.kif"}) {
    const Problem pr = problem_named(name);
    board::KPosition p = engine_position(pr.kyokumen);
    board::KHashKey search_key;
    board::hash_key_full(p, 0, search_key);
    for (int ply = 0; ply < 12; ++ply) {
      for (int attacker : {0, 1}) {
        EXPECT_EQ(tsume_key_from_search_key(search_key, p, attacker), tsume_root_key(p, attacker)) << name << " ply " << ply;
        ++compared;
      }
      board::KMove moves[board::kMaxMoves];
      const int n = ply % 2 == 0 ? board::oute_gen(p, moves, 0) : board::oute_nige_gen(p, moves);
      if (n == 0) break;
      const board::KMove m = moves[(ply * 7 + 3) % n];
      board::hash_key_sashite(search_key, 0, m);
      board::do_move(p, m, 0);
    }
  }
  EXPECT_GE(compared, 24);  // several plies of each problem were walked
}

// The walk keeps the solver's key only and makes the search's key from it
// when it stores a proof in the search's table: that key equals the search's
// key made from scratch at every position along checks and evasions, and the
// walk comes back to the root's key.
TEST(InGame, SearchKeyMadeOnTheWalkEqualsTheKeyFromScratch) {
  KTsumeEngine e(256, true);
  ASSERT_TRUE(e.ok());
  int compared = 0;
  for (const char* name : {"mate09_game.kif", "mate07_f.kif", "mate11_d.kif"}) {
    const Problem pr = problem_named(name);
    const board::KPosition start = engine_position(pr.kyokumen);
    TsumeContext c;
    tsume_context_init(c, start, start.teban);
    for (int ply = 0; ply < 12; ++ply) {
      board::KHashKey expected;
      board::hash_key_full(c.pos, 0, expected);
      EXPECT_EQ(tsume_search_key(c), expected) << name << " ply " << ply;
      ++compared;
      if (!tsume_list_moves(e, c) || c.move_count == 0) break;
      tsume_descend(e, c, (ply * 7 + 3) % c.move_count, false);
    }
    while (c.ply > 0) tsume_ascend(e, c);
    EXPECT_EQ(c.key, tsume_root_key(start, start.teban)) << name;
  }
  EXPECT_GE(compared, 24);  // several plies of each problem were walked
}

// The in-game search walks the caller's position itself: whatever the walk
// did (a finished solve, or one cut short by its node limit anywhere in the
// tree), the position comes back byte for byte, and the verdict is the one a
// walk on a copy of the position reaches.
TEST(InGame, SearchLeavesThePositionAsItWasAndAgreesWithAWalkOnACopy) {
  KTsumeEngine in_place(1024, true), on_copy(1024, true);
  ASSERT_TRUE(in_place.ok() && on_copy.ok());
  int solved = 0;
  for (const Problem& pr : load_problem_set()) {
    const board::KPosition start = engine_position(pr.kyokumen);
    for (int32_t limit : {7, 60, 3000}) {
      for (KTsumeEngine* e : {&in_place, &on_copy}) {
        tsume_table_reset(e->table);
        e->node_limit = limit;
        e->time_limit.store(100000);
      }
      board::KPosition p = start;
      board::KMove a = board::pass_move(), b = board::pass_move();
      const int r = tsume_root_in_place(in_place, p, nullptr, &a);
      EXPECT_EQ(std::memcmp(&p, &start, sizeof p), 0) << pr.name << " limit " << limit;
      EXPECT_EQ(r, tsume_root(on_copy, start, nullptr, &b)) << pr.name << " limit " << limit;
      EXPECT_EQ(board::move_word(a), board::move_word(b)) << pr.name << " limit " << limit;
      EXPECT_EQ(in_place.node_count, on_copy.node_count) << pr.name << " limit " << limit;
      solved += r == 0 ? 1 : 0;
    }
  }
  EXPECT_GT(solved, 10);  // the walks went deep enough to find mates
}

TEST(InGame, SideToMoveGivingCheckIsRefusedAtOnce) {
  ASSERT_EQ(tsume_alloc(256), 1);
  const Problem pr = problem_named("mate03_d.kif");
  board::KPosition p = engine_position(pr.kyokumen);
  board::KMove first;
  ASSERT_EQ(tsume_search_limit(p, nullptr, &first, 10000), 0);
  // Make the first check and give the move back to the attacker: it now
  // attacks the king it checks.
  board::do_move(p, first, 0);
  p.teban = static_cast<uint8_t>(1 - p.teban);
  EXPECT_EQ(tsume_search(p, nullptr, &first, 1000), 3);
  tsume_free();
}

TEST(InGame, MissingInstanceAnswersUndecided) {
  EXPECT_EQ(ktsume_alloc(0), 0);
  EXPECT_EQ(ktsume_instance(), nullptr);
  const Problem pr = problem_named("mate03_d.kif");
  const board::KPosition p = engine_position(pr.kyokumen);
  const board::KMove* line = nullptr;
  int length = 0;
  EXPECT_EQ(ktsume_solve(p, &line, &length, 1000, 1000), SolveResult::kUndecided);
  EXPECT_EQ(tsume_alloc(0), 0);
  board::KPosition q = p;
  board::KMove m;
  EXPECT_EQ(tsume_search(q, nullptr, &m, 1000), 1);
  tsume_stop(0);  // no instance: nothing happens
}

}  // namespace
}  // namespace tsume::testing
