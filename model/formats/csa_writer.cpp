// Writing CSA text: a record's header comments, names, start position and main
// line, or one position without moves.
#include "model/formats/csa_format.h"

#include <array>
#include <cstring>
#include <utility>

#include "model/position/kyokumen.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model {

namespace {

// Cells of a rank row by piece code 0..31: " * " for codes without a piece (0,
// 13, 16, 29), otherwise the side sign and the piece's CSA name.
using CellTable = std::array<std::array<char, 4>, 32>;

CellTable build_cell_table() {
  CellTable table{};
  for (int code = 0; code < 32; ++code) {
    const Koma k{static_cast<uint8_t>(code)};
    if (type_is_empty(k.Type())) {
      std::memcpy(table[code].data(), " * ", 4);
    } else {
      table[code][0] = (code & kGoteBit) ? '-' : '+';
      std::memcpy(table[code].data() + 1, k.GetName(2), 3);
    }
  }
  return table;
}

const char* cell_text(Koma k) {
  static const CellTable table = build_cell_table();
  return table[k.code < table.size() ? k.code : 0].data();  // a wall or stray code: empty
}

// End statements by special code; null for the codes that write nothing (12
// start of game, 13 take-back, 15 resumption).
constexpr const char* kEndStatements[16] = {
    nullptr,                       // ordinary move
    "%CHUDAN,'tsumi\n",            // 1 mate
    "%TORYO\n",                    // 2 resignation
    "%CHUDAN,'timeout\n",          // 3 loss on time
    "%CHUDAN,'lose\n",             // 4 loss
    "%CHUDAN,'lose(foul)\n",       // 5 loss by foul
    "%CHUDAN,'win(foul)\n",        // 6 win by foul
    "%CHUDAN,'win\n",              // 7 win
    "%CHUDAN,'jishogi\n",          // 8 impasse
    "%SENNICHITE,'draw\n",         // 9 repetition
    "%SENNICHITE,'sente win\n",    // 10 gote gave perpetual check
    "%SENNICHITE,'gote win\n",     // 11 sente gave perpetual check
    nullptr,                       // 12
    nullptr,                       // 13
    "%CHUDAN\n",                   // 14 suspended
    nullptr,                       // 15
};

void put_decimal(TextWriter& w, int n) {
  KString text;
  text.AppendInt(n);
  w.Puts(text.c_str());
}

// Writes text that has to stay on its line: line breaks become spaces. Inside a
// statement (`in_statement`) a comma would end the statement, so it is written
// as the full-width comma.
void put_line_text(TextWriter& w, const char* text, bool in_statement) {
  KString out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\r' || *p == '\n') {
      out.AppendChar(' ');
    } else if (in_statement && *p == ',') {
      out.Append("，");
    } else {
      out.AppendChar(*p);
    }
  }
  w.Puts(out.c_str());
}

// The comment of a move: its first line after the ",'" of the move line, each
// further line as a comment line of its own. Trailing blanks are cut from every
// line and an empty last line is not written.
void put_move_comment(TextWriter& w, const KString& comment) {
  w.Puts(",'");
  KString line = comment;
  KString rest;
  for (bool first = true;; first = false) {
    const bool last = line.After("\n", rest) != 0;
    line.TrimRight();
    if (first || !last || !line.empty()) {
      if (!first) w.Putc('\'');
      put_line_text(w, line.c_str(), false);
      w.Putc('\n');
    }
    if (last) return;
    line = std::move(rest);
  }
}

// "+7776FU,T12,'..." for an ordinary move, the end statement for a special one.
void put_move(TextWriter& w, const KifuSashite& node) {
  const Sashite& m = node.sashite;
  if (m.special != kOrdinaryMove) {
    if (m.special > 0 && m.special < 16 && kEndStatements[m.special]) {
      w.Puts(kEndStatements[m.special]);
    }
    return;
  }
  KString text;
  csa_move_text(m, text);
  w.Puts(text.c_str());
  w.Puts(",T");
  put_decimal(w, node.seconds);
  put_move_comment(w, node.comment);
}

// The comment lines that open a file, the record's header strings and extra
// header lines as comments, and the two name lines.
void put_header(const Kifu& kifu, TextWriter& w, const char* generated_line) {
  w.Puts("'=== CSA-Format Kifu File\n");
  w.Puts(generated_line);
  const struct {
    const char* label;
    const KString& value;
  } fields[] = {
      {"'=== Game Date:", kifu.date},
      {"'=== Title:", kifu.title},
      {"'=== Kisen:", kifu.event},
  };
  for (const auto& f : fields) {
    if (f.value.empty()) continue;
    w.Puts(f.label);
    put_line_text(w, f.value.c_str(), false);
    w.Putc('\n');
  }
  for (int i = 0, n = kifu.headers.Count(); i < n; i += 2) {
    w.Puts("'=== ");
    put_line_text(w, kifu.headers.GetAt(i).c_str(), false);
    w.Puts("：");
    put_line_text(w, kifu.headers.GetAt(i + 1).c_str(), false);
    w.Putc('\n');
  }
  for (int side = 0; side < 2; ++side) {
    w.Puts(side == 0 ? "N+" : "N-");
    put_line_text(w, kifu.names[side].c_str(), true);
    w.Putc('\n');
  }
}

}  // namespace

void csa_move_text(const Sashite& m, KString& out) {
  out.AppendChar(m.koma.code >= 1 && m.koma.code <= 15 ? '+' : '-');
  if (m.IsDrop()) {
    out.Append("00");
  } else {
    out.AppendInt(m.from_x);
    out.AppendInt(m.from_y);
  }
  out.AppendInt(m.to_x);
  out.AppendInt(m.to_y);
  int type = m.koma.Type();
  if (m.nari && type >= kFu && type <= kHi) type |= kPromoteBit;
  out.Append(Koma{static_cast<uint8_t>(type)}.GetName(2));
}

void csa_write_position(const Kyokumen& kyokumen, TextWriter& writer) {
  for (int rank = 1; rank <= 9; ++rank) {
    writer.Putc('P');
    writer.Putc('0' + rank);
    for (int file = 9; file >= 1; --file) writer.Puts(cell_text(kyokumen.At(file, rank)));
    writer.Putc('\n');
  }
  for (int side = 0; side < 2; ++side) {
    for (int type = kFu; type <= kHi; ++type) {
      const int count = kyokumen.HandCount(side, type);
      if (count < 1) continue;
      writer.Puts(side == 0 ? "P+" : "P-");
      const char* name = Koma{static_cast<uint8_t>(type)}.GetName(2);
      for (int i = 0; i < count; ++i) {
        writer.Puts("00");
        writer.Puts(name);
      }
      writer.Putc('\n');
    }
  }
  writer.Puts(kyokumen.teban == 0 ? "+\n" : "-\n");
}

int kifu_write_csa(const Kifu& kifu, TextWriter& writer) {
  put_header(kifu, writer, "'===   generated by NORVIKAS\n");
  csa_write_position(kifu.Start()->kyokumen, writer);
  // The main line: the first alternative at every position, whatever is selected.
  for (const KifuKyokumen* node = kifu.Start(); node && node->next.Count() > 0;) {
    const KifuSashite* move = node->next.items[0];
    put_move(writer, *move);
    node = move->to;
  }
  return 0;
}

int kifu_write_csa_position(const Kifu& kifu, TextWriter& writer, const Kyokumen& kyokumen) {
  put_header(kifu, writer, "'===  generated by NORVIKAS\n");
  csa_write_position(kyokumen, writer);
  return 0;
}

}  // namespace model
