// Book lookup and selection: the sources and their tags, the weighted and the
// modal draws, the candidates reported, and books_select's legal moves.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/board/random.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/books_select.h"
#include "engine/driver/joseki_edit.h"
#include "model/position/perft.h"
#include "tests/engine/driver/book_test_util.h"

namespace driver {
namespace {

using testing::push;

// The even start with a user book of the pawn pushes on files 1..n with these
// values and strategy words.
struct Fixture {
  JosekiBooks books;
  model::Kyokumen k;
  model::BookPosition pos;

  explicit Fixture(const std::vector<int>& values, const std::vector<uint32_t>& senkei = {}) {
    k.Init(model::kHirate);
    k.ToBookKey(pos);
    books.user_books.NewSlot(0);
    for (size_t i = 0; i < values.size(); ++i) {
      books.user_books.Current()->Insert(pos, push(static_cast<int>(i) + 1, values[i], i < senkei.size() ? senkei[i] : 0), 1);
    }
  }
  // The file of the push chosen; 0 for a failure that cleared the move, 9 for
  // one that did not.
  int Select(uint32_t mask = 0, int* count = nullptr) {
    BookMove out{0xFFFFFFFF, 0};
    if (books.SelectMove(pos, &out, mask, count) != 0) return book_move_id(out.code) == 0 ? 0 : 9;
    return static_cast<int>(out.code & 0xFF) % 11 + 1;
  }
};

TEST(BookSelection, ValuesMasksAndTheModalChoice) {
  EXPECT_EQ(Fixture({0}).Select(), 1);  // a lone candidate is taken whatever its value
  EXPECT_EQ(Fixture({0, 0}).Select(), 0);
  EXPECT_EQ(Fixture({}).Select(), 0);
  // A mask that no strategy word matches keeps every weight; one that matches
  // drops the moves with other words.
  Fixture masked({1, 1}, {0x1, 0x2});
  int seen[10] = {}, count = 0;
  for (int i = 0; i < 100; ++i) ++seen[masked.Select(0x4)];
  EXPECT_TRUE(seen[1] > 0 && seen[2] > 0);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(masked.Select(0x2, &count), 2);
  EXPECT_EQ(count, 1);
  // Modal: the second-best value when it is above 2, else the best.
  Fixture modal({9, 5, 5, 1}), best({9, 2});
  modal.books.sources |= kSourceModalSecond;
  best.books.sources |= kSourceModalSecond;
  std::fill(seen, seen + 10, 0);
  for (int i = 0; i < 100; ++i) ++seen[modal.Select()];
  EXPECT_TRUE(seen[2] > 0 && seen[3] > 0 && seen[2] + seen[3] == 100);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(best.Select(), 1);
}

TEST(BookSelection, SourcesMergeWithoutRepeatsAndTagTheirMoves) {
  Fixture f({4}, {1u << 30});
  f.books.divided.SetName(
      testing::write_divided_book(::testing::TempDir() + "/sources", {{f.pos, {push(1, 9), push(2, 3)}}}).c_str());
  BookMove list[kMaxBookCandidates];
  uint8_t tags[kMaxBookCandidates];
  ASSERT_EQ(f.books.Lookup(f.pos, list, tags), 2);
  EXPECT_EQ(list[0], push(1, 4, 1u << 30 | 1));  // the user book's, marked for drawing
  EXPECT_EQ(list[1], push(2, 3));
  EXPECT_EQ(tags[0] * 10 + tags[1], kSourceUser * 10 + kSourceDivided);
  f.books.sources = kSourceUser | kSourceDivided | kSourceDividedLast;
  EXPECT_EQ(f.books.Lookup(f.pos, nullptr, nullptr), 1);
  f.books.sources = kSourceDivided;
  ASSERT_EQ(f.books.LookupSorted(f.pos, list, tags), 2);
  EXPECT_EQ(book_move_value(list[0].code), 9);
  // The list stops at 256 candidates.
  BookMove more[kMaxBookPositionMoves];
  for (uint32_t i = 0; i < kMaxBookPositionMoves; ++i) {
    more[i] = {i + 1, 0};
    list[i] = {0x100 + i + 1, 0};
  }
  EXPECT_EQ(book_candidates_merge(list, kMaxBookPositionMoves, more, kMaxBookPositionMoves, tags, 4), kMaxBookCandidates);
}

TEST(BookSelection, EachDrawIsTheFirstCumulativeWeightAboveTheRandomNumber) {
  Fixture f({3, 15, 0, 7, 1, 7});
  const uint32_t cum[] = {4, 260, 260, 276, 278, 294};
  for (uint32_t seed = 0; seed < 500; ++seed) {
    board::rand_seed(seed * 7919);
    const uint32_t r = board::rand_next() % 294;
    board::rand_seed(seed * 7919);
    int expected = 0;
    while (r >= cum[expected]) ++expected;
    ASSERT_EQ(f.Select(), expected + 1) << "r = " << r;
  }
}

std::vector<int> reported;
void capture(int, int, int to_x, int to_y, int, int value) { reported.push_back(value * 100 + to_x * 10 + to_y); }

TEST(BooksSelect, ReportsByValueAtMostMaxListedAndGivesTheStrategyWord) {
  Fixture f({3, 15, 0, 7, 7, 1}, {0, 0, 0, 0x5, 0, 0});
  f.books.candidate_report = capture;
  reported.clear();
  board::KPosition p;
  ASSERT_EQ(bridge::position_load(p, f.k), 0);
  board::KMove out;
  uint32_t senkei = 99;
  int count = 0;
  ASSERT_EQ(books_select(f.books, p, &out, &senkei, 0x4, &count), 0);
  EXPECT_EQ(reported, (std::vector<int>{1526, 746, 756, 316, 166}));
  EXPECT_EQ(count, 5);
  EXPECT_EQ(senkei, board::square_file(out.to) == 4 ? 0x5u : 0u);
  reported.clear();
  f.books.max_listed = 2;
  ASSERT_EQ(books_select(f.books, p, &out, nullptr, 0, &count), 0);
  EXPECT_EQ(reported, (std::vector<int>{1526, 746}));
  EXPECT_EQ(count, 2);
}

TEST(BooksSelect, OnlyLegalMovesComeOut) {
  std::mt19937 rng(17);
  int played = 0, refused = 0;
  for (const model::Kyokumen& k : testing::random_game_positions(31, 16, 80)) {
    // A move the generator makes (it may leave the king attacked or mate by a
    // dropped pawn), or a random word that mostly does not fit.
    model::Sashite all[model::kMaxSashite];
    const int n = k.GenerateAll(all);
    BookMove m{0, 0};
    if (rng() % 2) book_move_from_sashite(k, all[rng() % n], 5, 0, &m);
    while (!book_move_is_sound(m)) m = {static_cast<uint32_t>((rng() & 0x80FF) | (rng() % 99) << 8 | 5u << 16), 0};
    m.senkei = m.code;
    JosekiBooks books;
    books.user_books.NewSlot(0);
    model::BookPosition pos;
    k.ToBookKey(pos);
    books.user_books.Current()->Insert(pos, m, 1);
    board::KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    board::KMove out;
    uint32_t senkei = 0;
    if (books_select(books, p, &out, &senkei, 0, nullptr) != 0) {
      ++refused;
      continue;
    }
    ++played;
    EXPECT_EQ(senkei, m.code);
    model::Sashite s;
    model::Kyokumen after = k;
    ASSERT_EQ(bridge::kmove_to_sashite(s, k, out), 0);
    ASSERT_TRUE(after.DoSashite(s));
    EXPECT_TRUE(model::is_legal_result(after, s, k.teban));
  }
  EXPECT_GT(played, 200);
  EXPECT_GT(refused, 400);

  // A pawn drop that mates gote's king on 1一 (boxed in by a gold on 2三 and a
  // knight on 3三) is refused; without the knight it stands.
  model::Kyokumen k = model::testing::kings_only();
  model::testing::put(k, 5, 1, model::kEmpty);
  model::testing::put(k, 1, 1, model::testing::gote(model::kOu));
  model::testing::put(k, 2, 3, model::kKin);
  k.mochigoma[0][model::kFu] = 1;
  for (int knight = 1; knight >= 0; --knight) {
    model::testing::put(k, 3, 3, knight ? model::kKei : model::kEmpty);
    JosekiBooks books;
    books.user_books.NewSlot(0);
    ASSERT_EQ(joseki_set_move(books, k, model::testing::move(k, 11, model::kFu, 1, 2), 15, 0, 1), 0);
    board::KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    board::KMove out;
    EXPECT_EQ(books_select(books, p, &out, nullptr, 0, nullptr), knight ? -1 : 0);
  }
}

}  // namespace
}  // namespace driver
