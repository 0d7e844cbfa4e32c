// The depth-bounded search's shared pieces (tsume_bounded.h is its entry):
// the verdict of a node, the keys of its entries, the helpers of a visit, and
// the visits of the node kinds, each in a file of its own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "engine/board/move_rules.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/proof_numbers.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_table.h"

namespace tsume::bounded {

using namespace board;
using Leaf = BoundedLeaf;

constexpr int kForever = kNoLength;  // a disproof that holds at every bound
constexpr int kMaxDistance = 7;      // drops are grouped by distance from the king, 1..7
constexpr int kWholeNode = kMaxDistance + 1;  // the level of a defender's node with all its drops
constexpr int kLevelShift = 23;               // word 2 bits of a node without its far drops
// Word 0 of an entry's key, the position's word 0 with one of these mixed in,
// tells its kind apart from the position's own entries.
constexpr uint32_t kBoundTag = 0x6A09E666u;      // no mate within the depth word's plies
constexpr uint32_t kLoopProofTag = 0x3C6EF372u;  // a proof valid on one path
constexpr uint32_t kOpenTag = 0xBB67AE85u;       // an open search's numbers
// A defender's node sums the largest proof numbers of each group only.
constexpr int kKingMovesCounted = 4;
constexpr int kOthersCounted = 2;

// Nodes with this many plies to go or fewer are searched to the end in one
// visit: re-entering small subtrees costs more than finishing them.
constexpr int kFinishPlies = 4;

// Leaf flags.
constexpr uint8_t kLooped = 1;    // holds on this path only: never stored
constexpr uint8_t kExact = 2;     // holds for this hand only
constexpr uint8_t kDropMate = 4;  // depends on a drop-pawn mate below
constexpr uint8_t kTerminal = 8;  // mated here

// The key of a defender's node without its far drops: the level mixed into
// word 2 (so that it never compares with the whole node) and into word 1 (so
// that its entries chain apart from the position's own).
inline KHashKey level_key(KHashKey k, int level) {
  if (level < kWholeNode) {
    k.word[2] ^= static_cast<uint32_t>(level) << kLevelShift;
    k.word[1] ^= 0x9E3779B9u * static_cast<uint32_t>(level);
  }
  return k;
}

// The key of the open numbers of a search: one entry per position, holding
// the plies to go it was made with in its depth word. It is looked up by the
// identical key only, so it chains by the whole key (hand included), apart
// from the board's other entries, which many hands of one board make long.
inline KHashKey open_key(KHashKey k) {
  k.word[0] ^= kOpenTag;
  uint32_t h = (k.word[2] ^ kOpenTag) * 0x85EBCA6Bu;
  h ^= h >> 13;
  k.word[1] ^= h * 0xC2B2AE35u;
  return k;
}

// The key of one of the position's other entries.
inline KHashKey tagged(KHashKey k, uint32_t tag) {
  k.word[0] ^= tag;
  return k;
}

inline int32_t threshold(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 1, kCap)); }

// The unit of a child's numbers before it is searched, and the room a chosen
// child gets over its best sibling: a child is left only when it has grown by
// a unit past the sibling (a proof number) or by five (a disproof number), so
// that the search does not turn from one child to the next at every step.
constexpr int32_t kPnUnit = 15;
constexpr int32_t kDnUnit = 35;
constexpr int32_t kDnRoom = 5 * kDnUnit;

inline int add_bound(int bound, int plies) { return bound >= kForever ? kForever : std::min(bound + plies, kForever); }

inline bool proven(const Leaf& v) { return v.pn == 0; }
inline bool disproven(const Leaf& v) { return v.pn >= kInf; }
inline bool decided(const Leaf& v) { return proven(v) || disproven(v); }

inline Leaf open_leaf(int32_t pn, int32_t dn) {
  Leaf v{};
  v.pn = std::max(pn, 1);
  v.dn = std::max(dn, 1);
  return v;
}
inline Leaf proof_leaf(int length, uint16_t move, uint32_t hand, uint8_t flags) {
  Leaf v{};
  v.pn = 0;
  v.dn = kInf;
  v.length = static_cast<int16_t>(std::min(length, kNoLength));
  v.move = move;
  v.hand = hand;
  v.flags = flags;
  return v;
}
// A disproof with its hand: it holds for every hand of the attacker that the
// disproof hand dominates.
inline Leaf disproof_leaf(int bound, uint8_t flags, uint32_t hand) {
  Leaf v{};
  v.pn = kInf;
  v.dn = 0;
  v.bound = static_cast<int16_t>(std::min(bound, kForever));
  v.flags = flags;
  v.hand = hand;
  return v;
}

// The distance group of a defender's drop: its king-move distance from the
// king, capped at kMaxDistance; every drop is in group 1 when the king is not
// on the board.
inline int drop_distance(const KMove& m, int king) {
  return is_playing_square(king) ? std::min(chebyshev(m.to, king), kMaxDistance) : 1;
}

// Rooks, bishops and pawns that could promote and do not, and a lance stopping
// unpromoted on the second rank from the far side: the promotion does all they
// do, so they are looked at only once a drop-pawn mate plays a part below.
inline bool skipped_nonpromotion(const KMove& m) {
  if (m.from == kInHand || m.promote) return false;
  const int side = code_side(m.code);
  const int cls = code_class(m.code);
  if (cls == kRook || cls == kBishop || cls == kPawn) return in_camp(side, m.from) || in_camp(side, m.to);
  return cls == kLance && square_rank(m.to) == (side == 0 ? 2 : 8);
}

struct Search {
  KTsumeEngine& e;
  KTsumeTable& t;
  bool interrupted = false;
};

inline bool stop_now(Search& s) {
  if (!s.interrupted && tsume_limit_reached(s.e)) s.interrupted = true;
  return s.interrupted;
}

// ---- The table (bounded_table.cpp) -------------------------------------------------

// The verdict the table gives a node (`real` its position's key, `level` its
// drops) with r plies to go; the numbers `fresh` when it knows nothing.
Leaf read_node(const KTsumeTable& t, const KHashKey& real, uint32_t path_key, int r, int level, bool or_node,
               Leaf fresh = open_leaf(kPnUnit, kDnUnit));
// Keeps "no mate within `bound` plies" for the key (its hand a disproof hand
// unless flags hold kFlagExactHand), dropping the ones of this board it covers.
void store_bound(Search& s, int ply, const KHashKey& key, int bound, uint8_t flags, uint32_t work);
// Keeps a node's verdict; `work` (the nodes searched below it) tells the
// table's collection what it cost.
void store(Search& s, const TsumeContext& c, int level, const Leaf& v, KTsumeNode* open, uint32_t work);

// ---- A visit (tsume_bounded.cpp) ---------------------------------------------------

Leaf visit(Search& s, TsumeContext& c, int r, int level, int32_t pth, int32_t dth);
// The first read of a listed child in a visit of its node (child_leaf).
Leaf child_leaf_read(Search& s, const TsumeContext& c, int slot, int r, int level, bool child_or);
// Listed child `slot` of the current node: a repetition of the path, or the
// table's verdict, read once per visit of the node and then learnt from the
// child's own visits. Inline: a node asks for its children's verdicts over and
// over, and after the first read each is known.
inline Leaf child_leaf(Search& s, const TsumeContext& c, int slot, int r, int level, bool child_or) {
  const Leaf& l = s.e.leaves[c.move_base + slot];
  return l.known ? l : child_leaf_read(s, c, slot, r, level, child_or);
}
void learn(Search& s, const TsumeContext& c, int slot, Leaf v);
// Asks the processor for the chains the children's reads will walk.
void prefetch_children(Search& s, const TsumeContext& c, int count);
// Makes sure a child's thresholds lie above its numbers, so that its visit
// makes progress.
void room(int32_t& pth, int32_t& dth, const Leaf& v);
// Searches listed move `slot` (a check or an evasion) with the plies to go
// after it.
void search_move(Search& s, TsumeContext& c, int slot, int r, int32_t pth, int32_t dth);

// ---- The node kinds ----------------------------------------------------------------

// bounded_attacker.cpp: the proof-number visit of an attacker's node.
Leaf or_visit(Search& s, TsumeContext& c, int r, int32_t pth, int32_t dth);
// bounded_defender.cpp: the proof-number visit of a defender's node (`level`:
// the node without its drops at that distance and farther), and a
// refutation's disproof hand there.
Leaf and_visit(Search& s, TsumeContext& c, int r, int level, int32_t pth, int32_t dth);
uint32_t and_refutation_hand(const TsumeContext& c, const KMove& m, HandCounts h);
// bounded_last_plies.cpp: the nodes with few plies to go, searched to the end.
Leaf or_mate_in_one(Search& s, TsumeContext& c);
Leaf and_mated(Search& s, TsumeContext& c);
Leaf direct_or(Search& s, TsumeContext& c, int r);
Leaf direct_and(Search& s, TsumeContext& c, int r, int level);

}  // namespace tsume::bounded
