#include "model/formats/kifu_write_loss.h"

#include "model/formats/kifu_dispatch.h"

namespace model {

namespace {

// Every move that is not the first of its position's moves starts a
// variation. Each move is visited once, through shared positions too.
int count_variations(const Kifu& kifu) {
  int count = 0;
  for (const KifuSashite* m = kifu.NextKifuSashite(nullptr); m; m = kifu.NextKifuSashite(m)) {
    if (m->from && m->from->next.IndexOf(m) > 0) ++count;
  }
  return count;
}

// The texts `note` (comments or bookmarks) of their line that the one-line
// writers leave out: KI2 follows the selected moves and writes the start's
// and those up to the first end of the game; the others follow the first
// moves to the end and write none when `none_held`, else all.
int count_dropped(const Kifu& kifu, int format, KString KifuSashite::*note, bool none_held) {
  if (format != kFormatKi2 && !none_held) return 0;
  const bool selected_line = format == kFormatKi2;
  int count = 0;
  if (none_held && !(kifu.root.get()->*note).empty()) ++count;
  bool past_end = false;
  for (const KifuKyokumen* node = kifu.Start(); node;) {
    const KifuSashite* m = selected_line ? node->next.Current() : node->next.At(0);
    if (!m) break;
    past_end = past_end || (selected_line && m->sashite.special != kOrdinaryMove);
    if ((none_held || past_end) && !(m->*note).empty()) ++count;
    node = m->to;
  }
  return count;
}

}  // namespace

KifuWriteLoss kifu_write_loss(const Kifu& kifu, int format) {
  KifuWriteLoss loss;
  if (format != kFormatKi2 && format != kFormatCsa && format != kFormatQvf) return loss;
  loss.variations = count_variations(kifu);
  loss.comments = count_dropped(kifu, format, &KifuSashite::comment, format == kFormatQvf);
  loss.bookmarks = count_dropped(kifu, format, &KifuSashite::bookmark, format != kFormatKi2);
  return loss;
}

}  // namespace model
