// What one visit of an OR node and of an AND node of the proof-number search
// share: the tests that end a visit's loop and hold a child back, the room a
// searched child gets, and the stores of a node's numbers, proof or disproof.
// The OR step lives in tsume_search.cpp with tsume_mid, the AND step in
// and_node.cpp.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/tsume/tsume_engine.h"

namespace tsume::pns {

// Numbers at or above this are too large for a threshold to bound on its own.
constexpr int32_t kLargeNumber = 0x100000;

inline int32_t cap(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, kCap)); }

inline bool proven(const KTsumeNode& n) { return n.dn >= kInf; }
inline int node_depth(const KTsumeNode& n) { return n.depth & kDepthMask; }
// The length of the mate a proven entry holds (the same word).
inline int proof_length(const KTsumeNode& n) { return n.depth & kDepthMask; }

// Whether a visit's loop ends: a number infinite, or one past its threshold
// (a very large number alone does not end it while the other is small).
inline bool leave_loop(int32_t pn, int32_t dn, int32_t pn_th, int32_t dn_th) {
  if (pn >= kInf || dn >= kInf) return true;
  if (dn >= kLargeNumber) return pn >= pn_th;
  if (pn >= kLargeNumber) return dn >= dn_th;
  return pn >= pn_th || dn >= dn_th;
}

// Where a node stands as a count of its children starts: the smallest ply at
// which it was reached (its first_ply), and the top of the region it leads
// into (its depth word, which a count also lowers to the word of a child it
// holds back, so that the node's own parents hold it back in turn). The
// context's ply lowers both; the children the count holds back lower the word
// further, but the test of the others keeps the plies the count started with.
struct NodeReach {
  int first;
  int top;
};
inline NodeReach count_start(KTsumeNode& node, int ply) {
  if (node_depth(node) > ply) node.depth = static_cast<uint16_t>((node.depth & ~kDepthMask) | ply);
  if (node.first_ply > ply) node.first_ply = static_cast<uint16_t>(ply);
  return {node.first_ply, node_depth(node)};
}

// Whether a node counts a child with its others (the child was "first reached
// below" it); the rest are held back, their numbers belonging to the node that
// reached them first or leading back up to positions above. Both tests measure
// against the node's own plies, not the ply of this visit: measured against
// the ply, a node reached again deeper than it was first reached held back
// every child its first visits had made, so that an AND node's pn left out
// children it still searched, and a mate in eleven stayed undecided for
// minutes. Neither measures against the node's depth word alone: in a region
// of positions that lead into one another (a king going to and fro while a
// rook circles it) every word fell to the region's top, each node counted the
// others below that top as its own children, and the search wandered the
// region's long lines for millions of nodes on a position that some 300,000
// decide.
//
// An AND node, which adds its children's pn, counts a child whose whole region
// lies below the node's first ply; an OR node, which adds its children's dn,
// one first reached below the node that leads no higher than the node itself.
// The AND test is the stricter. Measured on some 900 positions, the OR test at
// both kinds of node took that position over a million nodes, and the AND
// test at both left a tenth more of them undecided.
inline bool and_counts_child(const KTsumeNode& child, const NodeReach& node) { return node_depth(child) > node.first; }
inline bool or_counts_child(const KTsumeNode& child, const NodeReach& node) {
  return child.first_ply > node.first && node_depth(child) > node.top;
}

// A child entry that holds on its path only (a disproof resting on a
// repetition or a depth cut), and one resting on a cut.
inline bool path_only(const KTsumeNode* n) { return n != nullptr && n->path_key != 0; }
inline bool rests_on_cut(const KTsumeNode* n) { return path_only(n) && n->cut != 0; }

// The chosen child's thresholds lie above its numbers. The node's own numbers
// need not come from the child it searches (a held-back child, a child chosen
// by the largest dn of its group, a loop left open because a number is
// large), and a child that starts at or over a threshold returns at once
// without a change: the node would choose it again for ever.
inline void child_room(TsumeContext& c, const ChildValue& v) {
  c.pn_threshold = std::max(c.pn_threshold, std::min(v.pn + 1, kCap));
  c.dn_threshold = std::max(c.dn_threshold, std::min(v.dn + 1, kCap));
}

// The node's entry, made when there is none. A loop of a step asks it again
// only when the lookup after its last child found none: between that lookup
// and the next count nothing is stored.
KTsumeNode* current_node(KTsumeEngine& e, TsumeContext& c);
// Stores the numbers of an interrupted node.
void store_interrupted(KTsumeEngine& e, TsumeContext& c);
// The entry a step's next count works on: `known` (the entry the step holds,
// null after a lookup that found none) or the node's current entry; null when
// the solve's limits are reached (the node's numbers then stored as
// interrupted) or the table is full.
KTsumeNode* count_node(KTsumeEngine& e, TsumeContext& c, KTsumeNode* known);
KTsumeNode* store_result(KTsumeEngine& e, TsumeContext& c, const KHashKey& key, uint32_t path_key, int32_t pn,
                         int32_t dn, uint16_t move);
// Stores the open numbers a visit ends with, into the node's entry that the
// step holds (store_result of the node's own key, without its chain walk).
KTsumeNode* store_open(KTsumeEngine& e, TsumeContext& c, KTsumeNode* entry, int32_t pn, int32_t dn, uint16_t move);
// Stores a disproof that holds on this path only (it rests on a repetition or
// on a line the depth limit cut), marked when it rests on a cut. At the root
// of a walk (path key 0) the entry would be plain and serve every later path:
// one resting on a cut shows no mate within the limit only, and is left open.
KTsumeNode* store_path_disproof(KTsumeEngine& e, TsumeContext& c, int32_t dn, uint16_t move, bool cut);
// Stores a proof under the proof hand with the length of its mate (an entry
// that already proves a shorter mate keeps it).
KTsumeNode* store_proof(KTsumeEngine& e, TsumeContext& c, uint32_t hand, uint16_t move, int length);

// One visit of an AND node (the defender to move) under the context's
// thresholds: searches its evasions and stores its numbers into `entry`.
void tsume_and_step(KTsumeEngine& e, TsumeContext& c, KTsumeNode* entry);

}  // namespace tsume::pns
