#include "engine/driver/book_move.h"

namespace driver {

namespace {

constexpr int kRowWidth = 11;      // squares are numbered 11 to a rank
constexpr int kDropColumn = 9;     // column of the hand kinds
constexpr uint32_t kPromoteBit = 1u << 15;

bool on_board(int file, int rank) { return file >= 1 && file <= 9 && rank >= 1 && rank <= 9; }

}  // namespace

int book_code_encode(uint32_t* code, bool gote, int from_x, int from_y, int to_x, int to_y, int promote) {
  if (!on_board(to_x, to_y)) return -1;
  const bool drop = from_x < 1 || from_x > 9;
  if (drop ? (from_y < 1 || from_y > 7) : !on_board(from_x, from_y)) return -1;
  if (gote) {
    to_x = 10 - to_x;
    to_y = 10 - to_y;
    if (!drop) {
      from_x = 10 - from_x;
      from_y = 10 - from_y;
    }
  }
  const uint32_t from = drop ? (from_y - 1) * kRowWidth + kDropColumn : (from_y - 1) * kRowWidth + (from_x - 1);
  const uint32_t to = (to_y - 1) * kRowWidth + (to_x - 1);
  *code = (*code & 0xFFFF0000u) | from | to << 8 | (promote ? kPromoteBit : 0);
  return 0;
}

int book_code_decode(uint32_t code, int* from_x, int* from_y, int* to_x, int* to_y, int* promote) {
  const int from = code & 0xFF;
  const int to = (code >> 8) & 0x7F;
  int fx = from % kRowWidth, fy = from / kRowWidth;
  const int tx = to % kRowWidth, ty = to / kRowWidth;
  if (tx >= 9 || ty >= 9) return -1;
  if (fx == kDropColumn) {
    if (fy + 1 > 8) return -1;
    fx = kBookDropFile;
    fy += 1;
  } else {
    if (fx > 8 || fy > 8) return -1;
    fx += 1;
    fy += 1;
  }
  if (from_x) *from_x = fx;
  if (from_y) *from_y = fy;
  if (to_x) *to_x = tx + 1;
  if (to_y) *to_y = ty + 1;
  if (promote) *promote = (code & kPromoteBit) ? 1 : 0;
  return 0;
}

bool book_move_is_sound(const BookMove& m) {
  int fx, fy, tx, ty, promote;
  if (book_code_decode(m.code, &fx, &fy, &tx, &ty, &promote) != 0) return false;
  if (fx == kBookDropFile ? (fy > 7 || promote) : (fx == tx && fy == ty)) return false;
  return book_move_value(m.code) <= kMaxBookValue;
}

}  // namespace driver
