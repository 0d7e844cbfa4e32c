#include "model/position/game_result.h"

namespace model {

int special_side(const Sashite& m, int to_move) {
  const int side = m.koma.Side();
  return side >= 0 ? side : to_move;
}

int special_winner(const Sashite& m, int to_move) {
  const int own = special_side(m, to_move);
  switch (m.special) {
    case kTsumi:
    case kToryo:
    case kKireMake:
    case kMake:
    case kHansokuMake: return 1 - own;
    case kHansokuKachi:
    case kKachi: return own;
    case kSennichiteGoteOute: return 0;
    case kSennichiteSenteOute: return 1;
    default: return -1;
  }
}

int special_code_for_side_to_move(const Sashite& m, int to_move) {
  if (special_side(m, to_move) == to_move) return m.special;
  switch (m.special) {
    case kHansokuMake: return kHansokuKachi;
    case kHansokuKachi: return kHansokuMake;
    case kKachi: return kMake;
    case kTsumi:
    case kToryo:
    case kKireMake:
    case kMake: return kKachi;
    default: return m.special;
  }
}

}  // namespace model
