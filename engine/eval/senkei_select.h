// Choosing the strategy (senkei) one side plays: from the position, the code
// chosen so far, the codes the game allows and a preference set. The choice
// recognises the castle and rook placement on the board and changes plan when
// the opponent's set-up makes the current one unsuitable.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace eval {

// The side's new strategy code. Called before every think for the side to move
// with the game's sets and its current code, and for the other side with empty
// sets and code 0 (an estimate from the position alone).
int senkei_select(const board::KPosition& p, int side, uint32_t allowed, int current, uint32_t preference);

// The allowed set without the codes the position rules out, or 0 when the set
// contradicts itself or the position.
uint32_t senkei_filter_allowed(const board::KPosition& p, int side, uint32_t set);

// A random code of a AND b, else of a, else 0; one engine random number is
// drawn per pick from a non-empty set.
int senkei_random_choice(uint32_t a, uint32_t b);

}  // namespace eval
