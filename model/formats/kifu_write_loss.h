// What a record's writer leaves out of the file: the formats that hold a
// single line of moves, and fewer comments and bookmarks than a record may
// have, so that a conversion can tell what it did not write.
//
//   kifu_write_loss: the variations, comments and bookmarks that one format
//   drops.
#pragma once

#include "model/record/kifu.h"

namespace model {

struct KifuWriteLoss {
  // The alternatives to the written line, each a move starting a variation
  // (with all that follows it, comments included).
  int variations = 0;
  // Comments on the written line (the start position's included) that the
  // format has no place for.
  int comments = 0;
  // Bookmarks on the written line (the start's included) likewise.
  int bookmarks = 0;
};

// What writing the whole of `kifu` in `format` (a format code of
// kifu_dispatch.h) leaves out, as the writers write:
// - KIF and its packed form: nothing.
// - KI2: every variation; its selected line up to the first end of the game,
//   whose comment and bookmark are not written, nor anything on the line
//   after it.
// - CSA: every variation and every bookmark; the main line with the start
//   position's comment and every move's.
// - QVF: every variation, every comment and every bookmark.
// Any other code: nothing (it writes no record).
KifuWriteLoss kifu_write_loss(const Kifu& kifu, int format);

}  // namespace model
