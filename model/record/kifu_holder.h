// KifuHolder: the open game record as the document sees it: the record, a working
// position that always equals the position after the current move, the current
// move, a modified flag and the file name. On top of the record it answers the
// repetition test with the blame for perpetual check, recomputes both clocks from
// the stored move times, grafts another record's line and searches comments.
#pragma once

#include <cstdint>

#include "model/position/kyokumen.h"
#include "model/record/jikan_settei.h"
#include "model/record/kifu.h"
#include "model/text/kstring.h"

namespace model {

class KifuHolder {
 public:
  // A new record; the current move is its root, the position its start.
  KifuHolder();
  KifuHolder(const KifuHolder&) = delete;
  KifuHolder& operator=(const KifuHolder&) = delete;

  // An empty record from the handicap's start position; not modified, no name.
  void Reset(int32_t teaiwari);

  // The repetition test on the line up to the current move: 0 none; when the
  // current position has now occurred for the fourth time, 9, or 10 when gote
  // checked at every one of sente's turns in that stretch (gote loses), or 11
  // when sente did (sente loses). Positions are compared whole, side to move
  // included.
  int CheckSennichite() const;

  // Recomputes both clocks (0 sente, 1 gote) from the seconds of the moves on
  // the line up to the current move.
  void CalcClocks(JikanSettei clocks[2]) const;

  // Grafts the line that follows `source` (a move of another record) onto the
  // current move, joining nothing; with `select`, each added move that starts
  // a branch becomes the current continuation. False at the first position
  // where the two lines differ (the moves added before it stay).
  bool MergeLine(const KifuSashite* source, bool select);

  // Makes current the first move, in depth-first order, whose comment holds
  // `text`, putting it on the line; false when none does or the text is empty.
  bool FindComment(const char* text);

  // Makes `move` (a move of this record) current and its position the working
  // position.
  void SetCurrent(KifuSashite* move);

  Kifu kifu;
  Kyokumen kyokumen;        // the position after `current`
  KifuSashite* current;
  int32_t modified = 0;
  KString name;             // the file name, the document's business
  int32_t cursor_flag = 0;  // used by the user interface
};

}  // namespace model
