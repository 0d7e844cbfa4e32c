#include "engine/eval/eval_access.h"

#include "engine/board/exchange_values.h"
#include "engine/eval/static_eval_tables.h"

namespace eval {

int32_t eval_king_table(int side, int kind, int king_sq, int sq) {
  const int cls = kSecondGroupClass[kind & 0x1F];
  if (cls < 0 || !board::is_playing_square(king_sq)) return 0;
  return king_rel_value(cls, side, king_sq, sq);
}

int32_t eval_own_king_table(int side, int kind, int king_sq, int sq) {
  const int cls = board::kOwnKingClass[kind & 0x1F];
  if (cls < 0 || !board::is_playing_square(king_sq)) return 0;
  return king_rel_value(cls, side, king_sq, sq);
}

int32_t eval_file_rank_bonus(int side, int ref_file, int sq) {
  if (ref_file < 1 || ref_file > 9 || ref_file == 5) return 0;
  const int file = ref_file < 5 ? board::square_file(sq) : 10 - board::square_file(sq);
  const int d = (board::square_rank(sq) - 5) * (2 * side - 1);
  return kFileRank[file][d + 4];
}

int eval_defender_count(const board::KPosition& p, int side) {
  int count = 2 * (p.hand[side][board::kGold] + p.hand[side][board::kSilver]) + p.hand[side][board::kKnight] +
              p.hand[side][board::kLance];
  const int bit = board::side_bit(side);
  const int first = board::kKindRange[board::kGold].first;
  const int last = board::kKindRange[board::kLance].first + board::kKindRange[board::kLance].count;
  for (int n = first; n < last; ++n) {
    const board::KPieceEntry& e = p.piece[n];
    if (!on_board(e) || !(e.code & bit)) continue;
    const int kind = board::code_kind(e.code);
    const bool minor = kind == board::kKnight || kind == board::kLance;
    count += minor && !(e.code & board::kPromotedBit) ? 1 : 2;
  }
  return count;
}

}  // namespace eval
