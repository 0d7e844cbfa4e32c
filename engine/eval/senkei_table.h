// The strategy square tables: the set-up's table (eval_setup.senkei_table) the
// engine reads through board::eval_links.senkei_current, filled before every think from the base rows of the
// two sides' strategy codes (gote's turned by 180 degrees) and then adjusted to
// the position by the dispatcher and the per-strategy builders.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/board/strategy_cells.h"
#include "engine/eval/eval_setup.h"

namespace eval {

// Makes the engine's table the current one.
void senkei_table_current();

// The base row of a strategy code, or -1 for a code without one (4, 11, 13, 15,
// 17, 19, 20, 22..31 and any code outside 0..31).
int senkei_row_index(int code);
// Whether the code is a ranging-rook strategy (3, 4, 9, 11, 17), or a static-rook
// strategy against ranging rook (5, 7, 8, 20). False for codes outside 0..22.
bool senkei_furibisha_flag(int code);
bool senkei_taifuri_flag(int code);

// Fills the table for codes[0] (sente) and codes[1] (gote) from the variant of
// their base rows (row 0 for a code without one) and counts the fill.
void senkei_tables_fill(board::KSenkeiTable& table, int variant, const int32_t codes[2]);
// Fills the engine's table and makes it current.
void senkei_tables_init(int variant, const int32_t codes[2]);

// Adjusts the current table to the position for both sides' codes: the bishop's
// pawn, the common ranging-rook or anti-ranging builder, then the code's own
// builder. Nothing without a current table.
void senkei_dispatch(const board::KPosition& p, const int32_t codes[2]);

// The base value for the strategy's row (row 0 for a code without one), the
// variant, the layer of the piece code and the engine square, in sente's view;
// 0 for a piece code without a layer, a variant outside 0..2 or a square off
// the board.
int32_t king_table_value(int code, int variant, int piece_code, int sq);

// A cell of the current table: the cell of `owner`'s layer at (file, rank) of
// the `view` side's own view. The current table must be set.
int32_t& senkei_cell_ref(int owner, int layer, int view, int file, int rank);

}  // namespace eval
