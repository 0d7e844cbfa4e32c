// Formation seeding: each recognizer on a formation built for it and on its
// gote twin at the plies it runs to, and the ply limits.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/board/hash_key.h"
#include "engine/board/hash_table.h"
#include "engine/search/formation_seed.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/turned_twin.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using model::testing::gote;

// A move of a sequence for sente to move: squares as file x 10 + rank (100 +
// square: a pawn drop), the engine kind, the side (0 own, 1 opponent), the
// kind it takes from the other side, promotion.
struct Step {
  int from, to, kind, side, taken = 0, promote = 0;
};
struct Formation {
  int recognizer;
  std::vector<std::array<int, 3>> pieces;  // file, rank, model code
  int pawns_in_hand;
  std::vector<Step> sequence;
};

KMove seq_move(const Step& st, int own, bool turn) {
  auto square = [turn](int fr) {
    const int sq = board::square_of(fr / 10, fr % 10);
    return turn ? board::turned_square(sq) : sq;
  };
  const int side = st.side == 0 ? own : 1 - own;
  KMove m = board::pass_move();
  board::write_move(m, st.from >= 100 ? board::kInHand : square(st.from), square(st.to), 0, board::kEmptyNumber,
                    st.kind | board::side_bit(side), st.taken ? st.taken | board::side_bit(1 - side) : 0, st.promote);
  return m;
}

class FormationSeedTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { board::hash_alloc(1024); }
  static void TearDownTestSuite() { board::hash_free(); }
};

TEST_F(FormationSeedTest, EachRecognizerAndItsTwin) {
  constexpr int P = board::kPawn, L = board::kLance, N = board::kKnight, S = board::kSilver, B = board::kBishop,
                R = board::kRook;
  const int ou = model::kOu, fu = model::kFu, gin = model::kGin, kin = model::kKin, hi = model::kHi,
            kaku = model::kKaku, kei = model::kKei;
  const std::vector<Formation> formations = {
      {1, {{2, 8, hi}, {2, 5, fu}, {2, 3, gote(fu)}}, 0, {{25, 24, P, 0}, {23, 24, P, 1, P}, {28, 24, R, 0, P}}},
      {3, {{3, 3, gote(kaku)}, {2, 4, gote(fu)}, {3, 5, gin}, {1, 1, gote(model::kKyo)}, {4, 2, gote(kin)}}, 0,
       {{35, 24, S, 0, P}, {33, 22, B, 1}, {24, 23, S, 0, 0, 1}}},
      {4, {{2, 8, hi}, {2, 5, fu}, {2, 3, gote(fu)}, {3, 5, gin}, {3, 4, gote(fu)}}, 0,
       {{25, 24, P, 0}, {34, 35, P, 1, S}, {24, 23, P, 0, P, 1}}},
      {5, {{8, 2, gote(hi)}, {8, 6, gote(fu)}, {8, 7, fu}, {9, 5, gote(gin)}, {9, 7, fu}}, 0,
       {{97, 96, P, 0}, {86, 87, P, 1, P, 1}, {96, 95, P, 0, S}}},
      {6, {{5, 7, kaku}, {2, 8, hi}, {2, 4, gote(fu)}, {1, 3, gote(kaku)}, {5, 2, gote(hi)}}, 1,
       {{57, 24, B, 0, P}, {52, 22, R, 1}, {125, 25, P, 0}}},
      {7, {{1, 1, gote(model::kKyo)}, {2, 3, gote(fu)}, {2, 5, fu}, {2, 8, hi}}, 3,
       {{112, 12, P, 0}, {11, 12, L, 1, P}, {25, 24, P, 0}}},
      {8, {{1, 2, gote(model::kKyo)}, {2, 3, gote(fu)}, {2, 5, fu}, {2, 8, hi}}, 2,
       {{113, 13, P, 0}, {12, 13, L, 1, P}, {25, 24, P, 0}}},
      {10, {{7, 7, kaku}, {8, 9, kei}, {6, 6, fu}, {3, 3, gote(kaku)}, {8, 4, gote(gin)}}, 0,
       {{66, 65, P, 0}, {33, 77, B, 1, B}, {89, 77, N, 0, B}}},
      {11, {{5, 3, gote(gin)}, {4, 3, gote(kin)}, {6, 6, gin}, {6, 8, hi}, {5, 6, fu}, {5, 4, gote(fu)},
            {6, 5, fu}, {6, 3, gote(fu)}, {8, 2, gote(hi)}}, 0,
       {{56, 55, P, 0}, {54, 55, P, 1, P}, {66, 55, S, 0, P}, {82, 62, R, 1}}},
      {12, {{7, 7, kaku}, {7, 6, fu}, {7, 5, gote(fu)}, {7, 8, hi}, {6, 4, gote(gin)}, {6, 6, fu}, {3, 3, gote(kaku)}},
       0, {{76, 75, P, 0, P}, {64, 75, S, 1, P}, {66, 65, P, 0}}},
      {13, {{7, 5, gote(gin)}, {6, 6, fu}, {7, 8, hi}, {7, 7, kaku}, {3, 3, gote(kaku)}}, 0,
       {{66, 65, P, 0}, {33, 77, B, 1, B}, {78, 77, R, 0, B}}},
      {14, {{3, 3, gote(gin)}, {2, 4, gote(fu)}, {2, 8, hi}, {2, 9, kei}}, 1,
       {{125, 25, P, 0}, {24, 25, P, 1, P}, {29, 37, N, 0}}},
  };
  for (const Formation& fm : formations) {
    board::testing::Scene s;
    s.Put(5, 9, ou).Put(5, 1, gote(ou));
    for (const auto& [f, r, code] : fm.pieces) s.Put(f, r, code);
    s.k.mochigoma[0][model::kFu] = static_cast<int8_t>(fm.pawns_in_hand);
    const KPosition p = s.Load();
    // Seeded up to the recognizer's ply limit, not beyond it.
    const int limit = formation_seed_limit(fm.recognizer);
    for (bool turn : {false, true}) {
      for (int ply : {1, limit, limit + 1}) {
        const KPosition q = turn ? board::testing::turned(p) : p;
        board::hash_clear();
        board::KHashKey key;
        board::hash_key_full(q, 0, key);
        formation_seed(q, key, ply);
        const int n = static_cast<int>(fm.sequence.size());
        KMove last = board::pass_move();
        for (const Step& st : fm.sequence) {
          last = seq_move(st, q.teban, turn);
          board::hash_key_sashite(key, 0, last);
        }
        const board::KHashEntry* e = board::hash_entry(key);
        if (ply > limit) {
          EXPECT_EQ(e, nullptr) << "recognizer " << fm.recognizer << " at ply " << ply << (turn ? " gote" : "");
          continue;
        }
        ASSERT_NE(e, nullptr) << "recognizer " << fm.recognizer << " at ply " << ply << (turn ? " gote" : "");
        EXPECT_EQ(e->extension, 12 * (n - 1));
        EXPECT_EQ(e->extension_move, board::move_word(last));
      }
    }
  }
}

TEST_F(FormationSeedTest, PlyLimits) {
  std::vector<int> at7, at3;
  for (int i = 1; i <= 14; ++i) {
    if (formation_seed_limit(i) >= 7) at7.push_back(i);
    if (formation_seed_limit(i) >= 3) at3.push_back(i);
  }
  EXPECT_EQ(at7, std::vector<int>{4});
  EXPECT_EQ(at3, (std::vector<int>{1, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14}));
}

}  // namespace
}  // namespace search
