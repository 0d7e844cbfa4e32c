// The two-evasion shortcut of the proof-number search: a defender with just two
// answers whose lines, along the answers stored for both sides, come together
// in one position. Its two children are then two ways into one proof, and the
// node is valued by the harder child instead of the sum of both.
#pragma once

#include "engine/tsume/tsume_engine.h"

namespace tsume {

// True when the AND node of the context (its two evasions listed, their key
// entries filled) is such a node: it is a solution-tree node, or both evasions
// are king moves to empty squares; and after each evasion the child, the
// attacker's stored answer and the defender's stored reply all hold open
// entries, the two lines ending in the same position.
bool tsume_pair_transposition(KTsumeEngine& e, TsumeContext& c, const KTsumeNode& node);

}  // namespace tsume
