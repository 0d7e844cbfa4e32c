// TEMPORARY stand-in of the depth-selected generator until it lands (this file
// is then replaced): every move for n >= 2, the checks for n = 1 and the
// captures and promotions for n <= 0, with the accept test and the
// searched-move set applied.
#include "engine/board/check_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/threat_kind.h"
#include "engine/search/gen_by_depth.h"

namespace search {

int sashite_gen_by_depth(const board::KPosition& p, const board::KMove* last, int n, uint32_t accept,
                         const KSearchedSet& set, board::KMove* out) {
  const int count = n == 1 ? board::oute_gen(p, out, 1) : board::gen_all_moves(p, out);
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    const board::KMove& m = out[i];
    if (n <= 0 && m.captured_code == 0 && !m.promote) continue;
    const bool drop = m.from == board::kInHand;
    if ((accept & 0xffff) != 0 &&
        board::sashite_threat_kind(p, last, m.piece, m.promote, drop ? 1 : 0, m.to, n) == 0) {
      continue;
    }
    if (tried_moves_contains(set, kmove_pack(m))) continue;
    out[kept++] = m;
  }
  return kept;
}

}  // namespace search
