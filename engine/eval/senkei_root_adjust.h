// The strategy table adjusted to each root move: a move that matches a known
// step of the engine's strategy (a rook swing, a castle move, a bishop exchange,
// a pawn push) makes the squares of the pieces that follow it better or worse
// while that move is searched, and the table is restored before the next one.
// Also the category of an improving quiet root move.
//
// The save area, the saved pattern and the saved side are part of the
// evaluation's set-up (eval_setup.h). senkei_table_update writes them (saving
// the moving side's cells before its first change); senkei_table_restore
// copies the cells back and clears the pattern. Both raise
// eval_settings_count when they change cells. The root search restores before
// every root move's update and once more after the root search, so no
// adjustment outlives a think.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/eval/eval_setup.h"

namespace eval {

// Copies the side's 729 cells into the save area (the pattern is not touched).
void senkei_table_save(int side);
// When a pattern saved the area: copies it back into the side's cells and clears
// the pattern. Otherwise nothing.
void senkei_table_restore(int side);

// Adjusts the moving side's cells to the root move (the position is the one
// after the move; a drop has no from-square) for the mover's strategy code and
// returns the number of the first matching pattern, or 0 when none matched and
// nothing changed. A save still pending from an earlier update is restored
// first. The stage is not read: the root search calls this only before the
// last game stage.
int senkei_table_update(const board::KPosition& p, const board::KMove& m, int stage, int code);

// The category of an improving quiet root move of a gold, silver, knight or king
// on the position after it, for both sides' strategy codes: 1 a gold or king
// going to a much better cell, 2 a silver going back to a much better cell, 3
// and 4 the yagura's silver going back or to 76, 5 a knight landing on rank 7
// on a much better cell; 0 for every other move and whenever the vacated
// square is left in danger.
int koma_move_bonus(const board::KPosition& p, const board::KMove& m, const int32_t codes[2]);

}  // namespace eval
