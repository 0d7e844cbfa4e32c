// The own-piece families of the checking-move generator: for one own piece,
// only the moves that attack: captures that are safe or win material,
// promotions, and quiet moves that make two threats at once or prepare a
// promotion. Each writes straight to the call's output after the accept test
// and the searched set and returns how many it wrote. `front` is the king-front
// state of the call (0, 1 or 3) that the rook and bishop families read.
#pragma once

#include "engine/search/depth_gen/gen_terms.h"

namespace search {

int gen1_move_ou(GenCall& g);
int gen1_move_hisha(GenCall& g, int piece, int code, int sq, int front);
int gen1_move_kaku(GenCall& g, int piece, int code, int sq, int front);
int gen1_move_kin(GenCall& g, int piece, int code, int sq);
int gen1_move_narigoma(GenCall& g, int piece, int code, int sq);
int gen1_move_gin(GenCall& g, int piece, int code, int sq);
int gen1_move_kei(GenCall& g, int piece, int code, int sq);
int gen1_move_kyo(GenCall& g, int piece, int code, int sq);
int gen1_move_fu(GenCall& g, int piece, int code, int sq);

}  // namespace search
