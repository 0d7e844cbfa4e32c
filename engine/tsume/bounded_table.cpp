// The depth-bounded search's entries in the node table: what the table holds
// for a node, and the keeping of verdicts (see tsume_bounded.h).
#include <algorithm>

#include "engine/tsume/bounded_search.h"
#include "engine/tsume/tsume_bounded.h"

namespace tsume {
namespace bounded {

namespace {

// What the table holds for a key: the shortest proof that answers it, the
// largest bound of a disproof that answers it, and the open numbers at r.
struct Known {
  int proof = kNoLength + 1;
  uint16_t move = 0;
  uint32_t hand = 0;
  uint8_t proof_flags = 0;
  int bound = -1;
  uint8_t bound_flags = 0;
  uint32_t bound_hand = 0;
  const KTsumeNode* open = nullptr;
};

uint8_t leaf_flags(const KTsumeNode& n, bool same) {
  uint8_t f = 0;
  if (n.flags & kFlagPawnDropMate) f |= kDropMate;
  if (same && (n.flags & kFlagExactHand)) f |= kExact;
  return f;
}

// One walk over the key's chain, and the open numbers at r_open (none when
// below 0). Results that hold on one path only are read on that path
// (`path_key`).
void scan(const KTsumeTable& t, const KHashKey& key, uint32_t path_key, int r_open, Known& k) {
  if (t.buckets == nullptr) return;
  if (r_open >= 0) {
    const KTsumeNode* n = tsume_lookup_exact(const_cast<KTsumeTable&>(t), open_key(key));
    if (n != nullptr && static_cast<int>(n->depth & kDepthMask) == r_open) k.open = n;
  }
  const uint32_t bound_w0 = key.word[0] ^ kBoundTag;
  for (uint32_t i = t.buckets[key.word[1] % t.bucket_count]; i != kNoNode; i = t.at(i).next) {
    const KTsumeNode& n = t.at(i);
    if (n.key.word[1] != key.word[1] || !hash_hand_only_differs(n.key.word[2], key.word[2])) continue;
    const uint32_t w0 = n.key.word[0];
    const bool same = n.key.word[2] == key.word[2];
    if (n.path_key != 0) {
      if (n.path_key != path_key || path_key == 0 || !same) continue;
      if (w0 == bound_w0 && static_cast<int>(n.depth & kDepthMask) > k.bound) {
        k.bound = n.depth & kDepthMask;
        k.bound_flags = static_cast<uint8_t>(leaf_flags(n, same) | kLooped);
        k.bound_hand = key_hand(n.key);
      } else if (w0 == (key.word[0] ^ kLoopProofTag) && static_cast<int>(n.depth & kDepthMask) < k.proof) {
        k.proof = n.depth & kDepthMask;
        k.move = n.move;
        k.hand = key_hand(n.key);
        k.proof_flags = static_cast<uint8_t>(leaf_flags(n, same) | kLooped);
      }
      continue;
    }
    const bool plain = w0 == key.word[0];
    if (!plain && w0 != bound_w0) continue;
    // The hands are compared only for an entry that would improve what is
    // known: most entries met are open, or no better than one met before.
    auto compare = [&] { return same ? 3u : (n.flags & kFlagExactHand) ? 0u : hash_hand_compare(key, n.key); };
    if (plain && n.dn >= kInf) {
      if (static_cast<int>(n.depth & kDepthMask) >= k.proof) continue;
      const uint32_t cmp = compare();
      if (cmp == 3 || cmp == 1) {
        k.proof = n.depth & kDepthMask;
        k.move = n.move;
        k.hand = key_hand(n.key);
        k.proof_flags = leaf_flags(n, same);
        if (n.move == kTerminalMove) k.proof_flags |= kTerminal;
      }
    } else if (n.pn >= kInf) {
      const int bound = plain ? kForever : static_cast<int>(n.depth & kDepthMask);
      if (bound <= k.bound) continue;
      const uint32_t cmp = compare();
      if (cmp == 3 || cmp == 2) {
        k.bound = bound;
        k.bound_flags = leaf_flags(n, same);
        k.bound_hand = key_hand(n.key);
      }
    }
  }
}

// A result that holds on this path only is kept under the path's key, so that
// the next visit along the same path finds it again.
void store_looped(Search& s, const TsumeContext& c, const KHashKey& key, const Leaf& v, uint32_t work) {
  if (c.path_key == 0 || !decided(v)) return;
  const bool proof = proven(v);
  KTsumeNode* n = tsume_find_or_add(s.t, c.ply, tagged(key, proof ? kLoopProofTag : kBoundTag), c.path_key);
  if (n == nullptr) {
    s.e.store_failed = true;
    return;
  }
  n->pn = proof ? 0 : kInf;
  n->dn = proof ? kInf : 0;
  n->move = v.move;
  n->depth = static_cast<uint16_t>((n->depth & ~kDepthMask) | std::min<int>(proof ? v.length : v.bound, kForever));
  n->flags = static_cast<uint8_t>((n->flags & kFlagOnPath) | ((v.flags & kDropMate) ? kFlagPawnDropMate : 0));
  n->work = std::max(n->work, work);
}

}  // namespace

Leaf read_node(const KTsumeTable& t, const KHashKey& real, uint32_t path_key, int r, int level, bool or_node,
               Leaf fresh) {
  if (r < (or_node ? 1 : 0)) return disproof_leaf(r, 0, kFullHand);
  Known k;
  scan(t, level_key(real, level), path_key, r, k);
  if (level < kWholeNode) {
    // A mate of the whole node is one of the node without some drops.
    Known whole;
    scan(t, real, path_key, -1, whole);
    if (whole.proof < k.proof) {
      k.proof = whole.proof;
      k.move = whole.move;
      k.hand = whole.hand;
      k.proof_flags = whole.proof_flags;
    }
  }
  if (k.proof <= r) return proof_leaf(k.proof, k.move, k.hand, k.proof_flags);
  if (k.bound >= r) return disproof_leaf(k.bound, k.bound_flags, k.bound_hand);
  if (k.open != nullptr) {
    Leaf v = open_leaf(k.open->pn, k.open->dn);
    if (k.open->flags & kFlagPawnDropMate) v.flags |= kDropMate;
    return v;
  }
  return fresh;
}

void store_bound(Search& s, int ply, const KHashKey& key, int bound, uint8_t flags, uint32_t work) {
  const KHashKey k = tagged(key, kBoundTag);
  if (!(flags & kFlagExactHand)) tsume_drop_covered_bounds(s.t, k, bound);
  KTsumeNode* n = tsume_find_or_add(s.t, ply, k);
  if (n == nullptr) {
    s.e.store_failed = true;
    return;
  }
  n->work = std::max(n->work, work);
  if (n->pn >= kInf && static_cast<int>(n->depth & kDepthMask) >= bound) return;
  n->pn = kInf;
  n->dn = 0;
  n->depth = static_cast<uint16_t>((n->depth & ~kDepthMask) | std::min<int>(bound, kForever));
  n->flags = static_cast<uint8_t>((n->flags & kFlagOnPath) | kFlagBoundedDisproof | flags);
}

void store(Search& s, const TsumeContext& c, int level, const Leaf& v, KTsumeNode* open, uint32_t work) {
  const KHashKey key = level_key(c.key, level);
  if (v.flags & kLooped) {
    store_looped(s, c, key, v, work);
    return;
  }
  const uint8_t drop_mate = (v.flags & kDropMate) ? kFlagPawnDropMate : 0;
  if (proven(v)) {
    const bool exact = (v.flags & kExact) != 0;
    const KHashKey k = exact ? key : with_hand(key, v.hand);
    const uint16_t move = (v.flags & kTerminal) ? kTerminalMove : v.move;
    KTsumeNode* n =
        tsume_store_proof(s.t, c.ply, k, move, v.length, static_cast<uint8_t>((exact ? kFlagExactHand : 0) | drop_mate));
    if (n == nullptr) {
      s.e.store_failed = true;
    } else {
      n->work = std::max(n->work, work);
    }
    return;
  }
  if (disproven(v)) {
    if (v.bound < 0) return;
    store_bound(s, c.ply, (v.flags & kExact) ? key : with_hand(key, v.hand), v.bound,
                static_cast<uint8_t>(drop_mate | ((v.flags & kExact) ? kFlagExactHand : 0)), work);
    return;
  }
  if (open != nullptr) {
    open->pn = v.pn;
    open->dn = v.dn;
    open->flags = static_cast<uint8_t>((open->flags & ~kFlagPawnDropMate) | drop_mate);
  }
}

}  // namespace bounded

int tsume_bounded_known(const KTsumeTable& t, const KHashKey& key, int bound, int* length) {
  bounded::Known k;
  bounded::scan(t, key, 0, -1, k);
  if (k.proof <= bound) {
    if (length != nullptr) *length = k.proof;
    return 0;
  }
  return k.bound >= bound ? 2 : 1;
}

}  // namespace tsume
