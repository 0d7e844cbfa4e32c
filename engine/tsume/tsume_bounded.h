// The depth-bounded proof-number search: whether the attacker mates within a
// given number of plies, with the lengths that the solution trees count. It
// answers the solver's "is there a shorter mate?" and the trees' futility
// tests, and keeps what it learns in a node table beside the proofs of the
// unbounded search:
//
// - a proof of a mate of some length is a plain proven entry with that length
//   in its depth word (what the unbounded search stores as well);
// - "no mate within d plies" is an entry under the position's key with word 0
//   tagged, flag kFlagBoundedDisproof and d in its depth word;
// - the numbers of an undecided search with r plies to go sit under the key
//   with word 0 tagged by r.
//
// Futile interpositions. A drop of the defender between the checking piece and
// the king is left out of the length when, after the attacker captures the
// dropped piece, the attacker mates from there without that piece (taken out
// of its hand again, captured_drop.h) no later than the defender's best
// defence without the drop: the best of its moves that are not drops and of
// the real (not futile) drops on squares nearer the king. A drop whose piece
// the mate after the capture needs is a real defence. Squares are judged from
// the king outwards, so that a drop far away that only leads to a drop nearer
// the king is futile too. A defender whose only answers are futile drops is
// mated.
#pragma once

#include <cstdint>

#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {

// Whether the attacker mates within `bound` plies from the context's position
// (attacker or defender to move), searched in table `t` with the work stores,
// path and limits of `e`: 0 a mate (its length in `length`, the attacker's
// first move in node coding in `move`, 0 at a defender's position), 2 none
// within the bound, 1 undecided (node or time limit, a full table, the work
// stores). Positions on the context's path count as repetitions. The context
// is left as it was.
int tsume_bounded_search(KTsumeEngine& e, KTsumeTable& t, const TsumeContext& c, int bound, uint16_t* move,
                         int* length);

// What table `t` already knows of a mate within `bound` plies at the key (an
// attacker's or a defender's position): 0 a mate (length in `length`), 2 none,
// 1 nothing decisive.
int tsume_bounded_known(const KTsumeTable& t, const KHashKey& key, int bound, int* length);

}  // namespace tsume
