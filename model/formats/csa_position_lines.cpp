// Reading the position statements of a CSA text: rank rows, piece lists and
// "PI" lists, each checked to the last byte.
#include "model/formats/csa_position_lines.h"

#include <cstdint>
#include <cstring>

#include "model/position/piece_rules.h"

namespace model {

namespace {

constexpr int kRankCells = 9;
constexpr int kCellBytes = 3;
constexpr int kFirstCell = 2;  // behind "P" and the rank digit
constexpr int kGroupBytes = 4;  // two digits and a piece name
// An empty square as the writers write it. A row's last cells lose their
// blanks when the statement is trimmed, so a cell may hold only the start of
// it (" *", or nothing past the end of the row).
constexpr char kEmptyCell[] = " * ";

bool is_square_digit(char c) { return c >= '1' && c <= '9'; }
// The side a sign byte names: 0 for "+", 1 for "-", -1 for any other byte.
int sign_side(char c) { return c == '+' ? 0 : c == '-' ? 1 : -1; }

// "P" and a rank digit: nine cells of three bytes for files 9 down to 1; a
// cell is a sign and a piece name, or an empty square. False at a cell of
// neither form, or at bytes behind the ninth cell.
bool read_rank_row(const KString& s, int rank, Kyokumen& pos) {
  const char* p = s.c_str();
  if (s.length() > kFirstCell + kRankCells * kCellBytes) return false;
  for (int file = 9; file >= 1; --file) {
    const int at = kFirstCell + (9 - file) * kCellBytes;
    const int n = s.length() - at < kCellBytes ? (s.length() > at ? s.length() - at : 0) : kCellBytes;
    const int side = n > 0 ? sign_side(p[at]) : -1;
    int code = kEmpty;
    if (side >= 0) {
      const int type = csa_piece_type_at(s, at + 1);
      if (type_is_empty(type)) return false;
      code = type | (side ? kGoteBit : 0);
    } else if (std::strncmp(p + at, kEmptyCell, static_cast<size_t>(n)) != 0) {
      return false;
    }
    pos.At(file, rank).Set(code);
  }
  return true;
}

// Gives `side` every pawn..rook that is neither on the board nor in a hand
// (the "00AL" group of a hand list).
void give_rest_to_hand(Kyokumen& pos, int side) {
  int used[8] = {};
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) {
      const Koma k = pos.At(x, y);
      if (k.Side() >= 0 && base_type(k.Type()) != kOu) ++used[base_type(k.Type())];
    }
  }
  for (int t = kFu; t <= kHi; ++t) {
    const int rest = kPieceLimit[t] - used[t] - pos.mochigoma[0][t] - pos.mochigoma[1][t];
    if (rest > 0) pos.mochigoma[side][t] = static_cast<int8_t>(pos.mochigoma[side][t] + rest);
  }
}

// "P+" or "P-": groups of two digits and a piece name from the third byte.
// "00" with pawn..rook adds one piece to the side's hand, "00AL" gives it the
// pieces left over, a board square takes the piece. False at a group of no
// such form, a group cut short, or a hand past a full set of its kind (so no
// count can overflow however long the list).
bool read_piece_list(const KString& s, int side, Kyokumen& pos) {
  const char* p = s.c_str();
  for (int at = kFirstCell; at < s.length(); at += kGroupBytes) {
    if (at + kGroupBytes > s.length()) return false;
    const char fx = p[at], fy = p[at + 1];
    if (fx == '0' && fy == '0') {
      if (std::strncmp(p + at + 2, "AL", 2) == 0) {
        give_rest_to_hand(pos, side);
        continue;
      }
      const int type = csa_piece_type_at(s, at + 2);
      if (type < kFu || type > kHi || pos.mochigoma[side][type] >= kPieceLimit[type]) return false;
      ++pos.mochigoma[side][type];
    } else if (is_square_digit(fx) && is_square_digit(fy)) {
      const int type = csa_piece_type_at(s, at + 2);
      if (type_is_empty(type)) return false;
      pos.At(fx - '0', fy - '0').Set(type | (side ? kGoteBit : 0));
    } else {
      return false;
    }
  }
  return true;
}

// "PI": the even-game position, then groups of a square and a piece name that
// take the named piece off that square (the pieces a handicap gives). False
// at a group that names no piece standing there.
bool read_initial_position(const KString& s, Kyokumen& pos) {
  pos.Init(kHirate);
  const char* p = s.c_str();
  for (int at = kFirstCell; at < s.length(); at += kGroupBytes) {
    if (at + kGroupBytes > s.length() || !is_square_digit(p[at]) || !is_square_digit(p[at + 1])) return false;
    Koma& square = pos.At(p[at] - '0', p[at + 1] - '0');
    const int type = csa_piece_type_at(s, at + 2);
    if (type_is_empty(type) || square.Side() < 0 || square.Type() != type) return false;
    square.Set(kEmpty);
  }
  return true;
}

}  // namespace

int csa_piece_type_at(const KString& s, int i) {
  if (i + 2 > s.length()) return kEmpty;
  Koma k{0};
  if (k.ParseName(s.c_str() + i) != 2) return kEmpty;
  return k.Type();
}

bool csa_read_position_line(const KString& s, Kyokumen& pos, bool& placed) {
  const char second = s.length() > 1 ? s.c_str()[1] : '\0';
  placed = true;
  if (is_square_digit(second)) return read_rank_row(s, second - '0', pos);
  if (sign_side(second) >= 0) return read_piece_list(s, sign_side(second), pos);
  if (second == 'I') return read_initial_position(s, pos);
  placed = false;
  return false;
}

}  // namespace model
