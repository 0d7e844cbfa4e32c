#include "engine/tsume/tsume_move_code.h"

#include "engine/board/make_move.h"
#include "engine/board/move_legality.h"
#include "engine/board/move_rules.h"

namespace tsume {

namespace {

using namespace board;

constexpr int kDropBase = 81;
constexpr int kDirections = 22;

// Mover classes of the direction codes.
enum DirClass { kRookLike = 0, kBishopLike = 1, kStepper = 2 };

DirClass dir_class(int code) {
  const int cls = code_class(code);
  if (cls == kRook || cls == kLance || cls == kDragon) return kRookLike;
  if (cls == kBishop || cls == kHorse) return kBishopLike;
  return kStepper;
}

// Displacements (file, rank), each taken modulo 9, of the direction codes of a
// class; unused codes are {0, 0}.
struct Displacement {
  int8_t df, dr;
};

constexpr auto make_dir_table() {
  struct T {
    Displacement d[3][kDirections]{};
  } t{};
  for (int k = 1; k <= 8; ++k) {
    // Rook-like: along the file, then along the rank; bishop-like: the two diagonals.
    t.d[kRookLike][k - 1] = {0, static_cast<int8_t>(k)};
    t.d[kRookLike][k + 7] = {static_cast<int8_t>(k), 0};
    t.d[kBishopLike][k - 1] = {static_cast<int8_t>(k), static_cast<int8_t>(k)};
    t.d[kBishopLike][k + 7] = {static_cast<int8_t>(k), static_cast<int8_t>(9 - k)};
  }
  // The dragon's diagonal steps and the horse's orthogonal steps.
  const Displacement diag[4] = {{1, 1}, {1, 8}, {8, 1}, {8, 8}};
  const Displacement orth[4] = {{1, 0}, {8, 0}, {0, 1}, {0, 8}};
  for (int i = 0; i < 4; ++i) {
    t.d[kRookLike][16 + i] = diag[i];
    t.d[kBishopLike][16 + i] = orth[i];
  }
  // Steppers: the eight king steps and the four knight jumps of either side.
  const Displacement steps[12] = {{1, 0}, {8, 0}, {0, 1}, {0, 8}, {1, 1}, {1, 8},
                                  {8, 1}, {8, 8}, {1, 2}, {8, 2}, {1, 7}, {8, 7}};
  for (int i = 0; i < 12; ++i) t.d[kStepper][i] = steps[i];
  return t;
}

constexpr auto kDir = make_dir_table();

int mod9(int v) { return ((v % 9) + 9) % 9; }

// The inverse of the direction table for the encoder: by class and by the
// file and rank differences (-8..8, stored from 0), the first direction code
// whose displacement they give modulo 9, -1 when none does.
constexpr auto make_dir_lookup() {
  struct T {
    int8_t d[3][17][17]{};
  } t{};
  for (int c = 0; c < 3; ++c) {
    for (int df = -8; df <= 8; ++df) {
      for (int dr = -8; dr <= 8; ++dr) {
        int8_t found = -1;
        for (int d = kDirections - 1; d >= 0; --d) {
          const Displacement& x = kDir.d[c][d];
          if ((x.df != 0 || x.dr != 0) && x.df == (df + 9) % 9 && x.dr == (dr + 9) % 9) found = static_cast<int8_t>(d);
        }
        t.d[c][df + 8][dr + 8] = found;
      }
    }
  }
  return t;
}

constexpr auto kDirLookup = make_dir_lookup();

}  // namespace

uint16_t tsume_move_encode(const KMove& m) {
  if (m.from == kPassSquare) return 0;
  const int to = square_index(m.to);
  if (m.from == kInHand) return static_cast<uint16_t>((kDropBase + code_kind(m.code)) << 7 | to);
  const int from = square_index(m.from);
  const int df = square_file(m.to) - square_file(m.from);
  const int dr = square_rank(m.to) - square_rank(m.from);
  const int d = kDirLookup.d[dir_class(m.code)][df + 8][dr + 8];
  if (d < 0) return 0;
  return static_cast<uint16_t>(from << 7 | (m.promote ? 64 : 0) | (m.flag & 64 ? 32 : 0) | (d + 1));
}

bool tsume_move_decode(const KPosition& p, uint16_t code, KMove& out) {
  const int from_index = code >> 7;
  const int side = p.teban;
  out = pass_move();
  if (from_index > kDropBase && from_index <= kDropBase + kPawn) {
    const int kind = from_index - kDropBase;
    const int to_index = code & 127;
    if (to_index > 80 || p.hand[side][kind] == 0) return false;
    write_drop(out, p, kind, index_square(to_index));
    return true;
  }
  if (from_index > 80) return false;
  const int from = index_square(from_index);
  const int n = p.board[from];
  if (n >= kPieceCount || code_side(p.piece[n].code) != side || (p.piece[n].code & side_bit(side)) == 0) return false;
  const int d = (code & 31) - 1;  // stored from 1, so that no board move codes as 0
  if (d < 0 || d >= kDirections) return false;
  const Displacement& x = kDir.d[dir_class(p.piece[n].code)][d];
  if (x.df == 0 && x.dr == 0) return false;
  const int file = mod9(square_file(from) - 1 + x.df) + 1;
  const int rank = mod9(square_rank(from) - 1 + x.dr) + 1;
  write_board_move(out, p, n, from, square_of(file, rank), (code & 64) ? 1 : 0);
  out.flag = (code & 32) ? 64 : 0;
  return true;
}

bool tsume_move_decode_checked(KPosition& p, uint16_t code, KMove& m) {
  if (!tsume_move_decode(p, code, m)) return false;
  const int side = p.teban;
  if (m.from != kInHand) {
    if (blocked_for(p, side, m.to)) return false;
    const bool zone = in_camp(side, m.from) || in_camp(side, m.to);
    if (m.promote && !(can_promote(m.code) && zone)) return false;
    if (!m.promote && !may_stay_unpromoted(m.code, m.to)) return false;
  } else if (p.board[m.to] != kEmptyNumber) {
    return false;
  }
  if (!sashite_is_legal(p, m)) return false;
  do_move(p, m, 0);
  const bool exposed = king_attacked(p, side);
  undo_move(p, m, 0);
  return !exposed;
}

}  // namespace tsume
