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

// Written by the search (engine/search/). A principal variation: the think's
// result block, and the line of every search node. A node of ply P keeps its
// line at moves[P..length] (empty: length P - 1), so the root (ply 1) keeps
// moves[1..length]; the result block keeps moves[0..length - 1].
struct KPvHolder {
  static constexpr int kMaxMoves = 42;
  // In the think's result block the flag slot after the 41st move marks a move
  // found by the mate check at the root, so a result line holds at most 41 moves.
  static constexpr int kMateAtRootSlot = 41;
  static constexpr int32_t kResetState = 13;

  int32_t length;                // the last ply of the line (the result block: its move count)
  int32_t reserved;
  KMoveWord moves[kMaxMoves];
  uint32_t flags[kMaxMoves];     // per move; bit 0: searched deeper than its node
  int32_t state;                 // stage code of the best move, 13 after a reset
  int32_t threat;                // the result block: the first move threatens mate

  // An empty line: length 0, first move and flag 0, state 13.
  void Reset() {
    length = 0;
    moves[0] = 0;
    flags[0] = 0;
    state = kResetState;
  }
  bool mate_at_root() const { return flags[kMateAtRootSlot] != 0; }
};

static_assert(offsetof(KPvHolder, moves) == 8);
static_assert(offsetof(KPvHolder, flags) == 8 + 4 * KPvHolder::kMaxMoves);
static_assert(offsetof(KPvHolder, threat) == 12 + 8 * KPvHolder::kMaxMoves);

// A mate remembered against one side: the key of the position where it was
// found (first word 0: none), the mating move and the ply of that position.
struct KMateThreat {
  KHashKey key;
  KMove move;
  uint32_t ply;
};

static_assert(sizeof(KMateThreat) == 28, "seven words");

// The search's per-ply node context. hash_probe fills the entry's best move,
// tag, extension and mate mark.
struct KSearchNode {
  KPosition* position;
  KEvalRecord eval;
  KHashKey key;          // the probed key
  KPvHolder pv;          // the node's best line from its ply on
  int32_t refute_count;  // best moves of earlier siblings
  KMoveWord refute[3];
  uint32_t hash_move;    // the entry's best move (KMoveWord), 0 none
  int32_t hash_stage;    // its stage tag, a signed 5-bit value
  int32_t ext;           // extensions less reductions along the line, twelfths of a ply
  int32_t table_ext;     // the entry's extension in twelfths of a ply, 0 when none applies
  int32_t tsume_mark;    // its mate-search mark (16 bits)
  uint32_t counters[3];  // moves made at this node and below, and two more counts
  KMateThreat threat[2]; // per side: a mate remembered against it
  uint32_t threat_move;  // packed threat move (bit 15 present; see the search's line records)
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
