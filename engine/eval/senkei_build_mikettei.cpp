// The builder of the undecided side: its pawns and lances follow the wing its
// king has gone to, its knights stay home on the side away from the king, and
// against a yagura with both kings on the left it plays from the yagura's base.
#include <cmath>

#include "engine/eval/mikettei_blend_data.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_rule_data.h"
#include "engine/eval/senkei_rules.h"

namespace eval {

namespace {

using board::KPosition;

constexpr int kYaguraCode = 1;

// The king-file factor: 0 on file 5; 0.22, 0.75 and 1.0 one, two and three or
// more files towards the side's own left wing; the same negative towards its
// right wing; 0 without a king.
double king_file_factor(const KPosition& p, int side) {
  switch (own_king_file(p, side)) {
    case 6: return 0.22;
    case 7: return 0.75;
    case 8:
    case 9: return 1.0;
    case 4: return -0.22;
    case 3: return -0.75;
    case 2:
    case 1: return -1.0;
    default: return 0;
  }
}

bool both_kings_on_files(const KPosition& p, int s, int lo, int hi) {
  const int a = own_king_file(p, s);
  const int b = own_king_file(p, 1 - s);
  return a >= lo && a <= hi && b >= lo && b <= hi;
}

// The yagura's base values for the layers of the pieces that build its castle.
void copy_yagura_base(int s) {
  for (int kind : {board::kRook, board::kBishop, board::kGold, board::kSilver, board::kKnight, board::kKing}) {
    const int layer = board::senkei_layer_of(kind);
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) {
        cell(s, layer, f * 10 + r) = king_table_value(kYaguraCode, 0, kind, board::square_of(f, r));
      }
    }
  }
}

// Knight cells of ranks 3..9 with the king on file 5.
constexpr int16_t kCentreKnightEdge[7] = {-139, -136, -135, -136, -137, -139, -139};
constexpr int16_t kCentreKnightInner[7] = {-80, -76, -75, -76, -77, -79, -79};
// Knight cells of ranks 4..9 away from a king on a wing: the far edge file, and
// the four files from file 5 to the file next to the edge.
constexpr int16_t kFarEdgeKnight[6] = {-241, -240, -242, -244, -247, -248};
constexpr int16_t kFarFilesKnight[6] = {-151, -150, -152, -154, -157, -158};
constexpr int16_t kRank3KnightEdge = -369;
constexpr int16_t kRank3KnightInner = -249;
constexpr int kFarEdgeFacing = -80;  // more when the opponent's plan faces the king
constexpr int kFarFilesFacing = -50;

void centre_king_knights(const KPosition& p, int s) {
  for (int f = 1; f <= 9; ++f) {
    const int16_t* values = f == 1 || f == 9 ? kCentreKnightEdge : kCentreKnightInner;
    for (int r = 3; r <= 9; ++r) cell(s, kKnightLayer, f * 10 + r) = values[r - 3];
  }
  if (own_king_rank(p, s) == 9) {
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) cell(s, kBishopLayer, f * 10 + r) += 15;
    }
  }
}

void wing_king_cells(const KPosition& p, int s, int king_file) {
  const bool right = king_file <= 4;
  const int step = right ? -1 : 1;  // from file 5 towards the near side
  for (int i = 1; i <= 3; ++i) {
    const int f = 5 + step * i;
    cell(s, kPawnLayer, f * 10 + 7) += 10;
    cell(s, kPawnLayer, f * 10 + 6) += 10;
    cell(s, kPawnLayer, f * 10 + 5) += 1;
  }
  const int far_edge = right ? 9 : 1;
  const int oc = eval_setup.root_senkei[1 - s];
  const bool facing = (senkei_furibisha_flag(oc) && both_kings_on_files(p, s, 6, 9)) ||
                      (senkei_taifuri_flag(oc) && both_kings_on_files(p, s, 1, 4));
  for (int r = 4; r <= 9; ++r) {
    cell(s, kKnightLayer, far_edge * 10 + r) = kFarEdgeKnight[r - 4] + (facing ? kFarEdgeFacing : 0);
    for (int i = 0; i < 4; ++i) {
      const int f = 5 - step * i;
      cell(s, kKnightLayer, f * 10 + r) = kFarFilesKnight[r - 4] + (facing ? kFarFilesFacing : 0);
    }
  }
  for (int f = 1; f <= 9; ++f) {
    cell(s, kKnightLayer, f * 10 + 3) = f == 1 || f == 9 ? kRank3KnightEdge : kRank3KnightInner;
  }
}

}  // namespace

void mikettei_blend(const KPosition& p, int s) {
  const double fs = king_file_factor(p, s);
  const double fo = king_file_factor(p, 1 - s);
  const double t = std::fabs(fs);
  const double u = (fs > 0 && fo > 0) || (fs < 0 && fo < 0) ? 0 : std::fabs(fo);
  const bool mirror = fs < 0;
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      const int tf = mirror ? 10 - f : f;
      int32_t& pawn = cell(s, kPawnLayer, f * 10 + r);
      int32_t& lance = cell(s, kLanceLayer, f * 10 + r);
      pawn = static_cast<int32_t>((1 - t) * pawn + t * kMikketteiPawnTarget.at(tf, r) +
                                  u * kMikketteiPawnEnemyKing.at(tf, r));
      lance = static_cast<int32_t>((1 - t) * lance + t * kMikketteiLanceTarget.at(tf, r) +
                                   u * kMikketteiLanceEnemyKing.at(tf, r));
    }
  }
}

void senkei_build_mikettei(const KPosition& p, int s) {
  mikettei_blend(p, s);
  if (eval_setup.root_senkei[1 - s] == kYaguraCode && both_kings_on_files(p, s, 6, 9)) {
    copy_yagura_base(s);
    return;
  }
  apply_rules(p, s, senkei_rules(RuleGroup::kMikketteiAifuri));
  const int king_file = own_king_file(p, s);
  if (king_file == 5) {
    centre_king_knights(p, s);
  } else if (king_file != 0) {
    wing_king_cells(p, s, king_file);
  }
  apply_rules(p, s, senkei_rules(RuleGroup::kMikketteiFurther));
  const double t = std::fabs(king_file_factor(p, s));
  for (const CellTarget& c : mikettei_king_file_targets()) {
    int32_t& v = cell(s, c.layer, c.square);
    v = static_cast<int32_t>((1 - t) * v + t * c.target);
  }
}

}  // namespace eval
