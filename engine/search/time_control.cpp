#include "engine/search/time_control.h"

#include <algorithm>
#include <cstdlib>

#include "engine/board/move_rules.h"
#include "engine/eval/eval_position.h"
#include "engine/eval/king_lines.h"
#include "engine/search/position_features.h"
#include "engine/search/score_maps.h"
#include "engine/tsume/tsume_entry.h"
#include "platform/clock.h"

namespace search {

namespace {

constexpr int32_t kRoundMargin = 200;
// The share of the main time one move may take at most: main / 6 + byoyomi.
constexpr int32_t kMaxMainShare = 6;
// The stage weight below which a side counts as in the opening for the endgame rule.
constexpr int32_t kOpeningWeight = 102;
constexpr double kKingsInvadedMoves = 120.0;

// Mate-check time caps by maximum depth 0..7, and the cap out of normal play.
constexpr int32_t kTsumeDepthCap[8] = {0, 0, 25, 50, 100, 200, 500, 1000};
constexpr int32_t kTsumeNoNormalCap = 1000;
constexpr int32_t kTsumeNodesPerMs = 100;

// game_progress_score: values of pieces in hand by kind, rook .. pawn.
constexpr int kHandProgress[8] = {0, 15, 7, 8, 6, 5, 4, 3};

// Ranks a piece of `side` stands forward of its back rank.
int ranks_forward(int side, int sq) {
  const int rank = board::square_rank(sq);
  return side == 0 ? 9 - rank : rank - 1;
}

}  // namespace

int32_t time_round_ms(int32_t x) { return (x / 1000) * 1000 - kRoundMargin; }

int32_t time_for_move(const board::KPosition& p, int32_t main_ms, int32_t byoyomi_ms, int32_t* max_limit) {
  if (main_ms == 0) {
    *max_limit = time_round_ms(byoyomi_ms);
    return *max_limit;
  }
  const double e = remaining_moves_estimate(p);
  const int32_t t = static_cast<int32_t>(main_ms / e + byoyomi_ms);
  *max_limit = time_round_ms(std::min(main_ms / kMaxMainShare + byoyomi_ms, 3 * t));
  return time_round_ms(t);
}

double remaining_moves_curve(int32_t g, int32_t w0, int32_t w1) {
  const double p = (0.7 * std::max(w0, w1) + 0.3 * std::min(w0, w1)) / 512;
  if (p < 0.001) return std::max(40 - g / 2, 22);
  if (p > 0.6) return 11.0;
  return 22 * (1 - p) + 11 * p;
}

double remaining_moves_estimate(const board::KPosition& p) {
  board::KEvalRecord r{};
  position_features(p, r);
  if (!board::king_attacked(p, p.teban)) {
    eval::eval_king_kiki(p, r);
    eval::eval_position(p, 0, board::pass_move(), r);
  }
  int32_t w[2];
  for (int x = 0; x < 2; ++x) w[x] = eval_stage_weight(record_material(r, x), record_king_area(r, 1 - x));
  const int k0 = p.piece[0].sq, k1 = p.piece[1].sq;
  if (w[0] < kOpeningWeight && w[1] < kOpeningWeight && board::is_playing_square(k0) &&
      board::is_playing_square(k1) && board::square_rank(k0) <= 3 && board::square_rank(k1) >= 7) {
    return kKingsInvadedMoves;
  }
  return remaining_moves_curve(game_progress_score(p), w[0], w[1]);
}

int game_progress_score(const board::KPosition& p) {
  int g = 0;
  for (int n = 0; n < board::kPieceCount; ++n) {
    const board::KPieceEntry& e = p.piece[n];
    if (e.sq == board::kNotInPlay) continue;
    const int kind = board::number_kind(n);
    if (e.sq == board::kInHand) {
      if (kind != board::kKing) g += kHandProgress[kind];
      continue;
    }
    if (!board::is_playing_square(e.sq)) continue;
    const int side = board::code_side(e.code);
    const bool promoted = (e.code & board::kPromotedBit) != 0;
    const int forward = ranks_forward(side, e.sq);
    switch (kind) {
      case board::kKing: g += std::abs(board::square_file(e.sq) - 5); break;
      case board::kRook:
        if (promoted || board::in_camp(side, e.sq)) g += 15;
        break;
      case board::kBishop:
        if (promoted || board::in_camp(side, e.sq)) g += 7;
        break;
      case board::kGold:
      case board::kSilver: g += forward; break;
      case board::kKnight: g += forward / 2; break;
      case board::kLance:
        if (promoted) g += 4;
        break;
      case board::kPawn:
        if (promoted) {
          g += 10;
        } else if (forward - 2 >= 0) {
          g += forward - 2;  // ranks forward of the pawn's starting rank
        }
        break;
      default: break;
    }
  }
  return g;
}

int32_t tsume_budget(int32_t current_limit, int max_depth, bool normal_play) {
  int32_t t = current_limit / 20;
  if (max_depth < 8) t = std::min(t, kTsumeDepthCap[std::max(max_depth, 0)]);
  if (!normal_play) t = std::min(t, kTsumeNoNormalCap);
  return t > 0 ? kTsumeNodesPerMs * t : 0;
}

bool time_rules_apply(const ThinkContext& cx) {
  return think_words.control.load(std::memory_order_relaxed) != kThinkPonder && !cx.time_state.no_time_limit &&
         time_limit_now() >= kTimeRulesFloor;
}

uint32_t root_solver_ms(ThinkContext& cx, int32_t node_budget) {
  if (!time_rules_apply(cx)) return tsume::kInGameTimeLimitMs;
  const int32_t left = time_limit_now() / kRootSolveShare - think_elapsed(cx);
  if (left <= 0) return 0;
  return static_cast<uint32_t>(std::clamp(node_budget / kTsumeNodesPerMs, 1, left));
}

int iteration_time_check(const ThinkContext& cx, int d, int max_depth, int32_t elapsed, int32_t score) {
  if (!time_rules_apply(cx)) return 0;
  const int32_t limit = time_limit_now();
  if (d > 6 && score < cx.early_stop_score && d == max_depth - 1) return 1;
  return elapsed > (2 * limit) / 3 ? 1 : 0;
}

int uchikiri_check(ThinkContext& cx) {
  if (!time_rules_apply(cx)) return 0;
  const int32_t limit = time_limit_now();
  const int32_t e = think_elapsed(cx);
  return 2 * (limit - e) < cx.time_state.elapsed ? 1 : 0;
}

int score_trend(int32_t s, int32_t previous) {
  if (s > 1000) return s < previous / 2 ? 1 : 0;
  if (s > 100) {
    if (s < (3 * previous) / 5) return 2;
    return previous - s < 251 ? 0 : 2;
  }
  if (s > -100) return previous - s < 26 ? 0 : 3;
  if (s < -999) return s < 2 * previous ? 5 : 0;
  if (s < (5 * previous) / 3) return 4;
  return previous - s < 251 ? 0 : 4;
}

void think_clock_start(ThinkContext& cx) {
  cx.last_reading = cx.think_start = platform::tick_ms();
  reports_reset(cx);
}
void iteration_clock_start(ThinkContext& cx) { cx.iteration_start = platform::tick_ms(); }

int32_t think_elapsed(ThinkContext& cx) {
  cx.last_reading = platform::tick_ms();
  return static_cast<int32_t>(platform::tick_elapsed(cx.think_start, cx.last_reading));
}

int32_t iteration_end_log(ThinkContext& cx, int, int) { return think_elapsed(cx); }

void node_counter_reset(ThinkContext& cx) { cx.node_counter = 0; }

void search_speed(const ThinkContext& cx, double* speed) {
  const uint32_t ms = platform::tick_elapsed(cx.iteration_start, platform::tick_ms());
  *speed = ms == 0 ? 0.0 : cx.node_counter * 1000.0 / ms;
}

}  // namespace search
