#include "model/formats/kif_header.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "model/formats/board_block.h"
#include "model/formats/kifu_bookmark.h"
#include "model/formats/kifu_line_kinds.h"
#include "model/text/byte_text.h"

namespace model {

namespace {

constexpr int kRows = 9;
constexpr int kCellBytes = 3;

struct KeySide {
  const char* key;
  int side;
};
constexpr KeySide kHandKeys[] = {
    {"後手の持駒", 1}, {"後手持駒", 1}, {"上手の持駒", 1}, {"上手持駒", 1}, {"先手の持駒", 0},
    {"先手持駒", 0},   {"持駒", 0},     {"下手の持駒", 0}, {"下手持駒", 0},
};
struct KeyField {
  const char* key;
  int field;
};
// Each field's own key (kHeaderFieldKeys) and the other keys that fill it.
constexpr KeyField kFieldKeys[] = {
    {kHeaderFieldKeys[kSenteNameField], kSenteNameField}, {"下手", kSenteNameField},
    {kHeaderFieldKeys[kGoteNameField], kGoteNameField},   {"上手", kGoteNameField},
    {kHeaderFieldKeys[kDateField], kDateField},           {"開始日時", kDateField},
    {kHeaderFieldKeys[kTitleField], kTitleField},         {kHeaderFieldKeys[kEventField], kEventField},
};
constexpr KeySide kTebanLines[] = {{"先手番", 0}, {"下手番", 0}, {"後手番", 1}, {"上手番", 1}};

bool starts_with(const KString& s, const char* word) {
  for (int i = 0; word[i]; ++i) {
    if (i >= s.length() || s.c_str()[i] != word[i]) return false;
  }
  return true;
}

// The side that `text` names in `table`, or -1.
template <size_t N>
int side_of(const KString& text, const KeySide (&table)[N]) {
  for (const KeySide& k : table) {
    if (text == k.key) return k.side;
  }
  return -1;
}

// Applies one "key：value" line; -1 for a value that makes the header fail,
// kHeaderUnknownHandicap for a handicap name outside the table.
int read_key_value(KString& key, KString& value, KifuBody& body, KifuHeaderFields& fields) {
  Kyokumen& start = body.Start()->kyokumen;
  if (key == "手合割") {
    for (const TeaiwariName& t : kTeaiwariNames) {
      if (value == t.name) {
        start.Init(t.bits);
        return 0;
      }
    }
    return kHeaderUnknownHandicap;
  }
  const int hand = side_of(key, kHandKeys);
  if (hand >= 0) return kifu_parse_hand_line(value, start, hand);
  const int field = kifu_header_field(key);
  if (field != kNoHeaderField) {
    fields.Fill(body, kifu_header_field_text(body, field), key, value);
  } else {
    body.headers.Add(key);
    body.headers.Add(value);
  }
  return 0;
}

// The box recount at the end of a header; a single king set up gives gote
// every piece that is neither on the board nor in a hand. The king itself stays
// in the box: a hand never holds one.
void settle_box(Kyokumen& start) {
  start.CalcTeaiwari();
  if (start.mochigoma[kBoxRow][kOu] != 1) return;
  for (int t = kFu; t <= kHi; ++t) {
    int8_t& hand = start.mochigoma[1][t];
    hand = static_cast<int8_t>(hand + start.mochigoma[kBoxRow][t]);
    start.mochigoma[kBoxRow][t] = 0;
  }
  start.CalcTeaiwari();
}

}  // namespace

int kifu_header_field(const KString& key) {
  for (const KeyField& k : kFieldKeys) {
    if (key == k.key) return k.field;
  }
  return kNoHeaderField;
}

void KifuHeaderFields::Fill(KifuBody& body, KString& field, const KString& key, const KString& value) {
  auto given = std::find_if(given_.begin(), given_.end(), [&field](const auto& g) { return g.first == &field; });
  if (given == given_.end()) {
    given_.emplace_back(&field, key);
  } else {
    body.headers.Add(given->second);
    body.headers.Add(field);
    given->second = key;
  }
  field = value;
}

bool kifu_is_move_heading(const KString& line) {
  return starts_with(line, kKifMoveHeadingStart);
}

bool kifu_header_key_is_plain(const KString& key, bool stop_at_closing) {
  KString line = key;
  line.Append(kHeaderSeparator);
  KString value;
  line.AfterN(kHeaderSeparator, value);  // line keeps what the reader takes for the key
  for (const char* start : {"*", "|", ":|", "#", "▲", "△", "▽", kKifMoveHeadingStart}) {
    if (starts_with(line, start)) return false;
  }
  if (stop_at_closing && starts_with(line, "まで")) return false;
  return side_of(line, kHandKeys) < 0 && kifu_header_field(line) == kNoHeaderField && !(line == "手合割");
}

int kifu_next_line(TextReader& reader, KString& line) {
  for (;;) {
    if (reader.GetLine(line) < 0) return -1;
    line.TrimRight();
    if (line.empty()) continue;
    if (line.c_str()[0] == '#' && line.c_str()[1] != '%') continue;
    return 0;
  }
}

int kifu_read_board(TextReader& reader, Kyokumen& kyokumen, const KString& line) {
  KString row = line;
  for (int rank = 1; rank <= kRows; ++rank) {
    if (rank > 1 && kifu_next_line(reader, row) < 0) return -1;
    const int bar = row.Find('|', 0);
    if (bar < 0 || row.length() - bar - 1 < kRows * kCellBytes) return -1;
    const char* cells = row.c_str() + bar + 1;
    for (int j = 0; j < kRows; ++j) {
      const char* cell = cells + kCellBytes * j;
      Koma k;
      k.Set(cell[0] == 'v' ? kGoteBit : 0);
      // Only a two-byte name fills a cell of three bytes.
      const char name[3] = {cell[1], cell[2], '\0'};
      if (k.ParseName(name) != 2) return -1;
      if (type_is_empty(k.Type())) k.Set(kEmpty);
      kyokumen.At(9 - j, rank) = k;
    }
  }
  return 0;
}

int kifu_read_header(LineCountingReader& reader, KString& line, KifuBody& body, int* fields, bool stop_at_closing,
                     KifuPassedOver* passed, KifuPassedOver* bookmarks) {
  Kyokumen& start = body.Start()->kyokumen;
  KifuHeaderFields header_fields;
  int taken = 0;
  for (;;) {
    if (kifu_next_line(reader, line) < 0) {
      line.Free();
      break;
    }
    line.TrimLeft();
    if (kifu_is_move_heading(line) || starts_with(line, "▲") || starts_with(line, "△") ||
        starts_with(line, "▽") || (stop_at_closing && starts_with(line, "まで"))) {
      break;
    }
    if (line.c_str()[0] == '*') {
      KString& comment = body.root->comment;
      if (!comment.empty()) comment.Append("\r\n");
      comment.AppendBytes(line.c_str() + 1, line.length() - 1);
      continue;
    }
    if (kifu_is_bookmark_line(line)) {
      KifuPassedOver unheld;
      kifu_read_bookmark(body.root->bookmark, line, reader.lines(), bookmarks ? *bookmarks : unheld);
      continue;
    }
    if (starts_with(line, "|") || starts_with(line, ":|")) {
      if (kifu_read_board(reader, start, line) < 0) return -1;
      ++taken;
      continue;
    }
    KString value;
    if (line.AfterN(kHeaderSeparator, value) == 0) {
      const int read = read_key_value(line, value, body, header_fields);
      if (read == kHeaderUnknownHandicap) line = value;  // the name, to be told
      if (read < 0) return read;
      ++taken;
      continue;
    }
    const int teban = side_of(line, kTebanLines);
    if (teban >= 0) {
      start.teban = teban;
      ++taken;
    } else if (!kifu_is_unread_record_line(ByteText(line))) {
      // In KI2 a line that begins with a move word is the first move line
      // with its mark lost: the moves begin there, and stop at it.
      if (stop_at_closing && kifu_begins_move_without_mark(ByteText(line))) break;
      if (passed) passed->Note(reader.lines(), line);
    }
  }
  if (fields) *fields = taken;
  settle_box(start);
  return start.Check() ? 0 : kHeaderBadStart;
}

void kifu_header_failure(int header, int line, KString name, KifuReadStop* stop) {
  if (!stop) return;
  stop->bad_start = header == kHeaderBadStart;
  if (header == kHeaderUnknownHandicap) {
    stop->unknown_handicap_line = line;
    stop->unknown_handicap = std::move(name);
  }
}

}  // namespace model
