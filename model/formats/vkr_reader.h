// The program's own binary game file (".vkr"): one game stored as a position in
// the middle of the game, the moves that led to it and the moves that followed.
// It is read, never written.
//
// Layout (little-endian): bytes 32 and 34 the kinds of sente's and gote's
// player (0 a person, else the computer), 42 the side to move of the stored
// position, 44 its handicap bits, 46 a grid of 11 rows of 16 bytes (rows 1..9 x
// columns 1..9 the board, rows 1..8 of columns 11, 12 and 13 the counts of sente's
// hand, gote's hand and the piece box), 222 n (signed: the moves played before
// the stored position), 234 m (all moves), then m records of 16 bytes: the eight
// Sashite bytes with an end code in the last, and the seconds in the low 16 bits
// of the next four bytes. Other bytes are not read.
#pragma once

#include "model/position/kyokumen.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model {

// Offsets and sizes of the file's fields.
struct VkrLayout {
  static constexpr int kPlayerKinds = 32;
  static constexpr int kSide = 42;
  static constexpr int kHandicap = 44;
  static constexpr int kGrid = 46;
  static constexpr int kGridRows = 11;
  static constexpr int kGridColumns = 16;
  static constexpr int kHandColumn[3] = {11, 12, 13};  // sente, gote, box
  static constexpr int kPlyCount = 222;
  static constexpr int kMoveCount = 234;
  static constexpr int kMoves = 238;
  static constexpr int kMoveBytes = 16;
  static constexpr int kMoveSeconds = 8;
};

// The special code of an end code of a move record; `koma` decides code 9
// (perpetual check by the side of that piece). Unknown codes give 0.
int vkr_special_code(int end_code, Koma koma);

// Rebuilds the game from its start: the stored moves are taken back from the
// stored position, whose box and handicap are then recounted from its pieces
// (the stored box and handicap bits only set up the grid), and every move is
// replayed and checked by the rules.
// The names become "人間" or "ボルカ将棋" by the player kinds. Without `merge`
// the game replaces the record; with it its lines are added at the record's
// node holding its start position. 0, or -1 with the record untouched on a
// short or malformed file, a position or move that breaks the rules, an end
// code before the last move, or (merging) a start position the record lacks.
int kifu_read_vkr(Kifu& kifu, TextReader& in, bool merge);

// The format is never written: both return -1 and write nothing.
int kifu_write_vkr(const Kifu& kifu, TextWriter& out);
int kifu_write_vkr_from(const Kifu& kifu, TextWriter& out, const Kyokumen& kyokumen);

}  // namespace model
