// The AND nodes of the proof-number search (the defender to move): the count
// of an evasion's numbers, with children first reached at or above the node
// held back while deeper ones exist, the choice of the next evasion, the
// proof and disproof hands, and one visit's loop.
#include <algorithm>

#include "engine/board/hash_table.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/pair_transposition.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/proof_numbers.h"
#include "engine/tsume/search_visits.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume::pns {

using namespace board;

namespace {

struct AndNumbers {
  int32_t pn = 0;
  int32_t dn = kInf;
  int best = -1;
  bool loop = false;
  bool cut = false;  // the refuting child's disproof on this path rests on a depth cut
  bool disproven = false;
  bool pawn_drop_mate = false;  // some child depends on a drop-pawn mate
  bool deeper = false;          // some open child was first reached below the node
};

bool same_root_position(const TsumeContext& c, const KHashKey& key) {
  const KHashKey& r = c.root_key;
  if (r.word[0] != key.word[0] || r.word[1] != key.word[1] || !hash_hand_only_differs(r.word[2], key.word[2])) return false;
  return hash_hand_superior(r, key) != 0;
}

// The two evasions of a pair transposition: a child on the path or equal to
// the root position, or a disproven one, disproves the node; otherwise the
// node takes the larger pn and the smaller dn of its children, of the deeper
// ones when there are any.
AndNumbers tsume_and_numbers_pair(KTsumeEngine& e, TsumeContext& c, const NodeReach& reach) {
  AndNumbers r;
  int32_t pn[2] = {0, 0}, dn[2] = {kInf, kInf};  // [deeper]
  int best[2] = {-1, -1};
  for (int i = 0; i < 2; ++i) {
    const KeyEntry& ent = e.entries[c.move_base + i];
    ChildValue& v = e.values[c.move_base + i];
    v.state = 0;
    v.hint = ent.h16;
    v.weak = 0;
    const bool on_path = ent.on_path;
    const KTsumeNode* child = tsume_child_lookup(e, c, i);
    if (on_path || same_root_position(c, ent.key) || (child != nullptr && child->pn >= kInf)) {
      v.state = 3;
      r.disproven = true;
      r.loop = on_path || path_only(child);
      r.cut = !on_path && rests_on_cut(child);
      r.best = i;
      return r;
    }
    // The pair test found both children stored and open.
    v.pn = child->pn;
    v.dn = child->dn;
    v.state = 1;
    v.deeper = and_counts_child(*child, reach);
    if (child->flags & kFlagPawnDropMate) r.pawn_drop_mate = true;
    // Children first reached at or above the node count only when no deeper
    // one exists, and then their pn add up.
    pn[v.deeper] = v.deeper ? std::max(pn[1], v.pn) : sat_add(pn[0], v.pn);
    if (v.dn < dn[v.deeper]) {
      dn[v.deeper] = v.dn;
      best[v.deeper] = i;
    }
  }
  const int group = best[1] >= 0 ? 1 : 0;
  r.deeper = group == 1;
  r.pn = pn[group];
  r.dn = dn[group];
  r.best = best[group];
  return r;
}

AndNumbers tsume_and_numbers(KTsumeEngine& e, TsumeContext& c, KTsumeNode& node) {
  const NodeReach reach = count_start(node, c.ply);
  if (tsume_pair_transposition(e, c, node)) {
    ++e.pair_transpositions;
    return tsume_and_numbers_pair(e, c, reach);
  }
  AndNumbers r;
  const int king = c.pos.piece[c.defender].sq;
  int32_t weak_pn = 0, hint_dn = 0, min_dn = kInf, held_pn = 0, held_dn = kInf;
  int held_best = -1, hint_best = -1, held_depth = -1;
  int32_t king_pn[4] = {}, capture_pn[2] = {}, other_pn[2] = {};
  int32_t dist_pn[8][2] = {};
  bool dist_seen[8] = {};
  bool deeper_seen = false;
  for (int i = 0; i < c.move_count; ++i) {
    const KMove& m = e.moves[c.move_base + i];
    const KeyEntry& ent = e.entries[c.move_base + i];
    ChildValue& v = e.values[c.move_base + i];
    v.state = 0;
    v.hint = ent.h16;
    v.weak = 0;
    // Weak interpositions keep 0 (the selection passes them over while deeper
    // children are open); a value left in the slot by an earlier node made
    // the same solve run differently the second time.
    v.deeper = 0;
    if (ent.on_path || same_root_position(c, ent.key)) {
      r.disproven = true;
      r.loop = ent.on_path;
      r.best = i;
      return r;
    }
    const KTsumeNode* child = tsume_child_lookup(e, c, i);
    const KKiki& k = kiki_at(c.pos, m.to);
    int32_t cpn, cdn;
    if (child != nullptr) {
      cpn = child->pn;
      cdn = child->dn;
      if (child->flags & kFlagPawnDropMate) r.pawn_drop_mate = true;
    } else {
      const int support = k.direct_count[c.defender] - (m.from == kInHand ? 0 : 1);
      cpn = std::max(c.pn_increment + (m.captured_code != 0 ? 1 : 0), 1);
      cdn = std::max(c.dn_increment + ((support <= 0 && k.direct_count[c.attacker] > 0) ? 1 : 0), 1);
    }
    v.pn = cpn;
    v.dn = cdn;
    if (cpn >= kInf) {
      v.state = 3;
      r.disproven = true;
      r.loop = path_only(child);
      r.cut = rests_on_cut(child);
      r.best = i;
      return r;
    }
    if (cdn >= kInf) {
      v.state = 2;
      continue;
    }
    v.state = 1;
    const bool drop = m.from == kInHand;
    const int d = (drop && king < kInHand) ? std::min(chebyshev(m.to, king), 7) : 0;
    if (drop) {
      const int def = k.direct_count[c.defender];
      const int att = k.direct_count[c.attacker] + k.xray_count[c.attacker];
      if ((d > 1 && def == 0) || (d == 1 && def < 2 && att >= 2)) {
        v.weak = 1;
        weak_pn = std::max(weak_pn, cpn);
        if (cdn > hint_dn) {
          hint_dn = cdn;
          hint_best = i;
        }
        continue;
      }
    }
    if (m.captured_code == 0 && child != nullptr && !and_counts_child(*child, reach)) {
      v.deeper = 0;
      held_pn = std::max(held_pn, cpn);
      if (cdn < held_dn) {
        held_dn = cdn;
        held_best = i;
        held_depth = node_depth(*child);
      }
      continue;
    }
    v.deeper = 1;
    deeper_seen = true;
    if (drop) {
      if (!dist_seen[d]) {
        dist_seen[d] = true;
        v.hint = 0;
      } else {
        v.hint = static_cast<int8_t>(std::min(v.hint + 2, 127));
      }
      keep_largest(dist_pn[d], 2, cpn);
    }
    if (v.hint < 1) {
      if (cdn < min_dn) {
        min_dn = cdn;
        r.best = i;
      }
    } else if (cdn > hint_dn) {
      hint_dn = cdn;
      hint_best = i;
    }
    if (drop) continue;
    if (code_kind(m.code) == kKing) {
      keep_largest(king_pn, 4, cpn);
    } else if (m.captured_code != 0) {
      keep_largest(capture_pn, 2, cpn);
    } else {
      keep_largest(other_pn, 2, cpn);
    }
  }
  int32_t dn = min_dn;
  if (dn >= kInf) {
    dn = hint_dn;
    r.best = hint_best;
  }
  if (dn == 0 || dn >= kInf) {
    dn = held_dn;
    r.best = held_best;
  }
  if (dn >= kInf) {
    r.pn = 0;
    r.dn = kInf;
    return r;
  }
  int32_t dist_top[2] = {};
  // A group no drop reached holds two zeros, which change nothing.
  for (int d = 0; d < 8; ++d) {
    if (dist_seen[d]) keep_largest(dist_top, 2, sat_add(dist_pn[d][0], dist_pn[d][1]));
  }
  int32_t pn = sat_add(weak_pn, sum_of(king_pn, 4));
  pn = sat_add(pn, sum_of(capture_pn, 2));
  pn = sat_add(pn, sum_of(other_pn, 2));
  pn = sat_add(pn, sum_of(dist_top, 2));
  if (!deeper_seen) {
    pn = sat_add(pn, held_pn);
    if (held_depth >= 0 && held_depth < node_depth(node)) {
      node.depth = static_cast<uint16_t>((node.depth & ~kDepthMask) | held_depth);
    }
  }
  r.pn = std::max(pn, 1);
  r.dn = dn;
  r.deeper = deeper_seen;
  return r;
}

// The evasion to search: within the group of the smallest hint, a group below
// 1 takes the smallest dn (ties: larger pn, smaller hint, the later child), a
// group of 1 or more the largest dn.
int tsume_and_select(KTsumeEngine& e, TsumeContext& c, int32_t& second) {
  int min_hint = 128;
  bool deeper = false;
  for (int i = 0; i < c.move_count; ++i) {
    const ChildValue& v = e.values[c.move_base + i];
    if (v.state == 3) {
      second = kInf;
      return i;
    }
    if (v.state == 1) {
      min_hint = std::min<int>(min_hint, v.hint);
      deeper = deeper || v.deeper;
    }
  }
  auto passed_over = [&](const ChildValue& v, int i) {
    // With deeper children, weakly supported interpositions reached before are left alone.
    return deeper && !v.deeper && v.weak && e.moves[c.move_base + i].from == kInHand;
  };
  int best = -1;
  second = kInf;
  if (min_hint < 1) {
    for (int i = c.move_count - 1; i >= 0; --i) {
      const ChildValue& v = e.values[c.move_base + i];
      if (v.state != 1 || v.hint >= 1 || passed_over(v, i)) continue;
      if (best < 0) {
        best = i;
        continue;
      }
      const ChildValue& b = e.values[c.move_base + best];
      if (v.dn < b.dn || (v.dn == b.dn && (v.pn > b.pn || (v.pn == b.pn && v.hint < b.hint)))) {
        second = std::min(second, b.dn);
        best = i;
      } else {
        second = std::min(second, v.dn);
      }
    }
    return best;
  }
  for (int i = 0; i < c.move_count; ++i) {
    const ChildValue& v = e.values[c.move_base + i];
    if (v.state != 1 || v.hint != min_hint || passed_over(v, i)) continue;
    const ChildValue* b = best >= 0 ? &e.values[c.move_base + best] : nullptr;
    if (b == nullptr || v.dn > b->dn || (v.dn == b->dn && v.pn > b->pn)) best = i;
  }
  if (best < 0) {
    // Everything open was passed over: take the first open child.
    for (int i = 0; i < c.move_count && best < 0; ++i) {
      if (e.values[c.move_base + i].state == 1) best = i;
    }
  }
  if (best >= 0) second = e.values[c.move_base + best].dn;
  return best;
}

// The pn of an AND node whose loop is about to search child v again. The
// selection may take a child that the node's pn leaves out: one held back
// while another is first reached below the node, chosen for its small dn (a
// well-held interposition, say). Searched once, that is one step bounded by
// the child's thresholds; but left out of the node's pn, the child's growing
// pn never raised the node's, so the loop took it again and again, each time
// with room for the node's whole margin, and no threshold above ever ended
// the search under it: a mate in 11 stayed undecided for minutes while one
// such node stood at pn 46 under its threshold 77 and its child's pn rose past
// 1000. From its second search in a visit on, the child counts, as the
// largest of the node's values: not added, since a held-back child may lead
// back to the positions above, whose numbers a sum would count again on every
// return.
int32_t searched_pn(const AndNumbers& r, const ChildValue& v) {
  return r.deeper && !v.deeper && v.entered ? std::max(r.pn, v.pn) : r.pn;
}

// The proof hand of a proven AND node, and the length of its mate: one more
// than its children's longest (every evasion counted, so a bound above the
// shortest mate).
uint32_t tsume_and_proof_hand(KTsumeEngine& e, TsumeContext& c, int& length) {
  HandCounts h = mated_proof_hand(c.pos, c.attacker);
  length = 0;
  for (int i = 0; i < c.move_count; ++i) {
    const KTsumeNode* child = tsume_child_lookup(e, c, i);
    if (child == nullptr) {
      length = kNoLength;
      continue;
    }
    length = std::max(length, proven(*child) ? std::min(proof_length(*child) + 1, kNoLength) : kNoLength);
    const HandCounts ch = unpack_hand(key_hand(child->key));
    for (int k = kRook; k <= kPawn; ++k) h.n[k] = std::max(h.n[k], ch.n[k]);
  }
  // A proof hand never exceeds the hand the attacker has.
  for (int k = kRook; k <= kPawn; ++k) h.n[k] = std::min<int>(h.n[k], c.pos.hand[c.attacker][k]);
  return pack_hand(h);
}

// The refuting child's disproof hand; a refuting drop must stay possible, so
// the attacker may not hold so many of its kind that the defender has none.
uint32_t tsume_and_disproof_hand(KTsumeEngine& e, TsumeContext& c, int refuting) {
  const KTsumeNode* child = tsume_child_lookup(e, c, refuting);
  HandCounts h = unpack_hand(child != nullptr ? key_hand(child->key) : key_hand(c.key));
  const KMove& m = e.moves[c.move_base + refuting];
  if (m.from == kInHand) {
    const int k = code_kind(m.code);
    h.n[k] = std::min(h.n[k], c.pos.hand[c.attacker][k] + c.pos.hand[c.defender][k] - 1);
  }
  for (int k = kRook; k <= kPawn; ++k) h.n[k] = std::max<int>(h.n[k], c.pos.hand[c.attacker][k]);
  return pack_hand(h);
}

}  // namespace

void tsume_and_step(KTsumeEngine& e, TsumeContext& c, KTsumeNode* entry) {
  uint32_t last_child_nodes = 0;
  for (int i = 0; i < c.move_count; ++i) e.values[c.move_base + i].entered = 0;
  AndNumbers r;
  // The node's entry as tsume_mid left it, then as the lookup after the last
  // child found it.
  KTsumeNode* known = entry;
  KTsumeNode* node = nullptr;
  for (;;) {
    node = count_node(e, c, known);
    if (node == nullptr) return;
    r = tsume_and_numbers(e, c, *node);
    int32_t second = kInf;
    int best = -1;
    if (!r.disproven && r.dn < kInf) {
      best = tsume_and_select(e, c, second);
      if (best >= 0) r.pn = searched_pn(r, e.values[c.move_base + best]);
    }
    if (r.disproven || leave_loop(r.pn, r.dn, c.pn_threshold, c.dn_threshold)) break;
    if (best < 0) break;
    node->flags |= kFlagOnPath;
    e.values[c.move_base + best].entered = 1;
    const int32_t pn_th = c.pn_threshold, dn_th = c.dn_threshold, pn = r.pn;
    const ChildValue v = e.values[c.move_base + best];
    tsume_descend(e, c, best, true);
    c.pn_threshold = cap(std::max<int64_t>(int64_t{pn_th} - pn, c.pn_increment) + v.pn);
    c.dn_threshold = cap(std::min<int64_t>(dn_th, int64_t{second} + 5 * int64_t{c.dn_increment}));
    child_room(c, v);
    const uint32_t before = e.node_count;
    tsume_mid(e, c);
    last_child_nodes = e.node_count - before;
    tsume_ascend(e, c);
    known = tsume_lookup_exact(e.table, c.key);
    if (known != nullptr) known->flags &= static_cast<uint8_t>(~kFlagOnPath);
    if (e.store_failed) return;
  }
  KTsumeNode* result;
  if (r.disproven) {
    const uint16_t move = tsume_move_encode(e.moves[c.move_base + r.best]);
    if (r.loop) {
      result = store_path_disproof(e, c, std::max(r.dn, 1), move, r.cut);
    } else {
      result = store_result(e, c, with_hand(c.key, tsume_and_disproof_hand(e, c, r.best)), 0, kInf, 0, move);
    }
  } else if (r.dn >= kInf) {
    int length = 0;
    const uint32_t hand = tsume_and_proof_hand(e, c, length);
    result = store_proof(e, c, hand, kNoNodeMove, length);
  } else {
    result = store_open(e, c, node, r.pn, r.dn, r.best >= 0 ? tsume_move_encode(e.moves[c.move_base + r.best]) : 0);
  }
  if (result != nullptr) {
    result->work += last_child_nodes;
    if (r.pawn_drop_mate) result->flags |= kFlagPawnDropMate;
  }
}

}  // namespace tsume::pns
