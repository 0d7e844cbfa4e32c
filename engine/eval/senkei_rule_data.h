// The builders' rules whose cells and amounts are kept as data, grouped by the
// place in a builder where they run. Each rule is a square test in the form of
// the builders' other rules, followed by its list of (cell, amount); the
// builders run them in the order listed.
#pragma once

#include <cstdint>
#include <span>

#include "engine/eval/senkei_rules.h"

namespace eval {

enum class RuleGroup : int {
  kFuribishaRank6,      // the ranging rook on rank 6 and the squares beside it
  kFuribishaKingRight,  // the ranging-rook king castled on files 1..4
  kTaifuriSameWing,     // both kings on files 6..9 against a ranging rook
  kMikketteiAifuri,     // the undecided side's knights against the mutual ranging rook
  kMikketteiFurther,    // the undecided side's pawn and king cells
  kShikenMinoGold38,    // the fourth-file rook's gold on 38
  kShikenMinoFurther,   // the fourth-file rook's castle, knight and pawn cells
  kNefura,              // the rapid left-silver system
  kAifuriFurther,       // the mutual ranging rook's castle
  kIyaguraFurther,      // the yagura against an early central attack, the edge rook
  kCount,
};

// The rules of a group, in the order the builder runs them.
std::span<const SenkeiRule> senkei_rules(RuleGroup group);

// An undecided side's cell moved towards a target by how far its king has gone
// to a wing: value = (1 - t) * value + t * target, truncated toward zero, with t
// the size of the king-file factor.
struct CellTarget {
  int8_t layer;
  int8_t square;
  int16_t target;
};
std::span<const CellTarget> mikettei_king_file_targets();

// The yagura side's silver cells set from a neighbouring silver cell when no
// silver of the side stands on the square, against an early central attack.
struct CellCopy {
  int8_t layer;
  int8_t square;
  int8_t source;
};
std::span<const CellCopy> iyagura_silver_copies();

// The early central attack the yagura rules above answer: the opponent's king on
// 51 with its rook on 52, or on 82 with its pawn on 83 and 72, 62 and 52 empty.
bool iyagura_central_attack(const board::KPosition& p, int s);

}  // namespace eval
