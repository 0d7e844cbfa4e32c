// The closing sentence of a KI2 record (まで64手で後手の勝ち): the words the
// writer gives each result (ki2_closing_text) and the result the reader takes
// from a closing line (ki2_read_closing). Every result a record holds is
// written with words that name its kind and side, so that it comes back the
// same: 詰み, 投了, 時間切れにより, 負け, 反則負け, 反則勝ち, 勝ち, 持将棋, 千日手
// (and 連続王手の千日手), 中断.
#pragma once

#include "model/position/sashite.h"
#include "model/text/kstring.h"

namespace model {

// Appends to `out` the result the closing line tells for special move `m`,
// made where side `to_move` is to move (the text behind "まで N手で"). False,
// with nothing appended, for a special move that ends the line without a
// result: the start of a game, a take-back or a resumption.
bool ki2_closing_text(const Sashite& m, int to_move, KString& out);

// The result a closing line tells, where side `to_move` is to move: the
// special code into `code` and the side whose king the special move holds
// into `side`. False when the line tells no result.
bool ki2_read_closing(const KString& line, int to_move, int* code, int* side);

// The number of moves the closing line standing at byte `at` of `line` counts
// ("まで64手で..." gives 64, in ASCII or full-width digits), or -1 when it
// gives none.
int ki2_closing_count(const KString& line, int at = 0);

}  // namespace model
