// The engine's generators against the game model's rules on positions reached
// by random legal play from the even game, the handicaps and positions with
// every piece in hand: all moves, evasions, checks, the check test, the mate in
// one and the list filters, each compared with the model's legal moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/board/check_gen.h"
#include "engine/board/check_test.h"
#include "engine/board/engine_perft.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_legality.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/move_sets.h"

namespace board {
namespace {

using testing::move_key;
using testing::same_moves;
using testing::sorted_keys;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kPositions = 6000;
#else
constexpr int kPositions = 30000;
#endif
constexpr int kMaxGamePlies = 160;

struct Stats {
  int positions = 0, in_check = 0, double_check = 0, discovered = 0, mates_found = 0, refuted = 0;
};

std::vector<KMove> joined(const std::vector<KMove>& a, const std::vector<KMove>& b) {
  std::vector<KMove> v = a;
  v.insert(v.end(), b.begin(), b.end());
  return v;
}

// True when the side to move, after `m`, has no legal move.
bool mates(KPosition& p, const KMove& m) {
  KMove replies[kMaxMoves];
  do_move(p, m, 0);
  const bool none = engine_legal_moves(p, replies) == 0;
  undo_move(p, m, 0);
  return none;
}

// Every property of the generators at one position; returns the model's moves
// for the random play.
testing::ModelMoves check_position(const model::Kyokumen& k, Stats& st) {
  KPosition p;
  EXPECT_EQ(bridge::position_load(p, k), 0);
  KPosition saved;
  std::memcpy(&saved, &p, sizeof p);
  const testing::ModelMoves mm = testing::model_moves(k, p);
  const std::vector<uint64_t> legal = sorted_keys(mm.legal);
  const std::vector<uint64_t> legal_or_pawn_mate = sorted_keys(joined(mm.legal, mm.pawn_drop_mates));
  const int side = p.teban;
  const bool in_check = k.IsOute(side);
  EXPECT_EQ(king_attacked(p, side), in_check);
  ++st.positions;

  KMove buf[kMaxMoves];
  int n = engine_legal_moves(p, buf);
  EXPECT_TRUE(same_moves(sorted_keys(buf, n), legal)) << "legal moves";

  if (!in_check) {
    // Every move and the non-promoting twins: pseudo-legal, once each, and
    // the legal filter leaves the legal moves (and the pawn mates it does not test).
    // The board moves, after the drops, are those of each piece in number order.
    n = gen_all_moves(p, buf);
    KMove by_piece[kMaxMoves];
    int m = 0;
    for (int i = 0; i < kPieceCount; ++i) m += gen_piece_moves(p, p.piece[i].sq, by_piece + m);
    EXPECT_TRUE(m <= n && std::equal(by_piece, by_piece + m, buf + n - m, [](const KMove& a, const KMove& b) {
                  return move_key(a) == move_key(b);
                }));
    EXPECT_TRUE(std::all_of(buf, buf + n - m, [](const KMove& d) { return d.from == kInHand; }));
    n += gen_funari_moves(p, buf + n);
    for (int i = 0; i < n; ++i) EXPECT_EQ(sashite_is_legal(p, buf[i]), 1) << testing::key_name(move_key(buf[i]));
    n = sashite_list_filter_legal(p, n, buf, -1);
    EXPECT_TRUE(same_moves(sorted_keys(buf, n), legal_or_pawn_mate)) << "filtered moves";
  } else {
    ++st.in_check;
    st.double_check += kiki_at(p, p.piece[side].sq).direct_count[1 - side] >= 2;
    n = oute_nige_gen(p, buf);
    EXPECT_TRUE(same_moves(sorted_keys(buf, n), legal_or_pawn_mate)) << "evasions";
    EXPECT_EQ(oute_nige_count(p, 0), mm.legal.empty() ? 0 : 1);
    // The early answer agrees with the list: some evasion is no drop.
    const bool board_move = std::any_of(buf, buf + n, [](const KMove& m) { return m.from != kInHand; });
    EXPECT_EQ(oute_nige_board_move_exists(p), board_move ? 1 : 0);
    if (n > 0) {
      EXPECT_EQ(oute_nige_count(p, n - 1), 1);
      EXPECT_EQ(oute_nige_count(p, n), 0);
    }
    n = gyaku_oute_gen(p, buf);
    EXPECT_TRUE(same_moves(sorted_keys(buf, n), sorted_keys(joined(mm.checks, mm.pawn_drop_mates))))
        << "evasions that check";
  }

  // Checks: with flag 0 the legal checks and the mating pawn drops, with flag 1
  // the same without pawn drops. In check, every legal check is among them.
  std::vector<KMove> no_pawn_drops;
  for (const KMove& c : mm.checks) {
    if (!(c.from == kInHand && code_kind(c.code) == kPawn)) no_pawn_drops.push_back(c);
  }
  KMove checks[kMaxMoves];
  const int n0 = oute_gen(p, checks, 0);
  const int n1 = oute_gen(p, buf, 1);
  if (!in_check) {
    EXPECT_TRUE(same_moves(sorted_keys(checks, n0), sorted_keys(joined(mm.checks, mm.pawn_drop_mates))))
        << "checks, flag 0";
    EXPECT_TRUE(same_moves(sorted_keys(buf, n1), sorted_keys(no_pawn_drops))) << "checks, flag 1";
  } else {
    const std::vector<uint64_t> got = sorted_keys(checks, n0);
    for (const KMove& c : mm.checks) {
      EXPECT_TRUE(std::binary_search(got.begin(), got.end(), move_key(c))) << testing::key_name(move_key(c));
    }
    for (int i = 0; i < n0; ++i) {
      do_move(p, checks[i], 0);
      EXPECT_TRUE(king_attacked(p, 1 - side)) << testing::key_name(move_key(checks[i]));
      undo_move(p, checks[i], 0);
    }
  }

  // is_oute: non-zero exactly for checks; 6 when only another piece checks.
  for (const KMove& m : mm.legal) {
    const int v = is_oute(p, m);
    do_move(p, m, 0);
    const int king = p.piece[1 - side].sq;
    const bool gives = king_attacked(p, 1 - side);
    const bool direct = gives && kiki_has_direct(kiki_at(p, king), side, m.piece);
    undo_move(p, m, 0);
    EXPECT_EQ(v != 0, gives) << testing::key_name(move_key(m));
    EXPECT_EQ(v == 6, gives && !direct) << testing::key_name(move_key(m));
    st.discovered += v == 6;
  }

  // Mate in one: whatever it returns mates; a refuted check never mates.
  std::vector<uint32_t> mating;
  for (const KMove& c : no_pawn_drops) {
    if (mates(p, c)) mating.push_back(move_word(c));
  }
  // Out of check every check listed is legal, so a refuted one must have an answer.
  const std::vector<KMove> unfiltered(buf, buf + n1);
  const int kept = oute_list_filter(p, n1, buf);
  const std::vector<uint64_t> after_filter = sorted_keys(buf, kept);
  for (const KMove& c : unfiltered) {
    const bool removed = !std::binary_search(after_filter.begin(), after_filter.end(), move_key(c));
    if (in_check || !(removed || oute_quick_refute(p, c))) continue;
    ++st.refuted;
    EXPECT_FALSE(mates(p, c)) << "refuted " << testing::key_name(move_key(c));
  }
  uint32_t word = 0x12345678;
  const int found = ichite_zume(p, &word);
  if (found) {
    EXPECT_NE(std::find(mating.begin(), mating.end(), word), mating.end()) << "not a mate: " << std::hex << word;
    EXPECT_EQ(ichite_zume_pretest(p), 1);
  } else {
    EXPECT_EQ(word, 0x12345678u);
  }
  st.mates_found += found;

  EXPECT_TRUE(testing::same_live_fields(p, saved)) << "a generator changed the position";
  return mm;
}

// Picks a move that checks, captures or is random, so that checks, mates and
// full hands come often.
model::Sashite pick(const model::Kyokumen& k, const testing::ModelMoves& mm, std::mt19937& rng) {
  const std::vector<model::Sashite>& legal = mm.legal_sashite;
  std::vector<model::Sashite> double_checks, captures;
  for (const model::Sashite& m : mm.check_sashite) {
    model::Kyokumen next;
    next.Copy(k);
    next.DoSashite(m);
    KPosition p;
    bridge::position_load(p, next);
    if (kiki_at(p, p.piece[p.teban].sq).direct_count[1 - p.teban] >= 2) double_checks.push_back(m);
  }
  for (const model::Sashite& m : legal) {
    if (m.tori.code != 0) captures.push_back(m);
  }
  const unsigned r = rng() % 100;
  if (r < 10 && !double_checks.empty()) return double_checks[rng() % double_checks.size()];
  if (r < 30 && !mm.check_sashite.empty()) return mm.check_sashite[rng() % mm.check_sashite.size()];
  if (r < 60 && !captures.empty()) return captures[rng() % captures.size()];
  return legal[rng() % legal.size()];
}

TEST(MoveGeneration, MatchesTheGameModelOnRandomPositions) {
  std::vector<model::Kyokumen> starts =
      testing::handicap_starts({model::kHirate, model::kKyoOchi, model::kKakuOchi, model::kHishaOchi,
                                model::kNimaiOchi, model::kRokumaiOchi, model::kNoSenteKing});
  const model::Kyokumen full_hands =
      testing::kings_and_hands(testing::kHalfOfEveryPiece, testing::kHalfOfEveryPiece, 58, 52);
  starts.insert(starts.end(), {full_hands, full_hands});

  Stats st;
  std::mt19937 rng(90210);
  for (int game = 0; st.positions < kPositions; ++game) {
    model::Kyokumen k;
    k.Copy(starts[game % starts.size()]);
    for (int ply = 0; ply < kMaxGamePlies && st.positions < kPositions; ++ply) {
      const testing::ModelMoves mm = check_position(k, st);
      if (::testing::Test::HasFailure()) FAIL() << "game " << game << " ply " << ply;
      if (mm.legal.empty()) break;
      ASSERT_TRUE(k.DoSashite(pick(k, mm, rng)));
    }
  }
  // The walk must have met what the generators handle specially.
  EXPECT_GT(st.in_check, kPositions / 10);
  EXPECT_GT(st.double_check, 0);
  EXPECT_GT(st.discovered, 0);
  EXPECT_GT(st.mates_found, kPositions / 100);
  EXPECT_GT(st.refuted, 0);
}

}  // namespace
}  // namespace board
