#include "engine/search/chuban.h"

#include <climits>

#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/search/plain_search.h"
#include "engine/search/search_words.h"
#include "platform/clock.h"

namespace search {

namespace {

// The clock and stop request are read once per this many nodes.
constexpr uint32_t kPollMask = 1023;

// Material values by piece code without side bits: rook, bishop, gold, silver,
// knight, lance, pawn; promoted kinds at 17 (dragon), 18 (horse) and 20-23.
constexpr int kMaterialValue[24] = {0, 830, 820, 690, 600, 345, 335, 78, 0, 0,    0,   0,
                                    0, 0,   0,   0,   0,   1150, 1080, 0, 690, 690, 690, 690};

// The window of the root: every score lies inside it.
constexpr int kInfinity = kScoreNone;
// The remaining-moves guess behind the share of the main time one move may use.
constexpr int32_t kMovesLeftGuess = 40;

// The time limit of the think in ms; 0 for none.
int32_t time_budget(const ThinkRequest& r) {
  if (r.no_time_limit) return 0;
  const int32_t main = r.time[0] > 0 ? r.time[0] : 0;
  const int32_t byoyomi = r.time[1] > 0 ? r.time[1] : 0;
  return main / kMovesLeftGuess + byoyomi;
}

}  // namespace

void PlainLine::Set(uint32_t first, const PlainLine& rest) {
  moves[0] = first;
  length = 1;
  for (int i = 0; i < rest.length && length < kMaxLine; ++i) moves[length++] = rest.moves[i];
}

PlainSearch::PlainSearch(board::KPosition& p, bool timed, uint32_t start_ms) : p_(p), timed_(timed), start_(start_ms) {}

uint32_t PlainSearch::elapsed() const { return platform::tick_elapsed(start_, platform::tick_ms()); }

bool PlainSearch::Poll() {
  if (aborted_) return true;
  const int32_t control = think_words.control.load(std::memory_order_relaxed);
  if (control == kThinkStop) {
    aborted_ = true;
  } else if (control != kThinkPonder && timed_ && static_cast<int64_t>(elapsed()) >= time_limit_now()) {
    aborted_ = true;
  }
  return aborted_;
}

int PlainSearch::Search(int depth, int alpha, int beta, PlainLine& line) {
  line.length = 0;
  if ((++nodes_ & kPollMask) == 0 && Poll()) return kScoreStopped;
  if (depth <= 0) return material_score(p_);
  board::KMove moves[board::kMaxMoves];
  const int n = board::engine_legal_moves(p_, moves);
  if (n == 0) return -kScoreMate;
  int best = INT_MIN;
  for (int i = 0; i < n; ++i) {
    PlainLine child;
    board::do_move(p_, moves[i], 0);
    const int v = -Search(depth - 1, -beta, -(best > alpha ? best : alpha), child);
    board::undo_move(p_, moves[i], 0);
    if (aborted_) return kScoreStopped;
    if (v > best) {
      best = v;
      line.Set(board::move_word(moves[i]), child);
      if (best >= beta) break;
    }
  }
  return best;
}

int material_score(const board::KPosition& p) {
  int sum[2] = {0, 0};
  for (int n = 0; n < board::kPieceCount; ++n) {
    const board::KPieceEntry& e = p.piece[n];
    if (board::is_playing_square(e.sq)) sum[board::code_side(e.code)] += kMaterialValue[board::code_class(e.code)];
  }
  for (int side = 0; side < 2; ++side) {
    for (int kind = board::kRook; kind <= board::kPawn; ++kind) sum[side] += p.hand[side][kind] * kMaterialValue[kind];
  }
  return sum[p.teban] - sum[1 - p.teban];
}

int chuban_plain(const ThinkRequest& r) {
  board::KPosition& p = *r.position;
  KPvHolder& out = *r.result;
  think_words.depth.store(0);
  out.Reset();
  out.threat = 0;
  out.flags[KPvHolder::kMateAtRootSlot] = 0;
  const int32_t budget = time_budget(r);
  think_words.limits.base_limit.store(budget);
  think_words.limits.max_limit.store(budget);
  think_words.limits.current_limit.store(budget);
  think_words.limits.extension.store(0);
  PlainSearch s(p, budget > 0, platform::tick_ms());
  if (r.speed) *r.speed = 0;

  board::KMove root[board::kMaxMoves];
  const int n = board::engine_legal_moves(p, root);
  if (n == 0) return -kScoreMate;
  out.length = 1;
  out.moves[0] = board::move_word(root[0]);
  int score = material_score(p);

  for (int d = 1;; ++d) {
    const bool pondering = think_words.control.load() == kThinkPonder;
    if (d > r.max_depth + (pondering ? 2 : 0) || s.Poll()) break;
    think_words.depth.store(d);
    int best = INT_MIN;
    int best_index = 0;
    PlainLine best_line;
    for (int i = 0; i < n && best < kScoreMate; ++i) {
      PlainLine child;
      board::do_move(p, root[i], 0);
      const int v = -s.Search(d - 1, -kInfinity, -(best > -kInfinity ? best : -kInfinity), child);
      board::undo_move(p, root[i], 0);
      if (s.aborted()) break;
      if (v > best) {
        best = v;
        best_index = i;
        best_line.Set(board::move_word(root[i]), child);
      }
    }
    if (s.aborted()) break;
    // The best move goes first, the others keep their order.
    const board::KMove head = root[best_index];
    for (int i = best_index; i > 0; --i) root[i] = root[i - 1];
    root[0] = head;
    score = best;
    out.length = best_line.length;
    for (int i = 0; i < best_line.length; ++i) {
      out.moves[i] = best_line.moves[i];
      out.flags[i] = 0;
    }
    pv_report(best_line.length, best_line.moves, score, 0, d, s.nodes(), s.elapsed());
    if (score >= kScoreMate || score <= -kScoreMate) break;
  }
  const uint32_t ms = s.elapsed();
  if (r.speed && ms > 0) *r.speed = s.nodes() * 1000.0 / ms;
  return score;
}

}  // namespace search
