// The per-strategy builders: every rule on a constructed position (the cell
// before and after the builder), and every such position's turned twin, and
// random positions' twins, run for gote writing the turned cells.
#include "engine/eval/senkei_builders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include "engine/eval/eval_setup.h"
#include "engine/eval/iyagura_target_data.h"
#include "engine/eval/mikettei_blend_data.h"
#include "engine/eval/senkei_rules.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

using namespace eval::testing;

struct Case {
  const char* scene;
  const char* checks;  // the cells after the builder (cell_notes)
  const char* presets = "";
  int opp = 0;  // the opponent's strategy code
};

struct BuilderCases {
  const char* name;
  void (*build)(const board::KPosition&, int);
  int code;
  std::vector<Case> cases;
};

struct BuilderRun {
  board::KSenkeiTable before, after;
};

BuilderRun run(const BuilderCases& b, const model::Kyokumen& k, int s, const Case& c) {
  fill_for(s, b.code, c.opp, c.presets);
  const board::KPosition p = load(k);
  BuilderRun r;
  r.before = eval_setup.senkei_table;
  b.build(p, s);
  r.after = eval_setup.senkei_table;
  return r;
}

const std::vector<BuilderCases>& all_cases() {
  // clang-format off
  static const std::vector<BuilderCases> cases = {
      {"funagakoi", senkei_build_funagakoi, 5, {
           {"P75 S76 K78 k51", "P87=3 P66=2 S65+0 P37+12 K88=28 S76=23 P75=16 S39=-10 G78=15 B77=-4"},
           {"P75 S76 K78 P66 k51", "S65+27"}, {"P75 S76 K59 k51", "P87=13 P66=9 P37+32"},
           {"P75 K59 k51", "S77=15 S66=15 P87+0"}, {"S77 K59 k51", "S77=9 P75=18 S76=15 P37+32"},
           {"S67 G69 P76 P37 K59 k51", "P75=18 S76=15 S36=-6"}, {"P37 K59 k51", "S36-15 P37+16"},
           {"S67 G69 P76 K59 k51", "P75+0 S76+0"}, {"K59 k51", "P37+16 S68-5 K88+0"},
           {"P97 p94 K59 k51", "P96+20"}, {"G77 K59 k51", "B88=33", "B79=33"}, {"S79 K59 k51", "G68-20 S68-5"},
           {"S68 S48 K69 k51", "S48+5 S68-5"}, {"S79 S48 K69 k51", "S48+10 S68+3 G68-20"},
           {"G49 K69 k51", "G58+10"}, {"G49 S39 K69 k51", "G58+0"}}},
      {"furiana", senkei_build_furiana, 9, {
           {"S39 K28 k51", "G39-5 P37+11 L18+0 S28+0 S67+3 P57+0 S47-3 P46-4 P47+10"},
           {"K59 k51", "L18-10 S28-20"}, {"K19 S28 p73 k51", "P47+0 P46+0 L18-10 S28+0"},
           {"K19 S28 p73 s62 s72 k51", "S67+3 P46-4"}, {"K19 S28 p73 s62 s72 s63 k51", "S67+0"},
           {"K19 S28 p73 s84 k51", "S67+3"}, {"B77 K28 k51", "P57-4"}}},
      {"nakazumai", senkei_build_nakazumai, 10, {
           {"p14 P17 p94 P97 K59 k51", "P16+10 P96+10"}, {"G49 S39 K59 k51", "G49+3 S39+3"},
           {"G49 K69 k51", "G49+0"}}},
      {"furibisha", senkei_build_furibisha, 3, {
           {"R28 K59 G69 N89 L99 k51", "K48-40 K39-20 G78-35 G38-50 S48-55 G55-40 S27-20 L98-20 L97-12 N89+10 "
                                       "B97-20 P25-15 P26-6 P27+13 P57+13 P46-11 P75-5 P65-10 R48-20"},
           {"R28 K59 N89 k51", "N89+0"}, {"R68 K28 k51", "B97-10 B79-220 P75-5"}, {"R58 P57 K28 k51", "B97-10"},
           {"R58 K28 k51", "B97+0"}, {"K48 k51", "P57+12 G38-15 P65-10"}, {"R88 K28 k51", "L99+3 P75-5"},
           {"R78 K28 k51", "P75+0"}, {"B59 K48 k51", "N37-5 G48-5 S48-5"}, {"B77 P37 K28 k51", "B59-5 B88-5"},
           {"B77 K28 k51", "B59+0"}, {"B68 P37 K28 k51", "B59-5 B88+0"}, {"B88 K28 k51", "S77-20"},
           {"R76 p94 K28 k51", "B88+4 B77-3 B97+9 N77+7 P97-4 P96+12"}, {"L99 K28 k51", "L98-12 L97-12"},
           {"L99 b22 K28 k51", "L98+0"}, {"L99 b33 K28 k51", "L98+0"}, {"L99 b44 K28 k51", "L98+0 L97+0"},
           {"L99 b55 K28 k51", "L98+0"}, {"L99 b66 K28 k51", "L98-12"}, {"S48 K59 k51", "G38+0 P65-10 S48-20 R38-20 P47+8"},
           {"G68 K28 k51", "B79-200 P46-5 P36-5"}, {"S68 K28 k51", "B79-200"}, {"P66 K28 k51", "R56-8"},
           {"P76 K28 k51", "R56-3"}, {"S67 R88 K28 k51", "S78-15"}, {"S67 K28 k51", "S78-5"},
           {"K28 k12", "P15-10 P16-18 P17-26 P18-30 P19-32 G61-100 S83-70 G94-100 S92+0"},
           {"K28 k21", "G61-100 P15+0"}, {"B79 K28 k51", "R68-30 G68-30"}, {"s63 K28 k51", "P56-4"}}},
      {"shiken_mino", senkei_build_shiken_mino, 3, {
           {"p14 P17 S38 K28 k51", "P16+20"},
           {"K28 k51", "G49=0 K58-3 K48-10 P25-12 p81-10 p85-10 p86+0", "G49=7"},
           {"S47 G49 G58 K28 k51", "G49=7", "G49=7"}, {"S27 K28 k51", "G38+12 P25+0"},
           {"S39 K28 k51", "G38-8 G47-8"}, {"P37 S38 K28 k51", "P26-5 P25-17"}, {"P46 P37 S38 K28 k51", "P36+5"},
           {"r36 R88 K28 k51", "R88+200"}, {"r36 R88 P58 K28 k51", "R88+0"}, {"r36 R68 K28 k51", "R68+200"},
           {"r36 R68 G48 K28 k51", "R68+0"}, {"G47 G49 K28 k51", "G58-9"}, {"P57 S38 K28 k51", "K58+0 K48+0"},
           {"G78 S67 K28 k51", "B55=-3 B33=7 B44=-6", "B33=20 B44=-6"},
           {"G78 K28 k51", "B55=-4 B33=0 B44=-6", "B33=20 B44=-6"}}},
      {"aifuri", senkei_build_aifuri, 6, {
           {"B88 K28 k51", "S77-20"}, {"R28 K59 k51", "G38-50 G48-50 S58-100 K48-100 R38-50 R28-20 S28-50"},
           {"p14 P17 p94 P97 K28 k51", "P16+20 P96+20"}, {"R76 p94 P97 K28 k51", "B97+9 N77+7 P97-4 P96+27"}}},
      {"taifuri", senkei_build_taifuri, 5, {
           {"K59 k51", "R58-10 R98-10 P57+8 P56-8 G31+0"}, {"K68 k51", "P57+8 R58+0"},
           {"S46 N29 K59 k51", "N37-20 B59-8 B26-8 R36+2 R26+2"}, {"N37 K59 k51", "S46-10 B59+0"},
           {"P37 K59 k51", "B26-8"}, {"P17 p13 b42 K59 k51", "N37-5"}, {"P17 p13 b42 S24 K59 k51", "N37+0"},
           {"R28 K59 k51", "P26-10 P27-12 P25+0"}, {"R28 P25 p23 P77 p76 K59 k51", "P25-10"},
           {"R28 P25 p23 P77 p76 *P K59 k51", "P25-35"}, {"R28 P25 p23 K59 k51", "P25+0"},
           {"R36 K59 k51", "N29-9"}, {"K59 k81", "G31-100 S41-80 G14-100"}}},
      {"hidari_mino", senkei_build_hidari_mino, 7, {
           {"P97 P87 K78 k51", "P97-15 P86-5 P67+2 G69-8 S79+6 P37+10 P47+10 K98-5 K88+3 K87-2 s33-15"},
           {"P97 p94 K59 k51", "P97-15 P86-5 P67+2"}, {"P97 p95 K59 k51", "P97+0 P67+0"},
           {"S87 K59 k51", "G69-8 G78+4"}, {"S79 K59 k51", "G78-10 G67-7 G77-7 S77-5 S67-5 G69+0 S79+6"},
           {"K98 k51", "P87-2 P86+1 S87+3 S79-15"}, {"G49 K59 k51", "K98-6"}, {"G58 K59 k51", "K98-3"},
           {"B22 K59 k51", "K88+0"}, {"K79 k51", "K79-5"}, {"K79 G69 k51", "K79+0"}}},
      {"ibiana", senkei_build_ibiana, 8, {
           {"K88 k51", "G79=11 G68=7 G78=7 G67-3 G77-8 P65-10 P75-10 P55-5 L98+0 S88+0", "G69=11 G58=7"},
           {"K99 k51", "G67+0 L98-10"}, {"K59 k51", "S88-30 G78=-30 G88-30 L98-10"}, {"S79 K99 k51", "G79-5"},
           {"N77 S88 B66 K99 k51",
            "N77+15 B66+3 G78+7 S79+9 S78+5 S68-6 S67+4 L98-8 K89+25 K99-5 P87-5 P86+18 S57-20 S88-5"},
           {"N77 G79 S78 S68 K99 k51", "S68+9 S88+0"}}},
      {"kakugawari", senkei_build_kakugawari, 2, {
           {"S39 K69 k41", "R94-20 R34-20 R24+0 R33+0 S48+3 G67+4 G68+1 G78+2"},
           {"p14 p94 K69 k41", "P16+15 P96+15"}, {"P16 P13 P96 P93 K69 k41", "P15+15 P95+15"},
           {"K69 k41 *b", "G67+0"}, {"b65 K69 k41", "P56+3 P55+5"}, {"N37 K69 k41", "P36-70"},
           {"K69 k31", "G91-100 S83-70"}, {"K69 k41", "G91+0"}}},
      {"iyagura", senkei_build_iyagura, 1, {
           {"B77 K59 G49 k51", "K78-12 K79-15 K68-7 K69-9 S58-5 G67+5 G68-3 G49-8"},
           {"B59 K49 k51", "R45-20 R48-20 P37-15 P27-5 P65-15"},
           {"B59 N37 K49 k51", "R46-17 P37-15 P36-4 P27+0 R26+3"}, {"P37 K59 k51", "S36-15"},
           {"b64 K59 k51", "L16+13 L17+4 L19-4"}, {"p14 P17 K59 k51", "P17-6 P16+10"},
           {"K68 B88 G69 k51", "G69+5 G78-10"}, {"K78 k51", "B79+5"}, {"B79 S37 K69 k51", "P36=-15 P37=-17 R57-5"},
           {"S48 K59 k51", "B57-8"}, {"B88 P77 K59 k51", "S68-5"}, {"N77 S88 K59 k51", "K89+5"},
           {"R48 B88 P97 K59 k51", "B88+12 B77+12 B66+12 B55+2 S77-19 P66-12 P97-2"}, {"R48 B77 K59 k51", "S77+0"},
           {"K88 k51", "P65=-2"}, {"B48 K59 k51", "P26-5 P29-5"}, {"P16 K59 k51", "P16+5"},
           {"p13 P17 K59 k51", "P17+5 P16+0"}, {"P97 K59 k51", "P97+5"}, {"K59 k21", "G61-70 S83-50"}}},
      {"mikettei", senkei_build_mikettei, 0, {
           {"K59 k51", "N93=-139 N13=-139 N57=-77 N53=-80 B55+15 B11+15"}, {"K58 k51", "B55+0 N94=-136"},
           {"K78 k51", "P67+10 P66+10 P65+1 P57+0 N14=-241 N19=-248 N54=-151 N29=-158 N13=-369 N53=-249 N84+0"},
           {"K78 k32", "N14=-321 N54=-201", "", 3},
           {"K38 k51", "N94=-241 N84=-151 N54=-151 N44+0 P47+10 P46+10 P45+1 P57+0"},
           {"K78 k32", "K88=18 K89=10 K79=10 N14=0", "", 1}}},
  };
  // clang-format on
  return cases;
}

const BuilderCases& builder(const char* name) {
  for (const BuilderCases& b : all_cases()) {
    if (std::strcmp(b.name, name) == 0) return b;
  }
  throw std::invalid_argument(name);
}

TEST(SenkeiBuilders, EveryRuleOnItsPositionAndTheTurnedTwin) {
  for (const BuilderCases& b : all_cases()) {
    for (const Case& c : b.cases) {
      SCOPED_TRACE(::testing::Message() << b.name << ": " << c.scene);
      const model::Kyokumen k = scene(c.scene);
      const BuilderRun sente = run(b, k, 0, c);
      for (const CellNote& check : cell_notes(c.checks)) {
        const int32_t after = note_cell(sente.after, 0, check);
        EXPECT_EQ(check.value ? after : after - note_cell(sente.before, 0, check), check.amount)
            << "layer " << check.layer << " at " << check.sq;
      }
      EXPECT_TRUE(tables_are_twins(sente.after, run(b, twin(k), 1, c).after));
    }
  }
}

// Random middle-game positions: every builder writes the turned cells for gote.
TEST(SenkeiBuilders, RandomPositionsAndTheirTwins) {
  std::mt19937 rng(19);
  const std::vector<model::Kyokumen> positions = board::testing::random_game_positions(
      std::vector<model::Kyokumen>(3, model::testing::initial(0)), rng, 64, 16);
  for (const BuilderCases& b : all_cases()) {
    for (int opp : {0, 1, 3, 5, 6}) {
      for (const model::Kyokumen& k : positions) {
        const Case c{"", "", "", opp};
        EXPECT_TRUE(tables_are_twins(run(b, k, 0, c).after, run(b, twin(k), 1, c).after)) << b.name << " " << opp;
      }
    }
  }
}

TEST(SenkeiBuilders, Predicates) {
  const std::pair<const char*, int> progress[] = {{"P75 S77 K88", 1}, {"S77 G78", 2}, {"G78", 3},   {"S78", 3},
                                                  {"S67 G69", 4},     {"G67 G69 K59", 4}, {"S67 K88", 5},
                                                  {"K98", 5},         {"K78", 0},     {"", 0}};
  const std::pair<const char*, bool> silver[] = {{"", true},          {"p73", false},        {"p73 s84", true},
                                                 {"p73 s75", true},   {"p73 s62 s42", true}, {"p73 s62", false},
                                                 {"p73 s62 s43 s53", false}};
  for (int s = 0; s < 2; ++s) {
    auto at = [s](const char* text) { return load(s == 0 ? scene(text) : twin(scene(text))); };
    for (const auto& [text, expect] : progress) EXPECT_EQ(funagakoi_progress(at(text), s), expect) << text;
    for (const auto& [text, expect] : silver) EXPECT_EQ(furiana_silver_test(at(text), s), expect) << text;
  }
}

TEST(SenkeiBuilders, CornerBansChangeOnlyTheirCells) {
  const std::pair<void (*)(int), const char*> bans[] = {
      {corner_ban_furibisha, "G61-100 G71-100 G81-100 G91-100 G72-100 G82-100 G92-100 G83-100 G93-100 G94-100 "
                             "S61-70 S71-70 S81-70 S91-70 S72-70 S82-70 S83-70"},
      {corner_ban_taifuri, "G31-100 G21-100 G32-100 G12-100 G23-100 G14-100 S41-80 S31-80 S21-80 S32-80 S23-80"},
      {corner_ban_iyagura, "G61-70 G71-70 G81-70 G91-70 G72-70 G82-70 G92-70 G83-70 G93-70 G94-70 "
                           "S61-50 S71-50 S81-50 S91-50 S72-50 S82-50 S83-50"},
  };
  for (const auto& [ban, cells] : bans) {
    for (int s = 0; s < 2; ++s) {
      fill_for(s, 3, 0);
      const board::KSenkeiTable before = eval_setup.senkei_table;
      ban(s);
      expect_changes(before, eval_setup.senkei_table, s, cell_notes(cells));
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
    const BuilderRun r = run(builder("nakazumai"), s == 0 ? scene("K58 k31") : twin(scene("K58 k31")), s, {"", ""});
    for (int sq = 11; sq <= 99; ++sq) {
      if (sq % 10 == 0) continue;
      const int i = view_square(s, sq) - board::kFirstSquare, rank = sq % 10;
      const int expect = rank > 5 ? 0 : table[rank == 5 ? 0 : rank == 4 ? 1 : 2][std::abs(sq / 10 - 3)];
      EXPECT_EQ(r.after.cell[1 - s][kPawnLayer][i] - r.before.cell[1 - s][kPawnLayer][i], expect) << s << " " << sq;
    }
  }
}

// Side s's pawn and lance cells after a blend: (1 - t) x before + t x target
// + u x adjustment, truncated; `pawn25` is added to the pawn cell of 25.
using Diagram = std::function<int(int layer, int file, int rank)>;
void expect_blend(const board::KSenkeiTable& before, int s, const char* what, double t, const Diagram& target,
                  double u = 0, const Diagram& adjust = nullptr, int pawn25 = 0) {
  for (int layer : {kPawnLayer, kLanceLayer}) {
    for (int sq = 11; sq <= 99; ++sq) {
      if (sq % 10 == 0) continue;
      const int i = view_square(s, sq) - board::kFirstSquare, f = sq / 10, r = sq % 10;
      const double v = (1 - t) * before.cell[s][layer][i] + t * target(layer, f, r) + (u ? u * adjust(layer, f, r) : 0);
      EXPECT_EQ(eval_setup.senkei_table.cell[s][layer][i],
                static_cast<int32_t>(v) + (layer == kPawnLayer && sq == 25 ? pawn25 : 0))
          << what << " side " << s << " layer " << layer << " at " << sq;
    }
  }
}

// The pawn and lance cells move towards the targets by the castle factor: all
// the way with the king on 88; 0.75 on file 7 (the pawn on 37 counts 2 for
// development, so 25 loses 6 more); 0.22 - 0.08 on file 6 with the gold on 49.
TEST(SenkeiBuilders, IyaguraOpeningBlend) {
  const Diagram target = [](int layer, int f, int r) {
    return diagram_at(layer == kPawnLayer ? kIyaguraPawnTarget : kIyaguraLanceTarget, f, r);
  };
  const std::pair<const char*, double> blends[] = {{"K88", 1.0}, {"K78 P37", 0.75}, {"K69 G49", 0.14}, {"K59 G49", 0}};
  for (int s = 0; s < 2; ++s) {
    for (const auto& [text, t] : blends) {
      fill_for(s, 1, 0);
      const board::KSenkeiTable before = eval_setup.senkei_table;
      iyagura_opening(load(s == 0 ? scene(text) : twin(scene(text))), s);
      expect_blend(before, s, text, t, target, 0, nullptr, t != 1.0 ? -6 : 0);
    }
  }
}

// Both kings on file 5: nothing moves. The king on the left edge, the
// opponent's on its own left: the targets alone; on the right edge the targets
// mirrored; with the opponent's king on the same board side (its own right) its
// adjustment is added in full.
TEST(SenkeiBuilders, MikketteiBlend) {
  struct Blend {
    const char* text;
    bool mirror;
    double t, u;
  };
  const Blend blends[] = {{"K59 k51", false, 0, 0}, {"K98 k12", false, 1, 0}, {"K18 k92", true, 1, 0},
                          {"K98 k92", false, 1, 1}, {"K59 k72", false, 0, 0.75}};
  for (int s = 0; s < 2; ++s) {
    for (const Blend& b : blends) {
      const bool m = b.mirror;
      const Diagram target = [m](int layer, int f, int r) {
        return (layer == kPawnLayer ? kMikketteiPawnTarget : kMikketteiLanceTarget).at(m ? 10 - f : f, r);
      };
      const Diagram adjust = [m](int layer, int f, int r) {
        return (layer == kPawnLayer ? kMikketteiPawnEnemyKing : kMikketteiLanceEnemyKing).at(m ? 10 - f : f, r);
      };
      fill_for(s, 0, 0);
      const board::KSenkeiTable before = eval_setup.senkei_table;
      mikettei_blend(load(s == 0 ? scene(b.text) : twin(scene(b.text))), s);
      expect_blend(before, s, b.text, b.t, target, b.u, adjust);
    }
  }
}

}  // namespace
}  // namespace eval
