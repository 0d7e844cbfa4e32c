// The depth-bounded proof-number search behind the composer's shorter-mate
// test.
//
// An entry of the composer's table carries in its depth word the remaining
// depth (bound - ply) it was made at: a proof holds at every remaining depth
// of at least its word, a disproof marked bounded at every remaining depth up
// to its word, any other disproof always; open numbers are estimates at the
// depth they were made. A position at the bound cannot mate within it, so
// every iteration ends with the root proven, disproven, or disproven within
// the bound (then the next depth follows). A result that depends on a
// repetition of the path is handed to the parent but never kept.
//
// An interposing drop of the kind the solver counts as useless, and the
// attacker's capture of it, cost nothing: the capture's line gets two more
// plies, and at the bound such a drop is still followed by its captures.
#include "engine/tsume/compose_search.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/board/move_rules.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/proof_numbers.h"
#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace {

constexpr int32_t kLargeNumber = 0x100000;
constexpr uint32_t kComposeGcThreshold = 5;
// The proof number of an AND node sums the largest values of each group.
constexpr int kKingMovesCounted = 4;
constexpr int kOthersCounted = 2;
// Interpositions are grouped by their distance from the king, 1..7.
constexpr int kMaxDistance = 7;

// A node's or a child's numbers with what its result depends on.
struct Verdict {
  int32_t pn = 1;
  int32_t dn = 1;
  uint16_t move = kNoNodeMove;  // best move in the node coding
  uint32_t hand = 0;            // a proof's hand: the attacker's pieces it needs, packed
  bool bounded = false;         // a disproof within the remaining depth only
  bool looped = false;          // a disproof on this path only
  bool drop_mate = false;       // depends on a drop-pawn mate below
  bool terminal = false;        // mated here

  bool proven() const { return dn >= kInf; }
  bool disproven() const { return pn >= kInf; }
};

Verdict disproof(bool bounded, bool looped) {
  Verdict v;
  v.pn = kInf;
  v.dn = 0;
  v.bounded = bounded;
  v.looped = looped;
  return v;
}

Verdict proof(uint16_t move) {
  Verdict v;
  v.pn = 0;
  v.dn = kInf;
  v.move = move;
  return v;
}

// A child's numbers learnt during the current visit of its parent.
struct ChildState {
  Verdict v;
  bool known = false;
  bool useless_drop = false;  // an interposition of the kind the solver counts as useless
};

struct ComposeSearch {
  KTsumeEngine& e;
  KTsumeTable& t;
  std::vector<ChildState> child;  // beside the instance's move store
  std::vector<int> bonus;         // plies added to the bound at each ply of the path
  std::vector<uint8_t> useless;   // the move into each ply is a drop that interposes uselessly
  int depth = 0;
  bool interrupted = false;
};

int32_t cap(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 1, kCap)); }

bool leave_loop(int32_t pn, int32_t dn, int32_t pn_th, int32_t dn_th) {
  if (pn >= kInf || dn >= kInf) return true;
  if (dn >= kLargeNumber) return pn >= pn_th;
  if (pn >= kLargeNumber) return dn >= dn_th;
  return pn >= pn_th || dn >= dn_th;
}

bool is_pawn_drop(const KMove& m) { return m.from == kInHand && code_kind(m.code) == kPawn; }

int chebyshev(int a, int b) {
  return std::max(std::abs(square_file(a) - square_file(b)), std::abs(square_rank(a) - square_rank(b)));
}

// Rooks, bishops and pawns that could promote and do not, and a lance
// stopping unpromoted on the second rank from the far side: looked at only
// once a drop-pawn mate plays a part below.
bool skipped_nonpromotion(const KMove& m) {
  if (m.from == kInHand || m.promote) return false;
  const int side = code_side(m.code);
  const int cls = code_class(m.code);
  if (cls == kRook || cls == kBishop || cls == kPawn) return in_camp(side, m.from) || in_camp(side, m.to);
  return cls == kLance && square_rank(m.to) == (side == 0 ? 2 : 8);
}

// The attacker's capture of a piece the defender has just dropped to
// interpose uselessly: the bound moves two plies further for its line.
bool captures_interposition(const ComposeSearch& s, const TsumeContext& c, const KMove& m) {
  return s.useless[c.ply] && m.to == c.last_move.to && m.captured_code != 0;
}

// Plies to go from the context's node, and from after its move `m`.
int remaining_at(const ComposeSearch& s, const TsumeContext& c) { return s.depth + s.bonus[c.ply] - c.ply; }
int remaining_after(const ComposeSearch& s, const TsumeContext& c, const KMove& m) {
  return remaining_at(s, c) - 1 + (captures_interposition(s, c, m) ? 2 : 0);
}

// What a stored entry says at `remaining` plies to go; false when it says
// nothing there.
bool read_entry(const KTsumeNode& n, int remaining, Verdict& v) {
  const int word = n.depth & kDepthMask;
  v = Verdict{};
  v.pn = n.pn;
  v.dn = n.dn;
  v.move = n.move;
  v.drop_mate = (n.flags & kFlagPawnDropMate) != 0;
  v.terminal = n.move == kTerminalMove;
  v.hand = key_hand(n.key);
  if (n.dn >= kInf) {
    v.pn = 0;
    return word <= remaining;
  }
  if (n.pn >= kInf) {
    v.dn = 0;
    v.bounded = (n.flags & kFlagBoundedDisproof) != 0;
    return !v.bounded || remaining <= word;
  }
  return word >= remaining;
}

bool stop_now(ComposeSearch& s) {
  if (!s.interrupted && tsume_limit_reached(s.e)) s.interrupted = true;
  return s.interrupted;
}

// Keeps a node's result with its depth word (a proof under its proof hand,
// so that it also answers the same board with more in hand); a result that
// holds on this path only is not kept.
void store_verdict(ComposeSearch& s, const KHashKey& key, int word, const Verdict& v) {
  if (v.looped) return;
  KTsumeNode* n = v.proven() ? tsume_store_plain(s.t, word, with_hand(key, v.hand), 0, kInf)
                             : tsume_store_plain(s.t, word, key, v.pn, v.dn);
  if (n == nullptr) {
    s.e.store_failed = true;
    return;
  }
  n->move = v.move;
  n->depth = static_cast<uint16_t>((n->depth & ~kDepthMask) | (word & kDepthMask));
  n->flags = static_cast<uint8_t>(n->flags & ~(kFlagPawnDropMate | kFlagBoundedDisproof));
  if (v.drop_mate) n->flags |= kFlagPawnDropMate;
  if (v.disproven() && v.bounded) n->flags |= kFlagBoundedDisproof;
}

Verdict compose_mid(ComposeSearch& s, TsumeContext& c);

// Opens the node's listed moves as children: their keys, no verdict learnt
// yet, and which of the defender's drops interpose uselessly.
void tsume_compose_expand(ComposeSearch& s, TsumeContext& c) {
  tsume_children_init(s.e, c);
  for (int i = 0; i < c.move_count; ++i) {
    const KMove& m = s.e.moves[c.move_base + i];
    ChildState& cs = s.child[c.move_base + i];
    cs = ChildState{};
    cs.useless_drop = c.pos.teban == c.defender && tsume_useless_interposition(c.pos, c.defender, m) != 0;
  }
}

// The numbers of listed child `i`: learnt in this visit, a repetition of the
// path, the table's, or the start values of a child not yet searched.
Verdict child_value(ComposeSearch& s, const TsumeContext& c, int i) {
  const ChildState& cs = s.child[c.move_base + i];
  if (cs.known) return cs.v;
  const KeyEntry& ent = s.e.entries[c.move_base + i];
  if (tsume_path_find(s.e, ent.key, c.ply)) return disproof(false, true);
  const KMove& m = s.e.moves[c.move_base + i];
  const int remaining = remaining_after(s, c, m);
  Verdict v;
  if (const KTsumeNode* n = tsume_lookup(s.t, ent.key); n != nullptr && read_entry(*n, remaining, v)) return v;
  // A useless interposition is looked at even at the bound: its capture follows.
  if (remaining < 0 || (remaining == 0 && !cs.useless_drop)) return disproof(true, false);
  v = Verdict{};
  if (c.pos.teban == c.defender) {
    v.pn = std::max(c.pn_increment + (m.captured_code != 0 ? 1 : 0), 1);
  }
  return v;
}

// Searches listed child `i` with the given thresholds (made with the
// increments after the move) and learns its verdict.
template <class Thresholds>
void search_child(ComposeSearch& s, TsumeContext& c, KTsumeNode& node, int i, Thresholds thresholds) {
  const KMove& m = s.e.moves[c.move_base + i];
  s.bonus[c.ply + 1] = s.bonus[c.ply] + (captures_interposition(s, c, m) ? 2 : 0);
  s.useless[c.ply + 1] = s.child[c.move_base + i].useless_drop;
  tsume_descend(s.e, c, i, true);
  thresholds(c);
  const uint32_t before = s.e.node_count;
  const Verdict v = compose_mid(s, c);
  node.work += s.e.node_count - before;
  tsume_ascend(s.e, c);
  ChildState& cs = s.child[c.move_base + i];
  cs.v = v;
  cs.known = true;
}

// OR node: pn = the smallest, dn = the sum; a proven child that is not a
// drop-pawn mate proves it. The children come in ascending order of pn: `best`
// the first (ties: smaller dn) and `second` the next smallest pn, for the
// selection.
Verdict compose_sort_children(ComposeSearch& s, const TsumeContext& c, bool& with_nonpromotions, int& best,
                              int32_t& second) {
  for (;;) {
    const bool counted_nonpromotions = with_nonpromotions;
    Verdict r;
    r.pn = kInf;
    r.dn = 0;
    best = -1;
    second = kInf;
    int32_t best_dn = kInf;
    bool bounded = false, looped = false;
    for (int i = 0; i < c.move_count; ++i) {
      const KMove& m = s.e.moves[c.move_base + i];
      if (!with_nonpromotions && skipped_nonpromotion(m)) continue;
      const Verdict v = child_value(s, c, i);
      if (v.drop_mate) r.drop_mate = true;
      if (v.proven()) {
        if (v.terminal && is_pawn_drop(m)) {  // a drop-pawn mate is no mate
          r.drop_mate = true;
          continue;
        }
        Verdict p = proof(tsume_move_encode(m));
        p.hand = or_proof_hand(v.hand, m);
        p.drop_mate = r.drop_mate;
        best = i;
        return p;
      }
      if (v.disproven()) {
        bounded = bounded || v.bounded;
        looped = looped || v.looped;
        continue;
      }
      if (v.pn < r.pn || (v.pn == r.pn && v.dn < best_dn)) {
        second = std::min(second, r.pn);
        r.pn = v.pn;
        best_dn = v.dn;
        best = i;
      } else {
        second = std::min(second, v.pn);
      }
      r.dn = sat_add(r.dn, v.dn);
    }
    if (r.drop_mate) with_nonpromotions = true;
    if (with_nonpromotions != counted_nonpromotions) continue;  // count the non-promotions too
    if (r.disproven()) {
      Verdict d = disproof(bounded, looped);
      d.drop_mate = r.drop_mate;
      return d;
    }
    r.move = tsume_move_encode(s.e.moves[c.move_base + best]);
    return r;
  }
}

// AND node: dn = the smallest, pn = the largest values of each group (king
// moves, captures, other moves, interpositions by distance); a disproven
// child disproves it (one that holds for ever preferred), and it is proven
// when every child is. `best` has the smallest dn (ties: larger pn), `second`
// the next smallest dn.
Verdict compose_and_numbers(ComposeSearch& s, const TsumeContext& c, int& best, int32_t& second) {
  Verdict r;
  r.pn = 0;
  r.dn = kInf;
  best = -1;
  second = kInf;
  int32_t best_pn = -1;
  int32_t king[kKingMovesCounted] = {}, captures[kOthersCounted] = {}, others[kOthersCounted] = {};
  int32_t drops[kMaxDistance + 1][kOthersCounted] = {};
  const int king_sq = c.pos.piece[c.defender].sq;
  bool refuted = false;
  Verdict refutation;
  HandCounts hand = mated_proof_hand(c.pos, c.attacker);
  auto rank = [](const Verdict& v) { return v.looped ? 2 : v.bounded ? 1 : 0; };
  for (int i = 0; i < c.move_count; ++i) {
    const KMove& m = s.e.moves[c.move_base + i];
    const Verdict v = child_value(s, c, i);
    if (v.drop_mate) r.drop_mate = true;
    if (v.disproven()) {
      if (!refuted || rank(v) < rank(refutation)) {
        refutation = v;
        refutation.move = tsume_move_encode(m);
      }
      refuted = true;
      continue;
    }
    if (v.proven()) {
      const HandCounts h = unpack_hand(v.hand);
      for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::max(hand.n[k], h.n[k]);
      continue;
    }
    if (v.dn < r.dn || (v.dn == r.dn && v.pn > best_pn)) {
      second = std::min(second, r.dn);
      r.dn = v.dn;
      best_pn = v.pn;
      best = i;
    } else {
      second = std::min(second, v.dn);
    }
    if (m.from == kInHand) {
      const int d = is_playing_square(king_sq) ? std::min(chebyshev(m.to, king_sq), kMaxDistance) : 0;
      keep_largest(drops[d], kOthersCounted, v.pn);
    } else if (code_kind(m.code) == kKing) {
      keep_largest(king, kKingMovesCounted, v.pn);
    } else if (m.captured_code != 0) {
      keep_largest(captures, kOthersCounted, v.pn);
    } else {
      keep_largest(others, kOthersCounted, v.pn);
    }
  }
  if (refuted) {
    Verdict d = disproof(refutation.bounded, refutation.looped);
    d.move = refutation.move;
    d.drop_mate = r.drop_mate;
    return d;
  }
  if (best < 0) {
    Verdict p = proof(kNoNodeMove);
    // Every defence is refuted with these pieces; never more than the attacker has.
    for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::min<int>(hand.n[k], c.pos.hand[c.attacker][k]);
    p.hand = pack_hand(hand);
    p.drop_mate = r.drop_mate;
    return p;
  }
  int32_t pn = sum_of(king, kKingMovesCounted);
  pn = sat_add(pn, sum_of(captures, kOthersCounted));
  pn = sat_add(pn, sum_of(others, kOthersCounted));
  int32_t distances[kOthersCounted] = {};
  for (const int32_t* d : drops) keep_largest(distances, kOthersCounted, sum_of(d, kOthersCounted));
  pn = sat_add(pn, sum_of(distances, kOthersCounted));
  r.pn = std::max(pn, 1);
  r.move = tsume_move_encode(s.e.moves[c.move_base + best]);
  return r;
}

Verdict or_visit(ComposeSearch& s, TsumeContext& c, KTsumeNode& node) {
  bool with_nonpromotions = false;
  for (;;) {
    int best;
    int32_t second;
    const Verdict r = compose_sort_children(s, c, with_nonpromotions, best, second);
    if (r.proven() || r.disproven() || leave_loop(r.pn, r.dn, c.pn_threshold, c.dn_threshold)) return r;
    if (stop_now(s)) return r;
    const int32_t pn_th = c.pn_threshold, dn_th = c.dn_threshold, dn = r.dn;
    const int32_t child_dn = child_value(s, c, best).dn;
    search_child(s, c, node, best, [&](TsumeContext& child) {
      child.pn_threshold = cap(std::min<int64_t>(pn_th, int64_t{second} + child.pn_increment));
      child.dn_threshold = cap(std::max<int64_t>(int64_t{dn_th} - dn, 5 * int64_t{child.dn_increment}) + child_dn);
    });
    if (s.interrupted) return r;
  }
}

Verdict and_visit(ComposeSearch& s, TsumeContext& c, KTsumeNode& node) {
  for (;;) {
    int best;
    int32_t second;
    const Verdict r = compose_and_numbers(s, c, best, second);
    if (r.proven() || r.disproven() || leave_loop(r.pn, r.dn, c.pn_threshold, c.dn_threshold)) return r;
    if (stop_now(s)) return r;
    const int32_t pn_th = c.pn_threshold, dn_th = c.dn_threshold, pn = r.pn;
    const int32_t child_pn = child_value(s, c, best).pn;
    search_child(s, c, node, best, [&](TsumeContext& child) {
      child.pn_threshold = cap(std::max<int64_t>(int64_t{pn_th} - pn, child.pn_increment) + child_pn);
      child.dn_threshold = cap(std::min<int64_t>(dn_th, int64_t{second} + 5 * int64_t{child.dn_increment}));
    });
    if (s.interrupted) return r;
  }
}

Verdict compose_mid(ComposeSearch& s, TsumeContext& c) {
  KTsumeEngine& e = s.e;
  if (stop_now(s)) return Verdict{};
  ++e.node_count;
  const int remaining = remaining_at(s, c);
  Verdict v;
  auto settled = [&](const KTsumeNode* n) {
    return n != nullptr && (n->pn >= kInf || n->dn >= kInf) && read_entry(*n, remaining, v);
  };
  KTsumeNode* node = tsume_lookup_exact(s.t, c.key);
  if (settled(node) || settled(tsume_lookup(s.t, c.key))) return v;
  // At the bound only the position after an interposition goes on, for the
  // captures of the dropped piece.
  if (remaining < 0 || (remaining == 0 && !s.useless[c.ply])) return disproof(true, false);
  const bool fits = c.ply < e.max_ply && c.move_base < kMovesPerPly * e.max_ply - 100 && tsume_list_moves(e, c);
  if (!fits) return disproof(true, false);
  if (c.move_count == 0) {
    if (c.pos.teban == c.defender) {
      v = proof(kTerminalMove);
      v.terminal = true;
      v.hand = pack_hand(mated_proof_hand(c.pos, c.attacker));
      v.drop_mate = c.ply > 0 && is_pawn_drop(c.last_move);
    } else {
      v = disproof(false, false);  // no check at all
    }
    store_verdict(s, c.key, 0, v);
    return v;
  }
  // An entry made at a smaller depth, or settled there, starts again.
  const bool fresh =
      node == nullptr || node->pn >= kInf || node->dn >= kInf || static_cast<int>(node->depth & kDepthMask) < remaining;
  if (node == nullptr) node = tsume_store_plain(s.t, remaining, c.key, std::max(c.pn_increment, 1), 1);
  if (node == nullptr) {
    e.store_failed = true;
    s.interrupted = true;
    return Verdict{};
  }
  if (fresh) {
    node->pn = std::max(c.pn_increment, 1);
    node->dn = 1;
    node->depth = static_cast<uint16_t>((node->depth & ~kDepthMask) | (remaining & kDepthMask));
  }
  node->flags |= kFlagOnPath;
  tsume_compose_expand(s, c);
  v = c.pos.teban == c.attacker ? or_visit(s, c, *node) : and_visit(s, c, *node);
  node->flags &= static_cast<uint8_t>(~kFlagOnPath);
  if (!s.interrupted) store_verdict(s, c.key, remaining, v);
  return v;
}

Verdict compose_root(ComposeSearch& s, const KPosition& p, int depth) {
  TsumeContext c;
  tsume_context_init(c, p, p.teban);
  c.pn_increment = 1;
  c.dn_increment = 1;
  std::fill(s.e.path_heads, s.e.path_heads + s.e.max_ply, -1);
  s.depth = depth;
  s.bonus[0] = 0;
  s.useless[0] = 0;
  return compose_mid(s, c);
}

}  // namespace

int compose_short_mate(KTsumeEngine& e, KTsumeTable& table, const KPosition& p, int ply_limit, KMove* out, int* plies,
                       uint32_t time_limit_ms, int32_t node_limit) {
  if (ply_limit < 1 || table.buckets == nullptr || king_attacked(p, 1 - p.teban)) return 1;
  e.node_limit = node_limit;
  e.time_limit.store(time_limit_ms);
  tsume_start_clock(e);
  table.gc_threshold = kComposeGcThreshold;
  ComposeSearch s{e, table, std::vector<ChildState>(static_cast<size_t>(kMovesPerPly) * e.max_ply),
                  std::vector<int>(static_cast<size_t>(e.max_ply) + 1),
                  std::vector<uint8_t>(static_cast<size_t>(e.max_ply) + 1)};
  for (int depth = 2; depth <= ply_limit + 1; depth += 2) {
    const Verdict v = compose_root(s, p, depth);
    if (s.interrupted) return 1;
    if (v.proven()) {
      if (!tsume_move_decode(p, v.move, *out)) *out = pass_move();
      if (plies != nullptr) *plies = depth - 1;
      return 0;
    }
    if (v.disproven() && !v.bounded) return 2;
  }
  return 1;
}

}  // namespace tsume
