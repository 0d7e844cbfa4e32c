#include "engine/tsume/solution_tree.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/captured_drop.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/tsume_move_code.h"
#include "engine/tsume/tree_nodes.h"
#include "engine/tsume/tsume_bounded.h"
#include "platform/clock.h"

namespace tsume {

using namespace board;

namespace {

constexpr int kMaxCandidates = 600;

constexpr uint32_t kTreeReproveMinNodes = 20000;  // the least a re-proof in the walk may spend
constexpr uint32_t kFutileProbeNodes = 10000;      // the first search for a futile drop's capture
constexpr int64_t kSkipFactor = 2;                 // the root's search further down: times the walk's budget

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

int proof_length(const KTsumeNode* n) { return n != nullptr ? n->depth & kDepthMask : kNoLength; }

// The shortest proven length of the context's child after listed move i.
int child_proof_length(KTsumeEngine& e, const TsumeContext& c, const KMove& m) {
  KHashKey child = c.key;
  hash_key_sashite(child, c.attacker, m);
  return proof_length(tsume_lookup_shortest_proof(e.table, child));
}

// ---- OR nodes ----------------------------------------------------------------

// The length of the shortest mate from the context's position (the attacker
// to move, no check that leaves no answer): the shortest proof in the table,
// then "a mate within two plies less?" until the answer is no. A limit of the
// solve gives kTreeLimit; a search its budget cut short leaves the length
// found so far. The root's searches spend the line's budget (e.line_end),
// the rest of which the settling of the main line takes.
//
// At the root, a search cut short asks once more, two plies further down,
// within twice the walk's budget: a search for a mate within b plies can
// wander among the many mates of b plies when a much shorter one exists, and
// a mate within b - 2 is then often found faster. A yes goes on down from the
// mate found; a no leaves the length known, not shown the shortest.
int shortest_mate(KTsumeEngine& e, TsumeContext& c, int known, uint16_t& move) {
  const uint32_t start = e.node_count;
  uint32_t end = c.ply == 0 ? e.line_end : e.shortest_end;
  bool skipped = false;
  bool shown = false;
  int hi = known;
  // Down to one ply: the caller looked only for checks that leave no answer,
  // not for those answered only by drops that a capture mates.
  for (int bound = hi - 2; bound >= 1;) {
    int length = 0;
    uint16_t code = 0;
    bool cut = false;
    const int r = optional_search(e, c, bound, end, code, length, cut);
    if (r == 2) {
      shown = bound == hi - 2;
      break;
    }
    if (r == 0) {
      hi = length;
      move = code;
      bound = hi - 2;
      continue;
    }
    if (!cut) {
      hi = kTreeLimit;
      break;
    }
    if (c.ply != 0 || skipped || bound != hi - 2) break;
    skipped = true;
    end = static_cast<uint32_t>(
        std::min<int64_t>(int64_t{e.node_count} + int64_t{e.shortest_allowance} * kSkipFactor, UINT32_MAX));
    bound -= 2;
  }
  if (c.ply == 0 && hi >= 0) {
    e.line_spent = e.node_count - start;
    e.root_length = hi;
    e.root_shown = shown || hi <= 1;
  }
  return hi;
}

int tsume_tree_or(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  // (The answer to a futile interposition is no shortest mate: walk it anew.)
  if (const KTsumeNode* known = tsume_lookup_exact(tree, c.key); known != nullptr && !(known->flags & kFlagTreeFutile)) {
    c.tree_length = tree_length(*known);
    c.tree_quality = tree_quality(*known);
    return c.tree_length;
  }
  if (!tsume_list_moves(e, c)) return kTreeNoMate;
  // Mates in one, the ones that leave the attacker's hand empty preferred.
  int first_mate = -1, first_empty = -1;
  bool leftover = false;
  for (int i = 0; i < c.move_count; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (is_pawn_drop(m)) continue;
    do_move(c.pos, m, 0);
    const bool mated = oute_nige_count(c.pos, 0) == 0;
    const bool empty = attacker_hand_empty(c.pos, c.attacker);
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
  // The proof table's shortest mate from here, proven again when it has none.
  const KTsumeNode* proof = tsume_lookup_shortest_proof(e.table, c.key);
  if (proof == nullptr) {
    bool cut = false;
    const int r = budgeted_reprove(e, c, e.reprove_budget, cut);
    if (r == 2) {
      tsume_tree_unprove_path(e, c);
      return kTreeNoMate;
    }
    // A re-proof that its budget cut short drops the move that led here.
    if (r == 1) return cut ? kTreeNoMate : kTreeLimit;
    proof = tsume_lookup_shortest_proof(e.table, c.key);
  }
  uint16_t move = kNoNodeMove;
  int known = kNoLength;
  if (proof != nullptr) {
    move = proof->move;
    known = proof_length(proof);
  } else {
    // Proven only through a proof of a smaller hand whose length holds for
    // that hand alone (as a position after a capture without the captured
    // piece has): the mate is sure, its length here is to be found.
    const KTsumeNode* smaller = tsume_lookup(e.table, c.key);
    if (smaller == nullptr || smaller->pn != 0) return kTreeNoMate;
    move = smaller->move;
  }
  const int length = shortest_mate(e, c, known, move);
  if (length < 0) return length;
  // Candidates: the move of the shortest proof and every check whose position
  // is proven within one ply less (no shorter one exists: they tie). Their
  // codes live beside the move store, not on the stack of a deep walk.
  uint16_t* codes = e.codes + c.move_base;
  const int max_codes = std::min(kMaxCandidates, kMovesPerPly * e.max_ply - c.move_base);
  int n = 0;
  if (move != kNoNodeMove && move != kTerminalMove) codes[n++] = move;
  for (int i = 0; i < c.move_count && n < max_codes; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (child_proof_length(e, c, m) > length - 1) continue;
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

// Judgements of a drop.
enum Futility { kReal = 0, kFutile = 1, kUndecided = 2, kFutilityLimit = 3 };

// After the defender's drop (made: the attacker to move): whether a capture of
// the dropped piece mates within `reference` plies without the captured piece
// (captured_drop.h), shown by the proof table or a bounded search of at most
// `budget` nodes (0: as many as the solve's limits allow). With kFutile the
// capture's code and the mate's length.
Futility judge_drop(KTsumeEngine& e, TsumeContext& c, int reference, uint32_t budget, uint16_t& code, int& length) {
  const int captures = list_drop_captures(e, c);
  Futility verdict = kReal;
  for (int j = 0; j < captures; ++j) {
    const KMove m = e.moves[c.move_base + j];
    KHashKey after = c.key;
    hash_key_sashite(after, c.attacker, m);
    int known = 0;
    int r = tsume_bounded_known(e.table, key_without_captured(after, m), reference, &known);
    if (r == 1) {
      tsume_descend(e, c, j, false);
      give_back(c);
      bool cut = false;
      uint16_t unused = 0;
      const uint32_t end = budget > 0 ? static_cast<uint32_t>(std::min<int64_t>(int64_t{e.node_count} + budget, UINT32_MAX))
                                      : UINT32_MAX;
      r = optional_search(e, c, reference, end, unused, known, cut);
      give_back_undo(c);
      tsume_ascend(e, c);
      if (r == 1) {
        if (!cut) return kFutilityLimit;
        verdict = kUndecided;
        continue;
      }
    }
    if (r == 0) {
      code = tsume_move_encode(m);
      length = known + 1;
      return kFutile;
    }
  }
  return verdict;
}

// Judges listed drop i of the defender (see judge_drop); a futile one gets a
// tree node holding the capture that answers it.
Futility judge_drop_at(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int i, int reference, uint32_t budget) {
  tsume_descend(e, c, i, false);
  uint16_t code = 0;
  int length = 0;
  const Futility f = judge_drop(e, c, reference, budget, code, length);
  if (f == kFutile) {
    if (KTsumeNode* n = put_tree_node(tree, c.key, code, length, 0)) n->flags |= kFlagTreeFutile;
  }
  tsume_ascend(e, c);
  return f;
}

// Searches listed evasion i: the length of its mate (quality in the context),
// or a code below 0.
int tree_evasion(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int i) {
  tsume_descend(e, c, i, false);
  const int r = tsume_tree_node(e, c, tree);
  tsume_ascend(e, c);
  return r;
}

int tsume_tree_and(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  // Mated by a pawn drop: the drop was illegal. Asked before the tables, whose
  // verdicts hold for the position whatever move led to it (a pawn pushed to
  // the same square mates lawfully), so a candidate check may be such a drop.
  if (c.ply > 0 && is_pawn_drop(c.last_move) && oute_nige_count(c.pos, 0) == 0) return kTreeNoMate;
  if (const KTsumeNode* known = tsume_lookup_exact(tree, c.key)) {
    c.tree_length = tree_length(*known);
    c.tree_quality = tree_quality(*known);
    return c.tree_length;
  }
  if (!tsume_list_moves(e, c)) return kTreeNoMate;
  const int count = c.move_count;
  const int king = c.pos.piece[c.defender].sq;
  // Per evasion, in the values beside the move store: `weak` marks a drop,
  // `deeper` a futile one; the drop's distance from the king in `hint`.
  ChildValue* flags = e.values + c.move_base;
  for (int i = 0; i < count; ++i) {
    const KMove& m = e.moves[c.move_base + i];
    flags[i].weak = m.from == kInHand ? 1 : 0;
    flags[i].deeper = 0;
    flags[i].hint = static_cast<int8_t>(m.from == kInHand && is_playing_square(king) ? std::min(chebyshev(m.to, king), 7) : 0);
  }
  // The moves that are no drops, then the drops from the king outwards, each
  // judged against the longest defence found before it.
  int longest = 0;
  for (int i = 0; i < count; ++i) {
    if (flags[i].weak) continue;
    const int r = tree_evasion(e, c, tree, i);
    if (r < 0) return r;
    longest = std::max(longest, r + 1);
  }
  for (int distance = 1; distance <= 7; ++distance) {
    const int reference = longest;
    for (int i = 0; i < count; ++i) {
      if (!flags[i].weak || flags[i].hint != distance) continue;
      // A short search decides most drops. One it leaves open matters only
      // when the drop's own line is no shorter than the reference (it could
      // then be the longest defence): then the judgement is searched to the
      // end, since the tree's lengths rest on it.
      Futility f = judge_drop_at(e, c, tree, i, reference, kFutileProbeNodes);
      int r = -1;
      if (f == kUndecided) {
        r = tree_evasion(e, c, tree, i);
        if (r < 0) return r;
        f = r + 1 < reference ? kReal : judge_drop_at(e, c, tree, i, reference, 0);
        // Left open even then, the drop counts as a real defence: the line
        // stays a mate, if perhaps not the shortest.
        if (f == kUndecided) f = kReal;
      }
      if (f == kFutilityLimit) return kTreeLimit;
      if (f == kFutile) {
        flags[i].deeper = 1;
        continue;
      }
      if (r < 0) r = tree_evasion(e, c, tree, i);
      if (r < 0) return r;
      longest = std::max(longest, r + 1);
    }
  }
  int best = -1, quality = 0;
  longest = -1;
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
    // Every answer was a futile interposition: the position counts as mated.
    const int q = attacker_hand_empty(c.pos, c.attacker) ? 2 : 0;
    if (put_tree_node(tree, c.key, kTerminalMove, 0, q) == nullptr) return kTreeFull;
    c.tree_length = 0;
    c.tree_quality = q;
    return 0;
  }
  const uint16_t move = tsume_move_encode(e.moves[c.move_base + best]);
  // The tree's length holds for this hand: the proof hands of the children's
  // entries prove some mate, not one of these lengths, so a hand made from
  // them could lend the length to a weaker hand that mates only later.
  if (tsume_store_proof(e.table, c.ply, c.key, kNoNodeMove, longest + 1, kFlagExactHand) == nullptr) {
    e.store_failed = true;
  }
  (void)move;
  if (put_tree_node(tree, c.key, move, longest + 1, quality) == nullptr) return kTreeFull;
  c.tree_length = longest + 1;
  c.tree_quality = quality;
  return longest + 1;
}

}  // namespace

bool attacker_hand_empty(const KPosition& p, int attacker) {
  for (int k = kRook; k <= kPawn; ++k) {
    if (p.hand[attacker][k] != 0) return false;
  }
  return true;
}

int optional_search(KTsumeEngine& e, TsumeContext& c, int bound, uint32_t end_nodes, uint16_t& move, int& length,
                    bool& cut) {
  cut = false;
  if (!e.optional_searches) {
    cut = true;
    return 1;
  }
  const int32_t saved_limit = e.node_limit;
  int64_t end = std::min<int64_t>(end_nodes, INT32_MAX);
  if (saved_limit >= 0) end = std::min<int64_t>(end, e.node_count + (int64_t{saved_limit} - e.node_count) / 2);
  // A spent budget still reads the table's answer (the search's first step).
  e.node_limit = static_cast<int32_t>(std::max<int64_t>(end, e.node_count));
  const uint32_t time_limit = e.time_limit.load(std::memory_order_relaxed);
  const uint32_t elapsed = platform::tick_elapsed(e.start_time, platform::tick_ms());
  e.soft_time_limit = time_limit > elapsed ? std::max<uint32_t>(elapsed + (time_limit - elapsed) / 2, 1) : 1;
  const int r = tsume_bounded_search(e, e.table, c, bound, &move, &length);
  e.soft_time_limit = 0;
  e.node_limit = saved_limit;
  cut = r == 1 && !tsume_limits_passed(e);
  return r;
}

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

int list_drop_captures(KTsumeEngine& e, TsumeContext& c) {
  const int sq = c.last_move.to;
  const int count = king_attacked(c.pos, c.attacker) ? gyaku_oute_gen(c.pos, e.scratch) : oute_gen(c.pos, e.scratch, 1);
  const int room = kMovesPerPly * e.max_ply - c.move_base - 1;
  int captures = 0;
  for (int j = 0; j < count && captures < room; ++j) {
    if (e.scratch[j].to != sq || e.scratch[j].captured_code == 0) continue;
    e.moves[c.move_base + captures] = e.scratch[j];
    e.moves[c.move_base + captures].flag = 0;
    ++captures;
  }
  c.move_count = captures;
  return captures;
}

int listed_index(const KTsumeEngine& e, const TsumeContext& c, uint16_t code) {
  for (int i = 0; i < c.move_count; ++i) {
    if (tsume_move_encode(e.moves[c.move_base + i]) == code) return i;
  }
  return -1;
}


void tsume_tree_delete(KTsumeTable*& t) {
  if (t == nullptr) return;
  tsume_table_free_blocks(*t);
  delete t;
  t = nullptr;
}

int tsume_tree_node(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  // The candidates summed along the path stop a walk that widens without end;
  // an attacker's node now has few (the moves of its shortest mates), so the
  // stop lies at the move store's size, not at D, which a line of a thousand
  // plies with a second candidate now and then would pass.
  if (c.ply >= e.max_ply || c.move_base >= kMovesPerPly * e.max_ply - 100 ||
      c.path_candidates >= static_cast<uint32_t>(kMovesPerPly * e.max_ply)) {
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
  const int64_t budget = e.shortest_budget > 0   ? e.shortest_budget
                         : e.shortest_budget < 0 ? int64_t{UINT32_MAX}
                                                 : std::max<int64_t>(kShortestMinNodes, int64_t{e.node_count} * kShortestFactor);
  const int64_t line_budget = e.line_budget > 0                              ? e.line_budget
                              : e.line_budget < 0 || e.shortest_budget < 0 ? int64_t{UINT32_MAX}
                                                                           : std::max<int64_t>(kLineMinNodes, int64_t{e.node_count} * kLineFactor);
  e.shortest_allowance = static_cast<uint32_t>(std::min<int64_t>(budget, UINT32_MAX));
  e.shortest_end = static_cast<uint32_t>(std::min<int64_t>(int64_t{e.node_count} + budget, UINT32_MAX));
  e.line_end = static_cast<uint32_t>(std::min<int64_t>(int64_t{e.node_count} + line_budget, UINT32_MAX));
  e.line_shortest = false;
  e.line_shown = 0;
  e.line_spent = 0;
  e.root_length = 0;
  e.root_shown = false;
  e.optional_searches = true;
  uint32_t kb = start_kb;
  for (;;) {
    e.tree = new_tree(e, kb);
    if (e.tree == nullptr) return kTreeFull;
    TsumeContext c;
    tsume_context_init(c, p, attacker);
    c.pn_increment = 1;
    c.dn_increment = 1;
    const uint32_t demotions = e.demotions;
    int r = tsume_tree_node(e, c, *e.tree);
    if (r >= 0) {
      // The line's checks mostly find their answers in the table: they keep
      // some room even when the root spent the budget.
      const int64_t rest = std::max<int64_t>(line_budget - e.line_spent, std::min<int64_t>(line_budget, kShortestMinNodes));
      e.line_end = static_cast<uint32_t>(std::min<int64_t>(int64_t{e.node_count} + rest, UINT32_MAX));
    }
    const int shown = r >= 0 ? settle_main_line(e, c, *e.tree) : r;
    if (shown >= 0) {
      e.line_shown = shown;
      extract_main_line(e, c, *e.tree);
      return r;
    }
    drop_tree(e, e.tree);
    if (shown == kTreeFull) r = kTreeFull;
    if (r == kTreeLimit) return r;
    if (r == kTreeFull) {
      if (kb >= kTreeMaxKb) return r;
      kb = std::min(kb * 2, kTreeMaxKb);
      continue;
    }
    // A proof that leaned on a repetition was demoted: prove the root again.
    // Nothing demoted means a depth limit, which another proof cannot change,
    // or, in a table too small for them, proofs that the searches for shorter
    // mates pushed out: the tree is then built once more without those.
    if (e.demotions == demotions) {
      if (!e.optional_searches) return kTreeNoMate;
      e.optional_searches = false;
    }
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
