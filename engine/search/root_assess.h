// The one-ply static assessment of the root moves that orders the first
// iteration, and the hanging-piece threat it subtracts.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_list.h"

namespace search {

// Fixed scores of the assessment.
constexpr int16_t kIllegalRootScore = -10000;
constexpr int kLossScoreBase = -3000;

// Writes a score into every node of the list: -10000 an illegal move (own king
// left attacked, or a pawn drop that mates), -3000 - x a move that loses x by
// exchange on its destination, 32766 a mate in one (every later node 0),
// otherwise the blended evaluation after the move less the threat on hanging
// pieces. In check (either side) the cheap move scorer orders the list.
void EvalByFacePrecise(board::KPosition& p, int count, KMoveNode* head);

// The largest gain the side to move can make by capturing a piece of the other
// side; -1 when it attacks none.
int hanging_threat_value(const board::KPosition& p);

// The blended root assessment of the record: the side to move's blended score
// less the other side's, the 600 allowance taken from `handicapped`.
int32_t record_assessment(const board::KEvalRecord& r, int s, int handicapped);

// The static value of the position for the side to move, as the root moves'
// assessment starts from it: the record assessment with the allowance taken
// from the other side. Never a mate score: it holds the value of a think
// stopped before any move was searched.
int32_t root_static_value(const board::KPosition& p);

}  // namespace search
