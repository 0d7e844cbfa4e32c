// Settling a solution tree's main line.
//
// A tree's lengths are those of mates its walk found: none is shorter than the
// shortest mate, and where the walk's budget for searches of shorter mates ran
// out some are longer. A line read from the tree could then take a defence
// that the tree holds longest but that is mated sooner, or an attack that is
// not the quickest. Settling walks the line from the root with the
// depth-bounded search (tsume_bounded.h), which counts lengths by the rules of
// mate problems, and shows each position's length exactly:
//
// - the root: no mate within its length less two (a shorter mate found there
//   takes the place of the tree's);
// - an attack: the defender's position after it is mated within the length
//   less one (the tree's attack when it is, else the search's own);
// - a defence: the attacker's position after it has no mate within the length
//   less three, so that it holds out as long as the defender can. Moves that
//   are not drops are tried first, then drops from the king outwards: a drop
//   is taken only when every defence nearer the king is mated sooner, and then
//   it is a real defence by the futility rule, since its capture would have to
//   mate within what those defences reach.
//
// Each answer comes from the table or from a search within the line's budget
// (the node count e.line_end, and half of what is left of the solve's
// limits). Where one stays open, the line is shown up to there and goes on as
// the tree has it.
#include <algorithm>

#include "engine/board/make_move.h"
#include "engine/tsume/captured_drop.h"
#include "engine/tsume/tree_nodes.h"
#include "engine/tsume/tsume_bounded.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace {

// Whether the context's position mates (at an attacker's position) or is
// mated (at a defender's) within `bound` plies: 0 yes, with the mate's length
// and, when `move` is asked for, its first move; 2 no; 1 open. A known proof
// answers without a search unless its move is wanted. With `share` the search
// takes at most half of what is left of the line's budget.
int line_check(KTsumeEngine& e, TsumeContext& c, int bound, uint16_t* move, int* length, bool share = false) {
  if (bound < 0) return 2;
  int known = 0;
  const int r = tsume_bounded_known(e.table, c.key, bound, &known);
  if (r == 2 || (r == 0 && move == nullptr)) {
    if (length != nullptr) *length = known;
    return r;
  }
  uint16_t code = 0;
  int found = 0;
  bool cut = false;
  // A defence's check takes half of what is left, so that one that runs long
  // leaves the others of its position room to be answered.
  const uint32_t end = share && e.line_end > e.node_count ? e.node_count + (e.line_end - e.node_count) / 2 : e.line_end;
  const int s = optional_search(e, c, bound, end, code, found, cut);
  if (move != nullptr) *move = code;
  if (length != nullptr) *length = found;
  return s;
}

// The length of the root's shortest mate (an attacker's root) or longest
// defence (a defender's), from the tree's `length`: the shortest mate found,
// with `shown` set when no mate within it less two exists. An attacker's root
// takes what the tree's walk found there (its searches had the line's
// budget), unless the tree's length is shorter still.
int root_value(KTsumeEngine& e, TsumeContext& c, int length, bool& shown) {
  if (c.pos.teban == c.attacker && e.root_length > 0 && e.root_length <= length) {
    shown = e.root_shown || e.root_length <= 1;
    return e.root_length;
  }
  for (;;) {
    int shorter = 0;
    const int r = line_check(e, c, length - 2, nullptr, &shorter);
    shown = r == 2;
    if (r != 0) return length;
    length = shorter;
  }
}

// The attack from the context's position (the attacker to move, its length v
// shown): the tree's when the defender's position after it is mated within
// v - 1, else the first move of a mate within v. The context is left at the
// position after it; false (the context where it was) when a check stayed open.
bool settle_attack(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int v) {
  if (!tsume_list_moves(e, c)) return false;
  const KTsumeNode* n = tsume_lookup_exact(tree, c.key);
  int index = n != nullptr ? listed_index(e, c, n->move) : -1;
  if (index >= 0) {
    tsume_descend(e, c, index, false);
    if (line_check(e, c, v - 1, nullptr, nullptr) == 0) return true;
    tsume_ascend(e, c);
  }
  uint16_t code = 0;
  if (line_check(e, c, v, &code, nullptr) != 0) return false;
  index = listed_index(e, c, code);
  if (index < 0) return false;
  tsume_descend(e, c, index, false);
  return true;
}

// The order in which the defences of the context's position (its evasions
// listed) are tried: the moves that are not drops, then the drops from the
// king outwards; within each, the tree's choice (listed index `chosen`), then
// the others the tree holds at the longest length w - 1 (the better quality
// first), then the rest (left out with `ties_only`). Written as indices beside
// the move store; the count.
int defence_order(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int chosen, int w, bool ties_only) {
  const int king = c.pos.piece[c.defender].sq;
  ChildValue* rank = e.values + c.move_base;
  uint16_t* order = e.codes + c.move_base;
  for (int i = 0; i < c.move_count; ++i) {
    const KMove& m = e.moves[c.move_base + i];
    const int group = m.from == kInHand && is_playing_square(king) ? std::min(chebyshev(m.to, king), 7) : 0;
    int preference = 4;
    if (i == chosen) {
      preference = 0;
    } else {
      KHashKey key = c.key;
      hash_key_sashite(key, c.attacker, m);
      const KTsumeNode* child = tsume_lookup_exact(tree, key);
      if (child != nullptr && !(child->flags & kFlagTreeFutile) && tree_length(*child) == w - 1) {
        preference = 3 - tree_quality(*child);
      }
    }
    rank[i].pn = group * 8 + preference;
    order[i] = static_cast<uint16_t>(i);
  }
  std::stable_sort(order, order + c.move_count, [rank](uint16_t a, uint16_t b) { return rank[a].pn < rank[b].pn; });
  if (!ties_only) return c.move_count;
  return static_cast<int>(std::remove_if(order, order + c.move_count, [rank](uint16_t i) { return rank[i].pn % 8 == 4; }) -
                          order);
}

// After the defender's drop (the context at the position it made): 2 when
// it is a real defence by its captures, none of which mates within `w` plies
// with the piece given back (w the length from the position before the drop),
// so that it holds out whatever the other defences reach; 0 when one does,
// 1 when a check stayed open.
int real_by_captures(KTsumeEngine& e, TsumeContext& c, int w) {
  const int captures = list_drop_captures(e, c);
  int verdict = 2;
  for (int j = 0; j < captures && verdict != 0; ++j) {
    tsume_descend(e, c, j, false);
    give_back(c);
    const int r = line_check(e, c, w, nullptr, nullptr);
    give_back_undo(c);
    tsume_ascend(e, c);
    if (r == 0) verdict = 0;
    if (r == 1) verdict = 1;
  }
  return verdict;
}

// Whether listed defence i of the context's position (its length w) holds
// out w - 1 plies: 2 shown, 0 mated sooner, 1 open. A drop must be real too:
// with `nearest` every defence that the order puts before it is mated
// sooner, which makes it real (its capture would have to mate within what
// those reach); else its captures must show it.
int longest_defence(KTsumeEngine& e, TsumeContext& c, int i, int w, bool nearest) {
  const bool drop = e.moves[c.move_base + i].from == kInHand;
  tsume_descend(e, c, i, false);
  int r = line_check(e, c, w - 3, nullptr, nullptr, true);
  if (r == 2 && drop && !nearest) r = real_by_captures(e, c, w) == 2 ? 2 : 1;
  tsume_ascend(e, c);
  return r;
}

// A longest real defence from the context's position (the defender to move,
// its length w > 0): the tree's choice when it is one, else the first in
// defence_order. Its index, or -1 when a check stayed open.
int settle_defence(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int w, bool ties_only) {
  if (!tsume_list_moves(e, c)) return -1;
  const KTsumeNode* n = tsume_lookup_exact(tree, c.key);
  const int chosen = n != nullptr ? listed_index(e, c, n->move) : -1;
  const int count = defence_order(e, c, tree, chosen, w, ties_only);
  const uint16_t* order = e.codes + c.move_base;
  if (chosen >= 0 && longest_defence(e, c, chosen, w, false) == 2) return chosen;
  bool open_before = false;
  int open = -1;
  int opened = 0;
  for (int k = 0; k < count; ++k) {
    const int i = order[k];
    const int r = longest_defence(e, c, i, w, !open_before);
    if (r == 2) return i;
    if (r == 1) {
      open_before = true;
      open = i;
      ++opened;
    }
  }
  // Every other defence mated sooner: the one left open is the one that
  // holds out as long as the position's length says (and real, when it is a
  // drop, since all before it in the order are mated sooner).
  return opened == 1 ? open : -1;
}

// Writes the first `plies` moves of the settled line (in the engine's main
// line, from the context's position of length `value`) into the tree; with
// `complete`, the mated position at its end too.
bool write_line(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree, int value, int plies, bool complete) {
  KHashKey key = c.key;
  bool ok = true;
  int played = 0;
  for (; played < plies && ok; ++played) {
    const KMove& m = e.main_line[played];
    const KTsumeNode* n = tsume_lookup_exact(tree, key);
    const int quality = n != nullptr ? tree_quality(*n) : 0;
    ok = put_tree_node(tree, key, tsume_move_encode(m), value - played, quality) != nullptr;
    do_move(c.pos, m, 0);
    hash_key_sashite(key, c.attacker, m);
  }
  if (ok && complete) {
    ok = put_tree_node(tree, key, kTerminalMove, 0, attacker_hand_empty(c.pos, c.attacker) ? 2 : 0) != nullptr;
  }
  // Every move made is taken back: the engine's make keeps per-ply records.
  while (played > 0) {
    --played;
    undo_move(c.pos, e.main_line[played], 0);
  }
  return ok;
}

// How many of the settled line's first `plies` moves lead through positions
// the tree holds: a line the settling left open goes on from the last of them
// as the tree has it.
int covered_plies(KTsumeEngine& e, const TsumeContext& c, KTsumeTable& tree, int plies) {
  KHashKey key = c.key;
  for (int k = 0; k < plies; ++k) {
    hash_key_sashite(key, c.attacker, e.main_line[k]);
    if (tsume_lookup_exact(tree, key) == nullptr) return k;
  }
  return plies;
}

}  // namespace

int settle_main_line(KTsumeEngine& e, TsumeContext& c, KTsumeTable& tree) {
  const KTsumeNode* root = tsume_lookup_exact(tree, c.key);
  if (root == nullptr) return 0;
  bool shown = false;
  const int value = root_value(e, c, tree_length(*root), shown);
  e.line_shortest = shown;
  // A root whose length is not shown has its line settled all the same, to
  // the length it has, among the defences the tree holds longest and within
  // the walk's budget: no search can show the line then, but a defence that
  // ties in the tree and is mated sooner still gives way to one that is not.
  if (!shown) {
    e.line_end = static_cast<uint32_t>(std::min<int64_t>(int64_t{e.node_count} + e.shortest_allowance, UINT32_MAX));
  }
  const int root_ply = c.ply;
  int plies = 0;
  bool complete = false;
  for (int v = value; c.ply + 2 < e.max_ply; --v, ++plies) {
    if (c.pos.teban == c.attacker) {
      if (!settle_attack(e, c, tree, v)) break;
    } else {
      if (v == 0) {
        complete = true;
        break;
      }
      const int i = settle_defence(e, c, tree, v, !shown);
      if (i < 0) break;
      tsume_descend(e, c, i, false);
    }
    e.main_line[plies] = c.last_move;
  }
  while (c.ply > root_ply) tsume_ascend(e, c);
  // A line left open goes on as the tree has it, from a position it holds.
  int written = plies;
  if (!complete) written = covered_plies(e, c, tree, plies);
  if (!write_line(e, c, tree, value, written, complete)) return kTreeFull;
  return shown ? written : 0;
}

}  // namespace tsume
