#include "engine/search/depth_gen/koma_gain.h"

#include "engine/board/exchange_eval.h"
#include "engine/search/depth_gen/gen_terms.h"

namespace search {

int koma_gain_value(const board::KPosition& p, int s, int t, int q, int c) {
  const int placed = board::code_class(t);
  const int kind = board::code_kind(placed);
  const int held = kind <= board::kPawn ? p.hand[s][kind] : 0;
  int gain = piece_worth(p, s, placed, q) - (held > 0 ? board::exchange_hand_value(kind, held - 1) : 0);
  const int taken = board::code_class(c);
  if (taken != 0) {
    const int taken_kind = board::code_kind(taken);
    gain += piece_worth(p, 1 - s, taken, q);
    if (taken_kind <= board::kPawn) gain += board::exchange_hand_value(taken_kind, p.hand[s][taken_kind]);
  }
  return gain;
}

}  // namespace search
