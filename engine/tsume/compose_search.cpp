#include "engine/tsume/compose_search.h"

#include <algorithm>

#include "engine/board/move_rules.h"
#include "engine/tsume/tsume_bounded.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace {

// The test deepens two plies at a time from a mate in one: depth 2 asks for a
// mate in one ply, depth 4 within three, and so on.
constexpr int kFirstDepth = 2;
constexpr int kDepthStep = 2;

}  // namespace

int compose_root(KTsumeEngine& e, KTsumeTable& table, const TsumeContext& c, int depth, uint16_t* move, int* length) {
  return tsume_bounded_search(e, table, c, depth - 1, move, length);
}

int compose_short_mate(KTsumeEngine& e, KTsumeTable& table, const KPosition& p, int ply_limit, KMove* out, int* plies,
                       uint32_t time_limit_ms, int32_t node_limit) {
  if (ply_limit < 1 || table.buckets == nullptr || king_attacked(p, 1 - p.teban)) return 1;
  e.node_limit = node_limit;
  e.time_limit.store(time_limit_ms);
  tsume_start_clock(e);
  std::fill(e.path_heads, e.path_heads + e.max_ply, -1);
  TsumeContext c;
  tsume_context_init(c, p, p.teban);
  for (int depth = kFirstDepth; depth <= ply_limit + 1; depth += kDepthStep) {
    uint16_t move = kNoNodeMove;
    int length = 0;
    const int r = compose_root(e, table, c, depth, &move, &length);
    if (r == 1) return 1;
    if (r == 0) {
      if (!tsume_move_decode(p, move, *out)) *out = pass_move();
      if (plies != nullptr) *plies = length;
      return 0;
    }
    // No mate at any length: nothing deeper to ask.
    if (tsume_bounded_known(table, c.key, kNoLength, nullptr) == 2) return 2;
  }
  return 1;
}

}  // namespace tsume
