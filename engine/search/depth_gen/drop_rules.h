// The drop proposers of the depth-selected generator. Each rule is given a
// target square T (the enemy king's square, a square next to it, an enemy
// piece or a square of the enemy camp) and, for one kind in the mover's hand,
// finds the empty squares from which a dropped piece of that kind attacks T.
// It filters them by the attack terms, the level and the last two moves (the
// drop return rule) and proposes the survivors to the candidate table with
// the tag it is given; no rule writes a move. Callers call a rule only when
// the mover holds its kind. Drop squares are listed as sente sees them; gote's
// are turned.
#pragma once

#include "engine/search/depth_gen/gen_terms.h"

namespace search {

// Pawn: the square in front of T (the caller checks the pawn file).
void gen_drop_fu(GenCall& g, int t, int tag);
// Pawns below a target in the camp, on the four ranks nearest the enemy.
void gen_drop_fu_tare(GenCall& g, int t, int tag);
// Lance: the far end of the free stretch behind T, and every square in front
// of an enemy-attacked one.
void gen_drop_kyo(GenCall& g, int t, int tag);
// The lance rule against an enemy pawn: from two squares behind it.
void gen_drop_kyo_fu(GenCall& g, int t, int tag);
void gen_drop_kei(GenCall& g, int t, int tag, bool weak);
// With `far`, only the two squares diagonally beyond T.
void gen_drop_gin(GenCall& g, int t, int tag, bool weak, bool far);
void gen_drop_kin(GenCall& g, int t, int tag, bool weak);
// Bishops on the four diagonals away from T: against the king (tag 4), the
// general rule, against an enemy rook (strong when a worthwhile piece stands
// behind it) and against an enemy bishop or horse of the given code.
void gen_drop_kaku_ou(GenCall& g, int t);
void gen_drop_kaku(GenCall& g, int t, int tag);
void gen_drop_kaku_hisha(GenCall& g, int t);
void gen_drop_kaku_kaku(GenCall& g, int t, int code);
// Rooks on T's rank (weak unless an own rook behind a file supports them) and
// file.
void gen_drop_hisha(GenCall& g, int t, int tag);
// Rooks on T's lines inside the enemy camp.
void gen_drop_hisha_line(GenCall& g, int t, int tag);
// Rooks on the lines of a trapped enemy bishop or horse (code), strong where
// the rook closes every safe escape.
void gen_drop_hisha_line_koma(GenCall& g, int t, int piece, int code, int tag);
// Rooks behind the own lance or pawn on `sq`, backing its advance.
void gen_drop_hisha_behind(GenCall& g, int sq);

// 1 when the first piece beyond `sq` along `dir` is an enemy piece worth
// attacking for `side`: a rook, dragon or king; a pawn or promoted pawn inside
// the side's enemy camp, or any other piece, where the enemy's support less
// `margin` does not exceed the side's.
int ray_first_piece_takable(const board::KPosition& p, int side, int sq, int dir, int margin);
// Whether a rook dropped on `d` leaves the trapped enemy bishop or horse (code)
// on `t` no safe escape: every square it could flee to that holds no enemy
// piece and that the mover does not attack directly lies on d's file or rank
// with only empty squares between.
bool gen1_rook_line_reach(const GenCall& g, int t, int code, int d);

// Tests against an enemy pawn (or promoted pawn, by its code) on `t` for the
// knight, silver, gold, bishop and rook rules.
bool fu_target_kei_ok(const GenCall& g, int t, int code);
// 0 no silver, 1 the silver rule, 2 the silver rule with the far-side flag.
int fu_target_gin_mode(const GenCall& g, int t, int code);
bool fu_target_kin_ok(const GenCall& g, int t, int code);
bool fu_target_kaku_ok(const GenCall& g, int t, int code);
// 0 none, 1 the rook rule, 2 the rook-line rule; `cache` holds 32767 until
// the pawn's value is computed.
int fu_target_hisha_mode(GenCall& g, int t, int code, int& cache);

// Helpers of the rules: a proposal of the next piece of `kind` in the mover's
// hand on `d`.
void propose_drop(const GenCall& g, int kind, int d, int tag, bool weak);
void propose_drop_strong(const GenCall& g, int kind, int d);

}  // namespace search
