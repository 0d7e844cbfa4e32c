// The depth-bounded search's defender nodes. A drop counts first as a plain
// defence; once that fails, its captures (each searched with the captured
// piece out of the attacker's hand, captured_drop.h) and the node without it
// come in (see tsume_bounded.cpp for the rule).
#include <bit>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/tsume/bounded_search.h"
#include "engine/tsume/captured_drop.h"
#include "engine/tsume/path_keys.h"

namespace tsume::bounded {

// A refutation's disproof hand at the defender's node: at least the hand the
// attacker has; a refuting drop must stay possible, so the attacker may not
// hold so many of its kind that the defender has none.
uint32_t and_refutation_hand(const TsumeContext& c, const KMove& m, HandCounts h) {
  if (m.from == kInHand) {
    const int k = code_kind(m.code);
    h.n[k] = std::min(h.n[k], c.pos.hand[c.attacker][k] + c.pos.hand[c.defender][k] - 1);
  }
  for (int k = kRook; k <= kPawn; ++k) h.n[k] = std::max<int>(h.n[k], c.pos.hand[c.attacker][k]);
  return pack_hand(h);
}

namespace {

// A defender's node in the work stores: its evasions, one slot per distance
// for the node without its drops at that distance and farther, then the
// captures of the dropped pieces, listed once a drop needs them.
//
// A drop counts first as a plain defence: its own position within r - 1. Only
// once that fails do its captures (within r) and its distance's "the node
// without these drops does not mate within r - 2" come in; until then the
// node asks more of the drop than it must, which changes the search's order
// but not its answers.
struct AndNode {
  int evasions = 0;
  int slots = 0;  // evasions, distance slots and the captures listed so far
  int level = kWholeNode;
  int distance_slot(int d) const { return evasions + d; }
};

constexpr int kDistanceSlots = kMaxDistance + 1;

bool and_layout(KTsumeEngine& e, TsumeContext& c, int level, AndNode& a) {
  a.evasions = c.move_count;
  a.level = level;
  a.slots = a.evasions + kDistanceSlots;
  if (c.move_base + a.slots >= kMovesPerPly * e.max_ply - 100) return false;
  const int king = c.pos.piece[c.defender].sq;
  for (int i = 0; i < a.evasions; ++i) {
    const KMove& m = e.moves[c.move_base + i];
    BoundedDrop& d = e.drops[c.move_base + i];
    d = BoundedDrop{0, -1, -1};
    if (m.from != kInHand) continue;
    const int dist = drop_distance(m, king);
    d.distance = static_cast<int8_t>(dist < level ? dist : -1);  // -1: not a defence of this node
  }
  tsume_children_init(e, c);
  for (int k = 0; k < a.slots; ++k) e.leaves[c.move_base + k].known = 0;
  c.move_count = a.slots;
  return true;
}

// Lists after the node's slots the attacker's captures of the piece dropped by
// evasion i that give check, each keyed as the position after it without the
// captured piece; false when the work stores have no room.
bool list_captures(KTsumeEngine& e, TsumeContext& c, AndNode& a, int i) {
  BoundedDrop& d = e.drops[c.move_base + i];
  if (d.captures_begin >= 0) return true;
  const KMove drop = e.moves[c.move_base + i];
  do_move(c.pos, drop, 0);
  const int count = king_attacked(c.pos, c.attacker) ? gyaku_oute_gen(c.pos, e.scratch) : oute_gen(c.pos, e.scratch, 1);
  undo_move(c.pos, drop, 0);
  const int limit = kMovesPerPly * e.max_ply - 100;
  const uint32_t parent_path_key = tsume_child_path_key(e, c, i);
  const KeyEntry& parent = e.entries[c.move_base + i];
  int next = a.slots;
  for (int j = 0; j < count; ++j) {
    const KMove& capture = e.scratch[j];
    if (capture.to != drop.to || capture.captured_code == 0) continue;
    if (c.move_base + next + 1 >= limit) return false;
    e.moves[c.move_base + next] = capture;
    e.moves[c.move_base + next].flag = 0;
    KeyEntry& ent = e.entries[c.move_base + next];
    ent.key = parent.key;
    hash_key_sashite(ent.key, c.attacker, capture);
    ent.key = key_without_captured(ent.key, capture);
    ent.path_key = path_key_after(parent_path_key, capture, c.ply + 1);
    ent.path_made = 1;
    ent.on_path = parent.on_path || tsume_path_find(e, ent.key, c.ply);
    ent.h16 = ent.h17 = 0;
    e.leaves[c.move_base + next].known = 0;
    ++next;
  }
  d.captures_begin = static_cast<int16_t>(a.slots);
  d.captures_end = static_cast<int16_t>(next);
  a.slots = next;
  c.move_count = next;
  return true;
}

// The node without the drops at distance d and farther, with r - 2 plies to go.
Leaf distance_leaf(Search& s, const TsumeContext& c, const AndNode& a, int d, int r) {
  Leaf& l = s.e.leaves[c.move_base + a.distance_slot(d)];
  if (l.known) return l;
  l = read_node(s.t, c.key, c.path_key, r - 2, d, false);
  l.known = 1;
  return l;
}

// "The node without the drops at distance d and farther does not mate within
// r - 2", as a leaf to prove: the distance leaf with its numbers swapped.
Leaf reach_leaf(Search& s, const TsumeContext& c, const AndNode& a, int d, int r) {
  if (r - 2 < 0) return proof_leaf(0, 0, 0, 0);  // nothing mates within fewer than 0 plies
  const Leaf v = distance_leaf(s, c, a, d, r);
  Leaf w = v;
  w.pn = v.dn;
  w.dn = v.pn;
  return w;
}

// One of the node's parts: an evasion's own position (kind 0: a move that is
// no drop, or a drop still counted plainly), a failed drop's captures (kind
// 1, any one within r), or a distance with a failed drop (kind 2, the reach
// leaf).
enum PartKind { kPlain = 0, kCaptures = 1, kReach = 2 };

struct Part {
  int kind = -1;
  int index = -1;
  int32_t pn = 0, dn = kInf;
};

struct AndNumbers {
  int32_t pn = 0, dn = kInf;
  Part best;
  int32_t second = kInf;  // the next smallest dn
  bool reach[kMaxDistance + 1] = {};
};

Part captures_part(Search& s, const TsumeContext& c, int i, int r) {
  const BoundedDrop& d = s.e.drops[c.move_base + i];
  Part p{kCaptures, i, kInf, 0};
  for (int k = d.captures_begin; k < d.captures_end; ++k) {
    const Leaf v = child_leaf(s, c, k, r, kWholeNode, false);
    p.pn = std::min(p.pn, v.pn);
    p.dn = sat_add(p.dn, v.dn);
  }
  return p;
}

bool and_numbers(Search& s, TsumeContext& c, AndNode& a, int r, AndNumbers& out) {
  out = AndNumbers{};
  int32_t king[kKingMovesCounted] = {}, captures[kOthersCounted] = {}, others[kOthersCounted] = {};
  int32_t drops[kMaxDistance + 1][kOthersCounted] = {};
  int32_t failed = 0;
  auto consider = [&](const Part& p) {
    if (out.best.kind < 0 || p.dn < out.best.dn) {
      if (out.best.kind >= 0) out.second = std::min(out.second, out.best.dn);
      out.best = p;
    } else {
      out.second = std::min(out.second, p.dn);
    }
  };
  for (int i = 0; i < a.evasions; ++i) {
    const KMove& m = s.e.moves[c.move_base + i];
    const int dist = s.e.drops[c.move_base + i].distance;
    if (dist < 0) continue;
    const Leaf q = child_leaf(s, c, i, r - 1, kWholeNode, true);
    if (dist == 0) {
      consider(Part{kPlain, i, q.pn, q.dn});
      if (code_kind(m.code) == kKing) {
        keep_largest(king, kKingMovesCounted, q.pn);
      } else if (m.captured_code != 0) {
        keep_largest(captures, kOthersCounted, q.pn);
      } else {
        keep_largest(others, kOthersCounted, q.pn);
      }
    } else if (!disproven(q)) {
      consider(Part{kPlain, i, q.pn, q.dn});
      keep_largest(drops[dist], kOthersCounted, q.pn);
    } else {
      if (!list_captures(s.e, c, a, i)) return false;
      const Part p = captures_part(s, c, i, r);
      consider(p);
      failed = sat_add(failed, p.pn);
      out.reach[dist] = true;
    }
  }
  for (int dist = 1; dist <= kMaxDistance; ++dist) {
    if (!out.reach[dist]) continue;
    const Leaf w = reach_leaf(s, c, a, dist, r);
    consider(Part{kReach, dist, w.pn, w.dn});
    failed = sat_add(failed, w.pn);
  }
  int32_t pn = sat_add(sum_of(king, kKingMovesCounted), sum_of(captures, kOthersCounted));
  pn = sat_add(pn, sum_of(others, kOthersCounted));
  int32_t top[kOthersCounted] = {};
  for (const int32_t* d : drops) keep_largest(top, kOthersCounted, sum_of(d, kOthersCounted));
  pn = sat_add(pn, sum_of(top, kOthersCounted));
  out.pn = sat_add(pn, failed);
  out.dn = out.best.kind >= 0 ? out.best.dn : kInf;
  if (out.dn == 0) out.pn = kInf;
  if (out.pn == 0) out.dn = kInf;
  return true;
}

// The proven node's verdict: one more than its longest real defence, or
// exactly b (r rounded down to even) when a futile drop was left out because
// the node without it reaches b.
Leaf and_proof(Search& s, const TsumeContext& c, const AndNode& a, const AndNumbers& num, int r) {
  HandCounts hand = mated_proof_hand(c.pos, c.attacker);
  int length = 0;
  uint8_t flags = 0;
  bool futile = false;
  auto use_hand = [&](uint32_t packed) {
    const HandCounts h = unpack_hand(packed);
    for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::max(hand.n[k], h.n[k]);
  };
  for (int i = 0; i < a.evasions; ++i) {
    const BoundedDrop& d = s.e.drops[c.move_base + i];
    if (d.distance < 0) continue;
    const Leaf q = child_leaf(s, c, i, r - 1, kWholeNode, true);
    if (proven(q)) {
      length = std::max(length, q.length + 1);
      use_hand(q.hand);
      flags |= q.flags & (kExact | kDropMate);
      continue;
    }
    // A futile drop: the capture that mates within r. Its proof needs no
    // more than the hand the capture's position has without the piece: the
    // hand before the drop.
    futile = true;
    for (int k = d.captures_begin; k < d.captures_end; ++k) {
      const Leaf v = child_leaf(s, c, k, r, kWholeNode, false);
      if (!proven(v)) continue;
      use_hand(v.hand);
      flags |= v.flags & (kExact | kDropMate);
      break;
    }
  }
  if (futile) {
    length = std::max(length, r & ~1);
    for (int dist = 1; dist <= kMaxDistance; ++dist) {
      if (!num.reach[dist] || r < 2) continue;
      flags |= kExact | (distance_leaf(s, c, a, dist, r).flags & kLooped);
    }
  }
  for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::min<int>(hand.n[k], c.pos.hand[c.attacker][k]);
  return proof_leaf(length, kNoNodeMove, pack_hand(hand), flags);
}

// The refuted node's verdict: the part with the largest bound (one that holds
// beyond this path preferred).
Leaf and_disproof(Search& s, const TsumeContext& c, const AndNode& a, const AndNumbers& num, int r) {
  int best_bound = -1;
  uint8_t best_flags = kLooped;
  uint32_t best_hand = key_hand(c.key);
  auto offer = [&](int bound, uint8_t flags, uint32_t hand) {
    const bool looped = flags & kLooped, best_looped = best_flags & kLooped;
    if ((best_looped && !looped) || (best_looped == looped && bound > best_bound)) {
      best_bound = bound;
      best_flags = flags;
      best_hand = hand;
    }
  };
  for (int i = 0; i < a.evasions; ++i) {
    const BoundedDrop& d = s.e.drops[c.move_base + i];
    if (d.distance < 0) continue;
    const Leaf q = child_leaf(s, c, i, r - 1, kWholeNode, true);
    if (!disproven(q)) continue;
    const KMove& m = s.e.moves[c.move_base + i];
    const int bound = add_bound(q.bound, 1);
    const uint8_t flags = q.flags & (kLooped | kExact | kDropMate);
    if (d.distance == 0) {
      offer(bound, flags, and_refutation_hand(c, m, unpack_hand(q.hand)));
      continue;
    }
    // No capture within r either.
    const Part p = captures_part(s, c, i, r);
    if (p.pn >= kInf) {
      int b = bound;
      uint8_t f = flags;
      HandCounts h = unpack_hand(q.hand);
      for (int k = d.captures_begin; k < d.captures_end; ++k) {
        const Leaf v = child_leaf(s, c, k, r, kWholeNode, false);
        b = std::min(b, static_cast<int>(v.bound));
        f |= v.flags & (kLooped | kExact | kDropMate);
        h = hand_min(h, unpack_hand(v.hand));  // the hand before the drop, as above
      }
      offer(b, f, and_refutation_hand(c, m, h));
    }
    // Or a real drop: the node without it mates within r - 2 (this hand only).
    if (num.reach[d.distance] && r >= 2) {
      const Leaf v = distance_leaf(s, c, a, d.distance, r);
      if (proven(v)) offer(bound, static_cast<uint8_t>(flags | kExact | (v.flags & kLooped)), key_hand(c.key));
    }
  }
  return disproof_leaf(std::max(best_bound, 0), best_flags, best_hand);
}

}  // namespace

Leaf and_visit(Search& s, TsumeContext& c, int r, int level, int32_t pth, int32_t dth) {
  AndNode a;
  if (!and_layout(s.e, c, level, a)) {
    s.interrupted = true;
    return open_leaf(1, 1);
  }
  prefetch_children(s, c, a.evasions);
  for (;;) {
    AndNumbers num;
    if (!and_numbers(s, c, a, r, num)) {
      s.interrupted = true;
      return open_leaf(1, 1);
    }
    if (num.pn == 0) return and_proof(s, c, a, num, r);
    if (num.dn == 0) return and_disproof(s, c, a, num, r);
    if (num.pn >= pth || num.dn >= dth || stop_now(s)) return open_leaf(num.pn, num.dn);
    // The part's thresholds, then its leaf's.
    const Part& p = num.best;
    const int32_t part_pth = threshold(std::max<int64_t>(int64_t{pth} - num.pn, kPnUnit) + p.pn);
    const int32_t part_dth = threshold(std::min<int64_t>(dth, int64_t{num.second} + kDnRoom));
    if (p.kind == kPlain) {
      search_move(s, c, p.index, r - 1, part_pth, part_dth);
    } else if (p.kind == kCaptures) {
      // The capture with the smallest pn: the drop, then the capture.
      const BoundedDrop& d = s.e.drops[c.move_base + p.index];
      int best = -1;
      Leaf bv{};
      int32_t second = kInf;
      for (int k = d.captures_begin; k < d.captures_end; ++k) {
        const Leaf v = child_leaf(s, c, k, r, kWholeNode, false);
        if (best < 0 || v.pn < bv.pn) {
          if (best >= 0) second = std::min(second, bv.pn);
          best = k;
          bv = v;
        } else {
          second = std::min(second, v.pn);
        }
      }
      int32_t leaf_pth = threshold(std::min<int64_t>(part_pth, int64_t{second} + kPnUnit));
      int32_t leaf_dth = threshold(std::max<int64_t>(int64_t{part_dth} - p.dn, kDnRoom) + bv.dn);
      room(leaf_pth, leaf_dth, bv);
      const KMove capture = s.e.moves[c.move_base + best];
      tsume_descend(s.e, c, p.index, true);
      s.e.moves[c.move_base] = capture;
      c.move_count = 1;
      tsume_descend(s.e, c, 0, false);
      give_back(c);
      const Leaf v = visit(s, c, r, kWholeNode, leaf_pth, leaf_dth);
      give_back_undo(c);
      tsume_ascend(s.e, c);
      tsume_ascend(s.e, c);
      learn(s, c, best, v);
    } else {
      // Show that the node without the drops at this distance and farther
      // does not mate within r - 2: the roles of the numbers swap.
      Leaf v = distance_leaf(s, c, a, p.index, r);
      int32_t v_pth = part_dth, v_dth = part_pth;
      room(v_pth, v_dth, v);
      const int saved_base = c.move_base, saved_count = c.move_count;
      c.move_base += c.move_count;
      c.move_count = 0;
      v = visit(s, c, r - 2, p.index, v_pth, v_dth);
      c.move_base = saved_base;
      c.move_count = saved_count;
      learn(s, c, a.distance_slot(p.index), v);
    }
    if (s.interrupted) return open_leaf(num.pn, num.dn);
  }
}

}  // namespace tsume::bounded
