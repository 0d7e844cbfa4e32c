// The node-count signature of the think: fixed-depth thinks over the first
// middle-game benchmark positions, each from the same state (empty tables of a
// fixed size, the engine's random seed, no game history, learning off, no time
// limit, one thread), whose total node count changes only when the search
// does: what it visits, not how fast. A change of the count is a change of the
// search (its moves, ordering, pruning, evaluation or generators) and is
// explained where it is made; speed work leaves it as it is.
//
// Uses the process-wide engine state (the transposition table, the in-game
// mate solver, the search words): run it only while no think runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace driver {

// The thinks of the signature: the positions (the first of
// middle_game_positions) and the depth.
constexpr size_t kSignaturePositions = 8;
constexpr int kSignatureDepth = 5;
// The tables the thinks use, of a fixed size so that no machine's memory
// changes what they keep.
constexpr uint32_t kSignatureTableKb = 16384;
constexpr uint64_t kSignatureMateKb = 8192;

// Puts back everything a think reads that an earlier job may have left behind
// (the random state as the computer thread starts, the game history, the mate
// solver's pool, the stop word), so that a think from here visits the same
// nodes in any process. The tables are the caller's.
void think_fresh_state();

// The total of the nodes the thinks visit; 0 when the tables cannot be had or
// the run was stopped. Allocates the transposition table and the in-game mate
// solver at the sizes above for the run and frees both when done.
uint64_t think_signature();

// Ends a run on another thread: the think that runs stops at its next look at
// the think's stop word, and no later think starts. The mate solver's own stop
// is left alone: its instance comes and goes with the run.
void think_signature_stop();

}  // namespace driver
