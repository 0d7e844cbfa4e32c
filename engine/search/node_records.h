// The search's records of a line and a node: the principal-variation holder
// (also the think's result block), a mate remembered against a side, and the
// per-ply node context.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/board/eval_record.h"
#include "engine/board/hash_table.h"
#include "engine/board/position.h"

namespace search {

// A principal variation: the think's result block, and the line of every search
// node. A node of ply P keeps its line at moves[P..length] (empty: length P - 1),
// so the root (ply 1) keeps moves[1..length]; the result block keeps
// moves[0..length - 1].
struct KPvHolder {
  static constexpr int kMaxMoves = 42;
  // In the think's result block the flag slot after the 41st move marks a move
  // found by the mate check at the root, so a result line holds at most 41 moves.
  static constexpr int kMateAtRootSlot = 41;
  static constexpr int32_t kResetState = 13;

  int32_t length;                // the last ply of the line (the result block: its move count)
  int32_t reserved;
  board::KMoveWord moves[kMaxMoves];
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
  board::KHashKey key;
  board::KMove move;
  uint32_t ply;
};

static_assert(sizeof(KMateThreat) == 28, "seven words");

// The search's per-ply node context. It starts with the record that the
// transposition-table probe is given (the probed key) and fills (the entry's
// best move, tag, extension and mate mark): board::KHashProbe.
struct KSearchNode : board::KHashProbe {
  board::KPosition* position;
  board::KEvalRecord eval;
  KPvHolder pv;          // the node's best line from its ply on
  int32_t refute_count;  // best moves of earlier siblings
  board::KMoveWord refute[3];
  int32_t ext;           // extensions less reductions along the line, twelfths of a ply
  uint32_t counters[3];  // moves made at this node and below, and two more counts
  KMateThreat threat[2]; // per side: a mate remembered against it
  uint32_t threat_move;  // packed threat move (bit 15 present; see the search's line records)
};

}  // namespace search
