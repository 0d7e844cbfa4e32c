// The stages of a node's move sequence, by the codes that the stage table,
// the list nodes' stage byte, a line's state word and the transposition
// table's stage tag keep.
#pragma once

#include <cstdint>

namespace search {

// A line's state word holds the stage of its best move: the quiescence
// search and the root write kDepthSelected for their moves, and an empty
// line kNone.
enum class NodeStage : uint8_t {
  kPass = 0,             // the pass, searched as a reduced null move (after a pass: the double pass)
  kHashMove = 1,         // the transposition table's move
  kCaptures = 2,         // the evasions in check, else the recaptures and captures of the moved pieces
  kEscapes = 3,          // escapes of threatened pieces, else the pawn push after the own last move
  kRefutations = 4,      // the node's refutation moves
  kDepthSelected = 5,    // the depth-selected generator
  kThreats = 6,          // moves that make threats
  kDefences = 7,         // defences against the incoming move
  kThreatDefences = 8,   // defences against the mate threat the pass showed
  kQuiet = 9,            // quiet moves
  kTacticalDrops = 10,   // tactical drops
  kKingDrops = 11,       // drops near the enemy king
  kNone = 13,            // no stage: the table's empty cell
};
constexpr int stage_code(NodeStage s) { return static_cast<int>(s); }
static_assert(stage_code(NodeStage::kNone) <= 15, "the transposition table keeps a stage in a signed 5-bit tag");

}  // namespace search
