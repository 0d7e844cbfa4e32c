// What the root keeps about lines: the predicted lines saved when a good score
// may rest on a quiet reply the search did not look at (re-searched with their
// positions wiped from the table), the mate verification along a new line,
// the test whether the chosen move threatens mate, and the learning records a
// think leaves in two rings for the next think to load into the table.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/board/hash_key.h"
#include "engine/board/hash_table.h"
#include "engine/board/position.h"
#include "engine/search/move_list.h"
#include "engine/search/move_words.h"
#include "engine/search/node_records.h"

namespace search {

struct ThinkContext;

// ---- Predicted lines ----------------------------------------------------------

// Two slots of three moves: the root move, the expected reply and the
// expected continuation. An empty slot's first move has from and to 253.
void saved_pv_clear();
// Into slot 1 when it is empty, else into slot 2 (overwriting it).
void saved_pv_put(const board::KMove& a, const board::KMove& b, const board::KMove& c);
// Move i (0..2) of slot 0 or 1.
const board::KMove& saved_pv_move(int slot, int i);

// 1 with the capture of the move's destination by the side to move's
// cheapest attacker in `reply` (promoting when it may), 0 when the side to
// move does not attack it.
int cheapest_recapture(const board::KPosition& p, const board::KMove& move, board::KMove* reply);

// Called with the root move `move` made (the opponent to move) after its score
// rose above the best: saves the lines whose reply the search may have
// judged on a stale table entry; the number saved (rules 3 and 4), or 1 for an
// edge pawn push whose capture has a legal answer in the table.
int saved_pv_store(const ThinkContext& cx, board::KPosition& p, const board::KMove& move, const KSearchNode& child);

// Wipes the table entries of the positions after each saved reply and
// continuation, searches the child afresh (window -beta, -alpha), clears the
// slots; the negated score.
int search_negated(ThinkContext& cx, KSearchNode& child, const KMoveNode* move, int alpha, int beta, int flags, int pass);

// ---- Mates along a line -------------------------------------------------------------

// The mate solver's node budget at a ply: 20000 below ply 3, 5000 below 5, else 1250.
int pv_mate_budget(int ply);

// Looks for mates along the node's line from `start_ply` + 1 on: 3 when the
// node's own position is a mate for its side to move, 2 when the root mover
// mates somewhere on the line, 1 when its opponent does, 0 when no mate is
// found. Mates are stored in the table, positions without one marked, and for
// 1 and 2 the entries of the positions before the mate are wiped. The walk ends
// at a move that is not legal where it stands. The position is restored.
int pv_mate_verify(KSearchNode& node, int start_ply);

// Sets the result block's threat flag when the line's first move, not giving
// check, leaves a mate (within 100 ms) for the mover should the opponent pass.
void pv_move_mate_threat(board::KPosition& p, KPvHolder& result);

// ---- Learning records ---------------------------------------------------------------

// A ring of learning records: appended up to 15000, then overwritten from the
// write index on, which wraps to 0 at 15000.
struct KLearnRing {
  static constexpr int32_t kCapacity = 15000;
  int32_t write_index = 0;
  std::vector<board::KLearnRecord> records;
};
void learn_ring_put(KLearnRing& ring, const board::KLearnRecord& r);

// The records of a line (length at least 1) found at `depth` with `score`:
// the root's record, and unless `root_only` every later position's (depth
// shrinking by one per ply, not below 0, the score's sign alternating), and
// for a mate the losing record of the position after the first move.
void learn_store_results(const board::KHashKey& key, int depth, int score, const KPvHolder& line,
                         int root_only, KLearnRing* ring);
// A mate found at the root: the winning record of the root and the losing
// record of the position after the mate move.
void learn_store_entry(const board::KHashKey& key, const board::KMove& mate, KLearnRing* ring);

// ---- Move records ---------------------------------------------------------------------

// A move record from a word read on the position (piece numbers from the board
// or the hand).
inline void kmove_from_word_pos(const board::KPosition& p, board::KMove& out, board::KMoveWord w) {
  kmove_unpack(p, out, w);
}
// Takes a move back; a pass only gives the move back to the other side.
void unmake_or_unpass(board::KPosition& p, const board::KMove& m);

}  // namespace search
