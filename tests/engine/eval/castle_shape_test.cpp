// The castle-shape corrections, one constructed position per row: each row fires
// with its amount and the others stay silent, and the turned twin (codes
// swapped) gives the mirrored amounts, except gote's row of its own.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/eval/castle_shape_terms.h"
#include "engine/eval/root_globals.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/rook_bishop_pawn_terms.h"
#include "engine/eval/silver_knight_gold_terms.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

// The position of a row: its text plus, where it names none, the kings (5九,
// 5一; under the yagura flag with a gold on 5八 / 5二 covering the squares two
// ahead of each king) and the rooks (2八, 8二).
model::Kyokumen row_position(std::string text, bool yagura) {
  if (text.find('K') == std::string::npos) text += yagura ? " K59 G58" : " K59";
  if (text.find('k') == std::string::npos) text += yagura ? " k51 g52" : " k51";
  if (text.find_first_of("Rr") == std::string::npos) text += " R28 r82";
  return testing::scene(text);
}

// The group's sums for sente and gote under the codes.
std::pair<int, int> corrections(const model::Kyokumen& k, int32_t sente_code, int32_t gote_code) {
  root_senkei[0] = sente_code;
  root_senkei[1] = gote_code;
  root_yagura = sente_code == 1 || gote_code == 1;
  const board::KPosition p = testing::load(k);
  const board::KMove last{};
  board::KEvalRecord r{};
  PositionTerms t(p, 0, last, r);
  rook_placement_terms(t);
  working_silver_terms(t);
  t.material[0] = t.material[1] = 0;
  castle_shape_terms(t);
  return {t.material[0], t.material[1]};
}

struct Row {
  int32_t sente_code, gote_code;
  const char* text;
  int sente, gote;
  bool mirrored = true;
};

const Row kRows[] = {
    // General rows.
    {0, 0, "K18", -6, 0}, {0, 0, "B88 P77 p75", -10, 0}, {0, 0, "B68 G57", -5, 0}, {0, 0, "B79 P57 G56", -10, 0},
    {0, 0, "S36 P37", -13, 0},
    // Code 6 while nobody ranges.
    {6, 0, "G48 G49", -5, 0}, {6, 0, "K39", -10, 0}, {6, 0, "N37", -8, 0}, {6, 0, "K49 G38 S28 P37 R19 r82", -8, 0},
    // Gote ranges (the twins: sente ranges).
    {0, 8, "b62 s73", 0, -10}, {0, 8, "n33", 0, -5}, {0, 8, "b53", 0, -5}, {0, 8, "p76 B88 P66 b44", -20, 0},
    {9, 8, "*b", -10, 0}, {9, 8, "G38", -8, 0}, {0, 5, "s62 g52", 0, 3}, {0, 5, "b33", 0, -5}, {0, 5, "k22", 0, -5},
    {0, 7, "b33", 0, -5},
    // Yagura rows.
    {1, 0, "K59 P57", -10, 0}, {1, 0, "R38 r82", -5, 0}, {1, 0, "S46", -5, 0}, {1, 0, "K79 G78 G49", -5, 0},
    {1, 0, "K88 P77 P97 p86 n75", -120, 0}, {1, 0, "S68 S37", -5, 0}, {1, 0, "S88 B77", -5, 0},
    {1, 0, "S88 S77", -15, 0}, {1, 0, "N25 S68", -12, 0}, {1, 0, "K89 G88 P47 S46 B26", -13, 0},
    {1, 0, "K89 G88 P47 S46 N37 P25", -8, 0}, {1, 0, "S37 P46", -5, 0}, {1, 0, "R68 r82 S26", -5, 0},
    {1, 0, "R68 r82 P25", -3, 0}, {1, 0, "B48 N37", -15, 0}, {1, 0, "B37 S26", -6, 0},
    {1, 0, "B46 N37 S48", -7, 0}, {1, 0, "B46 N37 S48 P16", -9, 0}, {1, 0, "B46 N37 S48 P17", -11, 0},
    {1, 0, "S86 G49", -5, 0}, {1, 0, "S36 P37 N29", -13 - 9, 0}, {1, 0, "P65", -7, 0}, {1, 0, "B79 G68", -100, 0},
    {1, 0, "B26 p44", 5, 0}, {1, 0, "B26 p44 N37", 10, 0},
    // Gote's row of its own: the knight ahead of its silver earns a bonus that
    // sente's does not.
    {1, 0, "S36 N37", 0, 0, false}, {1, 0, "s74 n73", 0, 5, false},
    // Skipped: an active rook (2三); both rooks sente's (one in hand).
    {0, 0, "S36 P37 R23 r82", 0, 0}, {0, 0, "S36 P37 R28 *R", 0, 0}, {1, 0, "S36 P37 R23 r82", 0, 0},
};

TEST(CastleShape, EveryRowAndItsTwin) {
  const board::KPosition home = testing::load(model::testing::initial(model::kHirate));
  const int32_t codes[2] = {0, 0};
  eval_root_prepare(home, codes, 0x800);
  for (const Row& row : kRows) {
    const model::Kyokumen k = row_position(row.text, row.sente_code == 1 || row.gote_code == 1);
    EXPECT_EQ(corrections(k, row.sente_code, row.gote_code), std::pair(row.sente, row.gote)) << row.text;
    if (row.mirrored) {
      EXPECT_EQ(corrections(testing::twin(k), row.gote_code, row.sente_code), std::pair(row.gote, row.sente))
          << "twin of " << row.text;
    }
  }
  // Under the yagura flag the three squares two ranks ahead of a king on ranks
  // 5-9 count, wherever it stands; on rank 4 none.
  for (int rank = 4; rank <= 9; ++rank) {
    const model::Kyokumen k = row_position("K5" + std::to_string(rank), true);
    EXPECT_EQ(corrections(k, 1, 0).first, rank >= 5 ? -15 : 0) << "king on rank " << rank;
  }
}

}  // namespace
}  // namespace eval
