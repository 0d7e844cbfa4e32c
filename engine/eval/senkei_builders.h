// The per-strategy builders of the strategy square tables: each looks at the
// position and moves cells of the current table for side s so that the engine
// prefers the next steps of its formation. The common builders serve every
// ranging-rook code and every anti-ranging code before the code's own builder.
// Every rule reads and writes the squares of s's own view (senkei_rules.h); a
// builder that reads the opponent's strategy takes it from root_senkei.
#pragma once

#include <cstdint>

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

// ---- Predicates -------------------------------------------------------------

// How far the boat castle has come: 1 pawn on 75; 2 silver on 77; 3 gold or
// silver on 78; 4 silver or gold on 67 with a gold on 69; 5 king on file 8 or 9;
// else 0 (tested in that order).
int funagakoi_progress(const board::KPosition& p, int s);
// True when s's king stands on file 7, 8 or 9.
bool king_on_left(const board::KPosition& p, int s);
// True when the opponent's left silver threatens a ranging anaguma: its pawn has
// left 73, a silver stands on 84, 75 or 74, or exactly two of 62, 72, 63, 53,
// 42 and 43 hold its silvers.
bool furiana_silver_test(const board::KPosition& p, int s);

// ---- Shared pieces of the builders --------------------------------------------

// The far-corner bans: s's gold and silver cells in the opponent's corner lose
// fixed amounts, so that those pieces do not wander off.
void corner_ban_furibisha(int s);
void corner_ban_taifuri(int s);
void corner_ban_iyagura(int s);

// The gold, silver, king and lance cells that a ranging rook still on 28 holds
// back and that its swing gives back: added with sign +1, taken off with -1.
void rook_swing_cells(int s, int sign);

// The opening sub-builder of the fourth-file rook: the rapid left-silver plan.
void nefura_system(const board::KPosition& p, int s);

// The undecided side's pawn and lance cells blended towards the tables of its
// castle wing and of the opponent king's wing.
void mikettei_blend(const board::KPosition& p, int s);

// The yagura side's pawn and lance cells blended towards its castle's targets by
// how far the king has gone to the left.
void iyagura_opening(const board::KPosition& p, int s);

// Marks of the (kind, square) pairs that the yagura builder has changed: bishop,
// gold, silver, pawn and king cells change at most once per build.
struct IyaguraMarks {
  uint8_t mark[5][9][9] = {};  // [kind][file - 1][rank - 1]
};
// Adds the amount to s's cell of the kind's layer at (file, rank) of s's view,
// unless the kind is marked there (rook, knight and lance are never marked).
void iyagura_add(IyaguraMarks& marks, int s, int kind, int file, int rank, int amount);

}  // namespace eval
