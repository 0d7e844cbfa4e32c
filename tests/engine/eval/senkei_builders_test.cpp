// The per-strategy builders: every rule on a constructed position (the cell
// before and after the builder), and every such position's turned twin run for
// gote writing the turned cells.
#include "engine/eval/senkei_builders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <random>
#include <vector>

#include "engine/eval/iyagura_target_data.h"
#include "engine/eval/mikettei_blend_data.h"
#include "engine/eval/senkei_base_table.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

using namespace eval::testing;
using Builder = void (*)(const board::KPosition&, int);

enum How { kDelta, kValue, kEnemyDelta };

struct Check {
  int layer;
  int sq;  // file * 10 + rank of the building side's view
  int expect;
  How how = kDelta;
};

struct Case {
  const char* scene;
  std::vector<Check> checks;
  std::vector<Preset> presets = {};
  int opp = 0;  // the opponent's strategy code
};

struct BuilderCases {
  const char* name;
  Builder build;
  int code;
  std::vector<Case> cases;
};

struct BuilderRun {
  board::KSenkeiTable before;
  board::KSenkeiTable after;
};

BuilderRun run(const BuilderCases& b, const model::Kyokumen& k, int s, const Case& c) {
  fill_for(s, b.code, c.opp, c.presets);
  const board::KPosition p = load(k);
  BuilderRun r;
  r.before = senkei_table;
  b.build(p, s);
  r.after = senkei_table;
  return r;
}

const std::vector<BuilderCases>& all_cases() {
  static const std::vector<BuilderCases> cases = {
      {"funagakoi", senkei_build_funagakoi, 5,
       {
           {"P75 S76 K78 k51",
            {{P, 87, 3, kValue}, {P, 66, 2, kValue}, {S, 65, 0}, {P, 37, 12}, {K, 88, 28, kValue},
             {S, 76, 23, kValue}, {P, 75, 16, kValue}, {S, 39, -10, kValue}, {G, 78, 15, kValue}, {B, 77, -4, kValue}}},
           {"P75 S76 K78 P66 k51", {{S, 65, 27}}},
           {"P75 S76 K59 k51", {{P, 87, 13, kValue}, {P, 66, 9, kValue}, {P, 37, 32}}},
           {"P75 K59 k51", {{S, 77, 15, kValue}, {S, 66, 15, kValue}, {P, 87, 0}}},
           {"S77 K59 k51", {{S, 77, 9, kValue}, {P, 75, 18, kValue}, {S, 76, 15, kValue}, {P, 37, 32}}},
           {"S67 G69 P76 P37 K59 k51", {{P, 75, 18, kValue}, {S, 76, 15, kValue}, {S, 36, -6, kValue}}},
           {"P37 K59 k51", {{S, 36, -15}, {P, 37, 16}}},
           {"S67 G69 P76 K59 k51", {{P, 75, 0}, {S, 76, 0}}},
           {"K59 k51", {{P, 37, 16}, {S, 68, -5}, {K, 88, 0}}},
           {"P97 p94 K59 k51", {{P, 96, 20}}},
           {"G77 K59 k51", {{B, 88, 33, kValue}}, {{B, 79, 33}}},
           {"S79 K59 k51", {{G, 68, -20}, {S, 68, -5}}},
           {"S68 S48 K69 k51", {{S, 48, 5}, {S, 68, -5}}},
           {"S79 S48 K69 k51", {{S, 48, 10}, {S, 68, 3}, {G, 68, -20}}},
           {"G49 K69 k51", {{G, 58, 10}}},
           {"G49 S39 K69 k51", {{G, 58, 0}}},
       }},
      {"furiana", senkei_build_furiana, 9,
       {
           {"S39 K28 k51",
            {{G, 39, -5}, {P, 37, 11}, {L, 18, 0}, {S, 28, 0}, {S, 67, 3}, {P, 57, 0}, {S, 47, -3}, {P, 46, -4},
             {P, 47, 10}}},
           {"K59 k51", {{L, 18, -10}, {S, 28, -20}}},
           {"K19 S28 p73 k51", {{P, 47, 0}, {P, 46, 0}, {L, 18, -10}, {S, 28, 0}}},
           {"K19 S28 p73 s62 s72 k51", {{S, 67, 3}, {P, 46, -4}}},
           {"K19 S28 p73 s62 s72 s63 k51", {{S, 67, 0}}},
           {"K19 S28 p73 s84 k51", {{S, 67, 3}}},
           {"B77 K28 k51", {{P, 57, -4}}},
       }},
      {"nakazumai", senkei_build_nakazumai, 10,
       {
           {"p14 P17 p94 P97 K59 k51", {{P, 16, 10}, {P, 96, 10}}},
           {"G49 S39 K59 k51", {{G, 49, 3}, {S, 39, 3}}},
           {"G49 K69 k51", {{G, 49, 0}}},
       }},
      {"furibisha", senkei_build_furibisha, 3,
       {
           {"R28 K59 G69 N89 L99 k51",
            {{K, 48, -40}, {K, 39, -20}, {G, 78, -35}, {G, 38, -50}, {S, 48, -55}, {G, 55, -40}, {S, 27, -20},
             {L, 98, -20}, {L, 97, -12}, {N, 89, 10}, {B, 97, -20}, {P, 25, -15}, {P, 26, -6}, {P, 27, 13},
             {P, 57, 13}, {P, 46, -11}, {P, 75, -5}, {P, 65, -10}, {R, 48, -20}}},
           {"R28 K59 N89 k51", {{N, 89, 0}}},
           {"R68 K28 k51", {{B, 97, -10}, {B, 79, -220}, {P, 75, -5}}},
           {"R58 P57 K28 k51", {{B, 97, -10}}},
           {"R58 K28 k51", {{B, 97, 0}}},
           {"K48 k51", {{P, 57, 12}, {G, 38, -15}, {P, 65, -10}}},
           {"R88 K28 k51", {{L, 99, 3}, {P, 75, -5}}},
           {"R78 K28 k51", {{P, 75, 0}}},
           {"B59 K48 k51", {{N, 37, -5}, {G, 48, -5}, {S, 48, -5}}},
           {"B77 P37 K28 k51", {{B, 59, -5}, {B, 88, -5}}},
           {"B77 K28 k51", {{B, 59, 0}}},
           {"B88 K28 k51", {{S, 77, -20}}},
           {"R76 p94 K28 k51", {{B, 88, 4}, {B, 77, -3}, {B, 97, 9}, {N, 77, 7}, {P, 97, -4}, {P, 96, 12}}},
           {"L99 K28 k51", {{L, 98, -12}, {L, 97, -12}}},
           {"L99 b33 K28 k51", {{L, 98, 0}}},
           {"S48 K59 k51", {{G, 38, 0}, {P, 65, -10}, {S, 48, -20}, {R, 38, -20}, {P, 47, 8}}},
           {"G68 K28 k51", {{B, 79, -200}, {P, 46, -5}, {P, 36, -5}}},
           {"S68 K28 k51", {{B, 79, -200}}},
           {"P66 K28 k51", {{R, 56, -8}}},
           {"P76 K28 k51", {{R, 56, -3}}},
           {"S67 R88 K28 k51", {{S, 78, -15}}},
           {"S67 K28 k51", {{S, 78, -5}}},
           {"K28 k12",
            {{P, 15, -10}, {P, 16, -18}, {P, 17, -26}, {P, 18, -30}, {P, 19, -32}, {G, 61, -100}, {S, 83, -70},
             {G, 94, -100}, {S, 92, 0}}},
           {"K28 k21", {{G, 61, -100}, {P, 15, 0}}},
           {"B79 K28 k51", {{R, 68, -30}, {G, 68, -30}}},
           {"s63 K28 k51", {{P, 56, -4}}},
       }},
      {"shiken_mino", senkei_build_shiken_mino, 3,
       {
           {"p14 P17 S38 K28 k51", {{P, 16, 20}}},
           {"K28 k51",
            {{G, 49, 0, kValue}, {K, 58, -3}, {K, 48, -10}, {P, 25, -12}, {P, 81, -10, kEnemyDelta},
             {P, 85, -10, kEnemyDelta}, {P, 86, 0, kEnemyDelta}},
            {{G, 49, 7}}},
           {"S47 G49 G58 K28 k51", {{G, 49, 7, kValue}}, {{G, 49, 7}}},
           {"S27 K28 k51", {{G, 38, 12}, {P, 25, 0}}},
           {"S39 K28 k51", {{G, 38, -8}, {G, 47, -8}}},
           {"P37 S38 K28 k51", {{P, 26, -5}, {P, 25, -17}}},
           {"P46 P37 S38 K28 k51", {{P, 36, 5}}},
           {"r36 R88 K28 k51", {{R, 88, 200}}},
           {"r36 R88 P58 K28 k51", {{R, 88, 0}}},
           {"r36 R68 K28 k51", {{R, 68, 200}}},
           {"r36 R68 G48 K28 k51", {{R, 68, 0}}},
           {"G47 G49 K28 k51", {{G, 58, -9}}},
           {"P57 S38 K28 k51", {{K, 58, 0}, {K, 48, 0}}},
           {"G78 S67 K28 k51", {{B, 55, -3, kValue}, {B, 33, 7, kValue}, {B, 44, -6, kValue}}, {{B, 33, 20}, {B, 44, -6}}},
           {"G78 K28 k51", {{B, 55, -4, kValue}, {B, 33, 0, kValue}, {B, 44, -6, kValue}}, {{B, 33, 20}, {B, 44, -6}}},
       }},
      {"aifuri", senkei_build_aifuri, 6,
       {
           {"B88 K28 k51", {{S, 77, -20}}},
           {"R28 K59 k51",
            {{G, 38, -50}, {G, 48, -50}, {S, 58, -100}, {K, 48, -100}, {R, 38, -50}, {R, 28, -20}, {S, 28, -50}}},
           {"p14 P17 p94 P97 K28 k51", {{P, 16, 20}, {P, 96, 20}}},
           {"R76 p94 P97 K28 k51", {{B, 97, 9}, {N, 77, 7}, {P, 97, -4}, {P, 96, 27}}},
       }},
      {"taifuri", senkei_build_taifuri, 5,
       {
           {"K59 k51", {{R, 58, -10}, {R, 98, -10}, {P, 57, 8}, {P, 56, -8}, {G, 31, 0}}},
           {"K68 k51", {{P, 57, 8}, {R, 58, 0}}},
           {"S46 N29 K59 k51", {{N, 37, -20}, {B, 59, -8}, {B, 26, -8}, {R, 36, 2}, {R, 26, 2}}},
           {"N37 K59 k51", {{S, 46, -10}, {B, 59, 0}}},
           {"P37 K59 k51", {{B, 26, -8}}},
           {"P17 p13 b42 K59 k51", {{N, 37, -5}}},
           {"P17 p13 b42 S24 K59 k51", {{N, 37, 0}}},
           {"R28 K59 k51", {{P, 26, -10}, {P, 27, -12}, {P, 25, 0}}},
           {"R28 P25 p23 P77 p76 K59 k51", {{P, 25, -10}}},
           {"R28 P25 p23 P77 p76 *P K59 k51", {{P, 25, -35}}},
           {"R28 P25 p23 K59 k51", {{P, 25, 0}}},
           {"R36 K59 k51", {{N, 29, -9}}},
           {"K59 k81", {{G, 31, -100}, {S, 41, -80}, {G, 14, -100}}},
       }},
      {"hidari_mino", senkei_build_hidari_mino, 7,
       {
           {"P97 P87 K78 k51",
            {{P, 97, -15}, {P, 86, -5}, {P, 67, 2}, {G, 69, -8}, {S, 79, 6}, {P, 37, 10}, {P, 47, 10}, {K, 98, -5},
             {K, 88, 3}, {K, 87, -2}, {S, 33, -15, kEnemyDelta}}},
           {"P97 p94 K59 k51", {{P, 97, -15}, {P, 86, -5}, {P, 67, 2}}},
           {"P97 p95 K59 k51", {{P, 97, 0}, {P, 67, 0}}},
           {"S87 K59 k51", {{G, 69, -8}, {G, 78, 4}}},
           {"S79 K59 k51",
            {{G, 78, -10}, {G, 67, -7}, {G, 77, -7}, {S, 77, -5}, {S, 67, -5}, {G, 69, 0}, {S, 79, 6}}},
           {"K98 k51", {{P, 87, -2}, {P, 86, 1}, {S, 87, 3}, {S, 79, -15}}},
           {"G49 K59 k51", {{K, 98, -6}}},
           {"G58 K59 k51", {{K, 98, -3}}},
           {"B22 K59 k51", {{K, 88, 0}}},
           {"K79 k51", {{K, 79, -5}}},
           {"K79 G69 k51", {{K, 79, 0}}},
       }},
      {"ibiana", senkei_build_ibiana, 8,
       {
           {"K88 k51",
            {{G, 79, 11, kValue}, {G, 68, 7, kValue}, {G, 78, 7, kValue}, {G, 67, -3}, {G, 77, -8}, {P, 65, -10},
             {P, 75, -10}, {P, 55, -5}, {L, 98, 0}, {S, 88, 0}},
            {{G, 69, 11}, {G, 58, 7}}},
           {"K99 k51", {{G, 67, 0}, {L, 98, -10}}},
           {"K59 k51", {{S, 88, -30}, {G, 78, -30, kValue}, {G, 88, -30}, {L, 98, -10}}},
           {"S79 K99 k51", {{G, 79, -5}}},
           {"N77 S88 B66 K99 k51",
            {{N, 77, 15}, {B, 66, 3}, {G, 78, 7}, {S, 79, 9}, {S, 78, 5}, {S, 68, -6}, {S, 67, 4}, {L, 98, -8},
             {K, 89, 25}, {K, 99, -5}, {P, 87, -5}, {P, 86, 18}, {S, 57, -20}, {S, 88, -5}}},
           {"N77 G79 S78 S68 K99 k51", {{S, 68, 9}, {S, 88, 0}}},
       }},
      {"kakugawari", senkei_build_kakugawari, 2,
       {
           {"S39 K69 k41",
            {{R, 94, -20}, {R, 34, -20}, {R, 24, 0}, {R, 33, 0}, {S, 48, 3}, {G, 67, 4}, {G, 68, 1}, {G, 78, 2}}},
           {"p14 p94 K69 k41", {{P, 16, 15}, {P, 96, 15}}},
           {"P16 P13 P96 P93 K69 k41", {{P, 15, 15}, {P, 95, 15}}},
           {"K69 k41 *b", {{G, 67, 0}}},
           {"b65 K69 k41", {{P, 56, 3}, {P, 55, 5}}},
           {"N37 K69 k41", {{P, 36, -70}}},
           {"K69 k31", {{G, 91, -100}, {S, 83, -70}}},
           {"K69 k41", {{G, 91, 0}}},
       }},
      {"iyagura", senkei_build_iyagura, 1,
       {
           {"B77 K59 G49 k51",
            {{K, 78, -12}, {K, 79, -15}, {K, 68, -7}, {K, 69, -9}, {S, 58, -5}, {G, 67, 5}, {G, 68, -3}, {G, 49, -8}}},
           {"B59 K49 k51", {{R, 45, -20}, {R, 48, -20}, {P, 37, -15}, {P, 27, -5}, {P, 65, -15}}},
           {"B59 N37 K49 k51", {{R, 46, -17}, {P, 37, -15}, {P, 36, -4}, {P, 27, 0}, {R, 26, 3}}},
           {"P37 K59 k51", {{S, 36, -15}}},
           {"b64 K59 k51", {{L, 16, 13}, {L, 17, 4}, {L, 19, -4}}},
           {"p14 P17 K59 k51", {{P, 17, -6}, {P, 16, 10}}},
           {"K68 B88 G69 k51", {{G, 69, 5}, {G, 78, -10}}},
           {"K78 k51", {{B, 79, 5}}},
           {"B79 S37 K69 k51", {{P, 36, -15, kValue}, {P, 37, -17, kValue}, {R, 57, -5}}},
           {"S48 K59 k51", {{B, 57, -8}}},
           {"B88 P77 K59 k51", {{S, 68, -5}}},
           {"N77 S88 K59 k51", {{K, 89, 5}}},
           {"R48 B88 P97 K59 k51",
            {{B, 88, 12}, {B, 77, 12}, {B, 66, 12}, {B, 55, 2}, {S, 77, -19}, {P, 66, -12}, {P, 97, -2}}},
           {"R48 B77 K59 k51", {{S, 77, 0}}},
           {"K88 k51", {{P, 65, -2, kValue}}},
           {"B48 K59 k51", {{P, 26, -5}, {P, 29, -5}}},
           {"P16 K59 k51", {{P, 16, 5}}},
           {"p13 P17 K59 k51", {{P, 17, 5}, {P, 16, 0}}},
           {"P97 K59 k51", {{P, 97, 5}}},
           {"K59 k21", {{G, 61, -70}, {S, 83, -50}}},
       }},
      {"mikettei", senkei_build_mikettei, 0,
       {
           {"K59 k51",
            {{N, 93, -139, kValue}, {N, 13, -139, kValue}, {N, 57, -77, kValue}, {N, 53, -80, kValue}, {B, 55, 15},
             {B, 11, 15}}},
           {"K58 k51", {{B, 55, 0}, {N, 94, -136, kValue}}},
           {"K78 k51",
            {{P, 67, 10}, {P, 66, 10}, {P, 65, 1}, {P, 57, 0}, {N, 14, -241, kValue},
             {N, 19, -248, kValue}, {N, 54, -151, kValue}, {N, 29, -158, kValue}, {N, 13, -369, kValue},
             {N, 53, -249, kValue}, {N, 84, 0}}},
           {"K78 k32", {{N, 14, -321, kValue}, {N, 54, -201, kValue}}, {}, 3},
           {"K38 k51",
            {{N, 94, -241, kValue}, {N, 84, -151, kValue}, {N, 54, -151, kValue}, {N, 44, 0}, {P, 47, 10},
             {P, 46, 10}, {P, 45, 1}, {P, 57, 0}}},
           {"K78 k32", {{K, 88, 18, kValue}, {K, 89, 10, kValue}, {K, 79, 10, kValue}, {N, 14, 0, kValue}}, {}, 1},
       }},
  };
  return cases;
}

int32_t checked_cell(const board::KSenkeiTable& t, int s, const Check& c) {
  const int owner = c.how == kEnemyDelta ? 1 - s : s;
  return t.cell[owner][c.layer][view_square(s, c.sq) - board::kFirstSquare];
}

TEST(SenkeiBuilders, EveryRuleOnItsPositionAndTheTurnedTwin) {
  for (const BuilderCases& b : all_cases()) {
    for (const Case& c : b.cases) {
      SCOPED_TRACE(::testing::Message() << b.name << ": " << c.scene);
      const model::Kyokumen k = scene(c.scene);
      const BuilderRun sente = run(b, k, 0, c);
      for (const Check& check : c.checks) {
        const int32_t after = checked_cell(sente.after, 0, check);
        const int32_t change = after - checked_cell(sente.before, 0, check);
        EXPECT_EQ(check.how == kValue ? after : change, check.expect) << "layer " << check.layer << " at " << check.sq;
      }
      const BuilderRun gote = run(b, twin(k), 1, c);
      EXPECT_TRUE(tables_are_twins(sente.after, gote.after));
    }
  }
}

// Random middle-game positions: every builder writes the turned cells for gote.
TEST(SenkeiBuilders, RandomPositionsAndTheirTwins) {
  std::mt19937 rng(19);
  std::vector<model::Kyokumen> positions;
  for (int game = 0; game < 6; ++game) {
    model::Kyokumen k = model::testing::initial(0);
    for (int ply = 0; ply < 24 + 8 * game; ++ply) {
      model::Sashite m[1];
      if (board::testing::random_legal_moves(k, rng, m, 1) == 0) break;
      k.DoSashite(m[0]);
    }
    positions.push_back(k);
  }
  for (const BuilderCases& b : all_cases()) {
    for (int opp : {0, 1, 3, 5, 6}) {
      for (const model::Kyokumen& k : positions) {
        const Case c{"", {}, {}, opp};
        const BuilderRun sente = run(b, k, 0, c);
        const BuilderRun gote = run(b, twin(k), 1, c);
        EXPECT_TRUE(tables_are_twins(sente.after, gote.after)) << b.name << " against " << opp;
      }
    }
  }
}

TEST(SenkeiBuilders, Predicates) {
  const std::pair<const char*, int> progress[] = {
      {"P75 S77 K88", 1}, {"S77 G78", 2}, {"G78", 3}, {"S78", 3}, {"S67 G69", 4},
      {"G67 G69 K59", 4}, {"S67 K88", 5}, {"K98", 5}, {"K78", 0}, {"", 0},
  };
  for (const auto& [text, expect] : progress) {
    EXPECT_EQ(funagakoi_progress(load(scene(text)), 0), expect) << text;
    EXPECT_EQ(funagakoi_progress(load(twin(scene(text))), 1), expect) << text;
  }
  for (int f = 1; f <= 9; ++f) {
    const char king[] = {'K', static_cast<char>('0' + f), '9', 0};
    EXPECT_EQ(king_on_left(load(scene(king)), 0), f >= 7) << f;
  }
  const std::pair<const char*, bool> silver[] = {
      {"", true},          {"p73", false},         {"p73 s84", true},       {"p73 s75", true},
      {"p73 s62 s42", true}, {"p73 s62", false},   {"p73 s62 s43 s53", false},
  };
  for (const auto& [text, expect] : silver) {
    EXPECT_EQ(furiana_silver_test(load(scene(text)), 0), expect) << text;
    EXPECT_EQ(furiana_silver_test(load(twin(scene(text))), 1), expect) << text;
  }
}

TEST(SenkeiBuilders, CornerBansChangeOnlyTheirCells) {
  struct Ban {
    void (*ban)(int);
    std::vector<int> gold;
    int gold_amount;
    std::vector<int> silver;
    int silver_amount;
  };
  const Ban bans[] = {
      {corner_ban_furibisha, {61, 71, 81, 91, 72, 82, 92, 83, 93, 94}, -100, {61, 71, 81, 91, 72, 82, 83}, -70},
      {corner_ban_taifuri, {31, 21, 32, 12, 23, 14}, -100, {41, 31, 21, 32, 23}, -80},
      {corner_ban_iyagura, {61, 71, 81, 91, 72, 82, 92, 83, 93, 94}, -70, {61, 71, 81, 91, 72, 82, 83}, -50},
  };
  for (const Ban& b : bans) {
    for (int s = 0; s < 2; ++s) {
      fill_for(s, 3, 0, {});
      const board::KSenkeiTable before = senkei_table;
      b.ban(s);
      int changed = 0;
      for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
        for (int sq = 11; sq <= 99; ++sq) {
          if (sq % 10 == 0) continue;
          const int i = view_square(s, sq) - board::kFirstSquare;
          const int change = senkei_table.cell[s][layer][i] - before.cell[s][layer][i];
          const std::vector<int>& list = layer == G ? b.gold : b.silver;
          const bool named = (layer == G || layer == S) && std::find(list.begin(), list.end(), sq) != list.end();
          EXPECT_EQ(change, named ? (layer == G ? b.gold_amount : b.silver_amount) : 0) << layer << " " << sq;
          changed += change != 0;
        }
      }
      EXPECT_EQ(changed, static_cast<int>(b.gold.size() + b.silver.size()));
    }
  }
}

// The central king holds back the opponent's pawns by their distance from the
// opponent's king: only on the opponent's ranks 1..5, and by at least 23 two
// files or more away.
TEST(SenkeiBuilders, NakazumaiDistance) {
  const int table[3][9] = {{-6, -8, -24, -38, -48, -54, -58, -60, -62},
                           {-1, -3, -24, -38, -48, -54, -58, -60, -62},
                           {4, 2, -23, -38, -48, -54, -58, -60, -62}};
  for (int s = 0; s < 2; ++s) {
    const model::Kyokumen k = scene("K58 k31");
    const Case c{"", {}};
    const BuilderCases& b = all_cases()[2];
    ASSERT_STREQ(b.name, "nakazumai");
    const BuilderRun r = run(b, s == 0 ? k : twin(k), s, c);
    for (int f = 1; f <= 9; ++f) {
      for (int rank = 1; rank <= 9; ++rank) {
        const int i = view_square(s, f * 10 + rank) - board::kFirstSquare;
        const int change = r.after.cell[1 - s][P][i] - r.before.cell[1 - s][P][i];
        const int d = std::abs(f - 3);
        const int expect = rank > 5 ? 0 : table[rank == 5 ? 0 : rank == 4 ? 1 : 2][d];
        EXPECT_EQ(change, expect) << s << " " << f << rank;
        if (rank <= 5 && d >= 2) {
          EXPECT_LE(change, -23);
        }
      }
    }
  }
}

TEST(SenkeiBuilders, IyaguraOpeningBlend) {
  auto pawn = [](int f, int r) { return diagram_at(kIyaguraPawnTarget, f, r); };
  auto lance = [](int f, int r) { return diagram_at(kIyaguraLanceTarget, f, r); };
  EXPECT_EQ(pawn(8, 7), 43);
  EXPECT_EQ(pawn(1, 9), -75);
  EXPECT_EQ(lance(1, 2), -305);
  EXPECT_EQ(lance(9, 9), -30);
  for (int s = 0; s < 2; ++s) {
    // King on 88: the cells become the targets; with no development the pawn
    // of 25 keeps its target.
    const model::Kyokumen far = scene("K88");
    fill_for(s, 1, 0, {});
    iyagura_opening(load(s == 0 ? far : twin(far)), s);
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) {
        const int i = view_square(s, f * 10 + r) - board::kFirstSquare;
        EXPECT_EQ(senkei_table.cell[s][P][i], pawn(f, r));
        EXPECT_EQ(senkei_table.cell[s][L][i], lance(f, r));
      }
    }
    // King on 78 (0.75) with the pawn on 37 (development 2): 25 loses 6 more.
    // King on 69 with the gold on 49: 0.22 - 0.08.
    const std::pair<const char*, double> blends[] = {{"K78 P37", 0.75}, {"K69 G49", 0.14}, {"K59 G49", 0}};
    for (const auto& [text, t] : blends) {
      fill_for(s, 1, 0, {});
      const board::KSenkeiTable before = senkei_table;
      const model::Kyokumen k = scene(text);
      iyagura_opening(load(s == 0 ? k : twin(k)), s);
      for (int sq : {17, 25, 96, 55}) {
        const int i = view_square(s, sq) - board::kFirstSquare;
        const int f = sq / 10, r = sq % 10;
        const int extra = sq == 25 ? -6 : 0;
        EXPECT_EQ(senkei_table.cell[s][P][i],
                  static_cast<int32_t>((1 - t) * before.cell[s][P][i] + t * pawn(f, r)) + extra)
            << text << " " << sq;
        EXPECT_EQ(senkei_table.cell[s][L][i], static_cast<int32_t>((1 - t) * before.cell[s][L][i] + t * lance(f, r)));
      }
    }
  }
}

TEST(SenkeiBuilders, MikketteiBlend) {
  for (int s = 0; s < 2; ++s) {
    // Both kings on file 5: nothing moves.
    fill_for(s, 0, 0, {});
    board::KSenkeiTable before = senkei_table;
    mikettei_blend(load(s == 0 ? scene("K59 k51") : twin(scene("K59 k51"))), s);
    EXPECT_EQ(std::memcmp(before.cell, senkei_table.cell, sizeof before.cell), 0);

    // King on the left edge, the opponent's on its own left: the targets alone;
    // on the right edge the targets mirrored; with the opponent's king on the
    // same board side (its own right) its adjustment is added in full.
    struct Blend {
      const char* text;
      bool mirror;
      double u;
    };
    for (const Blend& b : {Blend{"K98 k12", false, 0}, Blend{"K18 k92", true, 0}, Blend{"K98 k92", false, 1.0},
                           Blend{"K59 k72", false, 0.75}}) {
      fill_for(s, 0, 0, {});
      before = senkei_table;
      const model::Kyokumen k = scene(b.text);
      mikettei_blend(load(s == 0 ? k : twin(k)), s);
      const double t = b.text[1] == '5' ? 0 : 1;
      for (int r = 1; r <= 9; ++r) {
        for (int f = 1; f <= 9; ++f) {
          const int i = view_square(s, f * 10 + r) - board::kFirstSquare;
          const int tf = b.mirror ? 10 - f : f;
          EXPECT_EQ(senkei_table.cell[s][P][i],
                    static_cast<int32_t>((1 - t) * before.cell[s][P][i] + t * kMikketteiPawnTarget.at(tf, r) +
                                         b.u * kMikketteiPawnEnemyKing.at(tf, r)))
              << b.text << " " << f << r;
          EXPECT_EQ(senkei_table.cell[s][L][i],
                    static_cast<int32_t>((1 - t) * before.cell[s][L][i] + t * kMikketteiLanceTarget.at(tf, r) +
                                         b.u * kMikketteiLanceEnemyKing.at(tf, r)));
        }
      }
    }
  }
}

}  // namespace
}  // namespace eval
