// The board's per-think state: the records the board's make, unmake and
// generators keep for the think that runs. One record for the process, used on
// the computer thread only (board_state.h lists who writes each part and
// when): the per-ply table (ply_table.h), the think's generator settings
// (generator_words.h) and the check generator's table of emitted moves
// (check_gen.cpp).
#pragma once

#include <cstdint>

#include "engine/board/generator_words.h"
#include "engine/board/position.h"

namespace board {

constexpr int kPlyLayers = 44;

struct KPlySquare {
  int8_t change[2];  // net change of the side's (direct + x-ray) attacks here
  uint8_t square;
  uint32_t prev;     // square of the previous list entry, 0 none
  uint32_t next;     // square of the next list entry, 0 none
};

struct PlyTable {
  KPlySquare ply_squares[kPlyLayers][kKikiSquares];
  uint32_t ply_list_head[kPlyLayers];  // square of the list's head, 0 empty
  uint32_t search_ply_counter;         // the current layer: make raises it, unmake lowers it
};

struct ThinkBoard {
  // Make with its flag set and unmake write the current ply's layer;
  // pos_table_init clears it.
  PlyTable ply_table;
  // Written by the search at the start of each think (the threat word before
  // the stage generators run); read by the generators, which take no context.
  GeneratorWords generator_words;
};
extern ThinkBoard think_board;

}  // namespace board
