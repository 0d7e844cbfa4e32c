// The board moves of the mover's own pieces that the depth-selected generator
// writes from level 2 on, one family per kind: king, rook (and dragon),
// bishop (and horse), gold (and promoted silver), promoted knight, lance and
// pawn, silver, knight, lance and pawn. The families do not write every move:
// they leave out quiet moves that lose material or lead nowhere at a low
// level and open up as the level grows. Every move passes the accept test and
// the searched set (the silver's extra unpromoted move only the set) and is
// written straight to the call's output; each returns how many it wrote.
#pragma once

#include "engine/search/depth_gen/gen_terms.h"

namespace search {

int gen_own_ou(GenCall& g);
int gen_own_hisha(GenCall& g, int piece, int code, int sq);
int gen_own_kaku(GenCall& g, int piece, int code, int sq);
int gen_own_kin(GenCall& g, int piece, int code, int sq);
int gen_own_narigoma(GenCall& g, int piece, int code, int sq);
int gen_own_gin(GenCall& g, int piece, int code, int sq);
int gen_own_kei(GenCall& g, int piece, int code, int sq);
int gen_own_kyo(GenCall& g, int piece, int code, int sq);
int gen_own_fu(GenCall& g, int piece, int code, int sq);

// The positional gain of moving a piece (code before, code after) from `from`
// to `to`, with the worth of the enemy piece taken there, its hand value at
// the mover's count and, in exchange mode 0, its fixed weight. Exchange mode
// 0 values squares by the strategy table, the others by value(piece, square).
int positional_gain(const GenCall& g, int code_before, int code_after, int from, int to);

// Gold-moving classes: gold and the promoted silver, knight, lance and pawn.
constexpr bool gold_like(int cls) { return cls == board::kGold || (cls >= 20 && cls <= 23); }

}  // namespace search
