// The rules on Kyokumen: legality, make and take back, set-up checks, check and
// mate tests, generation with filters, the impasse count and perft.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/kyokumen.h"
#include "model/perft.h"
#include "position_builder.h"

namespace model {
namespace {

using testing::empty_position;
using testing::gote;
using testing::kings_only;
using testing::move;
using testing::put;


TEST(IsLegal, PromotionCodesWithAndWithoutStrict) {
  Kyokumen pos = kings_only();
  put(pos, 2, 3, kFu);
  put(pos, 2, 2, kFu);
  put(pos, 4, 5, kGin);
  put(pos, 3, 4, kKei);
  EXPECT_EQ(pos.IsLegal(Sashite(2, 3, 2, 2, kFu, 0, 0, 0), true), kMayPromote);
  EXPECT_EQ(pos.IsLegal(Sashite(2, 2, 2, 1, kFu, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(2, 2, 2, 1, kFu, 0, 1, 0), true), kMustPromote);
  EXPECT_EQ(pos.IsLegal(Sashite(4, 5, 4, 4, kGin, 0, 1, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(4, 5, 4, 4, kGin, 0, 1, 0), false), kNoPromotion);
  // A knight landing on the second rank must promote.
  EXPECT_EQ(pos.IsLegal(Sashite(3, 4, 2, 2, kKei, 0, 0, 0), false), kMustPromote);
  // Gold, king and promoted pieces never promote.
  put(pos, 6, 3, kKin);
  EXPECT_EQ(pos.IsLegal(Sashite(6, 3, 6, 2, kKin, 0, 1, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(6, 3, 6, 2, kKin, 0, 0, 0), true), kNoPromotion);
  // Moving out of the zone may promote too.
  put(pos, 7, 3, kGin);
  EXPECT_EQ(pos.IsLegal(Sashite(7, 3, 6, 4, kGin, 0, 0, 0), true), kMayPromote);
  // The wrong side, a mover of the wrong colour, own captures, a null move.
  EXPECT_EQ(pos.IsLegal(Sashite(5, 1, 5, 2, gote(kOu), 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(6, 3, 7, 3, kKin, kGin, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(6, 3, 6, 3, kKin, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(10, 3, 6, 3, kKin, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(6, 3, 6, 0, kKin, 0, 0, 0), true), kIllegal);
}

TEST(IsLegal, SlidesNeedAClearPathJumpsDoNot) {
  Kyokumen pos;
  pos.Init(0);
  EXPECT_EQ(pos.IsLegal(Sashite(8, 9, 7, 7, kKei, kFu, 0, 0), true), kIllegal);  // own pawn there
  Kyokumen p = kings_only();
  put(p, 8, 9, kKei);
  put(p, 8, 8, kFu);
  put(p, 7, 8, kFu);
  EXPECT_EQ(p.IsLegal(Sashite(8, 9, 7, 7, kKei, 0, 0, 0), true), kNoPromotion);
  put(p, 1, 9, kKyo);
  put(p, 1, 5, gote(kFu));
  EXPECT_EQ(p.IsLegal(Sashite(1, 9, 1, 5, kKyo, gote(kFu), 0, 0), true), kNoPromotion);
  EXPECT_EQ(p.IsLegal(Sashite(1, 9, 1, 4, kKyo, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(p.IsLegal(Sashite(1, 9, 2, 8, kKyo, 0, 0, 0), true), kIllegal);  // lances go straight
  put(p, 9, 9, kHi);
  put(p, 9, 6, kFu);
  EXPECT_EQ(p.IsLegal(Sashite(9, 9, 9, 5, kHi, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(p.IsLegal(Sashite(9, 9, 9, 7, kHi, 0, 0, 0), true), kNoPromotion);
  EXPECT_EQ(p.IsLegal(Sashite(9, 9, 6, 9, kHi, 0, 0, 0), true), kIllegal);  // the knight on 8九
  put(p, 3, 7, kUma);
  EXPECT_EQ(p.IsLegal(Sashite(3, 7, 3, 6, kUma, 0, 0, 0), true), kNoPromotion);  // one step orthogonally
  EXPECT_EQ(p.IsLegal(Sashite(3, 7, 3, 5, kUma, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(p.IsLegal(Sashite(3, 7, 7, 3, kUma, 0, 0, 0), true), kNoPromotion);
}

TEST(IsLegal, DropsAndTheTwoPawnRule) {
  Kyokumen pos = kings_only();
  pos.mochigoma[0][kFu] = 1;
  pos.mochigoma[0][kKei] = 1;
  put(pos, 3, 5, kTo);
  EXPECT_EQ(pos.IsLegal(Sashite(kSenteHand, kFu, 3, 4, kFu, 0, 0, 0), true), kNoPromotion);
  put(pos, 4, 7, kFu);
  EXPECT_EQ(pos.IsLegal(Sashite(kSenteHand, kFu, 4, 4, kFu, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(kSenteHand, kFu, 6, 1, kFu, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(kSenteHand, kKei, 6, 2, kKei, 0, 0, 0), true), kIllegal);
  EXPECT_EQ(pos.IsLegal(Sashite(kSenteHand, kKei, 6, 3, kKei, 0, 0, 0), true), kNoPromotion);
  EXPECT_EQ(pos.IsLegal(Sashite(kSenteHand, kKei, 6, 3, kKei, 0, 1, 0), true), kIllegal);
}

TEST(DoSashite, MakeAndTakeBackRestoreEveryByte) {
  std::mt19937 rng(3);
  Sashite moves[kMaxSashite];
  for (int game = 0; game < 30; ++game) {
    Kyokumen pos;
    pos.Init(game % 3 == 0 ? kNimaiOchi : kHirate);
    for (int ply = 0; ply < 150; ++ply) {
      const int n = pos.GenerateAll(moves);
      int legal[kMaxSashite], nl = 0;
      for (int i = 0; i < n; ++i) {
        Kyokumen next = pos;
        ASSERT_TRUE(next.DoSashite(moves[i]));  // every generated move can be made
        Kyokumen back = next;
        ASSERT_TRUE(back.UndoSashite(moves[i]));
        ASSERT_EQ(std::memcmp(&back, &pos, sizeof pos), 0);
        if (is_legal_result(next, moves[i], pos.teban)) legal[nl++] = i;
      }
      EXPECT_EQ(nl > 0, pos.HasLegalMove());
      if (nl == 0) break;
      ASSERT_TRUE(pos.DoSashite(moves[legal[rng() % nl]]));
      ASSERT_TRUE(pos.Check());  // a game never leaves the valid set-ups
    }
  }
}

TEST(DoSashite, RefusesMovesThatDoNotMatchThePosition) {
  Kyokumen pos;
  pos.Init(0);
  const Kyokumen before = pos;
  // A mover that is not on its square, a capture of what is not there, a drop
  // of a piece not in hand, and a drop named from the wrong hand.
  EXPECT_FALSE(pos.DoSashite(Sashite(7, 7, 7, 6, kKyo, 0, 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(7, 7, 7, 6, kFu, gote(kFu), 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(kSenteHand, kKin, 5, 5, kKin, 0, 0, 0)));
  pos.mochigoma[0][kKin] = 1;
  EXPECT_FALSE(pos.DoSashite(Sashite(kSenteHand, kGin, 5, 5, kKin, 0, 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(kGoteHand, kKin, 5, 5, kKin, 0, 0, 0)));
  EXPECT_FALSE(pos.DoSashite(Sashite(0, 0, 0, 0, kFu, 0, 0, kToryo)));
  pos.mochigoma[0][kKin] = 0;
  EXPECT_EQ(std::memcmp(&pos, &before, sizeof pos), 0);
  // Take-backs of moves that were not made are refused too.
  EXPECT_FALSE(pos.UndoSashite(Sashite(7, 7, 7, 6, kFu, 0, 0, 0)));
  EXPECT_FALSE(pos.UndoSashite(Sashite(kSenteHand, kFu, 5, 5, kFu, 0, 0, 0)));
  EXPECT_EQ(std::memcmp(&pos, &before, sizeof pos), 0);
  // A capture puts the demoted piece in hand; taking it back restores it.
  Kyokumen p = kings_only();
  put(p, 2, 8, kRyu);
  put(p, 2, 3, gote(kUma));
  const Sashite cap = move(p, 2, 8, 2, 3);
  ASSERT_TRUE(p.DoSashite(cap));
  EXPECT_EQ(p.HandCount(0, kKaku), 1);
  EXPECT_EQ(p.teban, 1);
  ASSERT_TRUE(p.UndoSashite(cap));
  EXPECT_EQ(p.At(2, 3).code, gote(kUma));
  EXPECT_EQ(p.HandCount(0, kKaku), 0);
}

TEST(Check, RejectsImpossibleSetUps) {
  Kyokumen pos = kings_only();
  EXPECT_TRUE(pos.Check());
  Kyokumen two = pos;
  put(two, 1, 9, kOu);
  EXPECT_FALSE(two.Check());
  Kyokumen knight = pos;
  put(knight, 3, 2, kKei);
  EXPECT_FALSE(knight.Check());
  put(knight, 3, 2, gote(kKei));
  EXPECT_TRUE(knight.Check());
  put(knight, 3, 8, gote(kKei));
  EXPECT_FALSE(knight.Check());
  Kyokumen pawns = pos;
  pawns.mochigoma[0][kFu] = 10;
  pawns.mochigoma[1][kFu] = 8;
  EXPECT_TRUE(pawns.Check());
  put(pawns, 1, 5, kTo);  // a promoted pawn counts as a pawn
  EXPECT_FALSE(pawns.Check());
  Kyokumen nifu = pos;
  put(nifu, 3, 5, kFu);
  put(nifu, 3, 7, kFu);
  EXPECT_FALSE(nifu.Check());
  put(nifu, 3, 7, kTo);
  EXPECT_TRUE(nifu.Check());
  Kyokumen held = pos;
  held.mochigoma[1][kOu] = 1;
  EXPECT_FALSE(held.Check());
  Kyokumen kingless = pos;
  put(kingless, 5, 9, kEmpty);
  EXPECT_FALSE(kingless.Check());
  kingless.teaiwari = kNoSenteKing;
  EXPECT_TRUE(kingless.Check());
  // Both kings in check at the same time.
  Kyokumen both = empty_position();
  put(both, 9, 9, kOu);
  put(both, 1, 1, gote(kOu));
  put(both, 1, 5, kHi);
  EXPECT_TRUE(both.Check());
  put(both, 9, 5, gote(kHi));
  EXPECT_FALSE(both.Check());
  // Records from outside: negative counts, broken walls, codes that name no piece.
  Kyokumen negative = pos;
  negative.mochigoma[1][kGin] = -1;
  EXPECT_FALSE(negative.Check());
  Kyokumen wall = pos;
  wall.At(0, 4).Set(kEmpty);
  EXPECT_FALSE(wall.Check());
  Kyokumen bogus = pos;
  bogus.At(4, 4).Set(0x2D);
  EXPECT_FALSE(bogus.Check());
  bogus.At(4, 4).Set(kNone13);
  EXPECT_FALSE(bogus.Check());
  Kyokumen side = pos;
  side.teban = 2;
  EXPECT_FALSE(side.Check());
}

TEST(IsOute, EveryKindOfAttacker) {
  struct Case {
    int x, y, code;
    bool check;
  } cases[] = {
      {5, 4, gote(kFu), true},   {5, 6, gote(kFu), false},  {4, 3, gote(kKei), true},
      {5, 3, gote(kKei), false}, {4, 4, gote(kGin), true},  {4, 6, gote(kGin), true},
      {4, 5, gote(kGin), false}, {5, 6, gote(kKin), true},  {4, 6, gote(kKin), false},
      {4, 6, gote(kTo), false},  {4, 5, gote(kTo), true},   {5, 1, gote(kKyo), true},
      {5, 9, kEmpty, false},     {1, 1, gote(kKaku), true}, {1, 5, gote(kHi), true},
      {2, 8, gote(kUma), true},  {5, 6, gote(kUma), true},  {4, 6, gote(kRyu), true},
      {6, 5, gote(kKyo), false}, {5, 4, kFu, false},
  };
  for (const Case& c : cases) {
    Kyokumen pos = empty_position();
    put(pos, 5, 5, kOu);
    put(pos, 9, 1, gote(kOu));
    if (c.code) put(pos, c.x, c.y, c.code);
    EXPECT_EQ(pos.IsOute(0), c.check) << c.x << c.y << " " << c.code;
  }
  // A gote king sees the same rules turned: a sente lance below it attacks.
  Kyokumen pos = empty_position();
  put(pos, 5, 5, gote(kOu));
  put(pos, 5, 9, kKyo);
  EXPECT_TRUE(pos.IsOute(1));
  put(pos, 5, 7, gote(kFu));
  EXPECT_FALSE(pos.IsOute(1));
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
  Kyokumen open = pos;
  put(open, 2, 9, kEmpty);
  Kyokumen a2 = open;
  ASSERT_TRUE(a2.DoSashite(drop));
  EXPECT_FALSE(a2.IsUchifuzume(drop));
  Kyokumen guarded = pos;
  put(guarded, 2, 1, gote(kKin));
  Kyokumen a3 = guarded;
  ASSERT_TRUE(a3.DoSashite(drop));
  EXPECT_FALSE(a3.IsUchifuzume(drop));
  // A pawn pushed (not dropped) to mate is fine.
  const Sashite push(1, 3, 1, 2, kFu, 0, 0, 0);
  EXPECT_FALSE(after.IsUchifuzume(push));
}

TEST(GenerateSashite, FiltersAndOrder) {
  Kyokumen pos;
  pos.Init(0);
  Sashite out[kMaxSashite];
  EXPECT_EQ(pos.GenerateAll(out), 30);
  ASSERT_EQ(pos.GenerateSashite(out, -1, -1, 7, 6, 0xFF, 0xFF, -1, -1), 1);
  EXPECT_EQ(out[0], Sashite(7, 7, 7, 6, kFu, 0, 0, 0));
  EXPECT_EQ(pos.GenerateSashite(out, -1, -1, -1, -1, kKin, 0xFF, -1, -1), 6);  // two golds, 3 each
  EXPECT_EQ(pos.GenerateSashite(out, -1, -1, -1, -1, 0xFF, 0xFF, -1, 1), 30);  // gote's moves
  EXPECT_EQ(pos.GenerateSashite(out, -1, -1, -1, -1, 0xFF, 0xFF, 1, -1), 0);   // nothing promotes
  EXPECT_EQ(pos.GenerateSashite(out, kSenteHand, -1, -1, -1, 0xFF, 0xFF, -1, -1), 0);

  // A rook in the zone: each target gives the plain move first, then the
  // promotion; a pawn on the second rank only promotes.
  Kyokumen p = kings_only();
  put(p, 1, 2, kFu);
  int n = p.GenerateSashite(out, 1, 2, -1, -1, 0xFF, 0xFF, -1, -1);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(out[0].nari, 1);
  put(p, 9, 3, kHi);
  n = p.GenerateSashite(out, 9, 3, 9, 2, 0xFF, 0xFF, -1, -1);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(out[0].nari, 0);
  EXPECT_EQ(out[1].nari, 1);
  // A knight on an edge file keeps its unpromoted move onto the third rank.
  put(p, 2, 5, kKei);
  n = p.GenerateSashite(out, 2, 5, 1, 3, 0xFF, 0xFF, -1, -1);
  EXPECT_EQ(n, 2);
  // Drops come first, ranks outer, files inner, and skip the two-pawn files.
  Kyokumen d = kings_only();
  d.mochigoma[0][kFu] = 1;
  put(d, 3, 7, kFu);
  n = d.GenerateSashite(out, -1, -1, -1, -1, kFu, 0xFF, -1, -1);
  EXPECT_EQ(out[0], Sashite(kSenteHand, kFu, 1, 2, kFu, 0, 0, 0));
  EXPECT_EQ(out[1], Sashite(kSenteHand, kFu, 2, 2, kFu, 0, 0, 0));
  EXPECT_EQ(n, 8 * 8 - 1 + 1);  // 8 files x ranks 2-9, less the king on 5九, + the push
  // Captures filtered by the captured type: only the king capture.
  Kyokumen k = kings_only();
  put(k, 5, 5, kHi);
  put(k, 9, 5, gote(kGin));
  n = k.GenerateSashite(out, -1, -1, -1, -1, 0xFF, kOu, -1, 0);
  ASSERT_EQ(n, 2);  // the plain capture, then the promoting one
  EXPECT_EQ(out[0].to_y, 1);
  EXPECT_EQ(out[0].tori.code, gote(kOu));
  EXPECT_EQ(out[1].nari, 1);
}

TEST(CompleteSashite, FillsPiecesFromThePosition) {
  Kyokumen pos;
  pos.Init(0);
  Sashite m(7, 7, 7, 6, 0, 0, 0, 5);
  ASSERT_TRUE(pos.CompleteSashite(m));
  EXPECT_EQ(m.koma.code, kFu);
  EXPECT_EQ(m.tori.code, 0);
  EXPECT_EQ(m.special, 0);
  Sashite empty_from(5, 5, 5, 4, 0, 0, 0, 0);
  EXPECT_FALSE(pos.CompleteSashite(empty_from));
  Sashite no_piece(kGoteHand, kKin, 5, 5, 0, 0, 0, 0);
  EXPECT_FALSE(pos.CompleteSashite(no_piece));
  pos.mochigoma[1][kKin] = 1;
  ASSERT_TRUE(pos.CompleteSashite(no_piece));
  EXPECT_EQ(no_piece.koma.code, gote(kKin));
  Sashite far(5, 5, 5, 14, 0, 0, 0, 0);
  EXPECT_FALSE(pos.CompleteSashite(far));
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
  int points = 0;
  Kyokumen ten = zone_position(3);  // king and nine others
  EXPECT_EQ(ten.JishogiPoints(24, &points), 0);
  EXPECT_EQ(points, -1);

  Kyokumen p31 = zone_position(4);  // 18 on the board
  p31.mochigoma[0][kHi] = 1;
  p31.mochigoma[0][kKaku] = 1;
  p31.mochigoma[0][kFu] = 3;
  EXPECT_EQ(p31.JishogiPoints(24, &points), 2);
  EXPECT_EQ(points, 31);
  EXPECT_EQ(p31.JishogiPoints(32, &points), 0);

  Kyokumen p27 = zone_position(4);
  p27.mochigoma[0][kHi] = 1;
  p27.mochigoma[0][kFu] = 4;
  EXPECT_EQ(p27.JishogiPoints(27, &points), 1);
  EXPECT_EQ(points, 27);
  Kyokumen g27 = p27;
  g27.Flip();
  g27.teban = 1;
  EXPECT_EQ(g27.JishogiPoints(27, &points), 3);
  EXPECT_EQ(points, 27);
  EXPECT_EQ(p27.JishogiPoints(24, &points), 4);  // both could reach 24
  // The handicap giver counts its box pieces.
  g27.mochigoma[kBoxRow][kHi] = 1;
  g27.JishogiPoints(27, &points);
  EXPECT_EQ(points, 32);
  // A king in check cannot declare.
  Kyokumen checked = p27;
  put(checked, 5, 5, gote(kHi));
  EXPECT_EQ(checked.JishogiPoints(24, &points), 0);
  EXPECT_EQ(points, -1);
}

TEST(Perft, EvenGameCountsToDepthFour) {
  Kyokumen pos;
  pos.Init(0);
  uint64_t counts[4];
  perft(pos, 4, counts);
  EXPECT_EQ(counts[0], 30u);
  EXPECT_EQ(counts[1], 900u);
  EXPECT_EQ(counts[2], 25470u);
  EXPECT_EQ(counts[3], 719731u);
}

}  // namespace
}  // namespace model
