// The engine position for the engine's trace log.
#pragma once

#include "engine/board/position.h"
#include "model/text/kstring.h"

namespace board {

// Writes the position as tagged text (side to move, board, both hands) into
// `out`, as the trace log prints positions.
void position_trace_text(const KPosition& p, int flag, model::KString& out);

// Sends the position's tagged text to the trace log.
void kyokumen_print(const KPosition& p, int flag);

}  // namespace board
