#include "engine/search/root_moves.h"

#include <algorithm>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/board/move_legality.h"
#include "engine/board/move_list_filter.h"
#include "engine/board/move_rules.h"
#include "engine/search/time_control.h"
#include "engine/tsume/tsume_entry.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kResultNotRun = 1;
constexpr int kResultStopped = 7;
constexpr int32_t kEvasionBudget[8] = {0, 0, 100, 200, 400, 1600, 6400, 25600};
constexpr int32_t kLongThinkMs = 45000;
constexpr int32_t kLongThinkTime = 1500;

bool stop_requested() { return think_words.control.load() == kThinkStop; }

// Replaces moves[i] with the last move; the new count.
int remove_at(KMove* moves, int i, int count) {
  moves[i] = moves[count - 1];
  return count - 1;
}

}  // namespace

int root_mate_check(ThinkContext& cx, KPosition& p, KMove* out, int32_t budget) {
  if (stop_requested()) return kResultStopped;
  if (tsume::tsume_hash_check(p, out) == 0) return 0;
  budget = std::min(budget, kRootMateNodeCap);
  const uint32_t ms = root_solver_ms(cx, budget);
  if (budget <= 0 || ms == 0) return kResultNotRun;
  board::KHashKey key;
  board::hash_key_full(p, 0, key);
  tsume::tsume_pool_reset();
  return tsume::tsume_search_within(p, &key, out, budget, ms);
}

int32_t evasion_filter_budget(int level) {
  return std::min(kEvasionBudget[std::clamp(level, 0, 7)], kRootMateNodeCap);
}

int root_mate_filter(ThinkContext& cx, KPosition& p, int count, KMove* moves, int level) {
  const int32_t budget = evasion_filter_budget(level);
  if (budget <= 0) return count;
  board::KHashKey root;
  board::hash_key_full(p, 0, root);
  for (int i = 0; i < count;) {
    // Out of time: the evasions not yet tried stay, for the search to judge.
    const uint32_t ms = root_solver_ms(cx, budget);
    if (stop_requested() || ms == 0) break;
    board::KHashKey child = root;
    board::hash_key_sashite(child, 0, moves[i]);
    KMove mate;
    board::do_move(p, moves[i], 0);
    const int r = tsume::tsume_search_within(p, &child, &mate, budget, ms);
    board::undo_move(p, moves[i], 0);
    if (r == 0) {
      count = remove_at(moves, i, count);
    } else {
      ++i;
    }
  }
  return count;
}

int32_t pass_threat_budget(int32_t current_limit, int max_depth) {
  int32_t t = current_limit > kLongThinkMs ? kLongThinkTime : current_limit / 30;
  if (max_depth < 6) t = std::min(t, 200);
  if (max_depth < 4) t = std::min(t, 40);
  return t > 0 ? std::min(100 * t, kRootMateNodeCap) : 0;
}

int pass_threat_check(ThinkContext& cx, KPosition& p) {
  const int32_t budget = pass_threat_budget(time_limit_now(), cx.time_state.max_depth);
  const uint32_t ms = root_solver_ms(cx, budget);
  if (budget <= 0 || ms == 0 || stop_requested()) return kResultNotRun;
  p.teban = static_cast<uint8_t>(1 - p.teban);
  board::KHashKey key;
  board::hash_key_full(p, 0, key);
  KMove mate;
  const int r = tsume::tsume_search_within(p, &key, &mate, budget, ms);
  p.teban = static_cast<uint8_t>(1 - p.teban);
  return r;
}

int root_mate_in_one_filter(KPosition& p, int count, KMove* moves) {
  KMove checks[board::kMaxMoves];
  for (int i = 0; i < count;) {
    bool mated = false;
    board::do_move(p, moves[i], 0);
    if (!board::king_attacked(p, 1 - p.teban)) {
      const int n = board::oute_gen(p, checks, 0);
      for (int j = 0; j < n && !mated; ++j) {
        board::do_move(p, checks[j], 0);
        mated = !board::king_attacked(p, 1 - p.teban) && board::oute_nige_count(p, 0) == 0 &&
                !is_pawn_drop_mate(p, checks[j]);
        board::undo_move(p, checks[j], 0);
      }
    }
    board::undo_move(p, moves[i], 0);
    if (mated) {
      count = remove_at(moves, i, count);
    } else {
      ++i;
    }
  }
  return count;
}

bool is_pawn_drop_mate(const KPosition& p, const KMove& m) {
  return m.from == board::kInHand && board::code_kind(m.code) == board::kPawn && board::king_attacked(p, p.teban) &&
         board::oute_nige_count(p, 0) == 0;
}

int drop_pawn_mates(KPosition& p, int count, KMove* moves) {
  for (int i = 0; i < count;) {
    bool mate = false;
    if (moves[i].from == board::kInHand && board::code_kind(moves[i].code) == board::kPawn) {
      board::do_move(p, moves[i], 0);
      mate = is_pawn_drop_mate(p, moves[i]);
      board::undo_move(p, moves[i], 0);
    }
    if (mate) {
      count = remove_at(moves, i, count);
    } else {
      ++i;
    }
  }
  return count;
}

int GetProper(ThinkContext& cx, KPosition& p, KMove* moves, const KMove* last, const KMove* before,
              int max_depth) {
  SearchTimeState& t = cx.time_state;
  if (!board::king_attacked(p, p.teban)) {
    int n = board::gen_all_moves(p, moves);
    if (n == 0) return 0;
    if (n == 1) return drop_pawn_mates(p, board::sashite_list_filter_legal(p, 1, moves, -1), moves);
    t.pass_threat = max_depth >= 3 && pass_threat_check(cx, p) == 0 ? 1 : 0;
    if (last != nullptr && before != nullptr) n = board::sashite_list_filter(n, moves, last, before);
    return drop_pawn_mates(p, board::sashite_list_filter_legal(p, n, moves, 0), moves);
  }
  int n = board::oute_nige_gen(p, moves);
  n = drop_pawn_mates(p, n, moves);
  if (n >= 2) {
    n = root_mate_filter(cx, p, n, moves, max_depth);
    t.pass_threat = 0;
    if (n == 0) {
      t.lost = 1;
      n = drop_pawn_mates(p, board::oute_nige_gen(p, moves), moves);
      n = root_mate_in_one_filter(p, n, moves);
    }
  }
  return n;
}

}  // namespace search
