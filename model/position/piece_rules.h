// Movement and counting facts about the piece types shared by the position code.
#pragma once

#include <cstdint>

#include "model/position/koma.h"

namespace model {

// Movement mask bits: one-step moves, the knight jump and the three slides.
enum MoveBits : int {
  kStepForward = 0x001,
  kStepDiagForward = 0x002,
  kStepSide = 0x004,
  kStepBack = 0x008,
  kStepDiagBack = 0x010,
  kKnightJump = 0x020,
  kSlideForward = 0x040,
  kSlideOrthogonal = 0x080,
  kSlideDiagonal = 0x100,
};

// Movement mask by type 0..15 ("forward" is towards rank 1 for sente).
inline constexpr int kMoveMask[16] = {
    0,      // empty
    0x001,  // pawn
    0x041,  // lance
    0x020,  // knight
    0x013,  // silver
    0x00F,  // gold
    0x112,  // bishop
    0x08D,  // rook
    0x01F,  // king
    0x00F,  // と
    0x00F,  // 成香
    0x00F,  // 成桂
    0x00F,  // 成銀
    0,      // type 13
    0x11F,  // 馬
    0x09F,  // 龍
};

// Pieces of each base type in a full set (type 8: kings).
inline constexpr int kPieceLimit[9] = {0, 18, 4, 4, 4, 4, 2, 2, 2};

// The last rank on which a piece of `type` could still move (as seen by sente:
// 1 for any piece, 2 for pawn and lance, 3 for knight). A piece must promote
// when it reaches a rank in front of that.
constexpr int first_movable_rank(int type) {
  return type == kKei ? 3 : (type == kFu || type == kKyo) ? 2 : 1;
}

// True when a piece of `type` of `side` standing on `rank` could still move.
constexpr bool can_move_on(int side, int type, int rank) {
  const int r = side == 0 ? rank : 10 - rank;
  return r >= first_movable_rank(type);
}

// True when the type can promote (pawn..rook except gold).
constexpr bool can_promote(int type) { return type >= kFu && type <= kHi && type != kKin; }

}  // namespace model
