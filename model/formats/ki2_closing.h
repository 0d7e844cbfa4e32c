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

// What a closing line tells of the line of play it closes.
struct Ki2Closing {
  enum Kind {
    kNothing,      // no words behind the count (まで64手): the line just ends
    kResult,       // `end` is the result the words tell
    kMismatch,     // the line counts `count` moves, not those of its line
    kUnknownWord,  // `word` tells no result the readers know: `end` is 中断
  };
  Kind kind = kNothing;
  Sashite end;  // kResult, kUnknownWord: the special move that ends the line
  int count = 0;
  KString word;
};

// Reads the closing line standing at byte `at` of `line` as the end of a line
// of play of `moves` moves with side `to_move` to move after them. A count
// that is not `moves` gives kMismatch: a move lost or added on the way would
// give the result to the wrong side. Words that tell no result
// (ki2_read_closing) end the line as an interruption, as the KIF reader reads
// an end word it does not know.
Ki2Closing ki2_read_closing_line(const KString& line, int at, int moves, int to_move);

}  // namespace model
