// How the full evaluation reads the position and the weight object: the words
// its term groups share (a side's forward step and camps, the attack counts of a
// square, the cells along a ray, the king-relative values as each side reads
// them, the files whose pawn stands within a run of squares) and the one-line
// accessors of the weight object's tables.
//
// Wall cells carry both side bits, so "holds a piece of side x" is true for a
// wall; the attack records and the king-relative tables exist for the 81 board
// squares only, and every reader below that takes a square expects one.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/board/move_rules.h"
#include "engine/board/position.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/own_view.h"
#include "engine/eval/root_weights.h"  // eval_root_row, the root block's pawn-behind rows

namespace eval {

// ---- The position -------------------------------------------------------------

// fwd(s), one rank toward the enemy camp, and the enemy camp (board::in_camp).
using board::forward_step;
using board::in_camp;

// The side's own camp, its three nearest ranks: sente's 7-9, gote's 1-3.
constexpr bool in_own_camp(int side, int sq) { return in_camp(1 - side, sq); }

// att(x, q): side x's attacks on board square q, direct and x-ray; dir(x, q):
// the direct ones alone.
inline int att(const board::KPosition& p, int side, int sq) {
  const board::KKiki& k = board::kiki_at(p, sq);
  return k.direct_count[side] + k.xray_count[side];
}
inline int dir(const board::KPosition& p, int side, int sq) { return board::kiki_at(p, sq).direct_count[side]; }

// is_playing_square of a piece entry's square byte: an entry's square is a board
// square, kInHand or kNotInPlay, and both of those lie above every board square,
// so one comparison answers it. The term groups ask it of every entry of a
// kind's range.
inline bool on_board(const board::KPieceEntry& e) { return e.sq < board::kInHand; }

inline bool is_wall_cell(const board::KPosition& p, int sq) { return p.board[sq] >= board::kFirstWall; }
inline bool is_empty_cell(const board::KPosition& p, int sq) { return p.board[sq] == board::kEmptyNumber; }
// A piece of the side (walls excluded): board::holds_piece_of; a piece of the
// side or a wall: board::blocked_for.
using board::blocked_for;
using board::holds_piece_of;
// True for the side's unpromoted piece of the kind.
inline bool holds(const board::KPosition& p, int side, int sq, int kind) {
  return code_on(p, sq) == (kind | board::side_bit(side));
}

// first(q, d): the first cell from q along step d that is not empty (a wall at
// the latest), and the number of what stands on it.
// The walk runs on a cell pointer: with an int square the compiler widened the
// index at every step, and the unrolled walk read each cell in five
// instructions instead of two.
inline int ray_first_square(const board::KPosition& p, int sq, int step) {
  const uint8_t* const cells = p.board;
  const uint8_t* c = cells + sq + step;
  while (*c == board::kEmptyNumber) c += step;
  return static_cast<int>(c - cells);
}
inline int ray_first_piece(const board::KPosition& p, int sq, int step) {
  return p.board[ray_first_square(p, sq, step)];
}

// The files 1..9 (bit f) whose entry of a side's pawn-file row lies within
// [first, first + span]: the row's ten bytes compared at once where the
// machine has it, as most files fail the test. The span is below 100 and the
// squares at most 156, so a square below `first` wraps far above the span in
// a byte as well.
inline unsigned files_in_run(const uint8_t (&row)[10], unsigned first, unsigned span) {
#if defined(__SSE2__)
  // Sixteen bytes from the row's start stay inside the position: the row is
  // followed by the other side's row or by the hand counts.
  static_assert(offsetof(board::KPosition, pawn_file) + sizeof(board::KPosition::pawn_file) + 6 <=
                sizeof(board::KPosition));
  const __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
  const __m128i off = _mm_sub_epi8(cells, _mm_set1_epi8(static_cast<char>(first)));
  const __m128i in = _mm_cmpeq_epi8(_mm_min_epu8(off, _mm_set1_epi8(static_cast<char>(span))), off);
  return static_cast<unsigned>(_mm_movemask_epi8(in)) & 0x3FEu;
#else
  unsigned files = 0;
  for (int f = 1; f <= 9; ++f) files |= (row[f] - first <= span ? 1u : 0u) << f;
  return files;
#endif
}

// True when `pawn`, the square of the side's pawn on the file of board square
// sq (0 when the file has none), lies behind sq as the side sees the board. On
// one file the square numbers order as the ranks do, so the squares are
// compared as they are; gote's comparison, turned round, takes the 0 of no
// pawn above every square by the unsigned wrap.
inline bool pawn_behind(int side, int pawn, int sq) {
  return side == 0 ? pawn > sq : static_cast<unsigned>(pawn - 1) < static_cast<unsigned>(sq - 1);
}

// ---- The king-relative tables ----------------------------------------------------

// The king-relative index of each cell as each side reads it: (rank - 1) x 9 +
// (file - 1), the rank mirrored for gote; -1 off the board.
inline constexpr std::array<std::array<int8_t, board::kBoardCells>, 2> kKingRelIndex = [] {
  std::array<std::array<int8_t, board::kBoardCells>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int sq = 0; sq < board::kBoardCells; ++sq) {
      const int rank = board::square_rank(sq);
      t[side][sq] = board::is_playing_square(sq)
                        ? static_cast<int8_t>(((side == 0 ? rank : 10 - rank) - 1) * 9 + board::square_file(sq) - 1)
                        : int8_t{-1};
    }
  }
  return t;
}();

// The first class around the enemy king (6 + n) of each code class: gold and
// promoted silver 6, promoted pawn 7, silver 8, knight 9, pawn 10, horse 11,
// promoted knight and promoted lance 12; -1 for the others.
inline constexpr std::array<int8_t, 32> kSecondGroupClass = [] {
  std::array<int8_t, 32> t{};
  t.fill(-1);
  t[board::kGold] = 6;
  t[board::kSilver | board::kPromotedBit] = 6;
  t[board::kTokin] = 7;
  t[board::kSilver] = 8;
  t[board::kKnight] = 9;
  t[board::kPawn] = 10;
  t[board::kHorse] = 11;
  t[board::kKnight | board::kPromotedBit] = 12;
  t[board::kLance | board::kPromotedBit] = 12;
  return t;
}();

// Classes of the king-relative tables that the full evaluation reads by name.
constexpr int kGoldClass = 0;        // a gold around its own king
constexpr int kTokinEnemyClass = 7;  // a promoted pawn around the enemy king
constexpr int kPawnEnemyClass = 10;  // a pawn around the enemy king

// KR(c, x, K, q): class c's value at board square q for king square K, both read
// from side x (gote mirrors the ranks).
inline int king_rel_value(int cls, int side, int king, int sq) {
  assert(board::is_playing_square(king) && board::is_playing_square(sq));
  return eval_setup.eval_weights->king_rel[kKingRelIndex[side][king]][cls][kKingRelIndex[side][sq]];
}

// ---- Accessors of the weight object ----------------------------------------------

// piece_value of a kind code 0..23 (promotion bit included).
inline int32_t eval_piece_value(int kind) { return eval_setup.eval_weights->piece_value[kind]; }

// The kind's value around the enemy king for the side: KR(class, side, king,
// square) with the kind's class of that group; 0 for a kind without one (rook,
// bishop, dragon, unpromoted lance, king) and when the king is not on the board.
int32_t eval_king_table(int side, int kind, int king_sq, int sq);
// The same around the side's own king, with the kind's class of the first
// group; 0 for a kind without one (rook, bishop, dragon, king) and when the
// king is not on the board.
int32_t eval_own_king_table(int side, int kind, int king_sq, int sq);

// The side's rank-and-file bonus of a board square.
inline int32_t eval_rank_bonus(int side, int sq) {
  return eval_setup.eval_weights->rank_bonus[side][sq - board::kFirstSquare];
}

// Entry 0..8 of the root block's blended curve.
inline int32_t eval_root_curve(int index) { return eval_setup.eval_weights->root.curve[index]; }
// The blended curve's length word.
inline int32_t eval_root_curve_length() { return eval_setup.eval_weights->root.curve_length; }

// The side's root placement value of a board square.
inline int32_t eval_root_king_square(int side, int sq) {
  return eval_setup.eval_weights->root.root_square[side][sq - board::kFirstSquare];
}

// The file-and-rank bonus of square q for side s with a reference piece on file
// ref_file: 0 when the reference stands on file 5 (or off the board), else the
// table entry of q's file counted from the reference's side of the board and of
// q's rank seen from s.
int32_t eval_file_rank_bonus(int side, int ref_file, int sq);

// How many defenders the side can muster: 2 per gold and silver on the board or
// in hand, 1 per knight and lance in hand or unpromoted on the board, 2 per
// promoted knight and lance.
int eval_defender_count(const board::KPosition& p, int side);

}  // namespace eval
