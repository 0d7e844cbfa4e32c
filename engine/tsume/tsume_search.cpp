// The depth-first proof-number search: one visit of a node iterates on its
// children under a pair of thresholds and stores the node's numbers.
#include <algorithm>
#include <cstdlib>

#include "engine/board/evasion_gen.h"
#include "engine/board/hash_table.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/pair_transposition.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/proof_numbers.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace {

constexpr int32_t kLargeNumber = 0x100000;
constexpr uint32_t kDropMateBit = 1u << 10;

int32_t cap(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, kCap)); }

bool proven(const KTsumeNode& n) { return n.dn >= kInf; }
int node_depth(const KTsumeNode& n) { return n.depth & kDepthMask; }

// The kind bit of a non-promotion that the first pass leaves out, 0 for other
// moves: rooks, bishops and pawns that could promote and do not, and a lance
// stopping unpromoted on the second rank from the far side.
uint32_t nonpromo_kind_bit(const KMove& m) {
  if (m.from == kInHand || m.promote) return 0;
  const int side = code_side(m.code);
  const int cls = code_class(m.code);
  const bool zone = in_camp(side, m.from) || in_camp(side, m.to);
  if ((cls == kRook || cls == kBishop || cls == kPawn) && zone) return 1u << cls;
  if (cls == kLance && square_rank(m.to) == (side == 0 ? 2 : 8)) return 1u << cls;
  return 0;
}

// The kind bit a promoting move stands for (its non-promoting twin's), 0 else.
uint32_t promo_kind_bit(const KMove& m) {
  if (m.from == kInHand || !m.promote) return 0;
  const int cls = code_class(m.code);
  if (cls == kRook || cls == kBishop || cls == kPawn) return 1u << cls;
  if (cls == kLance && square_rank(m.to) == (code_side(m.code) == 0 ? 2 : 8)) return 1u << cls;
  return 0;
}

bool leave_loop(int32_t pn, int32_t dn, int32_t pn_th, int32_t dn_th) {
  if (pn >= kInf || dn >= kInf) return true;
  if (dn >= kLargeNumber) return pn >= pn_th;
  if (pn >= kLargeNumber) return dn >= dn_th;
  return pn >= pn_th || dn >= dn_th;
}

// The node's entry, made when there is none. A loop of a step asks it again
// only when the lookup after its last child found none: between that lookup
// and the next count nothing is stored.
KTsumeNode* current_node(KTsumeEngine& e, TsumeContext& c) {
  KTsumeNode* n = tsume_lookup_exact(e.table, c.key);
  if (n == nullptr) n = tsume_store_plain(e.table, c.ply, c.key, 1, 1);
  if (n == nullptr) e.store_failed = true;
  return n;
}

// Stores the numbers of an interrupted node.
void store_interrupted(KTsumeEngine& e, TsumeContext& c) {
  if (KTsumeNode* n = tsume_store(e.table, c.ply, c.key, 0, 1, 1)) {
    n->move = kNoNodeMove;
  } else {
    e.store_failed = true;
  }
}

// The stored node n takes the move; a store that found no node marks the
// search's table as full.
KTsumeNode* with_move(KTsumeEngine& e, KTsumeNode* n, uint16_t move) {
  if (n == nullptr) {
    e.store_failed = true;
    return nullptr;
  }
  n->move = move;
  return n;
}

KTsumeNode* store_result(KTsumeEngine& e, TsumeContext& c, const KHashKey& key, uint32_t path_key, int32_t pn,
                         int32_t dn, uint16_t move) {
  return with_move(e, tsume_store(e.table, c.ply, key, path_key, pn, dn), move);
}

// Stores the open numbers a visit ends with, into the node's entry that the
// step holds (store_result of the node's own key, without its chain walk).
KTsumeNode* store_open(KTsumeEngine& e, TsumeContext& c, KTsumeNode* entry, int32_t pn, int32_t dn, uint16_t move) {
  return with_move(e, tsume_store_open(e.table, entry, c.ply, c.key, pn, dn), move);
}

// Stores a disproof that holds on this path only (it rests on a repetition or
// on a line the depth limit cut), marked when it rests on a cut. At the root
// of a walk (path key 0) the entry would be plain and serve every later path:
// one resting on a cut shows no mate within the limit only, and is left open.
KTsumeNode* store_path_disproof(KTsumeEngine& e, TsumeContext& c, int32_t dn, uint16_t move, bool cut) {
  if (cut && c.path_key == 0) return store_result(e, c, c.key, 0, 1, 1, move);
  KTsumeNode* n = store_result(e, c, c.key, c.path_key, kInf, dn, move);
  if (n != nullptr) n->cut = cut ? 1 : 0;
  return n;
}

// Stores a proof under the proof hand with the length of its mate (an entry
// that already proves a shorter mate keeps it).
KTsumeNode* store_proof(KTsumeEngine& e, TsumeContext& c, uint32_t hand, uint16_t move, int length) {
  KTsumeNode* n = tsume_store_proof(e.table, c.ply, with_hand(c.key, hand), move, length, 0);
  if (n == nullptr) e.store_failed = true;
  return n;
}

int proof_length(const KTsumeNode& n) { return n.depth & kDepthMask; }

// Whether a child was first reached deeper than the node, which counts it
// with the node's other children; a child reached as high as the node itself
// or higher is held back (its numbers belong to the node that reached it
// first). Both first plies are depth words: the node's as its count starts,
// not the ply of this visit. Measured against the ply, a node reached again
// deeper than it was first reached held back every child its first visits
// had made, so that an AND node's pn left out children it still searched:
// the search stayed below it with its numbers standing still, and a mate in
// eleven stayed undecided for minutes.
bool first_reached_below(const KTsumeNode& child, int node_first) { return node_depth(child) > node_first; }

// A child entry that holds on its path only (a disproof resting on a
// repetition or a depth cut), and one resting on a cut.
bool path_only(const KTsumeNode* n) { return n != nullptr && n->path_key != 0; }
bool rests_on_cut(const KTsumeNode* n) { return path_only(n) && n->cut != 0; }

// True when the move takes the attacker's piece that moved two plies earlier
// back to its origin right after a king move of the defender.
bool back_and_forth(const KTsumeEngine& e, const TsumeContext& c, const KMove& m) {
  if (c.ply < 2 || m.from == kInHand) return false;
  const KMove& mine = e.frames[c.ply - 1].last_move;
  return code_kind(c.last_move.code) == kKing && mine.from != kInHand && mine.to == m.from && mine.from == m.to &&
         mine.piece == m.piece;
}

// The chosen child's thresholds lie above its numbers. The node's own numbers
// need not come from the child it searches (a held-back child, a child chosen
// by the largest dn of its group, a loop left open because a number is
// large), and a child that starts at or over a threshold returns at once
// without a change: the node would choose it again for ever.
void child_room(TsumeContext& c, const ChildValue& v) {
  c.pn_threshold = std::max(c.pn_threshold, std::min(v.pn + 1, kCap));
  c.dn_threshold = std::max(c.dn_threshold, std::min(v.dn + 1, kCap));
}

// ---- OR nodes ---------------------------------------------------------------

struct Numbers {
  int32_t pn = kInf;
  int32_t dn = 0;
  int best = -1;
  bool loop = false;
  bool cut = false;        // a child's disproof on this path rests on a depth cut
  bool drop_mate = false;  // a pawn drop that mates was passed over
};

void or_value_child(KTsumeEngine& e, TsumeContext& c, KTsumeNode& node, int node_first, int i, Numbers& r,
                    int32_t& held_pn, int32_t& held_dn, int32_t& backforth_dn, int32_t& sum_dn, int32_t* drop_max,
                    int32_t& repeat_max, bool& deeper_seen) {
  const KMove& m = e.moves[c.move_base + i];
  const KeyEntry& ent = e.entries[c.move_base + i];
  ChildValue& v = e.values[c.move_base + i];
  v.state = 0;
  KTsumeNode* child = tsume_child_lookup(e, c, i);
  if (path_only(child) || ent.on_path) {
    r.loop = true;
    r.cut = r.cut || rests_on_cut(child);
    return;
  }
  int32_t cpn, cdn;
  if (child != nullptr) {
    cpn = child->pn;
    cdn = child->dn;
    if (child->flags & kFlagPawnDropMate) {
      if (const uint32_t bit = promo_kind_bit(m)) c.nonpromo_bits |= bit | kDropMateBit;
    }
    if (proven(*child) && child->move == kTerminalMove && is_pawn_drop(m)) {
      c.nonpromo_bits |= kDropMateBit;
      r.drop_mate = true;
      return;
    }
  } else {
    const KKiki& k = kiki_at(c.pos, m.to);
    const int support = k.direct_count[c.attacker] - (m.from == kInHand ? 0 : 1);
    cpn = c.pn_increment + ((support <= 0 && k.direct_count[c.defender] > 0) ? 1 : 0);
    cdn = c.dn_increment + (m.captured_code != 0 ? 1 : 0);
    cpn = std::max(cpn, 1);
    cdn = std::max(cdn, 1);
  }
  v.pn = cpn;
  v.dn = cdn;
  v.hint = ent.h16;
  if (cpn == 0) {
    v.state = 2;
    r.pn = 0;
    r.dn = kInf;
    r.best = i;
    return;
  }
  if (cpn >= kInf) {
    v.state = 3;
    return;
  }
  v.state = 1;
  const bool deeper = child == nullptr || first_reached_below(*child, node_first);
  v.deeper = deeper;
  if (deeper) {
    deeper_seen = true;
    if (cpn < r.pn) {
      r.pn = cpn;
      r.best = i;
    }
    if (back_and_forth(e, c, m)) {
      backforth_dn = std::max(backforth_dn, cdn);
    } else if (ent.h17 < 1) {
      if (m.from == kInHand) {
        drop_max[code_kind(m.code)] = std::max(drop_max[code_kind(m.code)], cdn);
      } else {
        sum_dn = sat_add(sum_dn, cdn);
      }
    } else {
      repeat_max = std::max(repeat_max, cdn);
    }
  } else {
    if (cpn < r.pn) {
      r.pn = cpn;
      r.best = i;
    }
    if (cpn < held_pn || (cpn == held_pn && cdn < held_dn)) {
      held_pn = cpn;
      held_dn = cdn;
    }
    if (node_depth(*child) < node_depth(node)) node.depth = static_cast<uint16_t>((node.depth & ~kDepthMask) | node_depth(*child));
  }
}

Numbers tsume_or_numbers(KTsumeEngine& e, TsumeContext& c, KTsumeNode& node) {
  Numbers r;
  if (node_depth(node) > c.ply) node.depth = static_cast<uint16_t>((node.depth & ~kDepthMask) | c.ply);
  // Held-back children lower the node's depth word as they are counted; the
  // test of the others keeps the word the count started with.
  const int node_first = node_depth(node);
  int32_t held_pn = kInf, held_dn = kInf, backforth_dn = 0, sum_dn = 0, repeat_max = 0;
  int32_t drop_max[8] = {};
  bool deeper_seen = false;
  for (int pass = 0; pass < 2; ++pass) {
    // The second pass counts only non-promotions of kinds whose bit is set.
    if (pass == 1 && c.nonpromo_bits == 0) break;
    for (int i = 0; i < c.move_count; ++i) {
      const uint32_t bit = nonpromo_kind_bit(e.moves[c.move_base + i]);
      if (pass == 0 && bit != 0 && (c.nonpromo_bits & bit) == 0) {
        e.values[c.move_base + i].state = 0;
        continue;
      }
      if (pass == 1 && (bit == 0 || (c.nonpromo_bits & bit) == 0)) continue;
      // A non-promotion counted in the first pass (its bit was set) is not counted twice.
      if (pass == 1 && e.values[c.move_base + i].state != 0) continue;
      or_value_child(e, c, node, node_first, i, r, held_pn, held_dn, backforth_dn, sum_dn, drop_max, repeat_max,
                     deeper_seen);
      if (r.pn == 0) return r;
    }
  }
  // sum_dn is 0 or a saturated sum, to which a 0 adds nothing (sum_of).
  int32_t dn = sum_dn;
  for (int k = kRook; k <= kPawn; ++k) {
    if (drop_max[k] != 0) dn = sat_add(dn, drop_max[k]);
  }
  if (repeat_max != 0) dn = sat_add(dn, repeat_max);
  if (deeper_seen) {
    if (dn == 0) dn = held_dn < kInf ? held_dn : 0;
    if (dn == 0) dn = backforth_dn;
  } else if (held_dn < kInf) {
    dn = sat_add(dn, held_dn);
  }
  if (r.pn >= kInf) dn = 0;
  r.dn = dn;
  return r;
}

// Best: smallest pn, then smallest dn, then smallest hint; second: the next pn.
int tsume_or_select(KTsumeEngine& e, TsumeContext& c, int32_t& second) {
  int best = -1;
  second = kInf;
  for (int i = 0; i < c.move_count; ++i) {
    const ChildValue& v = e.values[c.move_base + i];
    if (v.state == 2) return i;
    if (v.state != 1) continue;
    if (best < 0) {
      best = i;
      continue;
    }
    const ChildValue& b = e.values[c.move_base + best];
    if (v.pn < b.pn || (v.pn == b.pn && (v.dn < b.dn || (v.dn == b.dn && v.hint < b.hint)))) {
      second = std::min(second, b.pn);
      best = i;
    } else {
      second = std::min(second, v.pn);
    }
  }
  return best;
}

uint32_t tsume_or_disproof_hand(KTsumeEngine& e, TsumeContext& c, bool drop_mate) {
  HandCounts h = or_disproof_start(c.pos, c.attacker);
  for (int i = 0; i < c.move_count; ++i) {
    if (e.values[c.move_base + i].state != 3) continue;
    const KTsumeNode* child = tsume_child_lookup(e, c, i);
    if (child == nullptr) continue;
    h = hand_min(h, or_disproof_hand_back(key_hand(child->key), e.moves[c.move_base + i]));
  }
  if (drop_mate) {
    for (int k = kRook; k <= kPawn; ++k) {
      h.n[k] = std::min(h.n[k], c.pos.hand[c.attacker][k] + c.pos.hand[c.defender][k]);
    }
  }
  return pack_hand(h);
}

// The mate in one tried once per node: a check after which the defender has
// no answer, other than a pawn drop. True when it was found and stored.
bool or_mate_in_one(KTsumeEngine& e, TsumeContext& c) {
  if (ichite_zume_pretest(c.pos) == 0) return false;
  for (int i = 0; i < c.move_count; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (is_pawn_drop(m) || oute_quick_refute(c.pos, m)) continue;
    do_move(c.pos, m, 0);
    const bool mated = oute_nige_count(c.pos, 0) == 0;
    const HandCounts mated_hand = mated_proof_hand(c.pos, c.attacker);
    undo_move(c.pos, m, 0);
    if (!mated) continue;
    const uint32_t hand = tsume_or_proof_hand(pack_hand(mated_hand), m);
    if (KTsumeNode* n = store_proof(e, c, hand, tsume_move_encode(m), 1)) {
      n->work = 1;
      n->flags &= static_cast<uint8_t>(~kFlagPawnDropMate);
    }
    return true;
  }
  return false;
}

void tsume_or_step(KTsumeEngine& e, TsumeContext& c, KTsumeNode* entry) {
  uint32_t last_child_nodes = 0;
  c.nonpromo_bits = 0;
  Numbers r;
  int best = -1;
  // The node's entry as tsume_mid left it, then as the lookup after the last
  // child found it.
  KTsumeNode* known = entry;
  KTsumeNode* node = nullptr;
  for (;;) {
    if (tsume_limit_reached(e)) {
      store_interrupted(e, c);
      return;
    }
    node = known != nullptr ? known : current_node(e, c);
    if (node == nullptr) return;
    r = tsume_or_numbers(e, c, *node);
    if ((node->flags & kFlagMateInOneTried) == 0) {
      node->flags |= kFlagMateInOneTried;
      // A try that finds no mate stores nothing: the node's entry stays.
      if (or_mate_in_one(e, c)) return;
    }
    if (leave_loop(r.pn, r.dn, c.pn_threshold, c.dn_threshold)) break;
    int32_t second;
    best = tsume_or_select(e, c, second);
    if (best < 0) break;
    node->flags |= kFlagOnPath;
    const int32_t pn_th = c.pn_threshold, dn_th = c.dn_threshold, dn = r.dn;
    const ChildValue v = e.values[c.move_base + best];
    const uint32_t saved_nonpromo = c.nonpromo_bits;
    tsume_descend(e, c, best, true);
    c.pn_threshold = cap(std::min<int64_t>(pn_th, int64_t{second} + c.pn_increment));
    c.dn_threshold = cap(std::max<int64_t>(int64_t{dn_th} - dn, 5 * int64_t{c.dn_increment}) + v.dn);
    child_room(c, v);
    const uint32_t before = e.node_count;
    tsume_mid(e, c);
    last_child_nodes = e.node_count - before;
    tsume_ascend(e, c);
    c.nonpromo_bits = saved_nonpromo;
    known = tsume_lookup_exact(e.table, c.key);
    if (known != nullptr) known->flags &= static_cast<uint8_t>(~kFlagOnPath);
    if (e.store_failed) return;
  }
  KTsumeNode* result;
  if (r.pn == 0) {
    const KMove& m = e.moves[c.move_base + r.best];
    const KTsumeNode* child = tsume_child_lookup(e, c, r.best);
    const uint32_t hand = child != nullptr ? tsume_or_proof_hand(key_hand(child->key), m) : key_hand(c.key);
    const int length = child != nullptr && proven(*child) ? proof_length(*child) + 1 : kNoLength;
    if (c.search_keyed && c.ply >= 1) hash_store(tsume_search_key(c), 63, 3, 32766, 32767, 0, 0, pack_move_word(m), 5);
    result = store_proof(e, c, hand, tsume_move_encode(m), length);
  } else if (r.pn >= kInf) {
    if (r.loop) {
      result = store_path_disproof(e, c, 0, kNoNodeMove, r.cut);
    } else {
      result = store_result(e, c, with_hand(c.key, tsume_or_disproof_hand(e, c, r.drop_mate)), 0, kInf, 0, kNoNodeMove);
    }
  } else {
    result = store_open(e, c, node, r.pn, r.dn, r.best >= 0 ? tsume_move_encode(e.moves[c.move_base + r.best]) : 0);
  }
  if (result != nullptr) {
    result->work += last_child_nodes;
    if (c.nonpromo_bits != 0) {
      result->flags |= kFlagPawnDropMate;
    } else {
      result->flags &= static_cast<uint8_t>(~kFlagPawnDropMate);
    }
  }
}

// ---- AND nodes --------------------------------------------------------------

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
AndNumbers tsume_and_numbers_pair(KTsumeEngine& e, TsumeContext& c, int node_first) {
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
    v.deeper = first_reached_below(*child, node_first);
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
  if (node_depth(node) > c.ply) node.depth = static_cast<uint16_t>((node.depth & ~kDepthMask) | c.ply);
  const int node_first = node_depth(node);
  if (tsume_pair_transposition(e, c, node)) {
    ++e.pair_transpositions;
    return tsume_and_numbers_pair(e, c, node_first);
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
    if (m.captured_code == 0 && child != nullptr && !first_reached_below(*child, node_first)) {
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
      if (v.hint < 1) {
        if (cdn < min_dn) {
          min_dn = cdn;
          r.best = i;
        }
      } else if (cdn > hint_dn) {
        hint_dn = cdn;
        hint_best = i;
      }
      continue;
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

void tsume_and_step(KTsumeEngine& e, TsumeContext& c, KTsumeNode* entry) {
  uint32_t last_child_nodes = 0;
  for (int i = 0; i < c.move_count; ++i) e.values[c.move_base + i].entered = 0;
  AndNumbers r;
  // The node's entry as tsume_mid left it, then as the lookup after the last
  // child found it.
  KTsumeNode* known = entry;
  KTsumeNode* node = nullptr;
  for (;;) {
    if (tsume_limit_reached(e)) {
      store_interrupted(e, c);
      return;
    }
    node = known != nullptr ? known : current_node(e, c);
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

// ---- Terminal positions ----------------------------------------------------

// Handles the depth limit and positions without moves; true when handled.
// A line the depth limit cuts is no mate on this path, as a repetition is, and
// the entry says it rests on the cut (store_path_disproof). Numbers that only
// made the caller back off brought it back with thresholds raised by one
// increment, again and again: a long problem's search stayed at the limit.
bool tsume_terminal(KTsumeEngine& e, TsumeContext& c) {
  const bool fits = c.ply < e.max_ply && c.move_base < kMovesPerPly * e.max_ply - 100 && tsume_list_moves(e, c);
  if (!fits) {
    if (KTsumeNode* n = tsume_store_loop_disproof(e.table, c.ply, c.key, c.path_key, kNoNodeMove)) {
      n->work = 1;
      n->cut = 1;
    } else {
      e.store_failed = true;
    }
    return true;
  }
  if (c.move_count > 0) return false;
  if (c.pos.teban == c.defender) {
    KTsumeNode* n = store_proof(e, c, pack_hand(mated_proof_hand(c.pos, c.attacker)), kTerminalMove, 0);
    if (n != nullptr) {
      n->work = 1;
      if (c.ply > 0 && is_pawn_drop(c.last_move)) {
        n->flags |= kFlagPawnDropMate;
      } else {
        n->flags &= static_cast<uint8_t>(~kFlagPawnDropMate);
      }
    }
  } else {
    KTsumeNode* n = store_result(e, c, with_hand(c.key, tsume_nocheck_disproof_hand(c.pos, c.attacker)), 0, kInf, 0,
                                 kNoNodeMove);
    if (n != nullptr) {
      n->work = 1;
      n->flags &= static_cast<uint8_t>(~kFlagPawnDropMate);
    }
  }
  return true;
}

}  // namespace

void tsume_mid(KTsumeEngine& e, TsumeContext& c) {
  if (tsume_limit_reached(e)) {
    store_interrupted(e, c);
    return;
  }
  ++e.node_count;
  KTsumeNode* node = tsume_lookup_path(e.table, c.key, c.path_key);
  if (node != nullptr && (node->pn == 0 || node->pn >= kInf)) return;  // already decided
  if (tsume_terminal(e, c)) return;
  // The node's plain entry (a key has one at most), which the step takes on
  // to its first count: nothing is stored in between.
  KTsumeNode* entry;
  if (node != nullptr && node->key == c.key && node->path_key == 0) {
    node->pn = std::max(c.pn_threshold, 1);
    node->dn = std::max(c.dn_threshold, 1);
    entry = node;
  } else if (KTsumeNode* n = tsume_store_plain(e.table, c.ply, c.key, 1, 1)) {
    n->move = kNoNodeMove;
    entry = n;
  } else {
    e.store_failed = true;
    return;
  }
  tsume_children_init(e, c);
  if (c.pos.teban == c.attacker) {
    tsume_or_step(e, c, entry);
  } else {
    tsume_and_step(e, c, entry);
  }
}

}  // namespace tsume
