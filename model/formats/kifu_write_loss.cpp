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

// The comments the one-line writers leave out of their line: KI2 follows the
// selected moves and ends at the first end of the game, QVF follows the first
// moves to the end. CSA writes every comment of its line.
int count_comments(const Kifu& kifu, int format) {
  if (format == kFormatCsa) return 0;
  const bool selected_line = format == kFormatKi2;
  int count = 0;
  if (format != kFormatKi2 && !kifu.root->comment.empty()) ++count;
  bool past_end = false;
  for (const KifuKyokumen* node = kifu.Start(); node;) {
    const KifuSashite* m = selected_line ? node->next.Current() : node->next.At(0);
    if (!m) break;
    const bool end = m->sashite.special != kOrdinaryMove;
    past_end = past_end || (selected_line && end);
    const bool dropped = format == kFormatQvf || end || past_end;
    if (dropped && !m->comment.empty()) ++count;
    node = m->to;
  }
  return count;
}

}  // namespace

KifuWriteLoss kifu_write_loss(const Kifu& kifu, int format) {
  KifuWriteLoss loss;
  if (format != kFormatKi2 && format != kFormatCsa && format != kFormatQvf) return loss;
  loss.variations = count_variations(kifu);
  loss.comments = count_comments(kifu, format);
  return loss;
}

}  // namespace model
