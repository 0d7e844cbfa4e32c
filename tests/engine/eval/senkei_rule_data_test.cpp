// The builders' rules kept as data: each changes exactly its listed cells when
// its condition holds and nothing when one condition fails, and the lists hold
// every cell and amount the formations name.
#include "engine/eval/senkei_rule_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_builders.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

using namespace eval::testing;
using Group = RuleGroup;

// For each group, one scene per rule in the group's order: a position where
// the rule holds and one where it fails.
struct RuleScenes {
  const char *holds, *fails;
  int opp = 0;        // the opponent's strategy code with `holds`
  int opp_fails = 0;  // ... with `fails`
};

const std::vector<std::pair<Group, std::vector<RuleScenes>>>& all_scenes() {
  // clang-format off
  static const std::vector<std::pair<Group, std::vector<RuleScenes>>> scenes = {
      {Group::kFuribishaRank6, {{"R66 K28 k51", "R66 P46 K28 k51"}, {"R86 K28 k51", "R86 P76 K28 k51"},
                                {"R76 K28 k51", "R76 P26 K28 k51"}}},
      {Group::kFuribishaKingRight, {{"K38 k51", "K59 k51"}}},
      {Group::kTaifuriSameWing, {{"K68 k42", "K68 k52"}, {"K78 k42", "K78 k62"}, {"K88 k32", "K88 k72"},
                                 {"K99 k32", "K99 k52"}, {"K78 k32", "K48 k32"}, {"K78 k32", "K78 k51"}}},
      {Group::kMikketteiAifuri, {{"K59 k51", "K59 k51", 6, 3}}},
      {Group::kMikketteiFurther, {{"K59 k51", "K59 k51", 3, 5}, {"K59 k51", "K59 k51", 5, 3},
                                  {"K59 k51", "K69 k51"}, {"K78 k32", "K78 k51"}}},
      {Group::kShikenMinoGold38, {{"G38 K28 k51", "S38 K28 k51"}}},
      {Group::kShikenMinoFurther, {{"K38 k51", "K28 k51"}, {"R68 G69 K28 k51", "R68 G78 K28 k51"},
                                   {"K28 k51", "S39 K28 k51"}, {"N29 P36 K28 k51", "N29 K28 k51"},
                                   {"N37 K28 k51", "N29 K28 k51"}, {"K28 k22", "K28 k51"},
                                   {"K28 r22 k51", "K38 r22 k51"}, {"S27 K28 k51", "S38 K28 k51"},
                                   {"R68 B77 K28 k51", "R68 K28 k51"}, {"S39 K28 k51", "S39 K38 k51"},
                                   {"S79 K28 k51", "S68 K28 k51"}, {"S38 G49 K28 k51", "S38 G58 K28 k51"}}},
      {Group::kNefura, {{"S67 K59 k51", "S57 K59 k51"}, {"R68 P66 K59 k51", "R68 P67 K59 k51"},
                        {"S56 K59 k51", "S45 K59 k51"}, {"S55 K59 k51", "S67 K59 k51"}, {"K59 k51", "K48 k51"},
                        {"G49 K59 k51", "G58 K59 k51"}, {"N29 K59 k51", "N37 K59 k51"}}},
      {Group::kAifuriFurther, {{"S37 K59 k51", "S37 K28 k51"}, {"K59 k51", "G58 K59 k51"}, {"K39 k51", "K49 k51"},
                               {"G48 G69 K59 k51", "G48 K59 k51"}, {"G49 K59 k51", "G49 K68 k51"},
                               {"p24 K28 k51", "p44 K28 k51"}, {"S39 K28 k51", "S38 K28 k51"}}},
      // The first: the opponent's edge pawn held, two attackers of 14 against its one.
      {Group::kIyaguraFurther, {{"S26 P25 R28 p13 K88 G15 G24 k51", "S26 P25 R28 p13 K88 G15 k51"},
                                {"K59 r52 k51", "G78 K59 r52 k51"}, {"K59 r82 p83 k51", "K59 r82 p83 g62 k51"},
                                {"L17 K59 k51", "L19 K59 k51"}}},
  };
  // clang-format on
  return scenes;
}

TEST(SenkeiRuleData, EachRuleChangesExactlyItsCells) {
  ASSERT_EQ(all_scenes().size(), static_cast<size_t>(Group::kCount));
  for (const auto& [group, scenes] : all_scenes()) {
    const std::span<const SenkeiRule> rules = senkei_rules(group);
    ASSERT_EQ(scenes.size(), rules.size()) << "group " << static_cast<int>(group);
    for (size_t index = 0; index < rules.size(); ++index) {
      const SenkeiRule& rule = rules[index];
      const RuleScenes& t = scenes[index];
      for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(::testing::Message() << t.holds << " rule " << index << " side " << s);
        fill_for(s, 0, t.opp);
        const board::KSenkeiTable before = eval_setup.senkei_table;
        ASSERT_TRUE(apply_rule(load(s == 0 ? scene(t.holds) : twin(scene(t.holds))), s, rule));
        std::vector<CellNote> notes;
        for (const CellChange& c : rule.changes) notes.push_back({c.layer, c.square, c.amount, rule.enemy, false});
        expect_changes(before, eval_setup.senkei_table, s, notes);
        fill_for(s, 0, t.opp_fails);
        EXPECT_FALSE(rule.holds(load(s == 0 ? scene(t.fails) : twin(scene(t.fails))), s)) << t.fails;
      }
    }
  }
}

using Cell = std::tuple<int, int, int, bool>;  // layer, square, amount, opponent's

std::vector<Cell> group_cells(Group g) {
  std::vector<Cell> out;
  for (const SenkeiRule& r : senkei_rules(g)) {
    for (const CellChange& c : r.changes) out.emplace_back(c.layer, c.square, c.amount, r.enemy);
  }
  return out;
}

// Takes the named cells out of the group's list, failing for any that is
// missing; returns what is left.
std::vector<Cell> without_named(Group g, const char* named) {
  std::vector<Cell> left = group_cells(g);
  for (const CellNote& n : cell_notes(named)) {
    const auto it = std::find(left.begin(), left.end(), Cell{n.layer, n.sq, n.amount, n.enemy});
    EXPECT_NE(it, left.end()) << "group " << static_cast<int>(g) << ": layer " << n.layer << " at " << n.sq << " "
                              << n.amount;
    if (it != left.end()) left.erase(it);
  }
  return left;
}

TEST(SenkeiRuleData, TheListsHoldEveryNamedCell) {
  // Named in full.
  EXPECT_TRUE(without_named(Group::kShikenMinoFurther,
                            "G47-10 G79+4 G78+9 K48-5 K39-5 K28-5 N37+6 N45+6 N25+6 P26+4 P26-6 P26-5 P24+4 P25+4 "
                            "P27-6 P67-10 S38+5 S68+3 S47+4")
                  .empty());
  EXPECT_TRUE(without_named(Group::kNefura,
                            "S56+8 S56+10 S45+22 S55+24 S54+37 S67-7 S78-2 K59+2 K48-6 K39-13 K38-13 K28-13 "
                            "P47-10 P46-10 P45-5 G37-4 N29-2 N37+4")
                  .empty());
  EXPECT_TRUE(without_named(Group::kIyaguraFurther, "p14-11 G78-25 K69-10 R18+3 R19+2").empty());

  // Named with cells of the engine's choice: the rest keep the stated kind and amounts.
  const std::vector<Cell> gold =
      without_named(Group::kShikenMinoGold38, "G56-2 G57-4 G58-4 G59-4 G67-4 G68-4 G69-4 G76-2 G78-4 G79-4");
  EXPECT_EQ(gold.size(), 2u);
  for (const auto& [layer, sq, amount, enemy] : gold) EXPECT_TRUE(layer == kGoldLayer && amount < 0);
  for (const auto& [layer, sq, amount, enemy] :
       without_named(Group::kAifuriFurther,
                     "P46+10 G47+4 P27+6 S37-10 G38+19 G59-6 G69-8 P47-5 P57+9 P56-3 S48-6 S28-6 K28-15")) {
    EXPECT_TRUE(layer == kGoldLayer && (amount == -3 || amount == -6));
  }
  for (const auto& [layer, sq, amount, enemy] :
       without_named(Group::kTaifuriSameWing,
                     "P12-60 P13-60 P14-60 P16-60 P17-60 P19-60 P32-35 P34-35 P36-35 P37-35 P38-35 P39-35")) {
    EXPECT_EQ(amount, -50);
  }
  std::vector<int> knights;
  for (const auto& [layer, sq, amount, enemy] : group_cells(Group::kMikketteiAifuri)) {
    EXPECT_EQ(layer, kKnightLayer);
    knights.push_back(amount);
  }
  std::sort(knights.begin(), knights.end());
  EXPECT_EQ(knights, (std::vector<int>{-20, -8, -5, 2}));
  for (const auto& [layer, sq, amount, enemy] : group_cells(Group::kFuribishaRank6)) {
    EXPECT_TRUE(layer == kPawnLayer ? sq == 76 || sq == 46 || sq == 36 : layer == kRookLayer);
    EXPECT_TRUE(amount >= -10 && amount <= -3);
  }
  for (const auto& [layer, sq, amount, enemy] : group_cells(Group::kFuribishaKingRight)) EXPECT_EQ(amount, -50);
}

// The undecided side's king cells move to their targets as far as the king has
// gone to a wing; the yagura's silvers take the neighbouring cells against a
// central attack unless a silver stands there.
TEST(SenkeiRuleData, TargetsAndCopies) {
  for (int s = 0; s < 2; ++s) {
    for (const char* text : {"K98 k51", "K59 k51"}) {
      const model::Kyokumen k = scene(text);
      fill_for(s, 0, 0);
      const board::KSenkeiTable before = eval_setup.senkei_table;
      senkei_build_mikettei(load(s == 0 ? k : twin(k)), s);
      for (const CellTarget& c : mikettei_king_file_targets()) {
        const int i = view_square(s, c.square) - board::kFirstSquare;
        EXPECT_EQ(eval_setup.senkei_table.cell[s][c.layer][i], text[1] == '9' ? c.target : before.cell[s][c.layer][i])
            << text;
      }
    }
    for (const char* text : {"K59 r52 k51", "K59 r52 S68 S78 k51", "K59 k51"}) {
      const model::Kyokumen k = scene(text);
      fill_for(s, 1, 0, "S67=12 S77=9 S68=4 S78=3");
      senkei_build_iyagura(load(s == 0 ? k : twin(k)), s);
      const bool copied = text[4] == 'r' && text[8] != 'S';
      for (const CellCopy& c : iyagura_silver_copies()) {
        const int i = view_square(s, c.square) - board::kFirstSquare;
        const int src = view_square(s, c.source) - board::kFirstSquare;
        if (copied) {
          EXPECT_EQ(eval_setup.senkei_table.cell[s][c.layer][i], eval_setup.senkei_table.cell[s][c.layer][src]) << text;
        } else {
          EXPECT_NE(eval_setup.senkei_table.cell[s][c.layer][i], eval_setup.senkei_table.cell[s][c.layer][src]) << text;
        }
      }
    }
  }
}

}  // namespace
}  // namespace eval
