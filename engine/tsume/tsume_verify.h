// Confirming a mate from stored proofs alone: every attacker position on the
// way must hold a proven entry whose move still checks, every defender
// position must be proven for each of its answers.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/tsume/tsume_engine.h"

namespace tsume {

// 0 when the stored proofs confirm a mate by the side to move (first move in
// `out`), else 1. Confirmed positions are stored again with their proof hands.
int tsume_verify_position(KTsumeEngine& e, board::KPosition& p, board::KMove* out, uint32_t time_limit_ms);

// The walk below a context: true when the stored proofs confirm the mate.
bool tsume_verify_node(KTsumeEngine& e, TsumeContext& c);

}  // namespace tsume
