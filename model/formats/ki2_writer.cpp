// Writing KI2: header lines, the position block, the player lines, then the
// selected line of moves in relative notation six to a line, each comment on
// lines of its own behind its move, and the closing line of the result.
#include "model/formats/ki2_format.h"
#include "model/formats/kif_format.h"
#include "model/formats/kif_header.h"
#include "model/position/game_result.h"

namespace model {

namespace {

// Moves to a line, and the width in bytes that every move but the sixth of a
// line is padded to with blanks (so moves stand in columns).
constexpr int kMovesPerLine = 6;
constexpr int kMoveFieldBytes = 12;
// The sides as the closing line names them.
constexpr const char* kSides[2] = {"先手", "後手"};

// The position block, both player lines (labelled 先手/後手 or 下手/上手 by
// the handicap of `position`) and the empty line in front of the moves.
void write_setup(const Kifu& kifu, TextWriter& w, const Kyokumen& position) {
  kifu_write_position_block(position, w);
  const bool even = teaiwari_is_even(position.teaiwari);
  kifu_write_header_line(w, even ? "先手" : "下手", kifu.names[0]);
  kifu_write_header_line(w, even ? "後手" : "上手", kifu.names[1]);
  w.Puts("\n");
}

// The result that the closing line tells for special move `m` made on
// `before` (into `out`), or false when the move ends the line without a result
// (a take-back or a resumption). The closing line names the winner; an end
// of the side that has just moved (not the side to move, which a resignation
// is taken back as) also keeps its kind where a closing line has words for
// it: a foul and a loss on time.
bool result_text(const Sashite& m, const Kyokumen& before, KString& out) {
  const int to_move = before.teban == 0 ? 0 : 1;
  const int own = special_side(m, to_move);
  const int winner = special_winner(m, to_move);
  if (own != to_move) {
    switch (m.special) {
      case kHansokuMake:
        out.Append(kSides[own]);
        out.Append("の反則負け");
        return true;
      case kHansokuKachi:
        out.Append(kSides[own]);
        out.Append("の反則勝ち");
        return true;
      case kKireMake:
        out.Append("時間切れにより");
        break;
      default:
        break;
    }
  }
  if (winner >= 0) {
    out.Append(kSides[winner]);
    out.Append("の勝ち");
    return true;
  }
  switch (m.special) {
    case kChudan: out.Append("中断"); return true;
    case kTaikyokuKaishi:
    case kMatta:
    case kSaikai: return false;
    default: out.Append("引き分け"); return true;
  }
}

// The moves of the selected line from the start; a move with a comment ends
// its line and its comment follows. Returns the special move that ends the
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
    if (on_line == kMovesPerLine || !m->comment.empty()) {
      w.Puts("\n");
      on_line = 0;
      kifu_write_comment(m->comment, w);
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
  const KifuSashite* end = write_moves(kifu, writer);
  if (!end || !end->from) return 0;
  KString result;
  if (!result_text(end->sashite, end->from->kyokumen, result)) return 0;
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
