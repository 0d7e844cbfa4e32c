// The move lists of the root and of the search nodes: doubly linked KMoveNodes
// over an array of KMove records, the four list builders (one of them drops
// pointless sequences and moves already searched), and the small move tests
// the searches ask before and after making a move: the en-prise marker, the
// move-stack patterns, the pruning margin and the extension amount. The tests
// read the move stack of the think's context at its search_ply: M0 is entry P (the opponent's
// last move), M1 entry P - 1, M2 entry P - 2, M3 entry P - 3.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_words.h"

namespace search {

struct ThinkContext;

struct KMoveNode {
  board::KMove* move;
  int16_t score;       // ordering score; the caller writes the real one
  uint8_t skip;        // non-zero: the move is passed over
  uint8_t stage;       // the generation stage given by the caller
  int16_t depth_adj;   // search-depth adjustment in twelfths of a ply
  KMoveNode* next;
  KMoveNode* prev;
};

constexpr int16_t kInitNodeScore = -30999;

// Links the n moves with score -30999 into nodes[0..n-1]; the head, or null
// (writing nothing) when `moves` is null or there are no moves.
KMoveNode* sashi_list_init(KMoveNode* nodes, int n, board::KMove* moves, int stage);
// Links all n moves with score 0; the count.
int sashi_list_link(KMoveNode* nodes, int n, board::KMove* moves, int stage);
// Links the moves not in the searched set; the count.
int sashi_list_unsearched(KMoveNode* nodes, int n, board::KMove* moves, int stage, const KSearchedSet& set);
// As sashi_list_unsearched, but first drops the moves caught by the
// pointless-sequence rules. `stack` is the move-stack entry P + 1 of the
// node's ply P; the rules read M0..M3 backwards from it.
int sashi_list_filtered(const board::KPosition& p, int ply, KMoveNode* nodes, int n, board::KMove* moves, int stage,
                        const KSearchedSet& set, const board::KMove* stack);
// True when one of the pointless-sequence rules catches the candidate.
bool pointless_sequence(const board::KPosition& p, int ply, const board::KMove& c, const board::KMove* stack);

// The en-prise marker of candidate c at the node of search_ply: 0, 1 or the
// square (at least 20) of the one line attacker that counts.
int sashite_safe_check(const ThinkContext& cx, const board::KPosition& p, const board::KMove& c);

// 2 when entries P, P-1 and P-2 land on one square, P-2 and P-1 moved
// unpromoted pawns (a board move or a drop each), and P did not promote; else 0.
int pawn_trade_pattern(const ThinkContext& cx, int ply);
// The same with P-2 a pawn drop: 2 or 0.
int pawn_drop_trade_pattern(const ThinkContext& cx, int ply);
// The tactical pattern of the candidate at entry P + 1: 0..7 (5 never).
int exchange_pattern_classify(const ThinkContext& cx, const board::KPosition& p);
// Whether the moves of the node at search_ply get their exchange pattern
// classified at all: not before ply 4, nor when the last moves alone rule out
// every pattern of exchange_pattern_classify (it then gives 0 for every
// candidate), so a node asks once instead of for each move.
bool exchange_patterns_possible(const ThinkContext& cx);
// The destination of a one-step silver advance to rank 5 or the mover's rank
// 4 at entry P (P - 1 when P is a pass), else 0.
int silver_advance_square(const ThinkContext& cx, int ply);
// The same test on the moves themselves: `m`, or `before` when m is a pass.
// Inline, with the class test first: every quiescence node asks it, and most
// moves are no silver's.
inline int silver_advance_of(const board::KMove& m, const board::KMove& before) {
  const board::KMove& s = m.from == board::kPassSquare ? before : m;
  if (board::code_class(s.code) != board::kSilver || s.from == board::kInHand || s.from == board::kPassSquare) return 0;
  const int side = board::code_side(s.code);
  const int rank = board::square_rank(s.to);
  if (rank != 5 && rank != (side == 0 ? 4 : 6)) return 0;
  if (rank - board::square_rank(s.from) != (side == 0 ? -1 : 1)) return 0;
  if (s.captured_code != 0 && board::code_class(s.captured_code) != board::kPawn) return 0;
  return s.to;
}

// After c was made: -1 no margin, 0, or the margin (max(base x k, |d| / 3)).
int prune_margin(const ThinkContext& cx, const board::KPosition& p, int flag, const board::KMove& c, int ply, int n, int d);
// 12 from 6 remaining plies, 9 for 4 and 5, else 6.
int extension_amount(int ignored, int n);

// The unit step (+-1, +-15, +-16, +-17) from square a toward b on one line; 0 none.
int line_step(int a, int b);

}  // namespace search
