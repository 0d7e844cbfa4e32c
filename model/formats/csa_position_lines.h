// The position statements of a CSA text: rank rows ("P1-KY-KE..."), piece
// lists ("P+00FU00KA", "P-00AL") and the even game with pieces taken off
// ("PI82HI22KA"). Each reader says whether the statement was whole: a cell,
// group or byte that is none of the statement's forms is a damaged line, and
// a position read past it would be another position than the text's.
#pragma once

#include "model/position/kyokumen.h"
#include "model/text/kstring.h"

namespace model {

// The piece type named by the two bytes at `s[i]` (types 1..15, never 13), or 0
// when the statement holds no piece name there.
int csa_piece_type_at(const KString& s, int i);

// Reads the position statement `s` (it begins with "P") into `pos`: true
// when it was read whole. `placed` is set when the statement places pieces or
// sets up a position (a rank row, a piece list or "PI"). False for a
// statement that is none of the three, or one holding a cell or group of no
// known form (its reading then stops where it stands, `pos` partly changed).
bool csa_read_position_line(const KString& s, Kyokumen& pos, bool& placed);

}  // namespace model
