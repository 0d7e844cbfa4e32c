// The per-strategy builders of the strategy square tables: each looks at the
// position and moves cells of the current table for side s so that the engine
// prefers the next steps of its formation. The common builders serve every
// ranging-rook code and every anti-ranging code before the code's own builder.
#pragma once

#include "engine/board/position.h"

namespace eval {

void senkei_build_furibisha(const board::KPosition& p, int s);
void senkei_build_taifuri(const board::KPosition& p, int s);

void senkei_build_mikettei(const board::KPosition& p, int s);     // 0 undecided
void senkei_build_iyagura(const board::KPosition& p, int s);      // 1 yagura
void senkei_build_kakugawari(const board::KPosition& p, int s);   // 2 bishop exchange
void senkei_build_shiken_mino(const board::KPosition& p, int s);  // 3 fourth-file rook, mino
void senkei_build_funagakoi(const board::KPosition& p, int s);    // 5 boat castle rapid attack
void senkei_build_aifuri(const board::KPosition& p, int s);       // 6 mutual ranging rook
void senkei_build_hidari_mino(const board::KPosition& p, int s);  // 7 left mino
void senkei_build_ibiana(const board::KPosition& p, int s);       // 8 static-rook anaguma
void senkei_build_furiana(const board::KPosition& p, int s);      // 9 and 19 ranging anaguma
void senkei_build_nakazumai(const board::KPosition& p, int s);    // 10 central residence

}  // namespace eval
