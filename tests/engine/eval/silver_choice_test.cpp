// The working-silver choice kept by its inputs: over random legal games the
// answer from the table equals the one worked out afresh at every position,
// also when only a king square or a rook file differs from an entry the table
// holds (the same silvers asked again with every rook file and with each king
// taken off).
#include <gtest/gtest.h>

#include <random>

#include "engine/eval/own_view.h"
#include "engine/eval/silver_choice.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::KPosition;

bool same(const SilverChoice& a, const SilverChoice& b) {
  for (int u = 0; u < 2; ++u) {
    if (a.square[u] != b.square[u] || a.count[u] != b.count[u] || a.flags[u] != b.flags[u] ||
        a.advanced[u] != b.advanced[u]) {
      return false;
    }
  }
  return true;
}

// The file of a rook of each side on the board, as the rook group notes it.
void rook_files(const KPosition& p, int out[2]) {
  out[0] = out[1] = 0;
  for (int n = board::kKindRange[board::kRook].first; n < board::kKindRange[board::kBishop].first; ++n) {
    if (board::is_playing_square(p.piece[n].sq)) out[board::code_side(p.piece[n].code)] = board::square_file(p.piece[n].sq);
  }
}

TEST(SilverChoiceCache, AgreesWithFreshChoiceOverRandomGames) {
  std::mt19937 rng(20261207);
  const auto positions = board::testing::random_game_positions(board::testing::handicap_starts(
                                                                   {model::kHirate, model::kHirate, model::kHirate, model::kKakuOchi,
                                                                    model::kHishaOchi, model::kRokumaiOchi}),
                                                               rng, 160, 1);
  long chosen = 0, single = 0, advanced = 0;
  for (const model::Kyokumen& k : positions) {
    const KPosition p = board::testing::load(k);
    const int kings[2] = {king_square(p, 0), king_square(p, 1)};
    int files[2];
    rook_files(p, files);
    const SilverChoice fresh = silver_choice(p, kings, files);
    ASSERT_TRUE(same(silver_choice_cached(p, kings, files), fresh));
    ASSERT_TRUE(same(silver_choice_cached(p, kings, files), fresh));  // now from the table
    chosen += fresh.square[0] != 0;
    single += fresh.count[0] == 1;
    advanced += fresh.advanced[0] + fresh.advanced[1];
    // The same silvers with other rook files and without one king.
    for (int f = 0; f <= 9; ++f) {
      const int other[2] = {f, files[1]};
      ASSERT_TRUE(same(silver_choice_cached(p, kings, other), silver_choice(p, kings, other))) << f;
    }
    for (int u = 0; u < 2; ++u) {
      int without[2] = {kings[0], kings[1]};
      without[u] = 0;
      ASSERT_TRUE(same(silver_choice_cached(p, without, files), silver_choice(p, without, files))) << u;
    }
  }
  // The games reach the cases that matter.
  EXPECT_GT(chosen, 100);
  EXPECT_GT(single, 10);
  EXPECT_GT(advanced, 100);
}

}  // namespace
}  // namespace eval
