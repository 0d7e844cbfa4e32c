// The depth-first proof-number search: one visit of a node iterates on its
// children under a pair of thresholds and stores the node's numbers. Here the
// OR nodes (the attacker to move), the terminal positions and tsume_mid; the
// AND nodes are in and_node.cpp, what both share in search_visits.h.
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
#include "engine/tsume/search_visits.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace pns {

namespace {

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

}  // namespace

KTsumeNode* current_node(KTsumeEngine& e, TsumeContext& c) {
  KTsumeNode* n = tsume_lookup_exact(e.table, c.key);
  if (n == nullptr) n = tsume_store_plain(e.table, c.ply, c.key, 1, 1);
  if (n == nullptr) e.store_failed = true;
  return n;
}

void store_interrupted(KTsumeEngine& e, TsumeContext& c) {
  if (KTsumeNode* n = tsume_store(e.table, c.ply, c.key, 0, 1, 1)) {
    n->move = kNoNodeMove;
  } else {
    e.store_failed = true;
  }
}

KTsumeNode* store_result(KTsumeEngine& e, TsumeContext& c, const KHashKey& key, uint32_t path_key, int32_t pn,
                         int32_t dn, uint16_t move) {
  return with_move(e, tsume_store(e.table, c.ply, key, path_key, pn, dn), move);
}

KTsumeNode* store_open(KTsumeEngine& e, TsumeContext& c, KTsumeNode* entry, int32_t pn, int32_t dn, uint16_t move) {
  return with_move(e, tsume_store_open(e.table, entry, c.ply, c.key, pn, dn), move);
}

KTsumeNode* store_path_disproof(KTsumeEngine& e, TsumeContext& c, int32_t dn, uint16_t move, bool cut) {
  if (cut && c.path_key == 0) return store_result(e, c, c.key, 0, 1, 1, move);
  KTsumeNode* n = store_result(e, c, c.key, c.path_key, kInf, dn, move);
  if (n != nullptr) n->cut = cut ? 1 : 0;
  return n;
}

KTsumeNode* store_proof(KTsumeEngine& e, TsumeContext& c, uint32_t hand, uint16_t move, int length) {
  KTsumeNode* n = tsume_store_proof(e.table, c.ply, with_hand(c.key, hand), move, length, 0);
  if (n == nullptr) e.store_failed = true;
  return n;
}

KTsumeNode* count_node(KTsumeEngine& e, TsumeContext& c, KTsumeNode* known) {
  if (tsume_limit_reached(e)) {
    store_interrupted(e, c);
    return nullptr;
  }
  return known != nullptr ? known : current_node(e, c);
}

}  // namespace pns

using namespace pns;

namespace {

constexpr uint32_t kDropMateBit = 1u << 10;

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


// True when the move takes the attacker's piece that moved two plies earlier
// back to its origin right after a king move of the defender.
bool back_and_forth(const KTsumeEngine& e, const TsumeContext& c, const KMove& m) {
  if (c.ply < 2 || m.from == kInHand) return false;
  const KMove& mine = e.frames[c.ply - 1].last_move;
  return code_kind(c.last_move.code) == kKing && mine.from != kInHand && mine.to == m.from && mine.from == m.to &&
         mine.piece == m.piece;
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

void or_value_child(KTsumeEngine& e, TsumeContext& c, KTsumeNode& node, const NodeReach& reach, int i, Numbers& r,
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
  const bool deeper = child == nullptr || or_counts_child(*child, reach);
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
  const NodeReach reach = count_start(node, c.ply);
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
      or_value_child(e, c, node, reach, i, r, held_pn, held_dn, backforth_dn, sum_dn, drop_max, repeat_max,
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
    node = count_node(e, c, known);
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
