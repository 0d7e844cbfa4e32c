// The static-rook builders with the king on the left or in the centre: the
// yagura, the bishop exchange and the central residence.
#include "engine/eval/iyagura_target_data.h"
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_rule_data.h"
#include "engine/eval/senkei_rules.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kKing, board::kKnight, board::kLance, board::kPawn, board::kRook,
    board::kSilver;
using board::KPosition;

// The mark row of a kind that changes at most once per build, or -1.
int mark_row(int kind) {
  switch (kind) {
    case kBishop: return 0;
    case kGold: return 1;
    case kSilver: return 2;
    case kPawn: return 3;
    case kKing: return 4;
    default: return -1;
  }
}

// The yagura's castle factor: how far the king has gone to the left.
double castle_factor(const KPosition& p, int s) {
  double t = 0;
  switch (own_king_file(p, s)) {
    case 6: t = 0.22; break;
    case 7: t = 0.75; break;
    case 8:
    case 9: t = 1.0; break;
    default: break;
  }
  if (own_at(p, s, kGold, 49)) t -= 0.08;
  return t < 0 ? 0 : t;
}

// Shorthand of iyagura_add for a square written file * 10 + rank.
struct Adder {
  IyaguraMarks& marks;
  int s;
  void operator()(int kind, int sq2, int amount) const {
    iyagura_add(marks, s, kind, rule_file(sq2), rule_rank(sq2), amount);
  }
  void operator()(int kind, std::initializer_list<int> squares, int amount) const {
    for (int sq2 : squares) (*this)(kind, sq2, amount);
  }
};

// The layer's piece kind (layers 0..7 follow the kinds rook..king).
constexpr int layer_kind(int layer) { return layer + 1; }
static_assert(layer_kind(kRookLayer) == kRook && layer_kind(kKingLayer) == kKing);

// The further rules go through the marks like the yagura's other changes; a
// change of the opponent's cells is no yagura cell and applies directly.
void apply_through_marks(const KPosition& p, int s, const Adder& add, std::span<const SenkeiRule> rules) {
  for (const SenkeiRule& r : rules) {
    if (!r.holds(p, s)) continue;
    if (r.enemy) {
      apply_changes(s, r.changes, true);
      continue;
    }
    for (const CellChange& c : r.changes) add(layer_kind(c.layer), c.square, c.amount);
  }
}

}  // namespace

void iyagura_add(IyaguraMarks& marks, int s, int kind, int file, int rank, int amount) {
  const int row = mark_row(kind);
  if (row >= 0) {
    uint8_t& m = marks.mark[row][file - 1][rank - 1];
    if (m) return;
    m = 1;
  }
  senkei_cell_ref(s, board::senkei_layer_of(kind), s, file, rank) += amount;
}

void iyagura_opening(const KPosition& p, int s) {
  const double t = castle_factor(p, s);
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      int32_t& pawn = cell(s, kPawnLayer, f * 10 + r);
      int32_t& lance = cell(s, kLanceLayer, f * 10 + r);
      pawn = static_cast<int32_t>((1 - t) * pawn + t * diagram_at(kIyaguraPawnTarget, f, r));
      lance = static_cast<int32_t>((1 - t) * lance + t * diagram_at(kIyaguraLanceTarget, f, r));
    }
  }
  const int development = 2 * own_at(p, s, kPawn, 37) + own_at(p, s, kSilver, 48) + 2 * own_at(p, s, kSilver, 39) +
                          own_at(p, s, kKnight, 29);
  if (!(t >= 0.75 && development < 2)) cell(s, kPawnLayer, 25) -= 6;
}

void senkei_build_iyagura(const KPosition& p, int s) {
  iyagura_opening(p, s);
  IyaguraMarks marks;
  const Adder add{marks, s};

  if (own_at(p, s, kBishop, 77)) {
    if (king_at(p, s, 59)) {
      add(kKing, 78, -12);
      add(kKing, 79, -15);
      add(kKing, 68, -7);
      add(kKing, 69, -9);
    }
    if (own_at_any(p, s, kGold, {49, 58})) {
      add(kSilver, 58, -5);
      add(kGold, 67, 5);
      add(kGold, 68, -3);
      add(kGold, 49, -8);
    }
  }
  if (own_at(p, s, kBishop, 59)) {
    add(kRook, {45, 46, 47, 48}, -20);
    add(kPawn, 37, -15);
  }
  if (own_at(p, s, kPawn, 37)) add(kSilver, 36, -15);
  if (enemy_at_any(p, s, kBishop, {64, 73, 82, 91})) {
    add(kLance, 16, 13);
    add(kLance, 17, 4);
    add(kLance, 19, -4);
  }
  if (enemy_at(p, s, kPawn, 14) && own_at(p, s, kPawn, 17)) {
    add(kPawn, 17, -6);
    add(kPawn, 16, 10);
  }
  if (king_at(p, s, 68) && own_at_any(p, s, kBishop, {88, 79}) && own_at(p, s, kGold, 69)) {
    add(kGold, 69, 5);
    add(kGold, 78, -10);
  }
  if (king_at_any(p, s, {88, 78})) add(kBishop, 79, 5);
  if (own_at(p, s, kBishop, 79) && own_at(p, s, kSilver, 37) && king_at(p, s, 69)) add(kPawn, {36, 37}, -12);
  if (own_at(p, s, kSilver, 48)) add(kBishop, 57, -8);
  if (own_at(p, s, kBishop, 88) && own_at(p, s, kPawn, 77)) add(kSilver, 68, -5);
  if (own_at(p, s, kKnight, 77) && own_at(p, s, kSilver, 88)) add(kKing, 89, 5);
  if (own_at(p, s, kKnight, 37)) {
    add(kRook, {26, 36, 46}, 3);
    add(kPawn, 36, -4);
  }
  if (king_at(p, s, 69) && own_at(p, s, kBishop, 79)) add(kRook, {59, 58, 57, 56, 55, 54}, -5);
  if (own_at(p, s, kRook, 48) && own_at_any(p, s, kBishop, {88, 77})) {
    add(kBishop, {88, 77, 66}, 12);
    add(kBishop, 55, 2);
    if (own_at(p, s, kBishop, 88)) add(kSilver, 77, -19);
    add(kPawn, 66, -12);
    add(kPawn, 97, -2);
  }
  if (!king_at(p, s, 88)) add(kPawn, 65, -15);

  apply_through_marks(p, s, add, senkei_rules(RuleGroup::kIyaguraFurther));
  if (iyagura_central_attack(p, s)) {
    for (const CellCopy& c : iyagura_silver_copies()) {
      if (!own_at(p, s, kSilver, c.square)) {
        add(kSilver, c.square, cell(s, c.layer, c.source) - cell(s, c.layer, c.square));
      }
    }
  }

  if (own_at_any(p, s, kBishop, {59, 48, 37}) && empty_at(p, s, 37)) add(kPawn, {26, 27, 28, 29}, -5);
  if (enemy_at(p, s, kPawn, 13) && own_at(p, s, kPawn, 17)) {
    add(kPawn, 17, 5);
  } else if (own_at(p, s, kPawn, 16)) {
    add(kPawn, 16, 5);
  }
  if (own_at(p, s, kPawn, 97)) add(kPawn, 97, 5);
  const int ko = enemy_king_file(p, s);
  if (ko == 1 || ko == 2) corner_ban_iyagura(s);
}

void senkei_build_kakugawari(const KPosition& p, int s) {
  if (own_at(p, s, kSilver, 39)) {
    for (int r = 4; r <= 9; ++r) {
      for (int f = 3; f <= 9; ++f) cell(s, kRookLayer, f * 10 + r) -= 20;
    }
    cell(s, kSilverLayer, 48) += 3;
  }
  if (enemy_at(p, s, kPawn, 14)) cell(s, kPawnLayer, 16) += 15;
  if (enemy_at(p, s, kPawn, 94)) cell(s, kPawnLayer, 96) += 15;
  if (own_at(p, s, kPawn, 16) && own_at(p, s, kPawn, 13)) cell(s, kPawnLayer, 15) += 15;
  if (own_at(p, s, kPawn, 96) && own_at(p, s, kPawn, 93)) cell(s, kPawnLayer, 95) += 15;
  if (p.hand[1 - s][kBishop] == 0) {
    cell(s, kGoldLayer, 67) += 4;
    cell(s, kGoldLayer, 68) += 1;
    cell(s, kGoldLayer, 78) += 2;
    if (enemy_at_any(p, s, kBishop, {76, 65, 54, 43, 32, 63, 72})) {
      cell(s, kPawnLayer, 56) += 3;
      cell(s, kPawnLayer, 55) += 5;
    }
  }
  if (own_at_any(p, s, kKnight, {45, 37, 25})) cell(s, kPawnLayer, 36) -= 70;
  const int ko = enemy_king_file(p, s);
  if (ko >= 1 && ko <= 3) corner_ban_furibisha(s);
}

namespace {

// The opponent's pawn cells by distance from its king's file, for its ranks 5..1
// of s's view (rows 0..4).
constexpr int16_t kNakazumaiDistance[5][9] = {
    {-6, -8, -24, -38, -48, -54, -58, -60, -62}, {-1, -3, -24, -38, -48, -54, -58, -60, -62},
    {4, 2, -23, -38, -48, -54, -58, -60, -62},   {4, 2, -23, -38, -48, -54, -58, -60, -62},
    {4, 2, -23, -38, -48, -54, -58, -60, -62},
};

}  // namespace

void senkei_build_nakazumai(const KPosition& p, int s) {
  if (enemy_at(p, s, kPawn, 14) && own_at(p, s, kPawn, 17)) cell(s, kPawnLayer, 16) += 10;
  if (enemy_at(p, s, kPawn, 94) && own_at(p, s, kPawn, 97)) cell(s, kPawnLayer, 96) += 10;
  if (king_at(p, s, 59)) {
    if (own_at(p, s, kGold, 49)) cell(s, kGoldLayer, 49) += 3;
    if (own_at(p, s, kSilver, 39)) cell(s, kSilverLayer, 39) += 3;
  }
  // The opponent's pawns away from its king are pushed less: there the central
  // king's pieces meet them. Without the opponent's king there is no distance.
  const int k = enemy_king_file(p, s);
  if (k == 0) return;
  for (int f = 1; f <= 9; ++f) {
    const int d = f > k ? f - k : k - f;
    for (int row = 0; row < 5; ++row) enemy_cell(s, kPawnLayer, f * 10 + (5 - row)) += kNakazumaiDistance[row][d];
  }
}

}  // namespace eval
