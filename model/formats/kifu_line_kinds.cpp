#include "model/formats/kifu_line_kinds.h"

#include "model/position/koma.h"

namespace model {

namespace {

constexpr const char* kWideDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr const char* kKanjiRanks[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
// 打 (a drop), 成 (a promotion, also in 不成 and the promoted pieces' names)
// and 同 (the destination of the move before).
constexpr const char* kSameSquare = "同";
constexpr const char* kMoveWords[] = {"打", "成", kSameSquare};
constexpr const char* kWideSpace = "　";
constexpr const char* kLastMoveLine = "手数＝";
constexpr const char* kAnnotation = "&";
constexpr const char* kKeySeparator = "：";

// The bytes of the character at `at`: 2 for a Shift-JIS character, else 1.
int char_bytes(const ByteText& t, int at) { return is_lead_byte(t.At(at)) && at + 1 < t.len ? 2 : 1; }

template <int N>
bool has_one_of(const ByteText& t, int at, const char* const (&words)[N]) {
  for (const char* w : words) {
    if (t.Has(at, w)) return true;
  }
  return false;
}

// A destination at `at`: a digit of either width and a kanji rank.
bool destination_at(const ByteText& t, int at) {
  if (t.At(at) >= '1' && t.At(at) <= '9') return has_one_of(t, at + 1, kKanjiRanks);
  return has_one_of(t, at, kWideDigits) && has_one_of(t, at + 2, kKanjiRanks);
}

// A source square at `at`: "(" two digits 1..9 ")".
bool source_at(const ByteText& t, int at) {
  auto square_digit = [&t](int i) { return t.At(i) >= '1' && t.At(i) <= '9'; };
  return t.At(at) == '(' && square_digit(at + 1) && square_digit(at + 2) && t.At(at + 3) == ')';
}

// True when every character of the line is a blank, a digit of either width,
// "+", "-" or "|", and one of them is a border or a file number: the frame
// of a board diagram.
bool is_diagram_frame(const ByteText& t) {
  bool frame = false;
  for (int at = 0; at < t.len; at += char_bytes(t, at)) {
    const unsigned char c = t.At(at);
    if (c == '+' || c == '-' || has_one_of(t, at, kWideDigits)) {
      frame = true;
    } else if (!is_narrow_blank(c) && c != '|' && !(c >= '0' && c <= '9') && !t.Has(at, kWideSpace)) {
      return false;
    }
  }
  return frame;
}

}  // namespace

bool kifu_holds_move_parts(const ByteText& t, int at) {
  for (; at < t.len; at += char_bytes(t, at)) {
    if (destination_at(t, at) || source_at(t, at) || has_one_of(t, at, kMoveWords)) return true;
  }
  return false;
}

bool kifu_begins_move_without_mark(const ByteText& t) {
  // A move word at `at`: its destination, or 同 before a blank or a piece.
  const auto move_word_at = [&t](int at) {
    if (destination_at(t, at)) return true;
    if (!t.Has(at, kSameSquare)) return false;
    Koma piece{0};
    return t.Has(at + 2, kWideSpace) || is_narrow_blank(t.At(at + 2)) ||
           (is_lead_byte(t.At(at + 2)) && piece.ParseName(t.p + at + 2) != 0 && !type_is_empty(piece.Type()));
  };
  return t.len > 0 && (move_word_at(0) || move_word_at(char_bytes(t, 0)));
}

bool kifu_is_unread_record_line(const ByteText& t) {
  if (t.Has(0, kLastMoveLine) || t.Has(0, kAnnotation) || is_diagram_frame(t)) return true;
  for (int at = 0; at < t.len; at += char_bytes(t, at)) {
    if (t.Has(at, kKeySeparator)) return true;
  }
  return false;
}

}  // namespace model
