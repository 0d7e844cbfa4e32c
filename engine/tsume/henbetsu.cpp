// The search for another mating line: each attacker position of the main line
// offers its other checks, cheapest by stored proof number first; each is
// searched with a bound that grows from attempt to attempt.
#include <algorithm>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/path_keys.h"
#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_move_code.h"
#include "platform/clock.h"

namespace tsume {

using namespace board;

namespace {

struct Alternative {
  int ply = -1;
  KMove move{};
  int32_t value = kInf;
  int32_t second = kInf;
};

bool same_move(const KMove& a, const KMove& b) {
  return a.from == b.from && a.to == b.to && a.promote == b.promote && a.code == b.code;
}

// Offers the checks of the attacker position at `ply` other than the line's
// move and those already disproven (on this path too), valued by stored pn.
void henbetsu_pick_alternative(KTsumeEngine& e, KPosition& p, const KHashKey& key, uint32_t path_key, int ply,
                               const KMove& line_move, Alternative& best) {
  KMove checks[kMaxMoves];
  const int n = king_attacked(p, p.teban) ? gyaku_oute_gen(p, checks) : oute_gen(p, checks, 0);
  for (int i = 0; i < n; ++i) {
    const KMove& m = checks[i];
    if (same_move(m, line_move)) continue;
    KHashKey child = key;
    hash_key_sashite(child, p.teban, m);
    const KTsumeNode* node = tsume_lookup_path(e.table, child, path_key_after(path_key, m, ply));
    if (node != nullptr && node->pn >= kInf) continue;
    const int32_t value = node != nullptr ? node->pn : 1;
    if (value <= best.value) {
      best.second = std::min(best.second, best.value);
      best.value = value;
      best.ply = ply;
      best.move = m;
    } else {
      best.second = std::min(best.second, value);
    }
  }
}

}  // namespace

int ktsume_henbetsu_search(KTsumeEngine& e, const KPosition& start, const KMove* line, int length,
                           uint32_t time_limit) {
  if (e.committed == nullptr) {
    e.committed = e.tree;
    e.tree = nullptr;
  }
  if (king_attacked(start, 1 - start.teban)) return 3;
  const int attacker = start.teban;
  const KHashKey root_key = tsume_root_key(start, attacker);
  uint32_t remaining = time_limit;
  int32_t bound = 1;
  KMove old_line[kSolverMaxPly];
  length = std::min(length, std::min(e.max_ply, kSolverMaxPly));
  std::copy(line, line + length, old_line);
  for (;;) {
    e.visits = 0;
    e.start_time = platform::tick_ms();
    e.time_limit.store(remaining);
    e.node_limit = -1;
    e.store_failed = false;
    KPosition p = start;
    KHashKey key = root_key;
    uint32_t path_key = 0;
    Alternative alt;
    for (int i = 0; i < length; ++i) {
      if (p.teban == attacker) henbetsu_pick_alternative(e, p, key, path_key, i, old_line[i], alt);
      hash_key_sashite(key, attacker, old_line[i]);
      path_key = path_key_after(path_key, old_line[i], i);
      do_move(p, old_line[i], 0);
    }
    for (int i = length - 1; i >= 0; --i) undo_move(p, old_line[i], 0);
    if (alt.ply < 0) return 2;
    key = root_key;
    path_key = 0;
    for (int i = 0; i < alt.ply; ++i) {
      hash_key_sashite(key, attacker, old_line[i]);
      path_key = path_key_after(path_key, old_line[i], i);
      do_move(p, old_line[i], 0);
    }
    hash_key_sashite(key, attacker, alt.move);
    path_key = path_key_after(path_key, alt.move, alt.ply);
    do_move(p, alt.move, 0);
    bound = std::max(bound, alt.second < kInf ? alt.second : bound);
    int r;
    if (alt.move.from == kInHand && code_kind(alt.move.code) == kPawn && oute_nige_count(p, 0) == 0) {
      // A pawn drop that mates is no mate: remember it as refuted on this path.
      if (KTsumeNode* n = tsume_store_loop_disproof(e.table, alt.ply + 1, key, path_key, kTerminalMove)) n->work = 1;
      r = 2;
    } else {
      r = tsume_root_bounded(e, p, bound);
      if (r == 2) {
        // Refuted: make sure the next pick does not offer it again.
        if (tsume_lookup_path(e.table, key, path_key) == nullptr || tsume_lookup_path(e.table, key, path_key)->pn < kInf) {
          tsume_store_loop_disproof(e.table, alt.ply + 1, key, path_key, kTerminalMove);
        }
      }
    }
    int line_length = 0;
    if (r == 0) {
      // The line after the alternative, from the defender's answer on.
      line_length = tsume_solution_tree(e, p, attacker, kTreeStartKb);
    }
    undo_move(p, alt.move, 0);
    for (int i = alt.ply - 1; i >= 0; --i) undo_move(p, old_line[i], 0);
    if (r == 2) continue;
    if (r == 1 || line_length < 0) {
      if (tsume_limits_passed(e)) return 1;
      const uint32_t spent = platform::tick_elapsed(e.start_time, platform::tick_ms());
      if (spent >= remaining) return 1;
      remaining -= spent;
      bound = std::min<int64_t>(int64_t{bound} * 2, kCap);
      if (r == 1) continue;
      return 1;
    }
    // The other line: the main line up to the alternative, the alternative,
    // then the tree's line after it.
    const int tail = std::min(e.main_line_length, e.max_ply - alt.ply - 1);
    std::copy_backward(e.main_line, e.main_line + tail, e.main_line + alt.ply + 1 + tail);
    std::copy(old_line, old_line + alt.ply, e.main_line);
    e.main_line[alt.ply] = alt.move;
    e.main_line_length = alt.ply + 1 + tail;
    return tsume_limits_passed(e) ? 1 : 0;
  }
}

}  // namespace tsume
