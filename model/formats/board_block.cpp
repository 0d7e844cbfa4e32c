#include "model/formats/board_block.h"

#include <cstring>

#include "model/position/piece_rules.h"
#include "model/text/numerals.h"

namespace model {

namespace {

constexpr int kRows = 9;
constexpr int kWideRowBytes = 28;    // "|" and nine cells of three bytes
constexpr int kCompactRowBytes = 10; // ":" and nine bytes
constexpr unsigned char kCompactFirst = 0x20;
constexpr unsigned char kCompactLast = 0x43;

struct HandKey {
  const char* text;
  int side;
};
constexpr HandKey kHandKeys[] = {
    {"先手持駒", 0}, {"下手持駒", 0}, {"後手持駒", 1}, {"上手持駒", 1}};

// The piece of a compact-row byte (already checked to lie in range).
int compact_code(unsigned char c) {
  const int v = c - kCompactFirst;
  const int type = v >> 2;
  if (type == kEmpty) return kEmpty;
  int code = type | ((v & 2) ? kGoteBit : 0);
  if ((v & 1) && (type & 7) != 0) code |= kPromoteBit;
  return code;
}

int read_wide_row(const KString& row, Kyokumen& kyokumen, int rank) {
  if (row.length() < kWideRowBytes) return -1;
  const char* p = row.c_str();
  for (int j = 1; j <= 9; ++j) {
    Koma k;
    k.Set(p[3 * j - 2] == 'v' ? kGoteBit : 0);
    // Only a two-byte name fills a cell of three bytes.
    char name[3] = {p[3 * j - 1], p[3 * j], '\0'};
    if (k.ParseName(name) != 2) return -1;
    if (type_is_empty(k.Type())) k.Set(kEmpty);
    kyokumen.At(10 - j, rank) = k;
  }
  return 0;
}

int read_compact_row(KString& row, Kyokumen& kyokumen, int rank) {
  while (row.length() < kCompactRowBytes) row.AppendChar(' ');
  for (int j = 1; j <= 9; ++j) {
    const unsigned char c = static_cast<unsigned char>(row.c_str()[j]);
    if (c < kCompactFirst || c > kCompactLast) return -1;
    kyokumen.At(10 - j, rank).Set(compact_code(c));
  }
  return 0;
}

}  // namespace

int kifu_read_data_line(TextReader& reader, KString& line) {
  for (;;) {
    if (reader.GetLine(line) < 0) return -1;
    line.TrimRight();
    if (line.c_str()[0] != '#') return 0;
  }
}

int kifu_read_board_block(TextReader& reader, Kyokumen& kyokumen) {
  KString line;
  for (int rank = 1; rank <= kRows; ++rank) {
    if (kifu_read_data_line(reader, line) < 0 || line.empty()) return -1;
    const char first = line.c_str()[0];
    const int r = first == '|'   ? read_wide_row(line, kyokumen, rank)
                  : first == ':' ? read_compact_row(line, kyokumen, rank)
                                 : -1;
    if (r < 0) return -1;
  }
  for (int i = 0; i < 2; ++i) {
    KString value;
    if (kifu_read_data_line(reader, line) < 0 || line.AfterN("：", value) < 0) return -1;
    int side = -1;
    for (const HandKey& key : kHandKeys) {
      if (line == key.text) side = key.side;
    }
    if (side < 0 || kifu_parse_hand_line(value, kyokumen, side) < 0) return -1;
  }
  return 0;
}

int kifu_parse_hand_line(KString& text, Kyokumen& kyokumen, int side) {
  if (text == "なし") return 0;
  text.TrimLeft();
  while (!text.empty()) {
    Koma k;
    k.Set(kEmpty);
    if (k.ParseName(text.c_str()) != 2) return -1;
    const int type = k.Type();
    // Only the seven kinds that can be held have a count in a hand.
    if (type < kFu || type > kHi) return -1;
    text.EraseFront(2);
    int count = 0;
    const int used = kanji_to_int(text.c_str(), &count);
    if (used == 0) count = 1;
    if (count > kPieceLimit[type]) return -1;
    kyokumen.mochigoma[side][type] = static_cast<int8_t>(count);
    text.EraseFront(used);
    text.TrimLeft();
  }
  return 0;
}

}  // namespace model
