// The position statements of a CSA text: rank rows ("P1-KY-KE..."), piece
// lists ("P+00FU00KA", "P-00AL") and the even game with pieces taken off
// ("PI82HI22KA"). Each reader says how the statement was read: a cell or
// group that names a piece it cannot place is a damaged line, and a position
// read past it would be another position than the text's; bytes that name no
// piece are an empty square, or, behind the last cell or group, passed over.
#pragma once

#include "model/position/kyokumen.h"
#include "model/text/kstring.h"

namespace model {

// What a position statement is: none of the three kinds ("P" alone, "Px"),
// a rank row, a piece list or "PI".
enum class CsaPositionKind { kNone, kRankRow, kPieceList, kInitial };

// How a position statement was read.
enum class CsaLineRead {
  kWhole,  // every cell or group read
  // Read, but with bytes that name no piece passed over: behind the ninth
  // cell or the last group, or a cell of no known form (an empty square);
  // or a statement of no known kind that names no piece. The line is told.
  kStray,
  // A cell or group names a piece that cannot be placed: the statement is
  // damaged.
  kDamaged,
};

// The piece type named by the two bytes at `s[i]` (types 1..15, never 13), or 0
// when the statement holds no piece name there.
int csa_piece_type_at(const KString& s, int i);

// Reads the position statement `s` (it begins with "P") into `pos`; `kind`
// receives what the statement is. A damaged statement leaves `pos` partly
// changed.
CsaLineRead csa_read_position_line(const KString& s, Kyokumen& pos, CsaPositionKind& kind);

// Sets `pos` to the board without pieces and empty hands, sente to move:
// where a position given by piece lists alone starts.
void csa_empty_start(Kyokumen& pos);

}  // namespace model
