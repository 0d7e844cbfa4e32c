// Solution trees: from a proof in the node table, the tree of a mate problem
// (the attacker mates as fast as it can, the defender holds out as long as it
// can, interpositions that only lose the piece do not count) in a table of its
// own, and the main line read from it, each of its defences shown a longest
// one where the tree's lengths tie; and the search for another mating line.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/tsume/tsume_engine.h"

namespace tsume {

// Results of the tree walk below 0.
constexpr int kTreeNoMate = -1;     // no mate along this path
constexpr int kTreeLimit = -2;      // node or time limit
constexpr int kTreeFull = -3;       // the tree table is full
constexpr int kTreeDisproved = -4;  // the driver's re-proof found no mate at the root

// Tree nodes only: the position after a futile interposition, holding the
// attacker's capture that answers it (the flag proof tables use for results
// of one hand only).
constexpr uint8_t kFlagTreeFutile = kFlagExactHand;

// A tree table starts at 4 MB and doubles each time it fills (the walk then
// starts again, cheaply: the proof table keeps what it learnt), up to 512 MB,
// some twelve million nodes: a tree of every defence of a problem of more than
// a thousand plies needs far more than the 100 MB a tree once had at most.
constexpr uint32_t kTreeStartKb = 4096;
constexpr uint32_t kTreeMaxKb = 524288;

// Builds the current tree and the engine's main line for a position with the
// attacker to move (a) or the defender to move (b). The mate's length, or a
// code below 0 with no tree kept.
int tsume_solution_tree_a(KTsumeEngine& e, const board::KPosition& p);
int tsume_solution_tree_b(KTsumeEngine& e, const board::KPosition& p);
// As the two above with the start size of the tree table given (tests).
int tsume_solution_tree(KTsumeEngine& e, const board::KPosition& p, int attacker, uint32_t start_kb);

// One node of the tree walk: the mate's length from the context's position
// (with its quality in the context), or a code below 0.
int tsume_tree_node(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree);

// Demotes the proofs of the path's positions and stores a disproof of the
// current position valid on this path only.
void tsume_tree_unprove_path(KTsumeEngine& e, TsumeContext& c);

// 1 when the defender's move is a drop onto a square that the defender does
// not really hold (no support, only the king next to it, or only pieces next
// to the king that an attacker's slider pins), so that capturing it loses
// nothing; 0 otherwise.
int tsume_useless_interposition(const board::KPosition& p, int defender, const board::KMove& m);

// Frees a tree table and its record.
void tsume_tree_delete(KTsumeTable*& t);

// The search for another mating line than `line` (length `length`): 0 with
// the new line in the engine's main line, 1 limit, 2 no other line, 3 the side
// to move attacks the enemy king.
int ktsume_henbetsu_search(KTsumeEngine& e, const board::KPosition& p, const board::KMove* line, int length,
                           uint32_t time_limit);

}  // namespace tsume
