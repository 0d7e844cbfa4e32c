// The strategy choice: code sets, the random pick, the filter of allowed codes,
// the choice's fixed answers, castle recognition, and the same choice for a
// position and its twin turned by 180 degrees with the sides swapped.
#include "engine/eval/senkei_select.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/board/random.h"
#include "engine/eval/senkei_castle.h"
#include "engine/eval/senkei_set.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::testing::load;
using board::testing::scene;

// A choice and the number of random numbers it drew.
std::pair<int, int> select_counting(const board::KPosition& p, int side, uint32_t allowed, int current, uint32_t pref) {
  board::rand_seed(12345);
  const int code = senkei_select(p, side, allowed, current, pref);
  const uint32_t after = board::rand_get();
  board::rand_seed(12345);
  for (int draws = 0; draws < 8; ++draws, board::rand_next()) {
    if (board::rand_get() == after) return {code, draws};
  }
  return {code, -1};
}

TEST(SenkeiSets, BitThirtyOneFamiliesAndNames) {
  uint32_t set = 0;
  senkei_add(set, 1);
  senkei_add(set, 32);
  EXPECT_EQ(set, 0x80000001u);
  EXPECT_TRUE(senkei_has(set, 32));
  EXPECT_EQ(senkei_remove(set, 1), 0x80000000u);
  EXPECT_EQ(senkei_random_choice(0x80000000u, 0), 32);

  EXPECT_FALSE(senkei_set_is_single_family(0));
  EXPECT_TRUE(senkei_set_is_single_family(senkei_bit(1) | senkei_bit(21)));
  EXPECT_TRUE(senkei_set_is_single_family(senkei_bit(3) | senkei_bit(6)));  // ranging with mutual ranging
  EXPECT_TRUE(senkei_set_is_single_family(senkei_bit(12)));                 // outside every family
  EXPECT_FALSE(senkei_set_is_single_family(senkei_bit(10) | senkei_bit(9)));
  EXPECT_FALSE(senkei_set_is_single_family(senkei_bit(18) | senkei_bit(6)));
  EXPECT_FALSE(senkei_set_is_single_family(senkei_bit(22) | senkei_bit(11)));

  const std::pair<int, const char*> names[] = {
      {0, "未決定"}, {11, "筋違い角(振飛車美濃風の囲い)"}, {22, "ミレニアム"}, {23, "----"}, {31, "真矢倉"}, {32, "----"}};
  for (const auto& [code, name] : names) EXPECT_STREQ(senkei_name(code), name);
}

TEST(SenkeiRandom, OneDrawPerNonEmptyPickFromTheCommonCodes) {
  const uint32_t a = senkei_bit(5) | senkei_bit(7) | senkei_bit(8);
  board::rand_seed(99);
  const int first = senkei_random_choice(a, senkei_bit(7) | senkei_bit(8) | senkei_bit(3));
  EXPECT_TRUE(first == 7 || first == 8);
  const uint32_t after = board::rand_get();
  board::rand_seed(99);
  board::rand_next();
  EXPECT_EQ(after, board::rand_get());
  // Nothing in common: picks from a, every code of it over many draws.
  std::vector<int> seen(33);
  for (int i = 0; i < 200; ++i) ++seen[senkei_random_choice(a, senkei_bit(3))];
  EXPECT_TRUE(seen[5] && seen[7] && seen[8] && seen[5] + seen[7] + seen[8] == 200);
  const uint32_t before = board::rand_get();
  EXPECT_EQ(senkei_random_choice(0, a), 0);
  EXPECT_EQ(board::rand_get(), before);  // an empty pick draws nothing
}

TEST(SenkeiSelect, FixedAnswers) {
  const board::KPosition start = load(model::testing::initial(0));
  // Handicap codes 12 and 13 stay whatever the sets.
  EXPECT_EQ(select_counting(start, 0, 0, 12, 0), std::make_pair(12, 0));
  EXPECT_EQ(select_counting(start, 1, 0, 13, 0), std::make_pair(13, 0));
  // Without code 3 the lowest allowed handicap code comes first (gote gives the handicap).
  EXPECT_EQ(select_counting(start, 1, senkei_bit(16) | senkei_bit(12), 0, 0), std::make_pair(12, 0));
  // The even start with empty sets: both sides keep their rook home and aim for yagura.
  EXPECT_EQ(select_counting(start, 0, 0, 0, 0), std::make_pair(1, 0));
  EXPECT_EQ(select_counting(start, 1, 0, 0, 0), std::make_pair(1, 0));
  EXPECT_EQ(select_counting(start, 0, kAllSenkei, 0, kAllSenkei).first, 1);
  EXPECT_EQ(select_counting(start, 0, kAllSenkei, 0, senkei_bit(3)).first, 3);
  // Codes above 22, 31 included, are taken as undecided; codes 10-22 stay.
  EXPECT_EQ(select_counting(start, 0, 0, 31, 0), std::make_pair(1, 0));
  EXPECT_EQ(select_counting(start, 0, 0, 18, 0), std::make_pair(18, 0));
  EXPECT_EQ(select_counting(start, 0, 0, 5, 0), std::make_pair(5, 0));
  // A single-family allowed set picks a code at random before the position rules.
  EXPECT_EQ(select_counting(start, 0, senkei_bit(10), 0, 0), std::make_pair(10, 1));
  // A handicap game (a rook out of play) with a narrowed set picks at random.
  const board::KPosition rook_handicap = load(model::testing::initial(model::kHishaOchi));
  EXPECT_EQ(select_counting(rook_handicap, 0, senkei_bit(1) | senkei_bit(3), 0, senkei_bit(3)), std::make_pair(3, 1));
}

TEST(SenkeiFilter, RemovalsAndContradictions) {
  const board::KPosition start = load(model::testing::initial(0));
  EXPECT_EQ(senkei_filter_allowed(start, 0, kAllSenkei), 0u);  // static castles with anti-ranging codes
  const uint32_t kept = senkei_bit(1) | senkei_bit(2) | senkei_bit(3) | senkei_bit(10) | senkei_bit(31);
  EXPECT_EQ(senkei_filter_allowed(start, 0, kept | senkei_bit(4) | senkei_bit(11) | senkei_bit(17) | senkei_bit(20)),
            kept);
  EXPECT_EQ(senkei_filter_allowed(start, 1, senkei_bit(12) | senkei_bit(16)), senkei_bit(12) | senkei_bit(16));
  EXPECT_EQ(senkei_filter_allowed(start, 0, senkei_bit(12)), 0u);  // sente never gives the handicap

  // 19 becomes 9 even where the anaguma is ruled out (no silver beside the lance).
  const board::KPosition bare = load(scene("K59 k51 L19"));
  EXPECT_EQ(senkei_ranging_anaguma_blocked(bare, 0), 1);
  EXPECT_EQ(senkei_filter_allowed(bare, 0, senkei_bit(9)), 0u);
  EXPECT_EQ(senkei_filter_allowed(bare, 0, senkei_bit(19)), senkei_bit(9));

  // A built mino rules out every other code; a king on the left rules out ranging codes.
  const board::KPosition mino = load(scene("K28 S38 G49 L19 k51"));
  EXPECT_EQ(senkei_built_castle(mino, 0), 3);
  EXPECT_EQ(senkei_filter_allowed(mino, 0, senkei_bit(3)), senkei_bit(3));
  EXPECT_EQ(senkei_filter_allowed(mino, 0, senkei_bit(3) | senkei_bit(6)), 0u);
  const board::KPosition left = load(scene("K88 k51"));
  EXPECT_EQ(senkei_filter_allowed(left, 0, senkei_bit(3)), 0u);
  EXPECT_EQ(senkei_filter_allowed(left, 0, senkei_bit(1) | senkei_bit(18)), senkei_bit(1));
}

TEST(SenkeiSelect, RecognisesCastlesAndRookStates) {
  // Sente's ranging rook on 6八 with the mino built, gote's rook at home.
  board::KPosition p = load(scene("K28 S38 G49 L19 R68 k51 r82 b22"));
  EXPECT_EQ(select_counting(p, 0, 0, 0, 0), std::make_pair(3, 0));
  EXPECT_EQ(select_counting(p, 0, 0, 4, 0), std::make_pair(3, 0));  // the rook is not on 8八
  EXPECT_EQ(select_counting(p, 0, 0, 9, 0), std::make_pair(9, 0));
  // Gote sees a ranging rook: with its king in the corner it plays anaguma.
  p = load(scene("K28 S38 G49 L19 R68 k11 r82 b22"));
  EXPECT_EQ(senkei_against_ranging(p, 1, 0), 8);
  EXPECT_EQ(select_counting(p, 1, 0, 0, 0), std::make_pair(8, 0));
  // Both rooks ranged: mutual ranging, one number drawn.
  EXPECT_EQ(select_counting(load(scene("K28 R68 k82 r42")), 0, 0, 0, 0), std::make_pair(6, 1));
  // The king in the ranging corner; central residence.
  p = load(scene("K19 R78 k51 r82"));
  EXPECT_EQ(senkei_castle_test(p, 0, 0), 9);
  EXPECT_EQ(select_counting(p, 0, 0, 0, 0), std::make_pair(9, 0));
  EXPECT_EQ(select_counting(load(scene("K58 R28 k51 r82")), 0, 0, 0, 0), std::make_pair(10, 0));
}

// The castle tests square by square, each on a position where only its rule
// applies, for sente and for gote on the turned board.
TEST(SenkeiSelect, CastleTestsReadTheirSquares) {
  // A ranging rook's own castle (code 9 anaguma or 3 mino).
  const std::pair<const char*, int> own[] = {
      {"K19 k51", 9},                          // the king in the corner
      {"L18 K28 k51", 3},                      // lance up, the corner empty, 2九 empty
      {"L18 K28 N29 S37 k51", 9},              // ... 2九 taken, a silver on 3七,
      {"L18 K28 N29 S17 k51", 9},              // 1七,
      {"L18 K28 N29 S39 k51", 9},              // 3九,
      {"L18 K28 N29 S27 G39 k51", 9},          // or on 2七 with a gold on 3九
      {"L18 K28 N29 S27 k51", 3},              // 2七 alone is not enough
      {"L18 K28 N29 S38 k51", 3},              // nor 3八
      {"K28 p15 P17 S39 k51", 9},              // the edge pawns face each other, silver 3九
      {"K28 p15 P17 S38 k51", 3},
      {"K28 P17 S39 k51", 3},
  };
  // A static rook's castle against a ranging rook (3, 5, 7 or 8). Where a rule
  // looks for 7 or 8, a gold on 3九 and the opponent's bishop in hand leave 5
  // as the only fall-back; where it looks for 5, the king on 9八 makes the
  // fall-back 7.
  const std::pair<const char*, int> against[] = {
      {"K59 R28 P27 G49 P75 k51", 3},
      {"K78 N77 S88 G39 k51 *b", 8},          // the king on 7八 or 8九, knight 7七, silver 8八 or 7九
      {"K89 N77 S79 G39 k51 *b", 8},
      {"K99 k51", 8},
      {"K88 S79 G78 k51", 8},
      {"K88 S79 G78 k51 *b", 5},              // ... 5 while the opponent holds a bishop
      {"K59 S78 G39 k51 *b", 7},              // a silver on 7八 or 8七
      {"K59 S87 G39 k51 *b", 7},
      {"K59 S79 P86 G39 k51 *b", 7},          // 7九 with the pawn on 8六
      {"L98 N89 K88 k51", 8},
      {"K98 S76 k51", 5},                     // 7六 or 6七,
      {"K98 S67 k51", 5},
      {"K98 B88 S77 k51", 5},                 // or the bishop at home and a silver on 7七
      {"K98 B79 S77 k51", 5},
      {"K88 S79 p95 k51", 8},
      {"K88 S79 k51", 7},
  };
  // Exactly two silvers out in front of the right side make the boat castle's
  // rapid attack (5); with three the anaguma shape behind them decides (8).
  const int front[] = {26, 38, 37, 36, 35, 48, 47, 46, 45, 57, 56, 68, 67};
  for (int s = 0; s < 2; ++s) {
    auto at = [s](const std::string& text) { return load(s == 0 ? scene(text) : board::testing::twin(scene(text))); };
    for (const auto& [text, code] : own) EXPECT_EQ(senkei_castle_test(at(text), s, 0), code) << text << " side " << s;
    for (const auto& [text, code] : against) {
      board::rand_seed(1);
      EXPECT_EQ(senkei_against_ranging(at(text), s, 0), code) << text << " side " << s;
    }
    for (int a : front) {
      std::string text = "L98 N89 K88 k51 S" + std::to_string(a);
      int silvers = 1;
      for (int i = 0; silvers < 3; ++i) {
        if (front[i] == a) continue;
        text += " S" + std::to_string(front[i]);
        ++silvers;
        EXPECT_EQ(senkei_against_ranging(at(text), s, 0), silvers == 2 ? 5 : 8) << text << " side " << s;
      }
    }
  }
}

// With its king on file 5 a side's rook on its left half (files 6-9) ranges,
// on file 5 it is central and on the right half static: the opponent keeping
// its ranging anaguma (code 9, lance at home) turns to mutual ranging (6)
// against the ranging rook alone. The same for gote on the turned board.
TEST(SenkeiSelect, RookStateOfAKingOnTheCentreFile) {
  const std::pair<const char*, int> cases[] = {{"R68", 6}, {"R58", 9}, {"R48", 9}, {"R98", 6}, {"R18", 9}};
  for (int s = 0; s < 2; ++s) {
    for (const auto& [rook, code] : cases) {
      const std::string text = std::string("K59 ") + rook + " k51 l91";
      const board::KPosition p = load(s == 0 ? scene(text) : board::testing::twin(scene(text)));
      EXPECT_EQ(select_counting(p, 1 - s, 0, 9, 0), std::make_pair(code, 0)) << text << " side " << s;
    }
  }
}

// Whether a side's rook stays on the right: 2 in its own three ranks on files
// 1-4, 1 on 2六 with 3六 or 4六 taken by any piece, else 0; and the static
// castle's code 3 only while it is 0. The same for gote on the turned board.
TEST(SenkeiSelect, RookStaysOnTheRight) {
  const std::pair<const char*, int> rooks[] = {
      {"K59 k51", 0},          {"K59 k51 *R", 0},      {"K59 k51 r28", 0},   {"K59 R28 k51", 2},
      {"K59 R17 k51 *R", 2},   {"K59 R49 k51", 2},     {"K59 R58 k51", 0},   {"K59 R97 k51", 0},
      {"K59 R46 k51", 0},      {"K59 R26 k51", 0},     {"K59 R26 P36 k51", 1}, {"K59 R26 p46 k51", 1},
      {"K59 R25 P35 k51", 0},  {"K59 R36 P46 k51", 0},
  };
  const std::pair<const char*, int> castles[] = {
      {"K59 G49 S38 B97 R68 k51", 3}, {"K59 G49 S39 N77 k51", 3}, {"K59 G49 S38 P75 R26 k51", 3},
      {"K59 G49 S38 B97 R48 k51", 1}, {"K59 G49 S38 P75 R26 p36 k51", 1},
  };
  for (int s = 0; s < 2; ++s) {
    auto at = [s](const char* text) { return load(s == 0 ? scene(text) : board::testing::twin(scene(text))); };
    for (const auto& [text, want] : rooks) {
      EXPECT_EQ(senkei_rook_stays_right(at(text), s), want) << text << " side " << s;
    }
    for (const auto& [text, want] : castles) {
      EXPECT_EQ(senkei_static_castle_kind(at(text), s, 0), want) << text << " side " << s;
    }
  }
}

TEST(SenkeiSelect, GoteChoosesAsSenteOnTheTurnedBoard) {
  std::mt19937 rng(7);
  const std::vector<model::Kyokumen> positions = board::testing::random_game_positions(
      board::testing::handicap_starts({model::kHirate, model::kHirate, model::kHirate, model::kHirate,
                                       model::kKyoOchi, model::kKakuOchi, model::kHishaOchi, model::kNimaiOchi}),
      rng, 80, 4);
  const uint32_t sets[][2] = {
      {0, 0}, {kAllSenkei, kAllSenkei}, {kAllSenkei, 0x8fad3}, {senkei_bit(3) | senkei_bit(9) | senkei_bit(19), 0x5f92c}};
  int compared = 0;
  for (const model::Kyokumen& k : positions) {
    const board::KPosition p = load(k), q = load(board::testing::twin(k));
    for (const auto& set : sets) {
      for (int current : {0, 1, 3, 4, 6, 8, 9}) {
        for (int side = 0; side < 2; ++side, ++compared) {
          ASSERT_EQ(select_counting(p, side, set[0], current, set[1]),
                    select_counting(q, 1 - side, set[0], current, set[1]))
              << "side " << side << " current " << current << " allowed " << set[0];
        }
      }
    }
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace eval
