// The capture generator of the last plies before the horizon (generator level
// 0 or less). In one call, in this order: per piece, the promotions of the
// mover's rooks, bishops, knights, lances and pawns into the enemy camp and
// the captures of every enemy piece, kept when their exchange value passes
// the exchange mode's threshold; moves and drops onto the squares around the
// enemy king that attack it from there; rook and bishop drops that check from
// a distance and hit a second piece; rook and bishop moves onto the enemy
// king's lines. The accept test is sashite_threat_kind2. Reads the position
// only; the candidate table is not used.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_words.h"

namespace search {

// `last` is the opponent's last move (`last_copy` is the same and unused),
// `before` the mover's own move before it. Returns the number written.
int sashite_gen_captures(const board::KPosition& p, const board::KMove* last_copy, const board::KMove* last,
                         const board::KMove* before, uint32_t accept, const KSearchedSet& set, board::KMove* out);

// The gain of an undefended capture of the piece on `to` by piece `attacker`
// from `from` (promoting when `promote`), valued from the tables without an
// exchange; shared with the check generator's families.
int direct_capture_gain(const board::KPosition& p, int side, int attacker_code, int from, int to, int promote);

}  // namespace search
