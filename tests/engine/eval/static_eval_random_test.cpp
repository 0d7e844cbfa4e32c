// The full evaluation (king lines, then the full-board terms) over random
// positions: kings on edges and corners or missing, rooks, bishops and lances
// against the walls, promoted pieces, pawns and lances on their last rank, and
// full hands, under random strategy codes. For each position each routine runs
// once per record (a second call, or a record with both flags set, changes
// nothing), and the turned twin with the sides swapped (and the codes swapped)
// gives each side's terms to the other, also when the examined square is a
// silver's. The sanitizer build runs the same positions.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/eval/eval_position.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/own_view.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/root_modes.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/turned_twin.h"

namespace eval {
namespace {

using board::KEvalRecord;
using board::KPosition;

constexpr long kPositions = 100000;

// Model types 1..7 (pawn .. rook) and how many of each the game has.
constexpr int kTypeCount[8] = {0, 18, 4, 4, 4, 4, 2, 2};

struct Coverage {
  long positions = 0, no_king = 0, corner_king = 0, edge_slider = 0, full_hands = 0, material = 0, defence = 0,
       yagura = 0, silver_square = 0;
};

// Strategy codes with rows of their own in the castle-shape group; at most one
// side plays a ranging code (5, 7, 8), as the group gives sente's precedence.
constexpr int32_t kCodes[] = {0, 1, 5, 6, 7, 8, 9};

void random_codes(std::mt19937& rng) {
  const auto ranging = [](int32_t c) { return c == 5 || c == 7 || c == 8; };
  do {
    for (int32_t& c : eval_setup.root_senkei) c = kCodes[rng() % std::size(kCodes)];
  } while (ranging(eval_setup.root_senkei[0]) && ranging(eval_setup.root_senkei[1]));
  eval_setup.root_yagura = eval_setup.root_senkei[0] == 1 || eval_setup.root_senkei[1] == 1;
}

// Gote's own yagura row (a silver on its (3,6), a knight on its (3,7)) has no
// sente counterpart, so a position holding it, or its twin, is not mirrored.
bool one_sided_row(const KPosition& p) {
  if (!eval_setup.root_yagura) return false;
  for (int v = 0; v < 2; ++v) {
    if (own_on(p, v, board::kSilver, 3, 6) && own_on(p, v, board::kKnight, 3, 7)) return true;
  }
  return false;
}

// The square of the first unpromoted silver on the board, or 0.
int silver_square(const KPosition& p) {
  for (int n = board::kKindRange[board::kSilver].first; n < board::kKindRange[board::kKnight].first; ++n) {
    if (board::is_playing_square(p.piece[n].sq) && board::code_class(p.piece[n].code) == board::kSilver) {
      return p.piece[n].sq;
    }
  }
  return 0;
}

bool is_edge(int file, int rank) { return file == 1 || file == 9 || rank == 1 || rank == 9; }

// A random empty square; `edge` keeps it on the board's outer ring.
std::pair<int, int> random_square(const model::Kyokumen& k, std::mt19937& rng, bool edge) {
  for (;;) {
    const int file = static_cast<int>(rng() % 9) + 1, rank = static_cast<int>(rng() % 9) + 1;
    if ((!edge || is_edge(file, rank)) && k.At(file, rank).IsEmpty()) return {file, rank};
  }
}

model::Kyokumen random_position(std::mt19937& rng, Coverage& cov) {
  model::Kyokumen k = model::testing::empty_position();
  for (int side = 0; side < 2; ++side) {
    if (rng() % 8 == 0) {
      ++cov.no_king;
      continue;
    }
    const auto [file, rank] = random_square(k, rng, rng() % 2 == 0);
    cov.corner_king += (file == 1 || file == 9) && (rank == 1 || rank == 9);
    model::testing::put(k, file, rank, model::kOu | (side ? model::kGoteBit : 0));
  }
  const bool full_hands = rng() % 8 == 0;
  cov.full_hands += full_hands;
  for (int type = model::kFu; type <= model::kHi; ++type) {
    const bool slider = type == model::kKyo || type == model::kKaku || type == model::kHi;
    for (int i = 0; i < kTypeCount[type]; ++i) {
      const int side = static_cast<int>(rng() % 2);
      const unsigned where = rng() % 16;
      if (where >= (full_hands ? 6u : 9u)) {
        if (full_hands || where < 12) ++k.mochigoma[side][type];
        continue;  // the rest stay in the box
      }
      const bool promoted = type != model::kKin && rng() % 5 == 0;
      const auto [file, rank] = random_square(k, rng, slider && rng() % 2 == 0);
      const int last_rank = side == 0 ? 1 : 9;
      if (!promoted && type == model::kKei && rank == last_rank) continue;
      if (!promoted && type == model::kFu) {
        bool doubled = false;
        for (int r = 1; r <= 9; ++r) doubled |= k.At(file, r).code == (model::kFu | (side ? model::kGoteBit : 0));
        if (doubled) continue;
      }
      cov.edge_slider += slider && is_edge(file, rank);
      model::testing::put(k, file, rank, type | (promoted ? model::kPromoteBit : 0) | (side ? model::kGoteBit : 0));
    }
  }
  k.teban = static_cast<int>(rng() % 2);
  return k;
}

// A record with random sums and no flags.
KEvalRecord random_record(std::mt19937& rng) {
  uint32_t words[sizeof(KEvalRecord) / 4];
  for (uint32_t& w : words) w = static_cast<uint32_t>(rng());
  KEvalRecord r;
  std::memcpy(&r, words, sizeof r);
  r.flags = 0;
  return r;
}

KEvalRecord mirrored(const KEvalRecord& r) {
  KEvalRecord m = r;
  for (int s = 0; s < 2; ++s) {
    m.att[s] = r.att[1 - s];
    m.def[s] = r.def[1 - s];
    m.hand_b[s] = r.hand_b[1 - s];
    m.mat[s] = r.mat[1 - s];
  }
  return m;
}

bool same(const KEvalRecord& a, const KEvalRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// eval_king_kiki then eval_position, each called twice; the last move a pass
// unless told otherwise (only whether it was a pass is read).
KEvalRecord evaluate(const KPosition& p, KEvalRecord r, int square = 0, bool pass = true) {
  const board::KMove last = pass ? board::pass_move() : board::KMove{};
  eval_king_kiki(p, r);
  const KEvalRecord once = r;
  eval_king_kiki(p, r);
  EXPECT_TRUE(same(r, once));
  eval_position(p, square, last, r);
  EXPECT_EQ(r.flags, kFullyEvaluated);
  const KEvalRecord full = r;
  eval_king_kiki(p, r);
  eval_position(p, square, last, r);
  EXPECT_TRUE(same(r, full));
  return r;
}

TEST(StaticEval, RandomPositionsAndTheirTwins) {
  // Both sides' tables built alike from the start position, so that they are
  // mirror images (the exchange values of a silver's escapes read them).
  KPosition home;
  ASSERT_EQ(bridge::position_load(home, model::testing::initial(model::kHirate)), 0);
  const int32_t codes[2] = {0, 0};
  eval_root_prepare(home, codes, 0x800);
  eval_setup_stage(home, 0, codes);
  std::mt19937 rng(20240701);
  Coverage cov;
  while (cov.positions < kPositions) {
    const model::Kyokumen k = random_position(rng, cov);
    KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    ++cov.positions;

    random_codes(rng);
    cov.yagura += eval_setup.root_yagura;
    const KEvalRecord start = random_record(rng);
    const bool pass = rng() % 2 == 0;
    const KEvalRecord r = evaluate(p, start, 0, pass);
    const int silver = silver_square(p);
    const KEvalRecord with_silver = evaluate(p, start, silver, pass);
    cov.silver_square += !same(with_silver, r);
    ASSERT_FALSE(HasFailure()) << "position " << cov.positions;
    const KPosition twin = board::testing::turned(p);
    std::swap(eval_setup.root_senkei[0], eval_setup.root_senkei[1]);
    if (!one_sided_row(p)) {
      ASSERT_TRUE(same(mirrored(evaluate(twin, mirrored(start), 0, pass)), r)) << "position " << cov.positions;
      const int turned_silver = silver ? board::kBoardCells - silver : 0;
      ASSERT_TRUE(same(mirrored(evaluate(twin, mirrored(start), turned_silver, pass)), with_silver))
          << "position " << cov.positions;
    }
    std::swap(eval_setup.root_senkei[0], eval_setup.root_senkei[1]);

    KEvalRecord done = start;
    done.flags = kFullyEvaluated;
    ASSERT_TRUE(same(evaluate(p, done), done));

    for (int s = 0; s < 2; ++s) {
      cov.material += r.mat[s].material_extra != start.mat[s].material_extra;
      cov.defence += r.def[s].defence_extra != start.def[s].defence_extra;
    }
  }
  EXPECT_GT(cov.no_king, kPositions / 10);
  EXPECT_GT(cov.corner_king, kPositions / 50);
  EXPECT_GT(cov.edge_slider, kPositions);
  EXPECT_GT(cov.full_hands, kPositions / 10);
  EXPECT_GT(cov.material, kPositions / 20);
  EXPECT_GT(cov.defence, kPositions / 2);
  EXPECT_GT(cov.yagura, kPositions / 4);
  EXPECT_GT(cov.silver_square, kPositions / 1000);
}

}  // namespace
}  // namespace eval
