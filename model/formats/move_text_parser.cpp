#include "model/formats/move_text_parser.h"

#include <cstdint>

#include "model/record/kifu_node.h"
#include "model/text/byte_text.h"
#include "model/text/numerals.h"

namespace model {

namespace {

// Relative words and the tests they select; 直 and 行 select the same test.
enum RelativeBit : int {
  kRight = 1,     // 右: comes from the mover's right
  kLeft = 2,      // 左: comes from the mover's left
  kStraight = 4,  // 直, 行: from the destination's file
  kMiddle = 8,    // 中: from the destination's file
  kUp = 16,       // 上: moves forward
  kBack = 32,     // 引: moves backward
  kSide = 64,     // 寄: moves sideways
};

struct Word {
  const char* text;
  int bit;
};
constexpr Word kRelativeWords[] = {{"右", kRight}, {"左", kLeft},     {"直", kStraight},
                                   {"行", kStraight}, {"中", kMiddle}, {"上", kUp},
                                   {"引", kBack},  {"寄", kSide}};

constexpr const char* kSenteMark = "▲";
constexpr const char* kGoteMarks[] = {"△", "▽"};
constexpr const char* kDouWide = "同　";
constexpr const char* kDou = "同";
constexpr const char* kFunari = "不成";
constexpr const char* kNari = "成";
constexpr const char* kUtsu = "打";

constexpr int kAny = -1;

// One coordinate: an ASCII digit (one byte), else the numeral `read` finds,
// always taken as two bytes. 0 when nothing fits or the value is outside 1..9.
int read_coordinate(const ByteText& t, int& at, int (*read)(const char*, int*)) {
  const unsigned char c = t.At(at);
  if (c >= '1' && c <= '9') {
    ++at;
    return c - '0';
  }
  if (t.Left(at) < 2) return 0;
  int value = 0;
  read(t.p + at, &value);
  at += 2;
  return (value >= 1 && value <= 9) ? value : 0;
}

bool passes_relative(int set, int d, const Sashite& c, int tx, int ty) {
  const int fx = c.from_x, fy = c.from_y;
  if ((set & kRight) && !(d * fx < d * tx)) return false;
  if ((set & kLeft) && !(d * fx > d * tx)) return false;
  if ((set & (kStraight | kMiddle)) && fx != tx) return false;
  if ((set & kUp) && !(d * fy > d * ty)) return false;
  if ((set & kBack) && !(d * fy < d * ty)) return false;
  if ((set & kSide) && fy != ty) return false;
  return true;
}

}  // namespace

int kifu_read_move_time(const KString& line, int paren) {
  const ByteText t(line);
  int at = paren + 1;
  while (t.At(at) == ' ') ++at;
  // Longer numbers are read whole but count as the longest move time.
  const int64_t minutes = t.Number(at, kMaxMoveSeconds);
  int64_t secs = 0;
  if (t.At(at) == ':') {
    ++at;
    secs = t.Number(at, kMaxMoveSeconds);
  }
  const int64_t total = minutes * 60 + secs;
  return static_cast<int>(total > kMaxMoveSeconds ? kMaxMoveSeconds : total);
}

bool kifu_parse_move_text(Sashite& out, const Kyokumen& kyokumen, int prev_x, int prev_y,
                          const KString& line, int& cursor, int& seconds) {
  const ByteText t(line);
  int at = cursor;
  if (at < 0 || at > t.len) return false;

  // Side mark.
  int side;
  if (t.Has(at, kSenteMark)) {
    side = 0;
  } else if (t.Has(at, kGoteMarks[0]) || t.Has(at, kGoteMarks[1])) {
    side = 1;
  } else {
    return false;
  }
  if (side != kyokumen.teban) return false;
  at += 2;
  const int side_bit = side ? kGoteBit : 0;
  const int d = side == 0 ? 1 : -1;

  // Destination.
  int tx, ty;
  if (t.Has(at, kDouWide) || t.Has(at, kDou)) {
    at += t.Has(at, kDouWide) ? 4 : 2;
    tx = prev_x;
    ty = prev_y;
    if (tx < 1 || tx > 9 || ty < 1 || ty > 9) return false;
  } else {
    tx = read_coordinate(t, at, zenkaku_digit_to_int);
    if (tx == 0) return false;
    ty = read_coordinate(t, at, kanji_to_int);
    if (ty == 0) return false;
  }
  if (at > t.len) return false;

  // Piece: a word that names none is a move that lost its piece name; taken
  // for the king, it would be another move or none of the game.
  Koma piece;
  piece.Set(kOu | side_bit);
  const int name = piece.ParseName(t.p + at);
  if (name == 0 || type_is_empty(piece.Type())) return false;
  at += name;

  // Modifier words.
  int promote = 0;
  int relative = 0;
  int from_x = kAny, from_y = kAny;
  bool utsu = false;
  while (at < t.len && is_lead_byte(t.At(at))) {
    if (t.Has(at, kFunari)) {
      promote = 0;
      at += 4;
      continue;
    }
    if (t.Has(at, kNari)) {
      promote = 1;
      at += 2;
      continue;
    }
    if (t.Has(at, kUtsu)) {
      utsu = true;
      from_x = kSenteHand + side;
      from_y = piece.Type();
      if (piece.Type() < kFu || piece.Type() > kHi) break;  // no such drop: nothing fits
      at += 2;
      continue;
    }
    int bit = 0;
    for (const Word& w : kRelativeWords) {
      if (t.Has(at, w.text)) {
        bit = w.bit;
        break;
      }
    }
    if (!bit) break;
    relative |= bit;
    at += 2;
  }

  // Candidates, narrowed by the words.
  Sashite list[kMaxSashite];
  int n = kyokumen.GenerateSashite(list, from_x, from_y, tx, ty, piece.Type(), 0xFF, promote, side);
  if (n == 0) return false;
  if (n > 1) {
    const int type = piece.Type();
    if ((type == kUma || type == kRyu) && (relative & (kRight | kLeft))) {
      // Two horses or dragons: 右 is the one further to the mover's right of
      // the two, 左 the other, wherever the destination lies.
      if (n != 2 || list[0].from_x == list[1].from_x) return false;
      const bool first_is_right = d * list[0].from_x < d * list[1].from_x;
      const bool want_right = (relative & kRight) != 0;
      if ((relative & kRight) && (relative & kLeft)) return false;
      list[0] = list[first_is_right == want_right ? 0 : 1];
      n = 1;
    } else {
      int kept = 0;
      for (int i = 0; i < n; ++i) {
        if (passes_relative(relative, d, list[i], tx, ty)) list[kept++] = list[i];
      }
      n = kept;
      if (n > 1 && (relative & kStraight)) {
        // 直 names the piece that moves straight forward; a like piece on the
        // same file that steps back to the square (a gold from the other side)
        // is not meant by it.
        kept = 0;
        for (int i = 0; i < n; ++i) {
          if (d * list[i].from_y > d * ty) list[kept++] = list[i];
        }
        n = kept;
      }
    }
  }
  if (n > 1 && !utsu) {
    // A board move is preferred to a drop that reaches the same square.
    int kept = 0;
    for (int i = 0; i < n; ++i) {
      if (list[i].from_x <= 9) list[kept++] = list[i];
    }
    n = kept;
  }
  if (n != 1) return false;

  while (t.At(at) == ' ') ++at;
  seconds = t.At(at) == '(' ? kifu_read_move_time(line, at) : 0;
  cursor = at;
  out.Set(list[0].from_x, list[0].from_y, tx, ty, piece.code, kyokumen.At(tx, ty).code, promote,
          kOrdinaryMove);
  return true;
}

}  // namespace model
