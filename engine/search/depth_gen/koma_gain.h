// Whether placing a piece from hand on a square next to (or onto) an enemy
// piece pays: the pawn-target tests of the drop rules compare it with 0.
#pragma once

#include "engine/board/position.h"

namespace search {

// The gain for side s of putting a piece of type t on square q, where the
// piece of code c (0 empty) stands: the placed piece's worth on q less what
// the last piece of its kind is worth in hand, plus the enemy piece's worth on
// q for its owner and the hand value it would bring at s's count of its kind.
// Worth is the fixed weight in exchange mode 0 (so the gain does not depend on
// q there) and for classes without king-relative values, else the larger
// king-relative entry. With none of t's kind in hand the hand term is 0.
int koma_gain_value(const board::KPosition& p, int s, int t, int q, int c);

}  // namespace search
