#include "engine/tsume/solution_tree.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/tsume_move_code.h"
#include "engine/tsume/tsume_verify.h"

namespace tsume {

using namespace board;

namespace {

constexpr int kMaxCandidates = 600;

bool is_pawn_drop(const KMove& m) { return m.from == kInHand && code_kind(m.code) == kPawn; }

bool hand_empty(const KPosition& p, int side) {
  for (int k = kRook; k <= kPawn; ++k) {
    if (p.hand[side][k] != 0) return false;
  }
  return true;
}

int tree_length(const KTsumeNode& n) { return n.depth & kDepthMask; }
int tree_quality(const KTsumeNode& n) { return n.depth >> 14; }

// Stores a tree node: flag 64, the move, quality << 14 | length.
KTsumeNode* put_tree_node(KTsumeTable& tree, const KHashKey& key, uint16_t move, int length, int quality) {
  KTsumeNode* n = tsume_tree_store(tree, key, 0, kInf);
  if (n == nullptr) return nullptr;
  n->flags |= kFlagTreeNode;
  n->move = move;
  n->depth = static_cast<uint16_t>(quality << 14 | (length & kDepthMask));
  return n;
}

// A depth-limited search without a table for mates shorter than the tree's:
// true when the attacker to move mates within n plies. Each call spends one
// node of the budget; an exhausted budget answers "no".
struct ShortMate {
  KPosition& p;
  int attacker;
  int budget;

  bool Or(int n) {
    if (n < 1 || --budget < 0) return false;
    KMove checks[kMaxMoves];
    const bool in_check = king_attacked(p, attacker);
    const int count = in_check ? gyaku_oute_gen(p, checks) : oute_gen(p, checks, 0);
    for (int i = 0; i < count; ++i) {
      // A last check is no pawn drop and none that the king simply answers;
      // passing one over costs the node its answer would have cost.
      if (n == 1 && (is_pawn_drop(checks[i]) || (!in_check && oute_quick_refute(p, checks[i])))) {
        if (--budget < 0) return false;
        continue;
      }
      do_move(p, checks[i], 0);
      const bool mate = And(n - 1, checks[i]);
      undo_move(p, checks[i], 0);
      if (mate) return true;
      if (budget < 0) return false;  // every further answer would be "no"
    }
    return false;
  }

  bool And(int n, const KMove& last) {
    if (--budget < 0) return false;
    KMove evasions[kMaxMoves];
    const int count = oute_nige_gen(p, evasions);
    if (count == 0 || OnlyUselessDrops(evasions, count)) return !is_pawn_drop(last);
    if (n < 2) return false;
    for (int i = 0; i < count; ++i) {
      do_move(p, evasions[i], 0);
      const bool mate = Or(n - 1);
      undo_move(p, evasions[i], 0);
      if (!mate) return false;
    }
    return true;
  }

  bool OnlyUselessDrops(const KMove* evasions, int count);
};

// True when every answer is a drop that the attacker takes with mate, the
// drops the solution tree does not count as a defence.
bool ShortMate::OnlyUselessDrops(const KMove* evasions, int count) {
  const int defender = p.teban;
  for (int i = 0; i < count; ++i) {
    if (!tsume_useless_interposition(p, defender, evasions[i])) return false;
  }
  for (int i = 0; i < count; ++i) {
    do_move(p, evasions[i], 0);
    KMove checks[kMaxMoves];
    const int n = king_attacked(p, attacker) ? gyaku_oute_gen(p, checks) : oute_gen(p, checks, 1);
    bool answered = false;
    for (int j = 0; j < n && !answered; ++j) {
      if (checks[j].to != evasions[i].to || checks[j].captured_code == 0) continue;
      do_move(p, checks[j], 0);
      answered = oute_nige_count(p, 0) == 0;
      undo_move(p, checks[j], 0);
    }
    undo_move(p, evasions[i], 0);
    if (!answered) return false;
  }
  return true;
}

constexpr uint32_t kCaptureProofNodes = 4096;     // the search that shows a capture line mates
constexpr uint32_t kTreeReproveMinNodes = 20000;  // the least a re-proof in the walk may spend
constexpr int kShortMateMaxLength = 9;   // trees longer than this are not re-checked
constexpr int kShortMateBudget = 20000;  // nodes per attacker position of the tree

// Proves the context's position again within `budget` more nodes (and the
// solve's own limits): the root result, with `cut` set when the budget, not a
// limit of the solve, ended an undecided search. Without a budget a re-proof
// inside the walk may run as long as a solve (a position that mates only
// through a repetition of the path is a hard one to refute).
int budgeted_reprove(KTsumeEngine& e, TsumeContext& c, uint32_t budget, bool& cut) {
  const int32_t saved_limit = e.node_limit;
  const int64_t budget_end = std::min<int64_t>(int64_t{e.node_count} + budget, INT32_MAX);
  if (saved_limit < 0 || saved_limit > budget_end) e.node_limit = static_cast<int32_t>(budget_end);
  const int r = tsume_root_ktsume(e, c);
  e.node_limit = saved_limit;
  cut = r == 1 && !tsume_limits_passed(e);
  return r;
}

// A tree table of kb KB: the engine's spare one when it has that size (emptied),
// else a new one.
KTsumeTable* new_tree(KTsumeEngine& e, uint32_t kb) {
  if (e.spare_tree != nullptr && e.spare_tree->kb_per_block == kb) {
    KTsumeTable* t = e.spare_tree;
    e.spare_tree = nullptr;
    tsume_table_reset(*t);
    return t;
  }
  auto* t = new KTsumeTable;
  t->kb_per_block = kb;
  t->grow = 0;
  if (!tsume_table_init(*t, kb)) {
    delete t;
    return nullptr;
  }
  return t;
}

// ---- OR nodes ----------------------------------------------------------------

int tsume_tree_or(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  if (!tsume_list_moves(e, c)) return kTreeNoMate;
  // Mates in one, the ones that leave the attacker's hand empty preferred.
  int first_mate = -1, first_empty = -1;
  bool leftover = false;
  for (int i = 0; i < c.move_count; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (is_pawn_drop(m)) continue;
    do_move(c.pos, m, 0);
    const bool mated = oute_nige_count(c.pos, 0) == 0;
    const bool empty = hand_empty(c.pos, c.attacker);
    undo_move(c.pos, m, 0);
    if (!mated) continue;
    if (first_mate < 0) first_mate = i;
    if (empty && first_empty < 0) first_empty = i;
    if (!empty) leftover = true;
  }
  if (first_mate >= 0) {
    const int chosen = first_empty >= 0 ? first_empty : first_mate;
    const int quality = first_empty >= 0 ? (leftover ? 1 : 2) : 0;
    const KMove m = e.moves[c.move_base + chosen];
    KHashKey mated = c.key;
    hash_key_sashite(mated, c.attacker, m);
    if (put_tree_node(tree, mated, kTerminalMove, 0, quality) == nullptr) return kTreeFull;
    if (put_tree_node(tree, c.key, tsume_move_encode(m), 1, quality) == nullptr) return kTreeFull;
    c.tree_length = 1;
    c.tree_quality = quality;
    return 1;
  }
  // Otherwise the moves that the proof table proves.
  // The candidates' codes live beside the move store, not on the stack of a
  // walk that may be thousands of plies deep.
  uint16_t* codes = e.codes + c.move_base;
  const int max_codes = std::min(kMaxCandidates, kMovesPerPly * e.max_ply - c.move_base);
  int n = tsume_collect_proven_moves(e.table, c.key, codes, max_codes);
  if (n == 0) {
    bool cut = false;
    const int r = budgeted_reprove(e, c, e.reprove_budget, cut);
    if (r == 2) {
      tsume_tree_unprove_path(e, c);
      return kTreeNoMate;
    }
    // A re-proof that its budget cut short drops the move that led here.
    if (r == 1) return cut ? kTreeNoMate : kTreeLimit;
    n = tsume_collect_proven_moves(e.table, c.key, codes, max_codes);
  }
  // The checks whose positions the proof table also proves are candidates
  // too: a transposition may have proven a shorter mate than the node's move.
  const int checks = c.move_count;
  for (int i = 0; i < checks && n < max_codes; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (is_pawn_drop(m)) continue;
    KHashKey child = c.key;
    hash_key_sashite(child, c.attacker, m);
    const KTsumeNode* node = tsume_lookup(e.table, child);
    if (node == nullptr || node->dn < kInf) continue;
    const uint16_t code = tsume_move_encode(m);
    if (std::find(codes, codes + n, code) == codes + n) codes[n++] = code;
  }
  const int room = kMovesPerPly * e.max_ply - c.move_base;
  int count = 0;
  for (int i = 0; i < n && count < room; ++i) {
    KMove m;
    if (tsume_move_decode_checked(c.pos, codes[i], m)) e.moves[c.move_base + count++] = m;
  }
  c.move_count = count;
  int best = -1, best_length = 0, best_quality = 0;
  for (int i = 0; i < count; ++i) {
    c.path_candidates += static_cast<uint32_t>(count);
    tsume_descend(e, c, i, false);
    const int r = tsume_tree_node(e, c, tree);
    const int quality = c.tree_quality;
    tsume_ascend(e, c);
    c.path_candidates -= static_cast<uint32_t>(count);
    if (r == kTreeLimit || r == kTreeFull) return r;
    if (r < 0) continue;
    if (best < 0 || r < best_length || (r == best_length && quality > best_quality)) {
      best = i;
      best_length = r;
      best_quality = quality;
    }
  }
  // A short tree is checked against the other checks: a mate the proof did
  // not take may be shorter.
  if (best >= 0 && best_length + 1 >= 3 && best_length + 1 <= kShortMateMaxLength) {
    const int room_left = kMovesPerPly * e.max_ply - c.move_base - count;
    const int listed = king_attacked(c.pos, c.attacker) ? gyaku_oute_gen(c.pos, e.scratch) : oute_gen(c.pos, e.scratch, 0);
    int extra = 0;
    for (int i = 0; i < listed && extra < room_left; ++i) {
      KMove m = e.scratch[i];
      m.flag = 0;
      bool known = false;
      for (int j = 0; j < count && !known; ++j) known = tsume_move_encode(e.moves[c.move_base + j]) == tsume_move_encode(m);
      if (!known) e.moves[c.move_base + count + extra++] = m;
    }
    c.move_count = count + extra;
    ShortMate search{c.pos, c.attacker, kShortMateBudget};
    for (int i = count; i < count + extra; ++i) {
      const KMove m = e.moves[c.move_base + i];
      KHashKey child = c.key;
      hash_key_sashite(child, c.attacker, m);
      const KTsumeNode* known = tsume_lookup(e.table, child);
      if (known != nullptr && known->pn >= kInf) continue;  // refuted: no mate at all
      do_move(c.pos, m, 0);
      const bool shorter = search.And(best_length - 2, m);  // a mate shorter by two plies at least
      undo_move(c.pos, m, 0);
      if (!shorter) continue;
      c.path_candidates += static_cast<uint32_t>(count);
      tsume_descend(e, c, i, false);
      const int r = tsume_tree_node(e, c, tree);
      const int quality = c.tree_quality;
      tsume_ascend(e, c);
      c.path_candidates -= static_cast<uint32_t>(count);
      if (r == kTreeLimit || r == kTreeFull) return r;
      if (r >= 0 && (r < best_length || (r == best_length && quality > best_quality))) {
        best = i;
        best_length = r;
        best_quality = quality;
      }
    }
  }
  if (best < 0) return kTreeNoMate;
  if (put_tree_node(tree, c.key, tsume_move_encode(e.moves[c.move_base + best]), best_length + 1, best_quality) ==
      nullptr) {
    return kTreeFull;
  }
  c.tree_length = best_length + 1;
  c.tree_quality = best_quality;
  return best_length + 1;
}

// ---- AND nodes ---------------------------------------------------------------

// The capture of an interposed piece made (the defender to move): true when
// the mate goes on, shown along the stored proofs or else by a short search. A
// capture whose mate takes a long search to show is more than winning the
// piece back, and an undecided search costs far more than the tree it serves.
bool prove_capture_line(KTsumeEngine& e, TsumeContext& c) {
  if (tsume_verify_node(e, c)) return true;
  bool cut = false;
  return budgeted_reprove(e, c, kCaptureProofNodes, cut) == 0;
}

// After the defender's drop (already made), whether an attacker's capture of
// the dropped piece mates as surely as before: the position after the capture
// is proven in the proof table or held in the tree, or the defender is mated.
// With `prove`, a capture not yet known is proved by a search.
bool capture_answers_drop(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int sq, bool prove) {
  KMove checks[kMaxMoves];
  const int n = king_attacked(c.pos, c.attacker) ? gyaku_oute_gen(c.pos, checks) : oute_gen(c.pos, checks, 1);
  for (int j = 0; j < n; ++j) {
    const KMove m = checks[j];
    if (m.to != sq || m.captured_code == 0) continue;
    KHashKey key = c.key;
    hash_key_sashite(key, c.attacker, m);
    const KTsumeNode* proof = tsume_lookup(e.table, key);
    if ((proof != nullptr && proof->dn >= kInf) || tsume_lookup_exact(tree, key) != nullptr) return true;
    do_move(c.pos, m, 0);
    const bool mated = oute_nige_count(c.pos, 0) == 0;
    undo_move(c.pos, m, 0);
    if (mated) return true;
    if (!prove) continue;
    // Prove the capture line: list the capture alone and search below it.
    if (c.move_base + c.move_count + 1 > kMovesPerPly * e.max_ply) return false;
    const int saved_count = c.move_count;
    const int slot = c.move_count;
    e.moves[c.move_base + slot] = m;
    c.move_count = slot + 1;
    tsume_descend(e, c, slot, false);
    const bool proved = prove_capture_line(e, c);
    tsume_ascend(e, c);
    c.move_count = saved_count;
    if (proved) return true;
  }
  return false;
}

// The drop at index i tested: made, the captures tried, taken back.
bool drop_is_useless(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int i, bool prove) {
  const int saved_count = c.move_count;
  tsume_descend(e, c, i, false);
  const int sq = c.last_move.to;
  const bool useless = capture_answers_drop(e, c, tree, sq, prove);
  tsume_ascend(e, c);
  c.move_count = saved_count;
  return useless;
}

uint32_t tree_and_proof_hand(KTsumeEngine& e, const TsumeContext& c) {
  HandCounts h = mated_proof_hand(c.pos, c.attacker);
  for (int i = 0; i < c.move_count; ++i) {
    KHashKey key = c.key;
    hash_key_sashite(key, c.attacker, e.moves[c.move_base + i]);
    const KTsumeNode* child = tsume_lookup(e.table, key);
    if (child == nullptr || child->dn < kInf) continue;
    const HandCounts ch = unpack_hand(key_hand(child->key));
    for (int k = kRook; k <= kPawn; ++k) h.n[k] = std::max(h.n[k], ch.n[k]);
  }
  for (int k = kRook; k <= kPawn; ++k) h.n[k] = std::min<int>(h.n[k], c.pos.hand[c.attacker][k]);
  return pack_hand(h);
}

int tsume_tree_and(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  if (!tsume_list_moves(e, c)) return kTreeNoMate;
  if (const KTsumeNode* known = tsume_lookup_exact(tree, c.key)) {
    c.tree_length = tree_length(*known);
    c.tree_quality = tree_quality(*known);
    return c.tree_length;
  }
  // Interposition state per square: 2 not yet examined, 1 useless, 0 a defence.
  uint8_t state[81];
  std::fill(state, state + 81, 2);
  // Per evasion, in the values beside the move store: `weak` marks a drop of
  // the useless class, `deeper` one skipped as useless.
  const int count = c.move_count;
  ChildValue* flags = e.values + c.move_base;
  for (int i = 0; i < count; ++i) flags[i].weak = flags[i].deeper = 0;
  for (int i = 0; i < count; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (tsume_useless_interposition(c.pos, c.defender, m)) {
      flags[i].weak = 1;
      const int sq = square_index(m.to);
      if (state[sq] == 2 && drop_is_useless(e, c, tree, i, false)) state[sq] = 1;
      if (state[sq] == 1) {
        flags[i].deeper = 1;
        continue;
      }
    }
    tsume_descend(e, c, i, false);
    const int r = tsume_tree_node(e, c, tree);
    tsume_ascend(e, c);
    if (r < 0) return r;
  }
  // Second pass: the useless-class drops not yet confirmed have their capture proved.
  for (int i = 0; i < count; ++i) {
    if (!flags[i].weak || flags[i].deeper) continue;
    const int sq = square_index(e.moves[c.move_base + i].to);
    if (state[sq] == 2) state[sq] = drop_is_useless(e, c, tree, i, true) ? 1 : 0;
    if (state[sq] == 1) flags[i].deeper = 1;
  }
  int best = -1, longest = -1, quality = 0;
  for (int i = 0; i < count; ++i) {
    if (flags[i].deeper) continue;
    KHashKey key = c.key;
    hash_key_sashite(key, c.attacker, e.moves[c.move_base + i]);
    const KTsumeNode* child = tsume_lookup_exact(tree, key);
    if (child == nullptr) return kTreeNoMate;
    const int len = tree_length(*child), q = tree_quality(*child);
    if (len > longest || (len == longest && q > quality)) {
      best = i;
      longest = len;
      quality = q;
    }
  }
  if (best < 0) {
    // Every answer was a useless interposition: the position counts as mated.
    const int q = hand_empty(c.pos, c.attacker) ? 2 : 0;
    if (put_tree_node(tree, c.key, kTerminalMove, 0, q) == nullptr) return kTreeFull;
    c.tree_length = 0;
    c.tree_quality = q;
    return 0;
  }
  const uint16_t move = tsume_move_encode(e.moves[c.move_base + best]);
  const KTsumeNode* proof = tsume_lookup(e.table, c.key);
  if (proof == nullptr || proof->dn < kInf) {
    if (KTsumeNode* n = tsume_store_plain(e.table, c.ply, with_hand(c.key, tree_and_proof_hand(e, c)), 0, kInf)) {
      n->work = 1;
      n->move = move;
    }
  }
  if (put_tree_node(tree, c.key, move, longest + 1, quality) == nullptr) return kTreeFull;
  c.tree_length = longest + 1;
  c.tree_quality = quality;
  return longest + 1;
}

// Reads the main line from the tree's root.
void extract_main_line(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  e.main_line_length = 0;
  KHashKey key = c.key;
  while (e.main_line_length < e.max_ply) {
    const KTsumeNode* n = tsume_lookup_exact(tree, key);
    if (n == nullptr || n->move == kTerminalMove || n->move == kNoNodeMove) break;
    KMove m;
    if (!tsume_move_decode_checked(c.pos, n->move, m)) break;
    e.main_line[e.main_line_length++] = m;
    do_move(c.pos, m, 0);
    hash_key_sashite(key, c.attacker, m);
  }
  for (int i = e.main_line_length - 1; i >= 0; --i) undo_move(c.pos, e.main_line[i], 0);
}

}  // namespace

void tsume_tree_delete(KTsumeTable*& t) {
  if (t == nullptr) return;
  tsume_table_free_blocks(*t);
  delete t;
  t = nullptr;
}

int tsume_tree_node(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  if (c.ply >= e.max_ply || c.move_base >= kMovesPerPly * e.max_ply - 100 ||
      c.path_candidates >= static_cast<uint32_t>(e.max_ply)) {
    return kTreeNoMate;
  }
  if (tsume_path_find(e, c.key, c.ply)) {
    tsume_tree_unprove_path(e, c);
    return kTreeNoMate;
  }
  ++e.node_count;
  if (tsume_limit_reached(e)) return kTreeLimit;
  return c.pos.teban == c.attacker ? tsume_tree_or(e, c, tree) : tsume_tree_and(e, c, tree);
}

void tsume_tree_unprove_path(KTsumeEngine& e, TsumeContext& c) {
  for (int i = 0; i < c.ply; ++i) tsume_demote_proven(e.table, e.frames[i].key, 1, 1);
  tsume_demote_proven(e.table, c.key, 1, 1);
  tsume_store_loop_disproof(e.table, c.ply, c.key, c.path_key, kTerminalMove);
  ++e.demotions;
}

int tsume_useless_interposition(const KPosition& p, int defender, const KMove& m) {
  if (m.from != kInHand) return 0;
  const int king = p.piece[defender].sq;
  const KKiki& k = kiki_at(p, m.to);
  if (k.direct_count[defender] == 0) return 1;
  if (king >= kInHand) return 0;
  const auto near = [&](int sq) {
    return std::abs(square_file(sq) - square_file(king)) <= 1 && std::abs(square_rank(sq) - square_rank(king)) <= 1;
  };
  uint64_t set = kiki_direct64(k, defender) & ~(uint64_t{1} << defender);
  if (set == 0) return near(m.to) ? 1 : 0;
  const int attacker = 1 - defender;
  for (; set != 0; set &= set - 1) {
    const int n = std::countr_zero(set);
    const int sq = p.piece[n].sq;
    if (!near(sq)) return 0;
    // Pinned against the king by an attacker's slider beyond it?
    const int u = sq - king;
    int s = sq + u;
    while (p.board[s] == kEmptyNumber) s += u;
    const int b = p.board[s];
    if (b >= kPieceCount || code_side(p.piece[b].code) != attacker) return 0;
    const int cls = code_class(p.piece[b].code);
    const bool diagonal = u == 15 || u == 17 || u == -15 || u == -17;
    bool pins;
    if (diagonal) {
      pins = cls == kBishop || cls == kHorse;
    } else if (u == 16 || u == -16) {
      pins = cls == kRook || cls == kDragon || (cls == kLance && forward_step(attacker) == -u);
    } else {
      pins = cls == kRook || cls == kDragon;
    }
    if (!pins) return 0;
  }
  return 1;
}

// Gives up a tree table: a table of the start size is kept as the engine's
// spare, so that the next solve need not allocate and clear a new one.
void drop_tree(KTsumeEngine& e, KTsumeTable*& t) {
  if (t != nullptr && e.spare_tree == nullptr && t->kb_per_block == kTreeStartKb) {
    e.spare_tree = t;
    t = nullptr;
  }
  tsume_tree_delete(t);
}

int tsume_solution_tree(KTsumeEngine& e, const KPosition& p, int attacker, uint32_t start_kb) {
  drop_tree(e, e.tree);
  // A re-proof inside the walk may cost what the proof of the root cost.
  e.reprove_budget = std::max<uint32_t>(kTreeReproveMinNodes, e.node_count);
  uint32_t kb = start_kb;
  for (;;) {
    e.tree = new_tree(e, kb);
    if (e.tree == nullptr) return kTreeFull;
    TsumeContext c;
    tsume_context_init(c, p, attacker);
    c.pn_increment = 1;
    c.dn_increment = 1;
    const uint32_t demotions = e.demotions;
    const int r = tsume_tree_node(e, c, *e.tree);
    if (r >= 0) {
      extract_main_line(e, c, *e.tree);
      return r;
    }
    drop_tree(e, e.tree);
    if (r == kTreeLimit) return r;
    if (r == kTreeFull) {
      kb += kTreeStepKb;
      if (kb > kTreeMaxKb) return r;
      continue;
    }
    // A proof that leaned on a repetition was demoted: prove the root again.
    // Nothing demoted means a depth limit, which another proof cannot change.
    if (e.demotions == demotions) return kTreeNoMate;
    TsumeContext root;
    tsume_context_init(root, p, attacker);
    const int again = tsume_root_ktsume(e, root);
    if (again == 2) return kTreeDisproved;
    if (again != 0) return kTreeLimit;
  }
}

int tsume_solution_tree_a(KTsumeEngine& e, const KPosition& p) {
  return tsume_solution_tree(e, p, p.teban, kTreeStartKb);
}

int tsume_solution_tree_b(KTsumeEngine& e, const KPosition& p) {
  return tsume_solution_tree(e, p, 1 - p.teban, kTreeStartKb);
}

}  // namespace tsume
