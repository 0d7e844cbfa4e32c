// What the engine's board, generators and evaluation share with the search: the
// per-node evaluation record, the node record that the transposition-table
// probe fills, and the process-wide words the search writes and the generators
// read. They live in the board layer because the board's generators and its
// transposition-table probe read them; the layers that write them sit above.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace board {

// Written by the evaluation (engine/eval/); read by the board's generators.
// The per-node evaluation record, copied whole from the parent node and updated
// by the move. Counted in 16-bit words from the start, side X has attack and
// attack_extra at [4X + 2] and [4X + 3], defence and defence_extra at [2X + 10]
// and [2X + 11], hand_b at [14 + X] and material and material_extra at
// [2X + 16] and [2X + 17]; the search's score blend reads them at those places.
struct KEvalRecord {
  // Cleared on every move; bit 0x10 set by the king-attack terms and 0x20 by the
  // full evaluation, so that each fills its terms once: both set = fully evaluated.
  uint32_t flags;
  struct Attack {
    int16_t attack;
    int16_t attack_extra;
    int32_t open_file;
  } att[2];
  struct Defence {
    int16_t defence;
    int16_t defence_extra;
  } def[2];
  int16_t hand_b[2];
  struct Material {
    int16_t material;
    int16_t material_extra;
  } mat[2];
};

static_assert(sizeof(KEvalRecord) == 40);
static_assert(offsetof(KEvalRecord, att[1].attack) == 2 * 6);
static_assert(offsetof(KEvalRecord, def[1].defence) == 2 * 12);
static_assert(offsetof(KEvalRecord, hand_b[1]) == 2 * 15);
static_assert(offsetof(KEvalRecord, mat[1].material_extra) == 2 * 19);

// Written by the search (engine/search/), one per ply; hash_probe fills its
// hash fields. The per-ply node record of the search, as far as the
// transposition-table probe reads and fills it (the search adds the rest of its
// context).
struct KSearchNode {
  KPosition* position;
  KEvalRecord eval;
  KHashKey key;          // the probed key
  uint32_t hash_move;    // the entry's best move (KMoveWord), 0 none
  int32_t hash_stage;    // its stage tag, a signed 5-bit value
  int32_t table_ext;     // its extension in twelfths of a ply, 0 when none applies
  int32_t tsume_mark;    // its mate-search mark (16 bits)
};

// Written by the search at the start of each think; read by the generators.
// The coarse game stage 0, 1 or 2; the generators choose estimates, thresholds
// and rule groups by it.
extern int32_t game_stage;

// Written by the search: set to 0 at the start of a think and written before
// the stage generators run; read as four bytes: square A, square B, piece kind
// K, file F. While its low 16 bits are not 0 the filtering generators keep only
// accepted candidates.
extern uint32_t threat_word;

}  // namespace board
