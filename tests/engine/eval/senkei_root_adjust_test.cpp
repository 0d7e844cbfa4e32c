// The root-move adjustment: each pattern on a constructed move (and on the
// turned twin for gote), the save and restore of the mover's cells, and the
// category of an improving quiet move.
#include "engine/eval/senkei_root_adjust.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_rules.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

using namespace eval::testing;

// The engine move from one square to another (file * 10 + rank in the mover's
// view) on the loaded position.
board::KMove make_kmove(const board::KPosition& p, int side, int from2, int to2) {
  board::KMove m = board::pass_move();
  const int from = view_square(side, from2);
  board::write_board_move(m, p, p.board[from], from, view_square(side, to2), 0);
  return m;
}

struct PatternCase {
  int code;
  const char* scene;  // sente moves from (file * 10 + rank) to
  int from, to;
  int pattern;         // 0: nothing matches
  const char* change;  // a cell the pattern changes (cell_notes)
  const char* presets = "";
};

const std::vector<PatternCase>& pattern_cases() {
  // Pattern 1 gives back the -40 the ranging builder put on king 48.
  static const std::vector<PatternCase> cases = {
      {5, "P17 b42 K59 k51", 17, 16, 7, "N37+10"}, {5, "P17 b42 S24 K59 k51", 17, 16, 0, "N37+0"},
      {5, "G58 K59 k51", 58, 68, 9, "G68-25"}, {5, "G58 K49 k51", 58, 68, 0, "G68+0"},
      {5, "P26 R28 K59 k51", 26, 25, 11, "P25+5"}, {5, "P26 R29 K59 k51", 26, 25, 0, "P25+0"},
      {5, "G78 K59 k51", 78, 67, 13, "G67-20"}, {5, "S78 K59 k51", 78, 67, 0, "S67+0"},
      {3, "R28 K59 k51", 28, 68, 1, "K48+40", "G38=-20"}, {3, "R28 K59 k51", 28, 68, 0, "K48+0", "G38=-5"},
      {3, "G58 K59 k51", 58, 48, 3, "G48-25"}, {3, "G58 K69 k51", 58, 48, 0, "G48+0"},
      {1, "B59 K69 k51", 59, 26, 15, "R46-9", "R46=9"}, {1, "B48 K69 k51", 48, 26, 15, "N25+30", "R46=9"},
      {1, "B79 S37 P36 K69 k51", 79, 68, 17, "P36+5"}, {1, "B79 S37 K59 k51", 79, 68, 0, "B46+0"},
      {1, "P27 R28 S44 b22 K69 k51", 27, 26, 19, "P27-27"}, {1, "P27 R28 b44 p64 K69 k51", 27, 26, 19, "P26-20"},
      {1, "P27 R28 b22 p63 K69 k51", 27, 26, 0, "P27+0"}, {1, "P27 R28 b44 p63 K69 k51", 27, 26, 0, "P27+0"},
      {2, "G78 K69 k41", 78, 68, 21, "G68-15"}, {2, "G69 K59 k41", 69, 58, 21, "G58-15"},
      {2, "G49 K69 k41", 49, 58, 25, "G67+8"}, {2, "G49 S78 K69 k41", 49, 58, 0, "G67+0"},
      {2, "K69 k41", 69, 68, 27, "K68-20"}, {3, "S38 K28 k51", 38, 47, 29, "S47-20"},
      {3, "G49 K28 k51", 49, 58, 31, "G58-28"}, {3, "G38 K28 k51", 38, 47, 31, "G47-28"},
      {3, "G38 K28 k51", 38, 48, 33, "G58-15"}, {3, "S56 K28 k51", 56, 67, 35, "S67-10"},
      {5, "P37 K59 k51", 37, 36, 37, "P37-8"}, {6, "R28 K59 k51", 28, 58, 39, "S28+50", "G38=-40"},
      {6, "R28 K59 k51", 28, 58, 0, "S28+0", "G38=-20"}, {6, "G49 K28 k51", 49, 58, 41, "G58-20"},
      {6, "P75 R78 p73 K28 k51", 75, 74, 43, "P75-15"}, {6, "P75 R78 r11 p73 K28 k51", 75, 74, 43, "P74-15"},
      {6, "P95 R98 p93 K28 k51", 95, 94, 0, "P95+0"}, {7, "S78 K59 k51", 78, 77, 45, "S77-20"},
      {8, "G78 K88 k51", 78, 79, 47, "G79-35"}, {8, "G78 K99 k51", 78, 79, 0, "G79+0"},
      {12, "G78 K59 k51", 78, 67, 0, "G67+0"}, {0, "P37 K59 k51", 37, 36, 0, "P37+0"},
  };
  return cases;
}

TEST(SenkeiRootAdjust, EveryPatternAndItsRestore) {
  for (const PatternCase& c : pattern_cases()) {
    for (int s = 0; s < 2; ++s) {
      SCOPED_TRACE(::testing::Message() << "code " << c.code << ": " << c.scene << " side " << s);
      const model::Kyokumen k = s == 0 ? scene(c.scene) : twin(scene(c.scene));
      board::KPosition p = load(k);
      const board::KMove m = make_kmove(p, s, c.from, c.to);
      board::do_move(p, m, 0);
      fill_for(s, c.code, 0, c.presets);
      eval_setup.senkei_saved_pattern = 0;
      const board::KSenkeiTable before = eval_setup.senkei_table;
      const uint32_t count = eval_setup.eval_settings_count;
      EXPECT_EQ(senkei_table_update(p, m, 0, c.code), c.pattern);
      EXPECT_EQ(eval_setup.senkei_saved_pattern, c.pattern);
      // Caches of values read from the cells see every change in the count.
      EXPECT_EQ(eval_setup.eval_settings_count != count, c.pattern != 0);
      const CellNote change = cell_notes(c.change)[0];
      EXPECT_EQ(note_cell(eval_setup.senkei_table, s, change) - note_cell(before, s, change), change.amount);
      EXPECT_EQ(std::memcmp(before.cell[1 - s], eval_setup.senkei_table.cell[1 - s], sizeof before.cell[0]), 0);
      if (c.pattern == 0) {
        EXPECT_EQ(std::memcmp(before.cell, eval_setup.senkei_table.cell, sizeof before.cell), 0);
      }
      const uint32_t adjusted = eval_setup.eval_settings_count;
      senkei_table_restore(s);
      EXPECT_EQ(eval_setup.eval_settings_count != adjusted, c.pattern != 0);
      EXPECT_EQ(eval_setup.senkei_saved_pattern, 0);
      EXPECT_EQ(std::memcmp(before.cell, eval_setup.senkei_table.cell, sizeof before.cell), 0);
    }
  }
}

// An update while a save is pending takes the earlier adjustment back first.
TEST(SenkeiRootAdjust, PendingSaveIsRestoredByTheNextUpdate) {
  board::KPosition p = load(scene("G58 K59 k51"));
  fill_for(0, 5, 0);
  eval_setup.senkei_saved_pattern = 0;
  const board::KSenkeiTable before = eval_setup.senkei_table;
  board::KMove m = make_kmove(p, 0, 58, 68);
  board::do_move(p, m, 0);
  EXPECT_EQ(senkei_table_update(p, m, 0, 5), 9);
  board::undo_move(p, m, 0);
  m = make_kmove(p, 0, 59, 49);
  board::do_move(p, m, 0);
  EXPECT_EQ(senkei_table_update(p, m, 0, 5), 0);
  EXPECT_EQ(std::memcmp(before.cell, eval_setup.senkei_table.cell, sizeof before.cell), 0);
  senkei_table_restore(0);
  EXPECT_EQ(std::memcmp(before.cell, eval_setup.senkei_table.cell, sizeof before.cell), 0);
}

struct BonusCase {
  const char* scene;  // sente moves from (0: drops a gold) to
  int from, to, expect;
  int code = 5;  // the mover's strategy code
  const char* presets = "";
};

TEST(SenkeiRootAdjust, KomaMoveBonus) {
  const char *gold = "G58=10 G48=0", *king = "K59=20 K68=0", *silver = "S68=10 S79=0", *knight = "N89=10 N77=0";
  const BonusCase cases[] = {
      {"G58 K59 k51", 58, 48, 1, 5, gold},       {"G58 K59 k51", 58, 48, 0, 5, ""},  // not better by more than 4
      {"G58 K99 r51 k11", 58, 48, 0, 5, gold},  // 58 left to the rook, defended only by the mover
      {"G58 K59 r51 k11", 58, 48, 1, 5, gold},  // the king still defends it
      {"G58 K59 p57 k51", 58, 48, 0, 5, gold},  // a pawn attacks 58
      {"G58 K59 n46 k51", 58, 48, 0, 5, gold},  // a knight attacks 58
      {"G58 K59 l55 k51", 58, 48, 0, 5, gold},  // a lance attacks 58
      {"K59 k51", 59, 68, 1, 5, king},           {"K59 b37 k51", 59, 68, 0, 5, king},  // the bishop sees 59
      {"S68 K59 k51", 68, 79, 2, 5, silver},     {"S68 K59 k51", 68, 79, 3, 1, ""},
      {"S68 K59 k51", 68, 79, 0, 5, ""},         {"S77 K59 k51", 77, 88, 3, 1, ""},
      {"S77 K59 k51", 77, 76, 4, 1, ""},         {"S77 P75 K59 k51", 77, 76, 0, 1, ""},
      {"N89 K59 k51", 89, 77, 5, 5, knight},     {"N89 K59 r81 k51", 89, 77, 0, 5, knight},  // attacked, no defender
      {"N89 K59 p88 k51", 89, 77, 0, 5, knight},                                             // a pawn attacks 89
      {"G58 K59 p48 k51", 58, 48, 0, 5, gold},                                               // a capture
      {"P57 K59 k51", 57, 56, 0, 5, "P57=10"},                                               // a pawn
      {"R28 K59 k51", 28, 48, 0, 5, "R28=10"},                                               // a rook
      {"K59 k51 *G", 0, 48, 0, 5, gold},                                                     // a drop
  };
  for (const BonusCase& c : cases) {
    for (int s = 0; s < 2; ++s) {
      SCOPED_TRACE(::testing::Message() << c.scene << " " << c.from << "-" << c.to << " side " << s);
      board::KPosition p = load(s == 0 ? scene(c.scene) : twin(scene(c.scene)));
      board::KMove m;
      if (c.from == 0) {
        m = board::pass_move();
        board::write_drop(m, p, board::kGold, view_square(s, c.to));
      } else {
        m = make_kmove(p, s, c.from, c.to);
        board::do_move(p, m, 0);
      }
      fill_for(s, c.code, 0, c.presets);
      const int32_t codes[2] = {s == 0 ? c.code : 0, s == 1 ? c.code : 0};
      EXPECT_EQ(koma_move_bonus(p, m, codes), c.expect);
    }
  }
}

}  // namespace
}  // namespace eval
