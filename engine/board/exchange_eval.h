// Static exchange evaluation: the material outcome of a capture (or of a move or
// drop onto a square) without searching. The capture sequence on the square is
// replayed from the attack records, cheapest attacker first, with promotions,
// pinned attackers skipped and the king last, and backed up by minimax: either
// side may stop capturing when going on would cost it.
//
// Values are read from the evaluation's stage block (exchange_values.h), which must
// be set up before the first call. Two value models:
// - king-relative (exchange_eval): a piece of a class with a king-offset row is
//   worth the larger of its value at its offset from its own king and its value
//   at the enemy king's offset from it, both measured in its side's direction of
//   play, so a position and its twin turned by 180 degrees with the sides
//   exchanged give the same values; a king not on the board gives no value (with
//   neither king on the board the flat value holds). Rooks and bishops take
//   fixed values (rook 590, inside its promotion zone 1100, dragon 1200; bishop
//   820, 1030, horse 1130); other classes their flat value.
// - strategy (exchange_eval_pos): the flat value plus the current strategy square
//   table's bonus for the piece's side, class and square.
// A captured piece goes to the capturer's hand and is worth there the stage
// block's value of the next piece of its kind, by the count already held.
#pragma once

#include <array>
#include <cassert>
#include <climits>
#include <cstdint>

#include "engine/board/eval_links.h"
#include "engine/board/exchange_values.h"
#include "engine/board/move_tables.h"
#include "engine/board/position.h"
#include "engine/board/strategy_cells.h"

namespace board {

// The outcome for side s of the exchange on square q that s starts with piece
// `first` (a piece of s on the board that attacks q), q holding a piece of
// code `code` (side bits ignored; 0 for an empty square) that s captures or 0.
// The first capture is forced; after it each side may stop. `out_first`, when
// not null, receives the balance after the first capture if nothing is taken
// back. Balances count what the other side loses on the board plus what s gains
// in hand, less the value s's pieces leave behind. A capture that would take a
// king counts 1,000,000 (for s) or -1,000,000 (against s). King-relative model.
// 0 (and 0 in out_first) for a square off the board or a first piece not on it.
int exchange_eval(const KPosition& p, int s, int code, int q, int first, int* out_first);

// The same with the strategy model's values.
int exchange_eval_pos(const KPosition& p, int s, int code, int q, int first, int* out_first);

// An exchange that a generator played out for a move it wrote, kept for the
// move ordering, which would play it out again: the exchange on the move's
// destination that the side to move starts with the moving piece, taking what
// stands there (the king-relative model from game stage 1 on, else the
// strategy model), and its balance after the first capture. `value`
// kNoExchange: none was played out.
struct KExchangeNote {
  int32_t value;
  int32_t first;
};
inline constexpr int32_t kNoExchange = INT32_MIN;

// The value for `side` of dropping a piece of code `code` (side bits ignored) on
// square q: its board value less the hand value of the side's last piece of that
// kind (none when the side holds no such piece); a rook or bishop put inside its
// promotion zone starts from 0. The board value is the strategy model's while
// the game stage is 0, else the king-relative model's (without the fixed rook
// and bishop values). `out_before`, when not null, receives that value; when the
// other side attacks q directly, its exchange on q starting with its cheapest
// attacker is then played out (strategy model at game stage 0), and a gain of 1
// or more for it is subtracted from the result.
int koma_put_value(const KPosition& p, int side, int code, int q, int* out_before);

// The stage block's values the exchange reads, for callers that total a gain
// themselves: the flat value of a code class; the hand value of the next piece
// of a kind (rook .. pawn) by the count already held; the king-relative value
// of a class for `side` on `sq` (the flat value for classes without a
// king-offset row, and when neither king is on the board).
// (The first two are inline: the move ordering reads them for every move.)
inline int exchange_flat_value(int cls) {
  assert(eval_links.eval_stage_tables != nullptr && "the stage block is set up before any exchange");
  return cls >= 0 && cls < kPieceCodes ? eval_links.eval_stage_tables->piece_value[cls] : 0;
}
inline int exchange_hand_value(int kind, int held) {
  assert(eval_links.eval_stage_tables != nullptr && "the stage block is set up before any exchange");
  if (kind < kRook || kind > kPawn) return 0;
  return eval_links.eval_stage_tables->count_value[kind - 1][held < kCountEntries - 1 ? held : kCountEntries - 1];
}
int exchange_king_value(const KPosition& p, int side, int cls, int sq);

// The cell of a code class below 32 in one side's part of the strategy square
// table (cell[side] read as one array), less the first square, so that the
// square is added as it is; kNoSenkeiCell for a class without a layer.
inline constexpr int16_t kNoSenkeiCell = INT16_MIN;
inline constexpr std::array<int16_t, 32> kSenkeiCellOfClass = [] {
  std::array<int16_t, 32> t{};
  for (int cls = 0; cls < 32; ++cls) {
    const int layer = kSenkeiLayerOfClass[cls];
    t[cls] = layer < 0 ? kNoSenkeiCell : static_cast<int16_t>(layer * kKikiSquares - kFirstSquare);
  }
  return t;
}();

// The strategy model's values, with the tables they read looked up once (an
// exchange keeps one for all the pieces it weighs). The value of a piece of
// code class `cls` (below 32) of `side` on the board square sq is
// exchange_flat_value(cls) + senkei_cell(side, cls, sq); it is read for every
// piece weighed, so it skips the square test (sq is on the board) and reads
// the cell's place from the table above. (An exchange that takes a king at
// once weighs no piece: the stage block is needed only when one is weighed.)
struct StrategyValues {
  const KExchangeWeights* stage = eval_links.eval_stage_tables;  // its flat values by class
  const int32_t* side_cells[2] = {                               // cell[side] as one array, null for none
      eval_links.senkei_current != nullptr ? &eval_links.senkei_current->cell[0][0][0] : nullptr,
      eval_links.senkei_current != nullptr ? &eval_links.senkei_current->cell[1][0][0] : nullptr};
  int operator()(int side, int cls, int sq) const {
    assert(stage != nullptr && "the stage block is set up before any exchange");
    assert(cls >= 0 && cls < 32 && is_playing_square(sq));
    int v = cls < kPieceCodes ? stage->piece_value[cls] : 0;
    const int cell = kSenkeiCellOfClass[cls];
    const int32_t* cells = side_cells[side];
    if (cells != nullptr && cell != kNoSenkeiCell) v += cells[cell + sq];
    return v;
  }
  // The values of a capturer of class `cls` on its square `from` and, as
  // class `after`, on the capture square `to`. Whether it promotes goes either
  // way from one capture to the next, so both classes are read alike rather
  // than by a branch on it; only a class without a cell row takes the test.
  void move_values(int side, int cls, int after, int from, int to, int& at_from, int& at_to) const {
    assert(stage != nullptr && "the stage block is set up before any exchange");
    assert(cls >= 0 && cls < 32 && after >= 0 && after < 32 && is_playing_square(from) && is_playing_square(to));
    const int cell_from = kSenkeiCellOfClass[cls];
    const int cell_to = kSenkeiCellOfClass[after];
    const int32_t* cells = side_cells[side];
    if (cells == nullptr || cell_from == kNoSenkeiCell || cell_to == kNoSenkeiCell) [[unlikely]] {
      at_from = (*this)(side, cls, from);
      at_to = (*this)(side, after, to);
      return;
    }
    at_from = stage->piece_value[cls] + cells[cell_from + from];
    at_to = stage->piece_value[after] + cells[cell_to + to];
  }
};

// The strategy model's values of one side's pieces, for a reader that weighs
// many of them (the move ordering weighs two or three per move): the side's
// rows of the square table are looked up once, so a value reads the flat
// value and one cell. The same values as StrategyValues for that side.
struct SideStrategyValues {
  const KExchangeWeights* stage;  // its flat values by class
  const int32_t* cells;           // the side's cell[side] as one array, null for no table
  explicit SideStrategyValues(int side)
      : stage(eval_links.eval_stage_tables),
        cells(eval_links.senkei_current != nullptr ? &eval_links.senkei_current->cell[side][0][0] : nullptr) {}
  int operator()(int cls, int sq) const {
    assert(stage != nullptr && "the stage block is set up before any exchange");
    assert(cls >= 0 && cls < 32 && is_playing_square(sq));
    int v = cls < kPieceCodes ? stage->piece_value[cls] : 0;
    const int cell = kSenkeiCellOfClass[cls];
    if (cells != nullptr && cell != kNoSenkeiCell) v += cells[cell + sq];
    return v;
  }
  // (*this)(cls, to) - (*this)(cls, from): a piece that keeps its class keeps
  // its flat value, so only the cells differ.
  int step(int cls, int from, int to) const {
    assert(cls >= 0 && cls < 32 && is_playing_square(from) && is_playing_square(to));
    const int cell = kSenkeiCellOfClass[cls];
    if (cells == nullptr || cell == kNoSenkeiCell) return 0;
    return cells[cell + to] - cells[cell + from];
  }
};

// The king-relative values of one side's pieces (exchange_king_value for that
// side), for a reader that weighs many of them while the kings stay where they
// are (an exchange, a node's move ordering): the table places of the side's own
// king and of the enemy king are worked out once, so a value reads the class's
// row and at most two table entries.
class SideKingValues {
 public:
  SideKingValues(const KPosition& p, int side) : stage_(eval_links.eval_stage_tables), sign_(side == 0 ? 1 : -1) {
    const int own = p.piece[side].sq;
    const int enemy = p.piece[1 - side].sq;
    // The entries are read at the offset sq - own and enemy - sq, turned for
    // gote: sign * sq + own_base_ and enemy_base_ - sign * sq.
    own_base_ = is_playing_square(own) ? kMaxDifference - sign_ * own : kNoKing;
    enemy_base_ = is_playing_square(enemy) ? kMaxDifference + sign_ * enemy : kNoKing;
  }
  int operator()(int cls, int sq) const {
    const int row = cls >= 0 && cls < 32 ? kOwnKingClass[cls] : -1;
    if (row < 0) return exchange_flat_value(cls);
    assert(stage_ != nullptr && "the stage block is set up before any exchange");
    const int along = sign_ * sq;
    int best = -1;  // the entries are unsigned
    if (own_base_ != kNoKing) best = stage_->offset_value_a[row][own_base_ + along];
    if (enemy_base_ != kNoKing) {
      const int b = stage_->offset_value_b[row][enemy_base_ - along];
      if (b > best) best = b;
    }
    return best < 0 ? exchange_flat_value(cls) : best;
  }

 private:
  static constexpr int kNoKing = INT32_MIN;  // that king is off the board
  const KExchangeWeights* stage_;
  int sign_;
  int own_base_;
  int enemy_base_;
};

}  // namespace board
