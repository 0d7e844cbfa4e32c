// The vocabulary of the strategy-table builders and the root-move adjustment.
// Every rule is written for the building side s as if it were sente: squares are
// two-digit numbers file * 10 + rank (77 is file 7, rank 7) of s's own view, so
// that for gote the same rule reads and writes the squares turned by 180
// degrees. A rule tests unpromoted pieces of a kind on fixed squares and then
// adds amounts to, or sets, cells of the current strategy table.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "engine/board/position.h"
#include "engine/eval/own_view.h"
#include "engine/eval/senkei_table.h"

namespace eval {

// The layers of the strategy table (board::senkei_layer_of).
enum SenkeiLayer : int8_t {
  kRookLayer = 0,
  kBishopLayer = 1,
  kGoldLayer = 2,
  kSilverLayer = 3,
  kKnightLayer = 4,
  kLanceLayer = 5,
  kPawnLayer = 6,
  kKingLayer = 7,
  kMajorLayer = 8,
};

// ---- Squares of the building side's view -------------------------------------

constexpr int rule_file(int sq2) { return sq2 / 10; }
constexpr int rule_rank(int sq2) { return sq2 % 10; }

// The board square of a rule square for side s.
constexpr int rule_square(int s, int sq2) { return own_square(s, rule_file(sq2), rule_rank(sq2)); }

// s's unpromoted piece of the kind on the square.
inline bool own_at(const board::KPosition& p, int s, int kind, int sq2) {
  return own_on(p, s, kind, rule_file(sq2), rule_rank(sq2));
}
// The opponent's unpromoted piece of the kind on the square (of s's view).
inline bool enemy_at(const board::KPosition& p, int s, int kind, int sq2) {
  return enemy_on(p, s, kind, rule_file(sq2), rule_rank(sq2));
}
inline bool empty_at(const board::KPosition& p, int s, int sq2) {
  return own_empty(p, s, rule_file(sq2), rule_rank(sq2));
}
inline bool king_at(const board::KPosition& p, int s, int sq2) {
  return own_king_on(p, s, rule_file(sq2), rule_rank(sq2));
}
inline bool enemy_king_at(const board::KPosition& p, int s, int sq2) {
  return enemy_king_on(p, s, rule_file(sq2), rule_rank(sq2));
}

// The same tests over a list of squares: true when any square holds the piece.
inline bool own_at_any(const board::KPosition& p, int s, int kind, std::initializer_list<int> squares) {
  for (int sq2 : squares) {
    if (own_at(p, s, kind, sq2)) return true;
  }
  return false;
}
inline bool enemy_at_any(const board::KPosition& p, int s, int kind, std::initializer_list<int> squares) {
  for (int sq2 : squares) {
    if (enemy_at(p, s, kind, sq2)) return true;
  }
  return false;
}
inline bool king_at_any(const board::KPosition& p, int s, std::initializer_list<int> squares) {
  for (int sq2 : squares) {
    if (king_at(p, s, sq2)) return true;
  }
  return false;
}

// The file of the opponent's king in s's view; 0 when it is not on the board.
inline int enemy_king_file(const board::KPosition& p, int s) {
  const int k = king_square(p, 1 - s);
  return k ? own_file(s, k) : 0;
}

// True when an unpromoted bishop of the opponent among its direct attackers of
// the target stands on one of the squares (any square for an empty list).
bool enemy_bishop_attacks(const board::KPosition& p, int s, int target, std::initializer_list<int> from);

// ---- Cells of the current table ---------------------------------------------

// s's cell of the layer at the square; the opponent's cell at the square of s's
// view.
inline int32_t& cell(int s, int layer, int sq2) { return senkei_cell_ref(s, layer, s, rule_file(sq2), rule_rank(sq2)); }
inline int32_t& enemy_cell(int s, int layer, int sq2) {
  return senkei_cell_ref(1 - s, layer, s, rule_file(sq2), rule_rank(sq2));
}

inline void add_cells(int s, int layer, std::initializer_list<int> squares, int amount) {
  for (int sq2 : squares) cell(s, layer, sq2) += amount;
}
inline void add_enemy_cells(int s, int layer, std::initializer_list<int> squares, int amount) {
  for (int sq2 : squares) enemy_cell(s, layer, sq2) += amount;
}

// ---- Rules kept as data ------------------------------------------------------

// One change: the amount added to the cell of the layer at the square.
struct CellChange {
  int8_t layer;
  int8_t square;  // file * 10 + rank of the building side's view
  int16_t amount;
};
static_assert(sizeof(CellChange) == 4);

// Adds the changes to s's cells, or to the opponent's with `enemy` set.
void apply_changes(int s, std::span<const CellChange> changes, bool enemy = false);

// A rule whose cells and amounts are data: when `holds` is true for the side,
// the changes go to its cells (the opponent's with `enemy` set).
struct SenkeiRule {
  bool (*holds)(const board::KPosition& p, int s);
  std::span<const CellChange> changes;
  bool enemy = false;
};

// Applies the rule when it holds; true when it did.
bool apply_rule(const board::KPosition& p, int s, const SenkeiRule& rule);
// Applies each rule in turn.
void apply_rules(const board::KPosition& p, int s, std::span<const SenkeiRule> rules);

}  // namespace eval
