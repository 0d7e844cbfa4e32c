// The full evaluation (king lines, then the full-board terms) over random
// positions: kings on edges and corners or missing, rooks, bishops and lances
// against the walls, promoted pieces, pawns and lances on their last rank, and
// full hands. For each position each routine runs once per record (a second
// call, or a record with both flags set, changes nothing), and the turned twin
// with the sides swapped gives each side's terms to the other. The sanitizer
// build runs the same positions.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/board/position_setup.h"
#include "engine/eval/eval_position.h"
#include "engine/eval/eval_tables.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::KEvalRecord;
using board::KPosition;

constexpr long kPositions = 100000;

// Model types 1..7 (pawn .. rook) and how many of each the game has.
constexpr int kTypeCount[8] = {0, 18, 4, 4, 4, 4, 2, 2};

struct Coverage {
  long positions = 0, no_king = 0, corner_king = 0, edge_slider = 0, full_hands = 0, material = 0, defence = 0;
};

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

// The position turned by 180 degrees with the sides swapped, every piece keeping
// its number (the kings swap theirs, which are their sides).
KPosition turned(const KPosition& p) {
  KPosition t = p;
  auto number = [](int n) { return n < 2 ? 1 - n : n; };
  auto swapped = [](int code) {
    if (code == 0 || code == board::kWallCode) return code;
    return (code & ~0x60) | ((code & board::kSenteBit) ? board::kGoteBit : board::kSenteBit);
  };
  for (int sq = board::kFirstSquare; sq <= board::kLastSquare; ++sq) {
    if (!board::is_playing_square(sq)) continue;
    const int n = p.board[sq];
    t.board[board::kBoardCells - sq] = static_cast<uint8_t>(n < board::kPieceCount ? number(n) : n);
  }
  for (int n = 0; n < board::kPieceCount; ++n) {
    const board::KPieceEntry& e = p.piece[n];
    const int sq = board::is_playing_square(e.sq) ? board::kBoardCells - e.sq : e.sq;
    t.piece[number(n)] = {static_cast<uint8_t>(sq), static_cast<uint8_t>(swapped(e.code))};
  }
  std::memcpy(t.hand[0], p.hand[1], sizeof t.hand[0]);
  std::memcpy(t.hand[1], p.hand[0], sizeof t.hand[1]);
  t.teban = static_cast<uint8_t>(1 - p.teban);
  board::pos_clear_tables(t);
  board::pos_build_tokin_lists(t);
  board::pos_hand_sums(t);
  board::pos_clear_kiki(t);
  return t;
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

// eval_king_kiki then eval_position, each called twice.
KEvalRecord evaluate(const KPosition& p, KEvalRecord r) {
  eval_king_kiki(p, r);
  const KEvalRecord once = r;
  eval_king_kiki(p, r);
  EXPECT_TRUE(same(r, once));
  eval_position(p, 0, board::pass_move(), r);
  EXPECT_EQ(r.flags, kFullyEvaluated);
  const KEvalRecord full = r;
  eval_king_kiki(p, r);
  eval_position(p, 0, board::pass_move(), r);
  EXPECT_TRUE(same(r, full));
  return r;
}

TEST(StaticEval, RandomPositionsAndTheirTwins) {
  eval_tables_init(eval_weight_block, 0x800);
  board::eval_weights = &eval_weight_block;
  std::mt19937 rng(20240701);
  Coverage cov;
  while (cov.positions < kPositions) {
    const model::Kyokumen k = random_position(rng, cov);
    KPosition p;
    ASSERT_EQ(driver::position_load(p, k), 0);
    ++cov.positions;

    const KEvalRecord start = random_record(rng);
    const KEvalRecord r = evaluate(p, start);
    ASSERT_FALSE(HasFailure()) << "position " << cov.positions;
    ASSERT_TRUE(same(mirrored(evaluate(turned(p), mirrored(start))), r)) << "position " << cov.positions;

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
}

}  // namespace
}  // namespace eval
