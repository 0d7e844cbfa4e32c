// The checking-move generator (generator level 1): checks and double threats.
// Drops that attack the enemy king or enemy pieces are proposed to the
// candidate table and written only when proposed twice (they attack two
// targets) or admitted at once (the gold drop on the king, forks the rook and
// bishop rules find); the pawn drop on the king is written at once. The own
// pieces' attacking moves are written by the families in between, the king's
// first. The accept test is sashite_threat_kind at level 1.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/depth_gen/gen_terms.h"
#include "engine/search/move_words.h"

namespace search {

// `last` is the opponent's last move inside an array whose previous record is
// the mover's own move before it. Returns the number written.
int sashite_gen_checks(const board::KPosition& p, const board::KMove* last, uint32_t accept, const KSearchedSet& set,
                       board::KMove* out);

// ---- The level-1 drop rules: each proposes, except the pawn rule, which writes.
void gen1_drop_fu(GenCall& g, int t);
void gen1_drop_kei(GenCall& g, int t, int tag);
void gen1_drop_gin(GenCall& g, int t, bool far, int tag);
void gen1_drop_kin(GenCall& g, int t, int tag);
void gen1_drop_kaku_ou(GenCall& g, int t);
void gen1_drop_kaku(GenCall& g, int t, int tag);
void gen1_drop_kaku_hisha(GenCall& g, int t);
void gen1_drop_kaku_kaku(GenCall& g, int t, int code);
void gen1_drop_hisha(GenCall& g, int t, int tag);
void gen1_drop_hisha_line(GenCall& g, int t, int tag);
void gen1_drop_hisha_line_koma(GenCall& g, int t, int piece, int code, int tag);
// A bishop behind the own piece on p, aimed along d at the enemy piece beyond.
void gen1_drop_kaku_behind(GenCall& g, int p, int d);
// Whether the enemy piece first along d from the own piece on p (or on its
// neighbour p + d only) is a defended, held target worth a bishop behind p.
bool gen1_kaku_line_test(const GenCall& g, int p, int d);
bool gen1_kaku_next_test(const GenCall& g, int p, int d);
// Whether the enemy bishop (or horse, when promoted) on t can flee across d.
bool gen1_kaku_escape_test(const GenCall& g, bool promoted, int t, int d);

// ---- Target tests against enemy knights, lances and pawns.
int gen1_kei_target_gin_mode(const GenCall& g, int t, int code);
bool gen1_kei_target_kin_ok(const GenCall& g, int t, int code);
int gen1_kyo_target_gin_mode(const GenCall& g, int t, int code);
bool gen1_kyo_target_kin_ok(const GenCall& g, int t, int code);
bool gen1_fu_target_kaku_ok(const GenCall& g, int t, int code);
int gen1_fu_target_hisha_mode(const GenCall& g, int t, int code);

}  // namespace search
