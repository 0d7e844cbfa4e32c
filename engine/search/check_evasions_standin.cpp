// TEMPORARY: see check_evasions_standin.h.
#include "engine/search/check_evasions_standin.h"

#include "engine/board/evasion_gen.h"
#include "engine/board/threat_kind.h"

namespace search {

int gen_check_evasions(const board::KPosition& p, const board::KMove* last, uint32_t filter, board::KMove* out) {
  const int n = board::oute_nige_gen(p, out);
  if ((filter & 0xffff) == 0) return n;
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    const board::KMove& m = out[i];
    const int drop = m.from == board::kInHand ? 1 : 0;
    if (board::sashite_threat_kind(p, last, m.piece, m.promote, drop, m.to, 0) != 0) out[kept++] = m;
  }
  return kept;
}

}  // namespace search
