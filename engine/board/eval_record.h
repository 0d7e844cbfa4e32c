// KEvalRecord: the per-node evaluation record. The evaluation (engine/eval/)
// writes it; the search carries one in every node and blends its score from it,
// and the board's king-front drop generator reads it (quiescence_gen.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace board {

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

}  // namespace board
