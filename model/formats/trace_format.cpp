#include "model/formats/trace_format.h"

#include <cstdio>

#include "model/formats/board_diagram.h"
#include "model/position/koma_convert.h"
#include "model/text/numerals.h"

namespace model {

namespace {

constexpr const char* kRankNames[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
// The hand tag of each side.
constexpr const char* kHandTags[2] = {"mochi-sente", "mochi-gote"};

// The game-model short name of an engine code.
const char* piece_name(int engine_code, int style) {
  Koma k{static_cast<uint8_t>(koma_engine_to_gui(engine_code))};
  return k.GetName(style);
}

void append_digits(KString& out, int file, int rank) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%d%d", file, rank);
  out.Append(buf);
}

void write_move(KString& out, KMoveWord word, bool kanji) {
  out.Free();
  if (word == kNoMoveWord) {
    out.Append("パス");
    return;
  }
  const int from = word_from(word);
  const int to = word_to(word);
  const int code = word_piece(word);
  out.Append((code & kWordGote) ? "△" : "▲");
  if (kanji) {
    KString part;
    trace_file_text(part, word_file(to));
    out.AppendStr(part);
    trace_rank_text(part, word_rank(to));
    out.AppendStr(part);
  } else {
    append_digits(out, word_file(to), word_rank(to));
  }
  out.Append(piece_name(code, 1));
  if (word_is_drop(word)) {
    out.Append("打");
    return;
  }
  if (word_promotes(word)) out.Append("成");
  out.Append("(");
  append_digits(out, word_file(from), word_rank(from));
  out.Append(")");
}

// The hand's pieces in engine order (rook first), " name count" each.
void append_hand(KString& out, const TraceBoard& board, int side) {
  for (int kind = kWordRook; kind <= kWordPawn; ++kind) {
    const int n = board.hand[side][kind];
    if (n <= 0) continue;
    char buf[48];
    std::snprintf(buf, sizeof buf, " %s %d", piece_name(kind, 0), n);
    out.Append(buf);
  }
}

}  // namespace

void trace_write(const char*) {}

void trace_file_text(KString& out, int file) { int_to_zenkaku(out, file); }

void trace_rank_text(KString& out, int rank) {
  out.Free();
  out.Append(rank >= 1 && rank <= 9 ? kRankNames[rank] : "？");
}

void sashite_to_coord(KString& out, KMoveWord word) { write_move(out, word, false); }
void sashite_to_kanji(KString& out, KMoveWord word) { write_move(out, word, true); }
void sashite_to_text(KString& out, KMoveWord word) { write_move(out, word, true); }

void sashite_to_text_trace(KMoveWord word) {
  KString text;
  sashite_to_text(text, word);
  trace_write(text.c_str());
}

void pos_write_board(KString& out, const TraceBoard& board) {
  Kyokumen k{};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) k.At(file, rank).Set(koma_engine_to_gui(board.square[rank][file]));
  }
  for (int side = 0; side < 2; ++side) {
    for (int kind = kWordRook; kind <= kWordPawn; ++kind) {
      k.mochigoma[side][koma_engine_to_gui(kind)] = static_cast<int8_t>(board.hand[side][kind]);
    }
  }
  k.teban = board.side;
  out.Free();
  MemTextWriter writer(out, false);
  kifu_write_diagram(k, writer, false);
}

void pos_write_xml(KString& out, const TraceBoard& board, uint8_t) {
  out.Free();
  out.Append("<teban>");
  out.AppendInt(board.side);
  out.Append("</teban>\n<ban>");
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 9; file >= 1; --file) {
      const int code = board.square[rank][file];
      if (code == 0) continue;
      char buf[48];
      std::snprintf(buf, sizeof buf, " %s %d", piece_name(code, 0), file * 10 + rank);
      out.Append(buf);
    }
  }
  out.Append("</ban>\n");
  for (int side = 0; side < 2; ++side) {
    out.Append("<");
    out.Append(kHandTags[side]);
    out.Append(">");
    append_hand(out, board, side);
    out.Append("</");
    out.Append(kHandTags[side]);
    out.Append(">\n");
  }
}

}  // namespace model
