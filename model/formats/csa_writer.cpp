// Writing CSA text: a record's banner and version line, names, header fields
// (information lines, or comment lines where there is none), start position
// and main line with comments, or one position without moves.
#include "model/formats/csa_format.h"

#include <array>
#include <cstring>
#include <utility>

#include "model/formats/kif_header.h"
#include "model/position/game_result.h"
#include "model/position/kyokumen.h"
#include "model/record/kifu.h"
#include "model/text/line_text.h"
#include "model/text/text_stream.h"

namespace model {

namespace {

// Cells of a rank row by piece code 0..31: " * " for codes without a piece (0,
// 13, 16, 29), otherwise the side sign and the piece's CSA name.
using CellTable = std::array<std::array<char, 4>, 32>;

constexpr CellTable build_cell_table() {
  CellTable table{};
  for (int code = 0; code < 32; ++code) {
    const Koma k{static_cast<uint8_t>(code)};
    const char* text = " * ";
    if (!type_is_empty(k.Type())) {
      table[code][0] = (code & kGoteBit) ? '-' : '+';
      text = k.GetName(2);  // two letters and the NUL behind the side mark
      for (int i = 0; i < 3; ++i) table[code][i + 1] = text[i];
      continue;
    }
    for (int i = 0; i < 4; ++i) table[code][i] = text[i];
  }
  return table;
}

// Built at compile time: the text of every piece code.
constexpr CellTable kCellTable = build_cell_table();

const char* cell_text(Koma k) {
  return kCellTable[k.code < kCellTable.size() ? k.code : 0].data();  // a wall or stray code: empty
}

void put_decimal(TextWriter& w, int n) {
  KString text;
  text.AppendInt(n);
  w.Puts(text.c_str());
}

// Writes text that has to stay on its line (append_line_text). Inside a
// statement (`in_statement`) a comma would end the statement, so it is written
// as the full-width comma.
void put_line_text(TextWriter& w, const char* text, int n, bool in_statement) {
  KString line;
  append_line_text(line, text, n);
  if (in_statement && line.Find(',', 0) >= 0) {
    KString out;
    const char* p = line.c_str();
    for (int i = 0; i < line.length(); ++i) {
      if (p[i] == ',') {
        out.Append("，");
      } else if (is_lead_byte(static_cast<unsigned char>(p[i]))) {
        out.AppendBytes(p + i++, 2);  // a whole character (append_line_text keeps pairs)
      } else {
        out.AppendChar(p[i]);
      }
    }
    line = std::move(out);
  }
  w.Puts(line.c_str());
}

void put_line_text(TextWriter& w, const KString& text, bool in_statement) {
  put_line_text(w, text.c_str(), text.length(), in_statement);
}

// The lines of a comment, each as a comment line of the record ("'*"):
// trailing blanks are cut from every line and an empty last line is not
// written.
void put_comment(TextWriter& w, const KString& comment) {
  const char* p = comment.c_str();
  const char* end = p + comment.length();
  KString line;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = nl ? nl : end;
    line.Free();
    append_line_text(line, p, static_cast<int>(stop - p));
    line.TrimRight();
    if (nl || !line.empty()) {
      w.Puts(kCsaRecordComment);
      w.Puts(line.c_str());
      w.Putc('\n');
    }
    p = nl ? nl + 1 : end;
  }
}

// "+7776FU,T12,'" for an ordinary move, the end statement for a special one,
// then the move's comment. A special move written as nothing takes its
// comment with it.
void put_move(TextWriter& w, const KifuSashite& node) {
  const Sashite& m = node.sashite;
  if (m.special != kOrdinaryMove) {
    const KString line = csa_end_line(m, node.from && node.from->kyokumen.teban ? 1 : 0);
    if (line.empty()) return;
    w.Puts(line.c_str());
  } else {
    KString text;
    csa_move_text(m, text);
    w.Puts(text.c_str());
    w.Puts(",T");
    put_decimal(w, node.seconds);
    w.Puts(",'\n");
  }
  put_comment(w, node.comment);
}

// Writes a header field's line: `label` (an information line's keyword, or
// a header comment's start) and the value, which runs to the end of the line,
// commas included.
void put_field(TextWriter& w, const char* label, const KString& value) {
  w.Puts(label);
  put_line_text(w, value, false);
  w.Putc('\n');
}

// The keyword of the information line of `field`, or of the extra header
// line `key` (kCsaInfoLines); null when there is none.
const char* info_keyword(CsaInfoLine::Field field, const KString* key = nullptr) {
  for (const CsaInfoLine& info : kCsaInfoLines) {
    if (info.field == field && (!key || *key == info.header_key)) return info.keyword;
  }
  return nullptr;
}

// Whether the extra header line `key` came from an information line of its
// own ("$MAX_MOVES:256" gives MAX_MOVES): a keyword of its characters that
// is none of kCsaInfoLines, which would read back as another field.
bool is_own_info_keyword(const KString& key) {
  if (key.empty()) return false;
  for (int i = 0; i < key.length(); ++i) {
    if (!csa_info_keyword_char(key.c_str()[i])) return false;
  }
  for (const CsaInfoLine& info : kCsaInfoLines) {
    const char* keyword = info.keyword + 1;  // behind the "$"
    const int n = static_cast<int>(std::strlen(keyword)) - 1;  // without the ":"
    if (key.length() == n && std::strncmp(key.c_str(), keyword, static_cast<size_t>(n)) == 0) return false;
  }
  return true;
}

// The comment lines that open a file, the version line, the two name lines
// and the header fields: as information lines where they have one, the others
// as the header comments that the reader takes back.
void put_header(const Kifu& kifu, TextWriter& w, const char* generated_line) {
  w.Puts("'=== CSA-Format Kifu File\n");
  w.Puts(generated_line);
  w.Puts(kCsaVersionLine);
  w.Putc('\n');
  for (int side = 0; side < 2; ++side) {
    w.Puts(side == 0 ? "N+" : "N-");
    put_line_text(w, kifu.names[side], true);
    w.Putc('\n');
  }
  const struct {
    const char* label;
    const KString& value;
  } fields[] = {
      {info_keyword(CsaInfoLine::kDate), kifu.date},
      {kCsaTitleComment, kifu.title},
      {info_keyword(CsaInfoLine::kEvent), kifu.event},
  };
  for (const auto& f : fields) {
    if (!f.value.empty()) put_field(w, f.label, f.value);
  }
  for (int i = 0, n = kifu.headers.Count(); i < n; i += 2) {
    const KString& key = kifu.headers.GetAt(i);
    if (const char* keyword = info_keyword(CsaInfoLine::kExtra, &key)) {
      put_field(w, keyword, kifu.headers.GetAt(i + 1));
      continue;
    }
    if (is_own_info_keyword(key)) {
      w.Putc('$');
      w.Puts(key.c_str());
      put_field(w, ":", kifu.headers.GetAt(i + 1));
      continue;
    }
    w.Puts(kCsaHeaderComment);
    put_line_text(w, key, false);
    w.Puts(kHeaderSeparator);
    put_line_text(w, kifu.headers.GetAt(i + 1), false);
    w.Putc('\n');
  }
}

}  // namespace

KString csa_end_line(const Sashite& m, int to_move) {
  KString line;
  const int code = special_code_for_side_to_move(m, to_move);
  if (code == kHansokuKachi) {
    // A foul of the side that has just moved: the statement names that side.
    line.Append(kCsaIllegalAction[1 - to_move]);
    line.Append("\n");
    return line;
  }
  // A repetition lost by perpetual check of the side that has just moved (it
  // gave the checks) has a statement of its own; one of the side to move is
  // told by the word behind %SENNICHITE.
  const int checker = code == kSennichiteGoteOute ? 1 : code == kSennichiteSenteOute ? 0 : -1;
  if (checker >= 0 && checker != to_move) {
    line.Append(kCsaOuteSennichite);
    line.Append("\n");
    return line;
  }
  for (const CsaEnd& e : kCsaEnds) {
    if (e.code != code) continue;
    line.Append(e.statement);
    if (e.word) {
      line.Append(",'");
      line.Append(e.word);
    }
    line.Append("\n");
  }
  return line;
}

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
  put_comment(writer, kifu.root->comment);
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
