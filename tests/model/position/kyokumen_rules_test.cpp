// The rules on Kyokumen: legality, make and take back, set-up checks, check and
// mate tests, generation with filters, the impasse count and perft.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/position/kyokumen.h"
#include "model/position/perft.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::empty_position, testing::gote, testing::kings_only, testing::move, testing::put;


// Two independent views of the rules must agree on `pos`: IsLegal (strict)
// accepts exactly the generated moves (tried: every board move of any piece to
// any square, with and without promotion, and every drop of a held piece),
// kMayPromote exactly where both forms are generated; and a king is in check
// exactly when the other side has a move that takes it.
void expect_rules_agree(const Kyokumen& pos, const Sashite* moves, int n) {
  std::vector<bool> generated(130 * 100 * 2);
  auto key = [](const Sashite& m) {
    return ((m.from_x * 10 + m.from_y) * 100 + m.to_x * 10 + m.to_y) * 2 + m.nari;
  };
  for (int i = 0; i < n; ++i) generated[key(moves[i])] = true;
  const int side = pos.teban, hand = kSenteHand + side;
  for (int fx = 1; fx <= hand; ++fx) {
    for (int fy = 1; fy <= 9; ++fy) {
      const bool drop = fx == hand && fy <= kHi && pos.HandCount(side, fy) > 0;
      if (!drop && (fx > 9 || pos.At(fx, fy).Side() < 0)) continue;  // the other side's too
      const int koma = drop ? fy | (side ? kGoteBit : 0) : pos.At(fx, fy).code;
      for (int to = 0; to < 81 * 2; ++to) {
        const int tx = 1 + to / 18, ty = 1 + to / 2 % 9;
        const Sashite m(fx, fy, tx, ty, koma, pos.At(tx, ty).code, to % 2, 0);
        const int code = pos.IsLegal(m, true);
        ASSERT_EQ(code != kIllegal, generated[key(m)]) << fx << fy << tx << ty << m.nari;
        if (m.nari && code != kIllegal) {
          Sashite plain = m;
          plain.nari = 0;
          EXPECT_EQ(code == kMayPromote, generated[key(plain)]) << fx << fy << tx << ty;
        }
      }
    }
  }
  Sashite takes[kMaxSashite];
  for (int s = 0; s < 2; ++s) {
    const int attacks = pos.GenerateSashite(takes, -1, -1, -1, -1, 0xFF, kOu, -1, 1 - s);
    EXPECT_EQ(pos.IsOute(s), attacks > 0);
  }
}

TEST(IsLegal, CodesWithoutStrictAndMovesOffTheBoard) {
  Kyokumen pos = kings_only();
  put(pos, 4, 5, kGin);
  put(pos, 3, 4, kKei);
  // Without strict the promotion flag is not judged, only reported.
  EXPECT_EQ(pos.IsLegal(Sashite(4, 5, 4, 4, kGin, 0, 1, 0), false), kNoPromotion);
  EXPECT_EQ(pos.IsLegal(Sashite(3, 4, 2, 2, kKei, 0, 0, 0), false), kMustPromote);
  EXPECT_EQ(pos.IsLegal(Sashite(10, 3, 6, 3, kKin, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(4, 5, 4, 5, kGin, 0, 0, 0), true), kIllegal);  // a null move
  EXPECT_EQ(pos.IsLegal(Sashite(4, 5, 4, 0, kGin, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(kSenteHand, 9, 5, 5, kFu, 0, 0, 0), true), kIllegal);
}

// Random games from the even game and a handicap: every generated move can be
// made and taken back to the same bytes, the rules agree with the generator,
// and no game leaves the valid set-ups.
TEST(DoSashite, MakeAndTakeBackRestoreEveryByte) {
  std::mt19937 rng(3);
  Sashite moves[kMaxSashite];
  for (int game = 0; game < 30; ++game) {
    Kyokumen pos = testing::initial(game % 3 == 0 ? kNimaiOchi : kHirate);
    for (int ply = 0; ply < 150; ++ply) {
      const int n = pos.GenerateAll(moves);
      if (ply % 3 == 0) expect_rules_agree(pos, moves, n);
      int legal[kMaxSashite], nl = 0;
      for (int i = 0; i < n; ++i) {
        Kyokumen next = pos;
        ASSERT_TRUE(next.DoSashite(moves[i]));
        Kyokumen back = next;
        ASSERT_TRUE(back.UndoSashite(moves[i]));
        ASSERT_EQ(std::memcmp(&back, &pos, sizeof pos), 0);
        if (is_legal_result(next, moves[i], pos.teban)) legal[nl++] = i;
      }
      EXPECT_EQ(nl > 0, pos.HasLegalMove());
      if (nl == 0) break;
      ASSERT_TRUE(pos.DoSashite(moves[legal[rng() % nl]]));
      ASSERT_TRUE(pos.Check());
    }
  }
}

TEST(DoSashite, RefusesMovesThatDoNotMatchThePosition) {
  Kyokumen pos = testing::initial(0);
  pos.mochigoma[0][kKin] = 1;
  const Kyokumen before = pos;
  // A mover that is not on its square, a capture of what is not there, a drop
  // named from the wrong hand or of a piece not in hand, a special move.
  EXPECT_FALSE(pos.DoSashite(Sashite(7, 7, 7, 6, kKyo, 0, 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(7, 7, 7, 6, kFu, gote(kFu), 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(kSenteHand, kGin, 5, 5, kKin, 0, 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(kGoteHand, kKin, 5, 5, kKin, 0, 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(kSenteHand, kHi, 5, 5, kHi, 0, 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(0, 0, 0, 0, kFu, 0, 0, kToryo)));
  // Take-backs of moves that were not made are refused too.
  EXPECT_FALSE(pos.UndoSashite(Sashite(7, 7, 7, 6, kFu, 0, 0, 0)));
  EXPECT_FALSE(pos.UndoSashite(Sashite(kSenteHand, kFu, 5, 5, kFu, 0, 0, 0)));
  EXPECT_EQ(std::memcmp(&pos, &before, sizeof pos), 0);
}

TEST(Check, RejectsImpossibleSetUps) {
  // Check() of the kings-only position after `edit`.
  auto check = [](auto edit) {
    Kyokumen p = kings_only();
    edit(p);
    return p.Check();
  };
  EXPECT_TRUE(check([](Kyokumen&) {}));
  EXPECT_FALSE(check([](Kyokumen& p) { put(p, 1, 9, kOu); }));  // two sente kings
  EXPECT_FALSE(check([](Kyokumen& p) { put(p, 3, 2, kKei); }));  // a knight that cannot move
  EXPECT_TRUE(check([](Kyokumen& p) { put(p, 3, 2, gote(kKei)); }));
  EXPECT_FALSE(check([](Kyokumen& p) { put(p, 3, 8, gote(kKei)); }));
  // 19 pawns, a promoted one among them; two unpromoted pawns on a file.
  EXPECT_TRUE(check([](Kyokumen& p) { p.mochigoma[0][kFu] = 10, p.mochigoma[1][kFu] = 8; }));
  EXPECT_FALSE(check([](Kyokumen& p) {
    p.mochigoma[0][kFu] = 10, p.mochigoma[1][kFu] = 8;
    put(p, 1, 5, kTo);
  }));
  EXPECT_FALSE(check([](Kyokumen& p) { put(p, 3, 5, kFu), put(p, 3, 7, kFu); }));
  EXPECT_TRUE(check([](Kyokumen& p) { put(p, 3, 5, kFu), put(p, 3, 7, kTo); }));
  EXPECT_FALSE(check([](Kyokumen& p) { p.mochigoma[1][kOu] = 1; }));  // a king in hand
  EXPECT_FALSE(check([](Kyokumen& p) { put(p, 5, 9, kEmpty); }));
  EXPECT_TRUE(check([](Kyokumen& p) { put(p, 5, 9, kEmpty), p.teaiwari = kNoSenteKing; }));
  // Both kings in check at once cannot arise in a game; one king may be.
  EXPECT_FALSE(check([](Kyokumen& p) { put(p, 5, 5, gote(kHi)), put(p, 1, 1, kHi); }));
  EXPECT_TRUE(check([](Kyokumen& p) { put(p, 5, 5, gote(kHi)); }));
  // Records from outside: negative counts, broken walls, codes that name no
  // piece, a side to move that is neither.
  EXPECT_FALSE(check([](Kyokumen& p) { p.mochigoma[1][kGin] = -1; }));
  EXPECT_FALSE(check([](Kyokumen& p) { p.At(0, 4).Set(kEmpty); }));
  EXPECT_FALSE(check([](Kyokumen& p) { p.At(4, 4).Set(0x2D); }));
  EXPECT_FALSE(check([](Kyokumen& p) { p.At(4, 4).Set(kNone13); }));
  EXPECT_FALSE(check([](Kyokumen& p) { p.teban = 2; }));
}

// The random games compare IsOute with the generator; here the far and jumping
// attackers, a blocked line and the gote king's turned view.
TEST(IsOute, FarAttackersAndBothKings) {
  struct Case {
    int x, y, code;
    bool check;
  } cases[] = {
      {4, 3, gote(kKei), true}, {5, 3, gote(kKei), false}, {5, 1, gote(kKyo), true},
      {1, 1, gote(kKaku), true}, {2, 8, gote(kUma), true}, {4, 6, gote(kRyu), true},
      {6, 5, gote(kKyo), false}, {5, 4, kFu, false},
  };
  for (const Case& c : cases) {
    Kyokumen pos = empty_position();
    put(pos, 5, 5, kOu);
    put(pos, 9, 1, gote(kOu));
    put(pos, c.x, c.y, c.code);
    EXPECT_EQ(pos.IsOute(0), c.check) << c.x << c.y << " " << c.code;
    put(pos, 5, 4, kFu);  // blocks the lance only
    EXPECT_EQ(pos.IsOute(0), c.check && c.code != gote(kKyo)) << c.x << c.y << " " << c.code;
  }
  Kyokumen pos = empty_position();
  put(pos, 5, 5, gote(kOu));
  put(pos, 5, 9, kKyo);
  EXPECT_TRUE(pos.IsOute(1));
  EXPECT_FALSE(pos.IsOute(0));  // no sente king at all
}

TEST(Uchifuzume, AProtectedPawnDropThatLeavesNoEscape) {
  Kyokumen pos = empty_position();
  put(pos, 5, 9, kOu);
  put(pos, 1, 1, gote(kOu));
  put(pos, 1, 9, kKyo);  // guards the pawn
  put(pos, 2, 9, kHi);   // covers 2一 and 2二
  pos.mochigoma[0][kFu] = 1;
  const Sashite drop(kSenteHand, kFu, 1, 2, kFu, 0, 0, 0);
  Kyokumen after = pos;
  ASSERT_TRUE(after.DoSashite(drop));
  EXPECT_TRUE(after.IsOute(1));
  EXPECT_TRUE(after.IsUchifuzume(drop));
  EXPECT_FALSE(is_legal_result(after, drop, 0));
  EXPECT_FALSE(after.HasLegalMove());

  // Without the rook the king walks away; with a gote gold beside it the pawn
  // can be taken.
  for (auto [x, y, code] : {std::array{2, 9, 0}, {2, 1, gote(kKin)}}) {
    Kyokumen p = pos;
    put(p, x, y, code);
    ASSERT_TRUE(p.DoSashite(drop));
    EXPECT_FALSE(p.IsUchifuzume(drop));
  }
  // A pawn pushed (not dropped) to mate is fine.
  const Sashite push(1, 3, 1, 2, kFu, 0, 0, 0);
  EXPECT_FALSE(after.IsUchifuzume(push));
}

// What each generated move is, the random games check against IsLegal, and the
// notation and parser tests use the filters; here the order of the list.
TEST(GenerateSashite, Order) {
  Sashite out[kMaxSashite];
  // Drops come first, ranks outer, files inner.
  Kyokumen d = kings_only();
  d.mochigoma[0][kFu] = 1;
  put(d, 3, 7, kFu);
  int n = d.GenerateSashite(out, -1, -1, -1, -1, kFu, 0xFF, -1, -1);
  EXPECT_EQ(out[0], Sashite(kSenteHand, kFu, 1, 2, kFu, 0, 0, 0));
  EXPECT_EQ(out[1], Sashite(kSenteHand, kFu, 2, 2, kFu, 0, 0, 0));
  EXPECT_EQ(n, 8 * 8 - 1 + 1);  // 8 files x ranks 2-9, less the king on 5九, + the push
  EXPECT_EQ(d.GenerateSashite(out, kGoteHand, -1, -1, -1, 0xFF, 0xFF, -1, -1), 0);  // not sente's
  // Captures filtered by the captured type: only the king capture, the plain
  // move before the promoting one.
  Kyokumen k = kings_only();
  put(k, 5, 5, kHi);
  put(k, 9, 5, gote(kGin));
  n = k.GenerateSashite(out, -1, -1, -1, -1, 0xFF, kOu, -1, 0);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(out[0], Sashite(5, 5, 5, 1, kHi, gote(kOu), 0, 0));
  EXPECT_EQ(out[1].nari, 1);
}

// Every test that builds moves with testing::move completes them; here a stale
// special code and the refusals.
TEST(CompleteSashite, ClearsTheSpecialCodeAndRefusesWhatThePositionCannotFill) {
  Kyokumen pos = testing::initial(0);
  Sashite m(7, 7, 7, 6, 0, 0, 0, 5);
  ASSERT_TRUE(pos.CompleteSashite(m));
  EXPECT_EQ(m.special, 0);
  EXPECT_EQ(m.GetKoma().code, kFu);  // the moving piece, as completed from the board
  Sashite empty_from(5, 5, 5, 4, 0, 0, 0, 0), far(5, 5, 5, 14, 0, 0, 0, 0);
  EXPECT_FALSE(pos.CompleteSashite(empty_from));
  EXPECT_FALSE(pos.CompleteSashite(far));
  Sashite drop(kGoteHand, kKin, 5, 5, 0, 0, 0, 0);
  EXPECT_FALSE(pos.CompleteSashite(drop));  // none held
  pos.mochigoma[1][kKin] = 1;
  ASSERT_TRUE(pos.CompleteSashite(drop));
  EXPECT_EQ(drop.koma.code, gote(kKin));
  EXPECT_EQ(drop.GetKoma(), drop.koma);
}

Kyokumen zone_position(int silvers) {
  Kyokumen pos = empty_position();
  put(pos, 5, 2, kOu);
  put(pos, 5, 9, gote(kOu));
  for (int x = 1; x <= 4; ++x) put(pos, x, 1, kKin);
  for (int x = 6; x < 6 + silvers; ++x) put(pos, x, 1, kGin);
  put(pos, 1, 2, kHi);
  put(pos, 2, 2, kKaku);
  return pos;
}

TEST(JishogiPoints, DeclarationResults) {
  // "result/points" of a declaration against `threshold`.
  auto declare = [](const Kyokumen& pos, int threshold) {
    int points = 0;
    const int result = pos.JishogiPoints(threshold, &points);
    return std::to_string(result) + "/" + std::to_string(points);
  };
  EXPECT_EQ(declare(zone_position(3), 24), "0/-1");  // king and nine others
  Kyokumen p31 = zone_position(4);                   // 18 on the board
  p31.mochigoma[0][kHi] = p31.mochigoma[0][kKaku] = 1;
  p31.mochigoma[0][kFu] = 3;
  EXPECT_EQ(declare(p31, 24), "2/31");
  EXPECT_EQ(declare(p31, 32), "0/31");
  Kyokumen p27 = zone_position(4);
  p27.mochigoma[0][kHi] = 1;
  p27.mochigoma[0][kFu] = 4;
  EXPECT_EQ(declare(p27, 27), "1/27");
  EXPECT_EQ(declare(p27, 24), "4/27");  // both could reach 24
  Kyokumen g27 = p27;
  g27.Flip();
  g27.teban = 1;
  EXPECT_EQ(declare(g27, 27), "3/27");
  g27.mochigoma[kBoxRow][kHi] = 1;  // the handicap giver counts its box pieces
  EXPECT_EQ(declare(g27, 27), "3/32");
  put(p27, 5, 5, gote(kHi));  // a king in check cannot declare
  EXPECT_EQ(declare(p27, 24), "0/-1");
}

// Depths 1-3 are pinned by the perft command's test.
TEST(Perft, EvenGameCountsToDepthFour) {
  Kyokumen pos = testing::initial(0);
  uint64_t counts[4];
  perft(pos, 4, counts);
  EXPECT_EQ(counts[3], 719731u);
}

}  // namespace
}  // namespace model
