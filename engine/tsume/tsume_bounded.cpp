// The depth-bounded proof-number search (see tsume_bounded.h).
//
// A defender's node is the conjunction of its defences. With the attacker's
// capture of a dropped piece written c (its position taken without the
// captured piece, captured_drop.h), the drop's own position q, the node
// without the drops at distance d and farther V_d, and b the plies to go, a
// node mates within b when
//
//   every move that is not a drop mates within b - 1,
//   every drop m: q(m) within b - 1, or a capture c(m) within b,
//   every distance d with drops: the drops at d all within b - 1 (they are
//   real and short enough), or V_d does not mate within b - 2 (its best
//   defence reaches b, so a drop whose capture mates within b is futile).
//
// The first two parts are monotone in the attacker's hand; the third is not
// (one piece more can shorten the other defences and make a drop real), so a
// result that leans on "V_d does not mate within b - 2" holds for its own hand
// only. V_d is a node of its own: the position's key with the distance mixed
// into word 2.
#include "engine/tsume/tsume_bounded.h"

#include "engine/tsume/bounded_search.h"

namespace tsume {
namespace bounded {

namespace {

// The numbers of a child not searched yet, after listed move m: a check whose
// piece would stand unprotected where the defender attacks it is less likely
// to mate, a capture by the defender less likely to be mated, and so on.
Leaf fresh_numbers(const TsumeContext& c, const KMove& m) {
  const int mover = c.pos.teban, other = 1 - mover;
  if (code_side(m.code) != mover) return open_leaf(kPnUnit, kDnUnit);  // a capture after a drop
  const KKiki& k = kiki_at(c.pos, m.to);
  const int support = k.direct_count[mover] - (m.from == kInHand ? 0 : 1);
  const int exposed = support <= 0 && k.direct_count[other] > 0 ? 1 : 0;
  const int capture = m.captured_code != 0 ? 1 : 0;
  return mover == c.attacker ? open_leaf(kPnUnit + exposed, kDnUnit + capture)
                             : open_leaf(kPnUnit + capture, kDnUnit + exposed);
}

}  // namespace

// A repetition of the path, or the table's verdict, kept as known for the
// rest of the node's visit.
Leaf child_leaf_read(Search& s, const TsumeContext& c, int slot, int r, int level, bool child_or) {
  Leaf& l = s.e.leaves[c.move_base + slot];
  const KeyEntry& ent = s.e.entries[c.move_base + slot];
  l = ent.on_path ? disproof_leaf(kForever, kLooped, key_hand(ent.key))
                  : read_node(s.t, ent.key, tsume_child_path_key(s.e, c, slot), r, level, child_or,
                              fresh_numbers(c, s.e.moves[c.move_base + slot]));
  l.known = 1;
  return l;
}

void learn(Search& s, const TsumeContext& c, int slot, Leaf v) {
  v.known = 1;
  s.e.leaves[c.move_base + slot] = v;
}

// Asks the processor for the chains the children's reads will walk, so that
// their cache misses overlap.
void prefetch_children(Search& s, const TsumeContext& c, int count) {
  for (int i = 0; i < count; ++i) tsume_prefetch(s.t, s.e.entries[c.move_base + i].key);
}

// Makes sure a child's thresholds lie above its numbers, so that its visit
// makes progress.
void room(int32_t& pth, int32_t& dth, const Leaf& v) {
  pth = std::max(pth, threshold(int64_t{v.pn} + 1));
  dth = std::max(dth, threshold(int64_t{v.dn} + 1));
}

// Searches listed move `slot` (a check or an evasion) with the plies to go
// after it.
void search_move(Search& s, TsumeContext& c, int slot, int r, int32_t pth, int32_t dth) {
  room(pth, dth, child_leaf(s, c, slot, r, kWholeNode, c.pos.teban != c.attacker));
  tsume_descend(s.e, c, slot, true);
  const Leaf v = visit(s, c, r, kWholeNode, pth, dth);
  tsume_ascend(s.e, c);
  learn(s, c, slot, v);
}

Leaf visit(Search& s, TsumeContext& c, int r, int level, int32_t pth, int32_t dth) {
  KTsumeEngine& e = s.e;
  if (stop_now(s)) return open_leaf(1, 1);
  ++e.node_count;
  const bool or_node = c.pos.teban == c.attacker;
  const Leaf known = read_node(s.t, c.key, c.path_key, r, level, or_node);
  if (decided(known)) return known;
  const bool fits = c.ply + 2 < e.max_ply && c.move_base < kMovesPerPly * e.max_ply - 100 && tsume_list_moves(e, c);
  if (!fits) {
    s.interrupted = true;  // no verdict beyond the work stores
    return open_leaf(1, 1);
  }
  Leaf v;
  if (c.move_count == 0) {
    if (or_node) {
      v = disproof_leaf(kForever, 0, tsume_nocheck_disproof_hand(c.pos, c.attacker));  // no check at all
    } else {
      const bool drop_mate = c.ply > 0 && is_pawn_drop(c.last_move);
      v = proof_leaf(0, kTerminalMove, pack_hand(mated_proof_hand(c.pos, c.attacker)),
                     static_cast<uint8_t>(kTerminal | (drop_mate ? kDropMate : 0)));
    }
    store(s, c, kWholeNode, v, nullptr, 1);
    return v;
  }
  if (or_node ? r <= 2 : (r <= 1 && level == kWholeNode)) {
    if (or_node) tsume_children_init(e, c);
    v = or_node ? or_mate_in_one(s, c) : and_mated(s, c);
    if (!s.interrupted) store(s, c, kWholeNode, v, nullptr, c.move_count);
    return v;
  }
  if (or_node ? r <= 4 : r <= 3) {
    const uint32_t before = e.node_count;
    v = or_node ? direct_or(s, c, r) : direct_and(s, c, r, level);
    // A result of this path alone is found again faster than looked up among
    // the many paths to one position.
    if (!s.interrupted && !(v.flags & kLooped)) store(s, c, level, v, nullptr, e.node_count - before);
    return v;
  }
  if (r <= kFinishPlies) pth = dth = kCap;
  KTsumeNode* open = tsume_find_or_add(s.t, c.ply, open_key(level_key(c.key, level)));
  if (open != nullptr && static_cast<int>(open->depth & kDepthMask) != r) {
    open->depth = static_cast<uint16_t>((open->depth & ~kDepthMask) | (r & kDepthMask));
    open->pn = kPnUnit;
    open->dn = kDnUnit;
  }
  if (open == nullptr) {
    e.store_failed = true;
    s.interrupted = true;
    return open_leaf(1, 1);
  }
  const uint8_t was_on_path = open->flags & kFlagOnPath;
  open->flags |= kFlagOnPath;
  const uint32_t before = e.node_count;
  if (or_node) {
    tsume_children_init(e, c);
    prefetch_children(s, c, c.move_count);
    v = or_visit(s, c, r, pth, dth);
  } else {
    v = and_visit(s, c, r, level, pth, dth);
  }
  if (!was_on_path) open->flags &= static_cast<uint8_t>(~kFlagOnPath);
  open->work += e.node_count - before;
  if (!s.interrupted || decided(v)) store(s, c, level, v, s.interrupted ? nullptr : open, open->work);
  return v;
}

}  // namespace bounded

using namespace bounded;

int tsume_bounded_search(KTsumeEngine& e, KTsumeTable& t, const TsumeContext& from, int bound, uint16_t* move,
                         int* length) {
  TsumeContext c = from;
  c.move_base = from.move_base + from.move_count;
  c.move_count = 0;
  Search s{e, t};
  // What the table already decides is answered whatever the limits.
  const Leaf known = read_node(t, c.key, c.path_key, bound, kWholeNode, c.pos.teban == c.attacker);
  Leaf v = decided(known) ? known : visit(s, c, bound, kWholeNode, kCap, kCap);
  if (!decided(v)) return 1;
  if ((v.flags & kLooped) && c.ply == 0) {
    // With no position before the root, a line that repeats one is never
    // needed for the shortest mate (the repetition can be cut out): the
    // verdict holds for the position.
    v.flags &= static_cast<uint8_t>(~kLooped);
    store(s, c, kWholeNode, v, nullptr, e.node_count);
  }
  if (disproven(v)) return 2;
  if (move != nullptr) *move = v.move;
  if (length != nullptr) *length = v.length;
  return 0;
}

}  // namespace tsume
