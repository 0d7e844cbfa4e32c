// Reading the position statements of a CSA text: rank rows, piece lists and
// "PI" lists, each checked to the last byte.
#include "model/formats/csa_position_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "model/position/piece_rules.h"

namespace model {

namespace {

constexpr int kRankCells = 9;
constexpr int kCellBytes = 3;
constexpr int kFirstCell = 2;  // behind "P" and the rank digit
constexpr int kGroupBytes = 4;  // two digits and a piece name
// The group of a piece list that gives a side every piece left over.
constexpr char kRestGroup[] = "AL";

bool is_square_digit(char c) { return c >= '1' && c <= '9'; }
bool is_capital(char c) { return c >= 'A' && c <= 'Z'; }
// The side a sign byte names: 0 for "+", 1 for "-", -1 for any other byte.
int sign_side(char c) { return c == '+' ? 0 : c == '-' ? 1 : -1; }

// Whether the `n` bytes at `p` name pieces: a CSA piece name in capitals
// ("KI") or the "AL" of the pieces left over. A reading that passed over
// such bytes would lose the pieces they name; two-byte characters are
// stepped over whole, so that their second bytes name nothing.
bool names_pieces(const char* p, int n) {
  for (int i = 0; i + 1 < n; ++i) {
    if (is_lead_byte(static_cast<unsigned char>(p[i]))) {
      ++i;
      continue;
    }
    if (!is_capital(p[i]) || !is_capital(p[i + 1])) continue;
    Koma k{0};
    if (std::strncmp(p + i, kRestGroup, 2) == 0 || (k.ParseName(p + i) == 2 && !type_is_empty(k.Type()))) {
      return true;
    }
  }
  return false;
}

// Whether the `n` bytes of a cell at `p` are an empty square in a form that
// programs write: " * " as the writers write it, " *" with another third
// byte, as a game server writes the last cell of a row, or blanks; a row's
// last cells lose their blanks when the statement is trimmed, so a cell may
// hold only the start of one of them, or nothing.
bool is_empty_cell(const char* p, int n) {
  if (n > 0 && p[0] != ' ') return false;
  if (n > 1 && p[1] != '*' && p[1] != ' ') return false;
  return n < 3 || p[1] == '*' || p[2] == ' ';
}

// "P" and a rank digit: nine cells of three bytes for files 9 down to 1; a
// cell is a sign and a piece name, or an empty square. A cell of another
// form that names no piece (a sign without a piece name too) is empty as
// well, and told, as are bytes behind the ninth cell that name none.
CsaLineRead read_rank_row(const KString& s, int rank, Kyokumen& pos) {
  const char* p = s.c_str();
  const int n = s.length();
  bool stray = n > kFirstCell + kRankCells * kCellBytes;
  int since_piece = kFirstCell;  // where the bytes since the last piece begin
  for (int file = 9; file >= 1; --file) {
    const int at = kFirstCell + (9 - file) * kCellBytes;
    const int bytes = std::clamp(n - at, 0, kCellBytes);
    const int type = bytes > 0 && sign_side(p[at]) >= 0 ? csa_piece_type_at(s, at + 1) : kEmpty;
    int code = kEmpty;
    if (!type_is_empty(type)) {
      if (names_pieces(p + since_piece, at - since_piece)) return CsaLineRead::kDamaged;
      code = type | (sign_side(p[at]) ? kGoteBit : 0);
      since_piece = at + kCellBytes;
    } else if (!is_empty_cell(p + at, bytes)) {
      stray = true;
    }
    pos.At(file, rank).Set(code);
  }
  // Bytes between pieces are checked as one run: a name may stand across
  // two cells.
  if (names_pieces(p + since_piece, n - since_piece)) return CsaLineRead::kDamaged;
  return stray ? CsaLineRead::kStray : CsaLineRead::kWhole;
}

// How a list whose groups were read up to `at` ends: whole at the end of the
// statement; bytes behind the last group are passed over when they name no
// piece, and damage the list when they do.
CsaLineRead list_end(const KString& s, int at) {
  if (at >= s.length()) return CsaLineRead::kWhole;
  return names_pieces(s.c_str() + at, s.length() - at) ? CsaLineRead::kDamaged : CsaLineRead::kStray;
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
// pieces left over, a board square takes the piece. The groups end at one of
// no such form, or at a hand past a full set of its kind (so no count can
// overflow however long the list): see list_end.
CsaLineRead read_piece_list(const KString& s, int side, Kyokumen& pos) {
  const char* p = s.c_str();
  int at = kFirstCell;
  for (; at + kGroupBytes <= s.length(); at += kGroupBytes) {
    const char fx = p[at], fy = p[at + 1];
    const int type = csa_piece_type_at(s, at + 2);
    if (fx == '0' && fy == '0') {
      if (std::strncmp(p + at + 2, kRestGroup, 2) == 0) {
        give_rest_to_hand(pos, side);
        continue;
      }
      if (type < kFu || type > kHi || pos.mochigoma[side][type] >= kPieceLimit[type]) break;
      ++pos.mochigoma[side][type];
    } else if (is_square_digit(fx) && is_square_digit(fy) && !type_is_empty(type)) {
      pos.At(fx - '0', fy - '0').Set(type | (side ? kGoteBit : 0));
    } else {
      break;
    }
  }
  return list_end(s, at);
}

// "PI": the even-game position, then groups of a square and a piece name that
// take the named piece off that square (the pieces a handicap gives). The
// groups end at one that names no piece standing there: see list_end.
CsaLineRead read_initial_position(const KString& s, Kyokumen& pos) {
  pos.Init(kHirate);
  const char* p = s.c_str();
  int at = kFirstCell;
  for (; at + kGroupBytes <= s.length(); at += kGroupBytes) {
    if (!is_square_digit(p[at]) || !is_square_digit(p[at + 1])) break;
    Koma& square = pos.At(p[at] - '0', p[at + 1] - '0');
    const int type = csa_piece_type_at(s, at + 2);
    if (type_is_empty(type) || square.Side() < 0 || square.Type() != type) break;
    square.Set(kEmpty);
  }
  return list_end(s, at);
}

}  // namespace

int csa_piece_type_at(const KString& s, int i) {
  if (i + 2 > s.length()) return kEmpty;
  Koma k{0};
  if (k.ParseName(s.c_str() + i) != 2) return kEmpty;
  return k.Type();
}

CsaLineRead csa_read_position_line(const KString& s, Kyokumen& pos, CsaPositionKind& kind) {
  const char second = s.length() > 1 ? s.c_str()[1] : '\0';
  if (is_square_digit(second)) {
    kind = CsaPositionKind::kRankRow;
    return read_rank_row(s, second - '0', pos);
  }
  if (sign_side(second) >= 0) {
    kind = CsaPositionKind::kPieceList;
    return read_piece_list(s, sign_side(second), pos);
  }
  if (second == 'I') {
    kind = CsaPositionKind::kInitial;
    return read_initial_position(s, pos);
  }
  // A statement of no known kind ("P" alone) is passed over, unless it names
  // pieces that would be lost with it.
  kind = CsaPositionKind::kNone;
  return names_pieces(s.c_str() + 1, s.length() - 1) ? CsaLineRead::kDamaged : CsaLineRead::kStray;
}

void csa_empty_start(Kyokumen& pos) {
  pos.Init(kHirate);
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) pos.At(x, y).Set(kEmpty);
  }
}

}  // namespace model
