// Writing KI2: header lines, the position block, the player lines, then the
// selected line of moves in relative notation six to a line, each comment on
// lines of its own behind its move, and the closing line of the result.
#include "model/formats/ki2_closing.h"
#include "model/formats/ki2_format.h"
#include "model/formats/kif_format.h"
#include "model/formats/kif_header.h"
#include "model/formats/kifu_bookmark.h"

namespace model {

namespace {

// Moves to a line, and the width in bytes that every move but the sixth of a
// line is padded to with blanks (so moves stand in columns).
constexpr int kMovesPerLine = 6;
constexpr int kMoveFieldBytes = 12;

// The position block, both player lines (labelled 先手/後手 or 下手/上手 by
// the handicap of `position`) and the empty line in front of the moves.
void write_setup(const Kifu& kifu, TextWriter& w, const Kyokumen& position) {
  kifu_write_position_block(position, w);
  const bool even = teaiwari_is_even(position.teaiwari);
  kifu_write_header_line(w, even ? "先手" : "下手", kifu.names[0]);
  kifu_write_header_line(w, even ? "後手" : "上手", kifu.names[1]);
  w.Puts("\n");
}

// The moves of the selected line from the start; a move with a comment or a
// bookmark ends its line, and they follow. Returns the special move that ends the
// line, or null.
const KifuSashite* write_moves(const Kifu& kifu, TextWriter& w) {
  const KifuKyokumen* node = kifu.Start();
  int prev_x = 0, prev_y = 0;
  int on_line = 0;
  KString text;
  while (const KifuSashite* m = node->next.Current()) {
    if (m->sashite.special != kOrdinaryMove) {
      if (on_line > 0) w.Puts("\n");
      return m;
    }
    node->kyokumen.SashiteToText(m->sashite, prev_x, prev_y, text);
    ++on_line;
    if (on_line < kMovesPerLine) {
      while (text.length() < kMoveFieldBytes) text.AppendChar(' ');
    }
    w.Puts(text.c_str());
    if (on_line == kMovesPerLine || !m->comment.empty() || !m->bookmark.empty()) {
      w.Puts("\n");
      on_line = 0;
      kifu_write_comment(m->comment, w);
      kifu_write_bookmark(m->bookmark, w);
    }
    prev_x = m->sashite.to_x;
    prev_y = m->sashite.to_y;
    if (!m->to) break;
    node = m->to;
  }
  if (on_line > 0) w.Puts("\n");
  return nullptr;
}

}  // namespace

int kifu_write_ki2(const Kifu& kifu, TextWriter& writer) {
  kifu_write_headers(kifu, writer, true);
  write_setup(kifu, writer, kifu.Start()->kyokumen);
  kifu_write_comment(kifu.root->comment, writer);
  kifu_write_bookmark(kifu.root->bookmark, writer);
  const KifuSashite* end = write_moves(kifu, writer);
  if (!end || !end->from) return 0;
  KString result;
  if (!ki2_closing_text(end->sashite, end->from->kyokumen.teban == 0 ? 0 : 1, result)) return 0;
  KString closing;
  closing.Append("\nまで");
  closing.AppendInt(end->from->tesu);
  closing.Append("手で");
  closing.AppendStr(result);
  closing.Append("\n");
  writer.Puts(closing.c_str());
  return 0;
}

int kifu_write_ki2_position(const Kifu& kifu, TextWriter& writer, const Kyokumen& kyokumen) {
  kifu_write_headers(kifu, writer, true);
  write_setup(kifu, writer, kyokumen);
  return 0;
}

}  // namespace model
