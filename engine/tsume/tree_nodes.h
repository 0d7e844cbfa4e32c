// The pieces the solution tree's walk (solution_tree.cpp) and the settling of
// its main line (main_line.cpp) share: the fields of a tree node, the bounded
// searches the solve may do without, and the reading of the main line.
#pragma once

#include <cstdint>

#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {

// A tree node's length of mate (plies) and quality (2: the line ends with the
// attacker's hand empty and no other mating choice leaves pieces over; 1: mates
// with and without pieces left over; 0: only mates with pieces left over).
inline int tree_length(const KTsumeNode& n) { return n.depth & kDepthMask; }
inline int tree_quality(const KTsumeNode& n) { return n.depth >> 14; }

// Stores a tree node (the node flag, the move, quality << 14 | length), or null
// when the tree table is full.
inline KTsumeNode* put_tree_node(KTsumeTable& tree, const KHashKey& key, uint16_t move, int length, int quality) {
  KTsumeNode* n = tsume_tree_store(tree, key, 0, kInf);
  if (n == nullptr) return nullptr;
  n->flags = static_cast<uint8_t>((n->flags & ~kFlagTreeFutile) | kFlagTreeNode);
  n->move = move;
  n->depth = static_cast<uint16_t>(quality << 14 | (length & kDepthMask));
  return n;
}

// True when the attacker holds no piece in hand.
bool attacker_hand_empty(const KPosition& p, int attacker);

// A bounded search from the context's position that the solve can do without
// (tsume_bounded.h): it ends at the node count `end_nodes` and spends no more
// than half of what is left of the solve's node and time limits, which the
// rest of the solve needs. Its result, with `cut` set when one of these, not a
// limit of the solve, left it undecided.
int optional_search(KTsumeEngine& e, TsumeContext& c, int bound, uint32_t end_nodes, uint16_t& move, int& length,
                    bool& cut);

// After the defender's drop (the context at the position it made, the
// attacker to move): lists the attacker's checks that take the dropped piece
// as the context's moves; their count.
int list_drop_captures(KTsumeEngine& e, TsumeContext& c);

// The index of the context's listed move with node code `code`, or -1.
int listed_index(const KTsumeEngine& e, const TsumeContext& c, uint16_t code);

// Reads the main line from the tree's root into the engine's main line.
void extract_main_line(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree);

// Settles the main line of the tree built from the context's position (see
// main_line.cpp): the plies from the root along which every position's length
// is shown, that many of the line's moves written into the tree. kTreeFull
// when the tree table could not take them.
int settle_main_line(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree);

}  // namespace tsume
