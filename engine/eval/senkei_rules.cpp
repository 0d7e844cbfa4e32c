#include "engine/eval/senkei_rules.h"

#include "engine/board/kiki.h"

namespace eval {

bool enemy_bishop_attacks(const board::KPosition& p, int s, int target, std::initializer_list<int> from) {
  const int o = 1 - s;
  const int sq = rule_square(s, target);
  const int count = board::square_attack_count(p, o, sq);
  for (int i = 0; i < count; ++i) {
    const board::KPieceEntry& e = p.piece[board::kiki_nth64(p, o, sq, i)];
    if (e.code != (board::kBishop | board::side_bit(o))) continue;
    if (from.size() == 0) return true;
    for (int f : from) {
      if (e.sq == rule_square(s, f)) return true;
    }
  }
  return false;
}

void apply_changes(int s, std::span<const CellChange> changes, bool enemy) {
  for (const CellChange& c : changes) {
    (enemy ? enemy_cell(s, c.layer, c.square) : cell(s, c.layer, c.square)) += c.amount;
  }
}

bool apply_rule(const board::KPosition& p, int s, const SenkeiRule& rule) {
  if (!rule.holds(p, s)) return false;
  apply_changes(s, rule.changes, rule.enemy);
  return true;
}

void apply_rules(const board::KPosition& p, int s, std::span<const SenkeiRule> rules) {
  for (const SenkeiRule& r : rules) apply_rule(p, s, r);
}

}  // namespace eval
