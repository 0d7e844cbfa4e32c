// Known short sequences of standard formations (a pawn exchange on the rook's
// file, a climbing silver, an edge attack luring the lance, openings of the
// bishop's diagonal): when the position shows such a formation, the end of
// the sequence is seeded into the transposition table so that the node search
// finds it at once.
#pragma once

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace search {

// The largest ply at which recognizer 1..14 runs (0 for numbers outside).
int formation_seed_limit(int recognizer);

// Runs every recognizer whose ply limit is at least `ply` on the position
// (`key` its key), in order; each formation found seeds its sequence(s).
void formation_seed(const board::KPosition& p, const board::KHashKey& key, int ply);

// Applies the n moves of `sequence` to a copy of `key` and stores, under the
// key reached, an entry without a value (depth 0) whose extension of 12 x
// (n - 1) belongs to the packed last move.
void formation_seed_store(const board::KPosition& p, const board::KHashKey& key, const board::KMove* sequence,
                          int n);

}  // namespace search
