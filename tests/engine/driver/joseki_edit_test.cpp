// The joseki editor's adapters and its input path.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/model/position/position_builder.h"
#include "engine/driver/joseki_edit.h"
#include "engine/driver/joseki_input.h"

namespace driver {
namespace {

using model::testing::move;

// Gote to move with a bishop in each hand: 1.７六歩 ３四歩 2.２二角成 同銀 3.１六歩.
model::Kyokumen gote_to_move_with_hands() {
  model::Kyokumen k;
  k.Init(model::kHirate);
  for (const auto& [fx, fy, tx, ty, nari] :
       {std::tuple{7, 7, 7, 6, 0}, {3, 3, 3, 4, 0}, {8, 8, 2, 2, 1}, {3, 1, 2, 2, 0}, {1, 7, 1, 6, 0}}) {
    EXPECT_TRUE(k.DoSashite(move(k, fx, fy, tx, ty, nari)));
  }
  return k;
}

TEST(JosekiAdapters, GoteMovesAndDropsComeBackAsRegistered) {
  JosekiBooks books;
  const model::Kyokumen k = gote_to_move_with_hands();
  ASSERT_EQ(k.teban, 1);
  // No current book: nothing is stored and nothing listed.
  EXPECT_EQ(joseki_set_move(books, k, move(k, 12, model::kKaku, 5, 5), 3, 0, 1), 0);
  EXPECT_EQ(joseki_get_moves(books, k, kSourceUser, nullptr, nullptr, nullptr, nullptr, false), 0);

  books.user_books.NewSlot(0);
  const model::Sashite moves[] = {move(k, 12, model::kKaku, 5, 5), move(k, 2, 2, 3, 3),
                                  move(k, 8, 2, 7, 2)};
  EXPECT_EQ(joseki_set_move(books, k, moves[0], 3, 0x10, 1), 0);
  EXPECT_EQ(joseki_set_move(books, k, moves[1], 7, 0x20, 1), 0);
  EXPECT_EQ(joseki_set_move(books, k, moves[2], 1, 0x40, -1), 0);
  EXPECT_EQ(joseki_set_move(books, k, moves[0], 12, 0x80, 1), 0);  // replaced
  EXPECT_EQ(joseki_set_move(books, k, moves[1], 16, 0, 1), -1);   // no value above 15
  books.sources = 0x15;
  model::Sashite got[kMaxBookCandidates];
  int values[kMaxBookCandidates];
  uint32_t senkei[kMaxBookCandidates];
  uint8_t tags[kMaxBookCandidates];
  ASSERT_EQ(joseki_get_moves(books, k, kSourceUser, got, values, senkei, tags, true), 3);
  EXPECT_EQ(books.sources, 0x15u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(got[i], moves[i]);  // the drop from hand 12 too
  EXPECT_EQ(values[0], 12);
  EXPECT_EQ(senkei[0], 0x80u);
  EXPECT_EQ(tags[2], kSourceUser);

  // The listing ends at a word that does not fit the position: a move from an
  // empty square, valued highest so that it comes first.
  model::BookPosition pos;
  ASSERT_TRUE(k.ToBookKey(pos));
  books.user_books.Current()->Insert(pos, {(4 * 11 + 4) | (3 * 11 + 4) << 8 | 15u << 16, 0}, 1);
  EXPECT_EQ(joseki_get_moves(books, k, kSourceUser, got, nullptr, nullptr, nullptr, true), 0);
  EXPECT_EQ(joseki_get_moves(books, k, kSourceUser, nullptr, values, nullptr, nullptr, true), 4);

  joseki_delete_move(books, k, moves[1]);
  EXPECT_EQ(books.user_books.Current()->nmoves(), 3u);
  joseki_delete_all(books, k);
  EXPECT_EQ(books.user_books.Current()->npositions(), 0u);

  // A position that Kyokumen::ToBookKey refuses stores and lists nothing.
  model::Kyokumen bad = k;
  bad.mochigoma[0][model::kFu] = 19;
  EXPECT_EQ(joseki_set_move(books, bad, moves[1], 5, 0, 1), -1);
  EXPECT_EQ(books.user_books.Current()->nmoves(), 0u);
  EXPECT_EQ(joseki_get_moves(books, bad, kSourceUser, got, nullptr, nullptr, nullptr, false), 0);
}

TEST(JosekiInput, PathKeepsThreeHundredPositionsAndStepsBack) {
  JosekiInput path;
  model::Kyokumen k = model::testing::initial(model::kHirate), out;
  model::Sashite m;
  EXPECT_FALSE(path.PopKyokumen(&out) || path.PopSashite(&m));
  for (k.teaiwari = 0; k.teaiwari <= 300; ++k.teaiwari) path.Push(k);  // the handicap word marks each
  EXPECT_EQ(path.size(), 300);
  EXPECT_EQ(path.kyokumen(0).teaiwari, 1);
  path.PushSashite(move(k, 7, 7, 7, 6));
  path.PushSashite(move(k, 2, 7, 2, 6));
  EXPECT_TRUE(path.PopSashite(&m) && m == move(k, 2, 7, 2, 6));
  EXPECT_TRUE(path.PopSashite(&m) && path.IsSashiteEmpty());
  EXPECT_TRUE(path.PopKyokumen(&out) && out.teaiwari == 300);
  path.Rebuild();
  EXPECT_TRUE(path.IsEmpty());
}

}  // namespace
}  // namespace driver
