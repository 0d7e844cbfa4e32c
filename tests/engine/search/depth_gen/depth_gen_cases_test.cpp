// The depth generator's rules on small positions built piece by piece (sente
// to move): the candidate table's proposal kinds, the admission of drops, the
// knight rule's edge, the return rule, the capture thresholds and the
// promotions, the check generator's gold drop, the silver's unpromoted twin,
// the placement gain and the level thresholds.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/board/exchange_eval.h"
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/gen_by_depth.h"
#include "engine/search/depth_gen/koma_gain.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/turned_twin.h"
#include "tests/engine/search/depth_gen/depth_gen_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::Scene;
using model::testing::gote;

constexpr int sq(int file, int rank) { return board::square_of(file, rank); }

class DepthGenCases : public testing::DepthGenTest {
 protected:
  std::vector<KMove> Generate(const KPosition& p, int n) {
    std::vector<KMove> out(board::kMaxMoves);
    out.resize(sashite_gen_by_depth(testing::test_stamp(), p, &history_[1], n, 0, none_, out.data()));
    return out;
  }
  static bool Has(const std::vector<KMove>& moves, int from, int to, int kind, int promote = 0) {
    return std::any_of(moves.begin(), moves.end(), [&](const KMove& m) {
      return m.from == from && m.to == to && board::code_kind(m.code) == kind && m.promote == promote;
    });
  }
  static bool Drop(const std::vector<KMove>& moves, int to, int kind) { return Has(moves, board::kInHand, to, kind); }

  KMove history_[2] = {board::pass_move(), board::pass_move()};
  KSearchedSet none_{};
};

TEST_F(DepthGenCases, ProposalsCountAndMarkWeakness) {
  KGenStamp& st = testing::test_stamp();
  gen_stamp_begin_depth(st);
  const auto entry = [&st](int piece, int square) { return st.entry[gen_stamp_key(piece, square, 0)]; };
  gen_stamp_record(st, 2, sq(5, 5), 0, kTagKingSide);
  gen_stamp_record(st, 2, sq(5, 5), 0, kTagCamp);  // a second plain proposal
  gen_stamp_weak(st, 2, sq(6, 5), 0, kTagKingSide);
  gen_stamp_record(st, 2, sq(6, 5), 0, kTagCamp);  // weak, then plain
  gen_stamp_record(st, 2, sq(7, 5), 0, kTagKingSide);
  gen_stamp_weak(st, 2, sq(7, 5), 0, kTagTarget);  // plain tag 5, then weak tag 4: not again
  gen_stamp_record(st, 2, sq(8, 5), 0, kTagTarget);
  gen_stamp_weak(st, 2, sq(8, 5), 0, kTagTarget);  // two target proposals
  gen_stamp_strong(st, 2, sq(9, 5), 0);
  gen_stamp_weak(st, 2, sq(1, 5), 0, kTagCamp);
  struct {
    int square;
    bool again, weak_only;
  } const kWant[] = {{sq(5, 5), true, false}, {sq(6, 5), true, false}, {sq(7, 5), false, false},
                     {sq(8, 5), true, false}, {sq(9, 5), true, false}, {sq(1, 5), false, true}};
  for (const auto& w : kWant) {
    EXPECT_TRUE(gen_stamp_is_set(st, entry(2, w.square), kStampProposed));
    EXPECT_EQ(gen_stamp_is_set(st, entry(2, w.square), kStampAgain), w.again) << w.square;
    EXPECT_EQ(gen_stamp_is_set(st, entry(2, w.square), kStampWeakOnly), w.weak_only) << w.square;
  }
  EXPECT_EQ(st.record_count, 6);
  // A new call voids every mark; the check generator's generations are apart.
  const uint32_t depth_generation = st.generation;
  gen_stamp_begin_checks(st);
  EXPECT_EQ(st.record_count, 0);
  EXPECT_FALSE(gen_stamp_is_set(st, entry(2, sq(5, 5)), kStampProposed));
  EXPECT_GT(st.generation, 1000000000u + depth_generation);
  // The counter restarts on a cleared table before the ranges could meet.
  st.serial = 1000000000u;
  gen_stamp_begin_depth(st);
  EXPECT_EQ(st.generation, 1u);
  EXPECT_EQ(st.serial, 1u);
  EXPECT_EQ(st.entry[gen_stamp_key(2, sq(5, 5), 0)].word[kStampProposed], 0u);
}

TEST_F(DepthGenCases, RookDropsOutsideTheCampNeedTwoProposals) {
  // The king rule walks the king's file (plain) and rank (weak); the rule
  // against the gold walks its file (plain) and rank (weak).
  const KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(1, 5, gote(model::kKin))
                          .Hand(model::kHi).Load();
  const std::vector<KMove> moves = Generate(p, 3);
  EXPECT_TRUE(Drop(moves, sq(5, 5), board::kRook));   // plain on the king's file, weak target proposal
  EXPECT_TRUE(Drop(moves, sq(1, 3), board::kRook));   // once, inside the camp
  EXPECT_FALSE(Drop(moves, sq(6, 5), board::kRook));  // weak only
  EXPECT_FALSE(Drop(moves, sq(5, 6), board::kRook));  // once, outside the camp
  EXPECT_FALSE(Drop(moves, sq(1, 4), board::kRook));
}

TEST_F(DepthGenCases, BishopDropsProposedOnceOutsideTheCampWaitForLevel5) {
  // Three pieces in hand and an open camp: no camp phase.
  const KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Hand(model::kKaku)
                          .Hand(model::kKin).Hand(model::kGin).Load();
  const std::vector<KMove> low = Generate(p, 3);
  EXPECT_FALSE(Drop(low, sq(1, 5), board::kBishop));  // once, plain (the edge ends the diagonal)
  EXPECT_FALSE(Drop(low, sq(3, 3), board::kBishop));  // weak only
  EXPECT_TRUE(Drop(Generate(p, 5), sq(1, 5), board::kBishop));
}

TEST_F(DepthGenCases, KnightRuleHasNoSquaresForTargetsOnTheLastTwoRanks) {
  const KPosition p = Scene().Put(5, 5, model::kOu).Put(9, 1, gote(model::kOu)).Hand(model::kKei).Load();
  const KPosition twin = board::testing::turned(p);
  for (const KPosition* pos : {&p, &twin}) {
    const bool gote_moves = pos->teban == 1;
    for (int rank = 7; rank <= 9; ++rank) {
      GenCall g(*pos, &history_[1], &history_[0], 3, 0, none_, nullptr, AcceptForm::kThreatKind, 3);
      g.stamp = &testing::test_stamp();
      gen_stamp_begin_depth(testing::test_stamp());
      const int t = sq(2, gote_moves ? 10 - rank : rank);
      gen_drop_kei(g, t, kTagTarget, false);
      EXPECT_EQ(testing::test_stamp().record_count, rank == 7 ? 2 : 0) << "rank " << rank << " side " << pos->teban;
    }
  }
}

// The rook-line rule on a target inside the enemy camp also walks the target's
// rank both ways; every walk skips the squares the enemy supports more, and the
// file walk away from the enemy stops at the camp's edge.
TEST_F(DepthGenCases, RookLineRuleWalksTheRankOfATargetInTheCamp) {
  const KPosition p = Scene().Put(9, 9, model::kOu).Put(1, 5, gote(model::kOu)).Put(5, 2, gote(model::kKin))
                          .Hand(model::kHi).Load();
  const KPosition twin = board::testing::turned(p);
  for (const KPosition* pos : {&p, &twin}) {
    const bool gote_moves = pos->teban == 1;
    const auto at = [gote_moves](int file, int rank) { return gote_moves ? sq(10 - file, 10 - rank) : sq(file, rank); };
    KGenStamp& st = testing::test_stamp();
    GenCall g(*pos, &history_[1], &history_[0], 3, 0, none_, nullptr, AcceptForm::kThreatKind, 3);
    g.stamp = &st;
    gen_stamp_begin_depth(st);
    gen_drop_hisha_line(g, at(5, 2), kTagTarget);
    // The gold guards 4二, 6二, 5一 and 5三; 5四 lies outside the camp.
    EXPECT_EQ(st.record_count, 6) << "side " << pos->teban;
    const int rook = board::drop_piece(*pos, board::kRook);
    for (int file : {1, 2, 3, 7, 8, 9}) {
      const auto& e = st.entry[gen_stamp_key(rook, at(file, 2), 0)];
      EXPECT_TRUE(gen_stamp_is_set(st, e, kStampProposed)) << file << " side " << pos->teban;
      EXPECT_FALSE(gen_stamp_is_set(st, e, kStampWeakOnly)) << file << " side " << pos->teban;
    }
  }
}

TEST_F(DepthGenCases, ReturnRuleNeedsAPieceThatStepsStraightBack) {
  const KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Load();
  struct {
    int from, code;
    bool fires;
  } const kCases[] = {
      {sq(4, 4), board::kGold, false},   // a gold recaptured diagonally forward
      {sq(5, 4), board::kGold, true},    // straight
      {sq(4, 4), board::kSilver, true},  // a silver that changed file
      {sq(5, 4), board::kSilver, false},
      {sq(4, 4), board::kHorse, true},
  };
  for (const auto& c : kCases) {
    KMove h[2];
    board::write_move(h[0], board::kInHand, sq(5, 5), 22, board::kEmptyNumber, board::kPawn | board::kSenteBit, 0, 0);
    board::write_move(h[1], c.from, sq(5, 5), 6, 22, c.code | board::kGoteBit, board::kPawn | board::kSenteBit, 0);
    const GenCall g(p, &h[1], &h[0], 3, 0, none_, nullptr, AcceptForm::kThreatKind, 3);
    EXPECT_EQ(drop_return_fires(g, c.from, kReturnPawnRule), c.fires) << c.code << " from " << c.from;
    EXPECT_FALSE(drop_return_fires(g, sq(6, 6), kReturnPawnRule));
  }
}

TEST_F(DepthGenCases, CaptureThresholdsAndPromotions) {
  // A pawn takes a defended rook without a value test in every mode; an even
  // gold trade passes modes 0 and 1 (above -100) but not mode 2 (150); an
  // unpromoted bishop in the camp and a lance promote once at most.
  const KPosition p = Scene().Put(5, 9, model::kOu).Put(2, 1, gote(model::kOu)).Put(5, 5, model::kFu)
                          .Put(5, 4, gote(model::kHi)).Put(5, 3, gote(model::kKin)).Put(2, 6, model::kKin)
                          .Put(2, 5, gote(model::kKin)).Put(2, 4, gote(model::kFu)).Put(7, 3, model::kKaku)
                          .Put(1, 9, model::kKyo).Load();
  for (int mode = 0; mode < 3; ++mode) {
    Mode(mode);
    const std::vector<KMove> moves = Generate(p, 0);
    EXPECT_TRUE(Has(moves, sq(5, 5), sq(5, 4), board::kPawn)) << mode;
    EXPECT_EQ(Has(moves, sq(2, 6), sq(2, 5), board::kGold), mode != 2) << mode;
    int bishop = 0, lance = 0;
    for (const KMove& m : moves) {
      bishop += m.from == sq(7, 3) && m.promote && m.captured_code == 0;
      lance += m.from == sq(1, 9) && m.promote;
    }
    EXPECT_EQ(bishop, mode == 0 ? 1 : std::min(bishop, 1)) << mode;
    EXPECT_EQ(lance, mode == 0 ? 1 : std::min(lance, 1)) << mode;
  }
}

TEST_F(DepthGenCases, CheckGeneratorWritesAGoldDropThatOnlyChecks) {
  for (int type : {model::kKin, model::kGin}) {
    const KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(5, 3, model::kFu)
                            .Hand(type).Load();
    const std::vector<KMove> moves = Generate(p, 1);
    EXPECT_EQ(Drop(moves, sq(5, 2), board::kGold), type == model::kKin);
    EXPECT_FALSE(Drop(moves, sq(5, 2), board::kSilver));
  }
}

TEST_F(DepthGenCases, SilverIntoTheCampAlsoStaysUnpromotedBesideABigPiece) {
  // The promoted silver newly attacks the knight; the rook stands diagonally
  // behind the destination.
  const KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(5, 4, model::kGin)
                          .Put(4, 4, gote(model::kHi)).Put(6, 2, gote(model::kKei)).Load();
  for (int n = 1; n <= 4; ++n) {
    const std::vector<KMove> moves = Generate(p, n);
    const auto at = [&](int promote) {
      return std::find_if(moves.begin(), moves.end(), [&](const KMove& m) {
        return m.from == sq(5, 4) && m.to == sq(5, 3) && m.promote == promote;
      });
    };
    ASSERT_NE(at(1), moves.end()) << n;
    ASSERT_NE(at(0), moves.end()) << n;
    EXPECT_LT(at(1), at(0)) << n;
  }
}

// A quiet rook move along a rank counts the first pieces up and down the file
// it lands on: the enemy king and a held gold are two threats and the move is
// written; the king alone is one, and it is not. The same on the turned board.
TEST_F(DepthGenCases, RookAlongARankCountsThePiecesOnItsNewFile) {
  for (bool gold : {true, false}) {
    Scene s;
    s.Put(9, 9, model::kOu).Put(9, 5, model::kHi).Put(5, 2, gote(model::kOu));
    if (gold) s.Put(5, 8, gote(model::kKin));
    const KPosition p = s.Load();
    const KPosition twin = board::testing::turned(p);
    for (const KPosition* pos : {&p, &twin}) {
      const auto at = [pos](int file, int rank) {
        return pos->teban == 0 ? sq(file, rank) : board::turned_square(sq(file, rank));
      };
      EXPECT_EQ(Has(Generate(*pos, 1), at(9, 5), at(5, 5), board::kRook), gold) << "side " << pos->teban;
    }
  }
}

// The gold family's value limit A (-500) holds below level 4 only: a gold step
// onto a square where the gold is lost, newly attacking an enemy silver, is
// written from level 4. An enemy pawn among the newly attacked squares counts
// from level 4 too (exchange mode 0, the pawn held).
TEST_F(DepthGenCases, GoldStepsOpenUpAtLevelFour) {
  const KPosition lost = Scene().Put(5, 9, model::kOu).Put(1, 1, gote(model::kOu)).Put(5, 5, model::kKin)
                             .Put(4, 4, gote(model::kKin)).Put(5, 3, gote(model::kGin)).Load();
  const KPosition pawn = Scene().Put(5, 9, model::kOu).Put(1, 1, gote(model::kOu)).Put(5, 5, model::kKin)
                             .Put(6, 3, gote(model::kFu)).Load();
  for (int n = 2; n <= 5; ++n) {
    EXPECT_EQ(Has(Generate(lost, n), sq(5, 5), sq(5, 4), board::kGold), n >= 4) << n;
    EXPECT_EQ(Has(Generate(pawn, n), sq(5, 5), sq(5, 4), board::kGold), n >= 4) << n;
  }
}

TEST_F(DepthGenCases, PlacementGainAndLevelThresholds) {
  const KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Hand(model::kGin).Load();
  const int silver = koma_gain_value(p, 0, board::kSilver, sq(1, 1), 0);
  // With none of the kind in hand the hand term is 0.
  EXPECT_EQ(koma_gain_value(p, 0, board::kGold, sq(3, 3), 0), board::exchange_flat_value(board::kGold));
  int horse_low = 1 << 30, horse_high = -horse_low;
  for (int s = board::kFirstSquare; s <= board::kLastSquare; ++s) {
    if (!board::is_playing_square(s) || p.board[s] != board::kEmptyNumber) continue;
    Mode(0);
    EXPECT_EQ(koma_gain_value(p, 0, board::kSilver, s, 0), silver);
    Mode(1);
    horse_low = std::min(horse_low, koma_gain_value(p, 0, board::kHorse, s, 0));
    horse_high = std::max(horse_high, koma_gain_value(p, 0, board::kHorse, s, 0));
    EXPECT_EQ(koma_gain_value(p, 0, board::kDragon, s, 0), board::exchange_flat_value(board::kDragon));
  }
  EXPECT_LT(horse_low, horse_high);
  // threshold(n): mode 2 reads mode 1's row; n is clamped to 0..39.
  const int kWant[2][5] = {{20, 10, 5, 0, 0}, {100, 50, 25, 10, 10}};
  for (int mode = 0; mode < 3; ++mode) {
    Mode(mode);
    const int* want = kWant[mode == 0 ? 0 : 1];
    for (int n = 0; n < 5; ++n) EXPECT_EQ(gen_threshold(n == 4 ? 39 : n), want[n]) << mode;
    EXPECT_EQ(gen_threshold(-7), want[0]);
    EXPECT_EQ(gen_threshold(1000), want[4]);
  }
}

}  // namespace
}  // namespace search
