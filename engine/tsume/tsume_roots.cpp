// The roots of the proof-number search and the two solves of the problem
// solver (attacker to move, defender to move).
#include <algorithm>
#include <iterator>

#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace {

void clear_path(KTsumeEngine& e) { std::fill(e.path_heads, e.path_heads + e.max_ply, -1); }

// The verdict of the root entry after a search: 0 proven (its move decoded),
// 1 open or missing, 2 disproven (its move, the refutation, decoded).
int root_result(KTsumeEngine& e, const TsumeContext& c, const KPosition& p, KMove* out) {
  if (e.store_failed) return 1;
  // Below the root of a solve the verdict may hold on this path only (a repetition).
  const KTsumeNode* n = tsume_lookup_path(e.table, c.key, c.path_key);
  if (n == nullptr) return 1;
  int result;
  if (n->pn >= kInf) {
    result = 2;
  } else if (n->dn < kInf) {
    return 1;
  } else {
    result = 0;
  }
  if (out != nullptr && !tsume_move_decode(p, n->move, *out)) *out = pass_move();
  return result;
}

// One walk from the root, on the clock already running.
int walk_root(KTsumeEngine& e, TsumeContext& c, const KPosition& p, KMove* out) {
  clear_path(e);
  tsume_mid(e, c);
  return root_result(e, c, p, out);
}

int run_root(KTsumeEngine& e, TsumeContext& c, const KPosition& p, KMove* out) {
  e.table.gc_threshold = 5;
  tsume_start_clock(e);
  return walk_root(e, c, p, out);
}

// A solve's root: first no deeper than kShallowMaxPly plies within
// kShallowNodes nodes, then (when that left it open) to the instance's depth
// with the rest of the limits. The depth-first search follows long lines of
// checks, a king chased across the board, far past a short mate it then never
// comes back to: a mate in 15 stayed unfound for minutes at 2000 plies, and
// was found in well under a second at 64. What the first search stored holds
// at any depth (proofs, and disproofs that do not rest on a cut), but the
// disproofs that rest on its cuts, which are dropped before the second.
int solve_root(KTsumeEngine& e, TsumeContext& c, const KPosition& p, KMove* out) {
  const int full_ply = e.max_ply;
  const int32_t node_limit = e.node_limit;
  if (full_ply <= kShallowMaxPly) return run_root(e, c, p, out);
  e.max_ply = kShallowMaxPly;
  e.node_limit = node_limit >= 0 ? std::min(node_limit, kShallowNodes) : kShallowNodes;
  int r = run_root(e, c, p, out);
  e.max_ply = full_ply;
  e.node_limit = node_limit;
  if (r != 1 || e.store_failed || tsume_limits_passed(e)) return r;
  tsume_table_drop_cut_entries(e.table);
  return walk_root(e, c, p, out);
}

// The words of a position that moves made and taken back may leave otherwise
// than they were, while every count, set and board cell comes back: the codes
// of pieces in a hand (a piece dropped and taken back keeps the side it had
// on the board), the hand slots past the hands' counts, and the order of the
// promoted-pawn lists. A walk on the caller's position keeps them and puts
// them back, so that the position returns identical, as a copy would leave it.
struct ListWords {
  explicit ListWords(const KPosition& p) : tokin{p.tokin[0], p.tokin[1]} {
    std::copy(p.piece, p.piece + kPieceCount, piece);
    std::copy(std::begin(p.hand_slot), std::end(p.hand_slot), hand_slot);
  }
  void Restore(KPosition& p) const {
    std::copy(std::begin(piece), std::end(piece), p.piece);
    std::copy(std::begin(hand_slot), std::end(hand_slot), p.hand_slot);
    p.tokin[0] = tokin[0];
    p.tokin[1] = tokin[1];
  }
  KPieceEntry piece[kPieceCount];
  uint8_t hand_slot[kPieceCount];
  KTokinList tokin[2];
};

// The attacker's root on a context made on the position or for a copy of it.
int attacker_root(KTsumeEngine& e, TsumeContext& c, const KPosition& p, KHashKey* main_key, KMove* out) {
  if (main_key != nullptr) {
    const KHashKey key = tsume_key_from_search_key(*main_key, p, p.teban);
    tsume_context_init(c, p, p.teban, key);
  } else {
    tsume_context_init(c, p, p.teban);
  }
  c.search_keyed = main_key != nullptr;
  return solve_root(e, c, p, out);
}

}  // namespace

int tsume_root(KTsumeEngine& e, const KPosition& p, KHashKey* main_key, KMove* out) {
  TsumeContext c;
  return attacker_root(e, c, p, main_key, out);
}

int tsume_root_in_place(KTsumeEngine& e, KPosition& p, KHashKey* main_key, KMove* out) {
  const ListWords kept(p);
  TsumeContext c(p);
  const int r = attacker_root(e, c, p, main_key, out);
  kept.Restore(p);
  return r;
}

int tsume_root_defender(KTsumeEngine& e, const KPosition& p, KMove* out) {
  TsumeContext c;
  tsume_context_init(c, p, 1 - p.teban);
  return solve_root(e, c, p, out);
}

int tsume_root_bounded(KTsumeEngine& e, const KPosition& p, int32_t bound) {
  TsumeContext c;
  tsume_context_init(c, p, 1 - p.teban);
  c.pn_threshold = std::min<int64_t>(int64_t{bound} + 1, kCap);
  // The clock of an alternative-solution attempt was started by its caller.
  e.table.gc_threshold = 5;
  return walk_root(e, c, p, nullptr);
}

int tsume_root_ktsume(KTsumeEngine& e, TsumeContext& c) {
  const int32_t pn_th = c.pn_threshold, dn_th = c.dn_threshold, pn_inc = c.pn_increment, dn_inc = c.dn_increment;
  c.pn_threshold = kCap;
  c.dn_threshold = kCap;
  c.pn_increment = 15;
  c.dn_increment = 35;
  tsume_mid(e, c);
  c.pn_threshold = pn_th;
  c.dn_threshold = dn_th;
  c.pn_increment = pn_inc;
  c.dn_increment = dn_inc;
  return root_result(e, c, c.pos, nullptr);
}

int ktsume_solve_attacker(KTsumeEngine& e, const KPosition& p, uint32_t time_limit, int32_t node_limit) {
  e.node_limit = node_limit;
  tsume_table_reset(e.table);
  e.time_limit.store(time_limit);
  e.main_line_length = 0;
  if (king_attacked(p, 1 - p.teban)) return 3;
  e.table.grow = 1;
  KMove first;
  const int r = tsume_root(e, p, nullptr, &first);
  if (r != 0) {
    tsume_record_stats(e);
    return r;
  }
  const int tree = tsume_solution_tree_a(e, p);
  // The statistics count the whole solve: the proof, the tree and the
  // searches for shorter mates.
  tsume_record_stats(e);
  if (tsume_limits_passed(e)) return 1;
  if (tree < 0) return tree == kTreeDisproved ? 2 : 1;
  return 0;
}

int ktsume_solve_defender(KTsumeEngine& e, const KPosition& p, uint32_t time_limit, int32_t node_limit, KMove* out,
                          int* count) {
  e.node_limit = node_limit;
  tsume_table_reset(e.table);
  e.time_limit.store(time_limit);
  e.main_line_length = 0;
  *count = 0;
  if (king_attacked(p, 1 - p.teban)) return 3;
  e.table.grow = 1;
  KMove refute;
  const int r = tsume_root_defender(e, p, &refute);
  tsume_record_stats(e);
  if (r == 0) {
    const int tree = tsume_solution_tree_b(e, p);
    tsume_record_stats(e);
    if (tree >= 0 && !tsume_limits_passed(e)) {
      *count = e.main_line_length;
      if (e.main_line_length > 0) *out = e.main_line[0];
      return 0;
    }
    // No line to give: answer like an undecided search.
  } else if (r == 2) {
    *out = refute;
    *count = 1;
    return 2;
  }
  // Undecided: the evasion that the search found hardest to refute.
  KPosition work = p;
  KMove evasions[kMaxMoves];
  const int n = oute_nige_gen(work, evasions);
  const KHashKey key = tsume_root_key(p, 1 - p.teban);
  int32_t best_pn = -1;
  for (int i = 0; i < n; ++i) {
    KHashKey child = key;
    hash_key_sashite(child, 1 - p.teban, evasions[i]);
    const KTsumeNode* node = tsume_lookup(e.table, child);
    const int32_t pn = node != nullptr ? node->pn : 1;
    if (pn > best_pn) {
      best_pn = pn;
      *out = evasions[i];
      *count = 1;
    }
  }
  return 1;
}

}  // namespace tsume
