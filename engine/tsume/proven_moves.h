// The moves that the node table proves at a position: the best moves of its
// proven entries, which a walk over the proof (a solution tree, an answer to a
// defence) takes as the attacker's candidates there.
#pragma once

#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {

// Lists as the context's node moves (the move store from its move base, its
// move count set) the distinct best moves of the proven plain entries of `t`
// that answer the context's position by hand dominance: the entry of the
// identical key, and those whose hands the position's hand dominates unless
// they hold for their own hand only. Path-specific entries and entries
// without a move (none, or a mated position) give nothing, nor does a stored
// move that is not a legal move of the side to move on the position. Stops
// when the move store is full. Returns the number listed.
int tsume_collect_proven_moves(const KTsumeTable& t, KTsumeEngine& e, TsumeContext& c);

}  // namespace tsume
