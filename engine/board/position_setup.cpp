#include "engine/board/position_setup.h"

#include <array>
#include <cstring>

#include "engine/board/kiki.h"

namespace board {

namespace {

constexpr int kTemplateFiles = 10;  // file 0 (the left wall column) and files 1..9
constexpr int kTemplateRanks = 11;  // rank 0 and rank 10 are walls
constexpr int kE = kEmptyNumber;

// Piece numbers of the start position by file column and rank; gote stands on
// ranks 1-3, sente on ranks 7-9; the border holds the numbered wall cells.
using Template = std::array<std::array<uint8_t, kTemplateRanks>, kTemplateFiles>;
constexpr Template kEvenTemplate = {{
    {71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 41},
    {70, 21, kE, 39, kE, kE, kE, 30, kE, 19, 42},
    {69, 17, 5, 38, kE, kE, kE, 29, 2, 15, 43},
    {68, 13, kE, 37, kE, kE, kE, 28, kE, 11, 44},
    {67, 9, kE, 36, kE, kE, kE, 27, kE, 7, 45},
    {66, 1, kE, 35, kE, kE, kE, 26, kE, 0, 46},
    {65, 8, kE, 34, kE, kE, kE, 25, kE, 6, 47},
    {64, 12, kE, 33, kE, kE, kE, 24, kE, 10, 48},
    {63, 16, 3, 32, kE, kE, kE, 23, 4, 14, 49},
    {62, 20, kE, 31, kE, kE, kE, 22, kE, 18, 50},
}};

// The process-wide template: the even one with the last handicap's pieces taken off.
Template start_template = kEvenTemplate;

// The six cells a handicap may empty (gote's pieces), and which of them each
// handicap number takes off.
struct HandicapCell {
  int file, rank;
};
constexpr HandicapCell kHandicapCells[6] = {
    {8, 2},  // rook
    {2, 2},  // bishop
    {1, 1},  // lance on file 1
    {9, 1},  // lance on file 9
    {2, 1},  // knight on file 2
    {8, 1},  // knight on file 8
};
constexpr uint8_t kHandicapRemoves[8] = {0x00, 0x04, 0x02, 0x01, 0x05, 0x03, 0x0F, 0x3F};

}  // namespace

void pos_clear(KPosition& p) {
  pos_place_template(p);
  pos_rebuild(p);
}

void pos_place_template(KPosition& p) {
  std::memset(&p, 0, sizeof p);
  p.teban = 0;
  for (int n = 0; n < kPieceCount; ++n) {
    // A piece that the template leaves out is out of play.
    p.piece[n] = {kNotInPlay, out_of_play_code(n)};
  }
  p.piece[kEmptyNumber] = {kInHand, 0};
  std::memset(p.board, kPieceEntries - 1, sizeof p.board);  // every cell a wall (80)
  for (int file = 0; file < kTemplateFiles; ++file) {
    for (int rank = 0; rank < kTemplateRanks; ++rank) {
      const int n = start_template[file][rank];
      const int sq = square_of(file, rank);
      p.board[sq] = static_cast<uint8_t>(n);
      if (n >= kFirstWall) {
        p.piece[n] = {static_cast<uint8_t>(sq), kWallCode};
      } else if (n < kPieceCount) {
        const int side = rank <= 5 ? 1 : 0;
        p.piece[n] = {static_cast<uint8_t>(sq), static_cast<uint8_t>(number_kind(n) | side_bit(side))};
      }
    }
  }
  p.teban = 0;
}

void pos_set_handicap(KPosition& p, int handicap) {
  if (handicap >= 0 && handicap < 8) {
    for (int i = 0; i < 6; ++i) {
      const HandicapCell c = kHandicapCells[i];
      const bool removed = (kHandicapRemoves[handicap] >> i) & 1;
      start_template[c.file][c.rank] = removed ? kE : kEvenTemplate[c.file][c.rank];
    }
  }
  pos_clear(p);
  if (handicap != 0) p.teban = 1;
}

void pos_rebuild(KPosition& p) {
  position_fix_piece_lists(p);
  pos_clear_tables(p);
  pos_build_tokin_lists(p);
  pos_hand_sums(p);
  pos_clear_kiki(p);
}

void position_fix_piece_lists(KPosition& p) {
  for (int kind = kRook; kind <= kPawn; ++kind) {
    const int first = kKindRange[kind].first;
    const int total = p.hand[0][kind] + p.hand[1][kind];
    int taken = 0;
    for (int n = first; n < first + kKindRange[kind].count; ++n) {
      if (p.piece[n].sq < kInHand) continue;
      if (taken < total) {
        p.hand_slot[first + taken++] = static_cast<uint8_t>(n);
        p.piece[n].sq = kInHand;
      } else {
        p.piece[n].sq = kNotInPlay;
      }
    }
  }
}

void pos_clear_tables(KPosition& p) {
  std::memset(p.pawn_file, 0, sizeof p.pawn_file);
  for (int n = kKindRange[kPawn].first; n < kPieceCount; ++n) {
    const KPieceEntry e = p.piece[n];
    if (e.sq >= kInHand || (e.code & kPromotedBit)) continue;
    p.pawn_file[code_side(e.code)][square_file(e.sq)] = e.sq;
  }
}

void pos_build_tokin_lists(KPosition& p) {
  p.tokin[0].count = p.tokin[1].count = 0;
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const int n = p.board[square_of(file, rank)];
      const int code = p.piece[n].code;
      if (code_class(code) != kTokin) continue;
      KTokinList& list = p.tokin[code_side(code)];
      list.number[list.count++] = static_cast<uint32_t>(n);
    }
  }
}

void pos_hand_sums(KPosition& p) {
  for (int side = 0; side < 2; ++side) {
    uint32_t sum = 0;
    for (int kind = kRook; kind < kPawn; ++kind) sum += p.hand[side][kind];
    p.hand_sum[side] = sum;
  }
}

void pos_clear_kiki(KPosition& p) {
  std::memset(p.kiki, 0, sizeof p.kiki);
  for (int n = 0; n < kPieceCount; ++n) kiki_add_piece(p, n);
}

}  // namespace board
