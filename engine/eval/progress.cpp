#include "engine/eval/progress.h"

#include "engine/board/move_rules.h"

namespace eval {

namespace {

constexpr int kMiddleGame = 4;
constexpr int kEndgame = 8;

// Full and half points of one piece on the board.
void board_points(int code, int sq, int& full, int& half) {
  const int side = board::code_side(code);
  const int cls = board::code_class(code);
  if (cls & board::kPromotedBit) {
    full += cls == board::kDragon ? 3 : 2;
    return;
  }
  if (board::in_camp(side, sq)) {
    if (cls == board::kPawn) {
      ++half;
    } else {
      full += cls == board::kRook ? 2 : 1;
    }
    return;
  }
  // Rank 5 and the rank in front of it: 4 for sente, 6 for gote.
  const int rank = board::square_rank(sq);
  if ((cls == board::kSilver || cls == board::kKnight) && (rank == 5 || rank == (side == 0 ? 4 : 6))) ++half;
}

}  // namespace

int progress_estimate(const board::KPosition& p) {
  int full = 0;
  int half = 0;
  for (int n = 0; n < board::kPieceCount; ++n) {
    const int sq = p.piece[n].sq;
    if (board::is_playing_square(sq)) board_points(p.piece[n].code, sq, full, half);
  }
  for (int side = 0; side < 2; ++side) {
    const uint8_t* hand = p.hand[side];
    full +=
        3 * hand[board::kRook] + hand[board::kGold] + hand[board::kSilver] + hand[board::kKnight] + hand[board::kLance];
    half += hand[board::kBishop] + hand[board::kPawn];
  }
  const int points = full + half / 2;
  return points < kMiddleGame ? 0 : points < kEndgame ? 1 : 2;
}

}  // namespace eval
