#include "engine/driver/book_or_chuban.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "engine/board/think_board.h"
#include "engine/driver/books_select.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/driver_words.h"
#include "engine/driver/message_queue.h"
#include "engine/driver/think_state.h"
#include "engine/search/chuban.h"
#include "engine/search/node_records.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "platform/clock.h"

namespace driver {

namespace {

// The book answers only up to this ply unless book_any_ply is set.
constexpr int32_t kBookPlyLimit = 10;
constexpr int32_t kMinDepth = 1;
constexpr int32_t kMaxDepth = 16;
// The job gives main time and byoyomi in hundredths of a second.
constexpr int64_t kMsPerTimeUnit = 10;

int32_t time_ms(int32_t units) {
  const int64_t ms = int64_t{units} * kMsPerTimeUnit;
  return static_cast<int32_t>(std::clamp<int64_t>(ms, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}
// A mate-match move that found nothing has this from byte.
constexpr uint8_t kNoMoveFrom = 255;

// True when the side to move attacks the enemy king (which must be on the board).
bool king_capturable(const board::KPosition& p) {
  const int king = p.piece[1 - p.teban].sq;
  return board::is_playing_square(king) && board::kiki_at(p, king).direct_count[p.teban] > 0;
}

// Sets think_phase unless a stop was asked for: false then.
bool enter_phase(uint32_t phase) {
  std::lock_guard<platform::CriticalSection> lock(engine_lock());
  uint32_t& word = think_word();
  if (think_state_of(word) == kThinkStopRequested) return false;
  word = (word & ~0xFF00u) | phase << 8;
  return true;
}

// The result kind of a searched move by the game stage.
int32_t searched_kind() {
  const int32_t stage = std::clamp(board::think_board.generator_words.game_stage, 0, 2);
  return model::KifuHyouka::kResultStage0 + stage;
}

// The think routine's request for the job on `cur` (the line of `root`):
// everything but the out words, which the caller points at its own.
search::ThinkRequest think_request_of(CompJob& job, KPositionHistory& root, board::KPosition& cur) {
  const int side = cur.teban;
  const int style = job.play_style & 15;
  search::ThinkRequest request;
  request.position = &cur;
  request.history = root.moves.data();
  request.history_count = root.count;
  request.max_depth = think_depth(job);
  request.search_style = book_normal_play(job) ? 1 : 2;
  request.senkei_hint_a = book_normal_play(job) ? job.game.senkei_played[side] : 0;
  request.senkei_hint_b = job.game.senkei_mask[side];
  request.time[0] = time_ms(job.time_a);
  request.time[1] = time_ms(job.time_b);
  request.time[2] = job.time_c;
  request.normal_play = book_normal_play(job);
  request.best_count = book_count_threshold(job);
  request.play_style = job.play_style;
  request.learn_flag = job.learn_flag != 0;
  request.ring_a = style < kStyleCount ? &job.learn_a[style] : nullptr;
  request.ring_b = style < kStyleCount ? &job.learn_b[style] : nullptr;
  return request;
}

}  // namespace

int32_t think_depth(const CompJob& job) { return std::clamp(job.max_depth, kMinDepth, kMaxDepth); }
int book_count_threshold(const CompJob& job) { return job.book_min > 1 ? job.book_min : 1; }
bool book_normal_play(const CompJob& job) { return job.book_min == 0; }

void think_result_reset(model::KifuHyouka& hyouka) {
  hyouka.predicted_reply = 0;
  hyouka.value = model::KifuHyouka::kNoValue;
  hyouka.pv.clear();
  hyouka.result_kind = model::KifuHyouka::kResultStage2;
}

int choose_book_or_chuban(CompJob& job, KPositionHistory& root, board::KPosition& cur, int ply, board::KMove& out) {
  model::KifuHyouka& hyouka = job.hyouka;
  think_result_reset(hyouka);
  const uint32_t start = platform::tick_ms();
  const int side = cur.teban;
  if (king_capturable(cur)) {
    hyouka.value = side == 0 ? search::kScoreMate : -search::kScoreMate;
    return kChoiceKingCapturable;
  }

  // The strategy word the search starts from, and the one the job keeps after
  // a move is chosen.
  int32_t strategy = job.senkei_sofar;
  int32_t strategy_after = job.senkei_sofar;
  JosekiBooks* book = job.book;
  if (!job.no_book && book != nullptr && (job.book_any_ply != 0 || ply <= kBookPlyLimit)) {
    book_candidate_position(&cur);
    int count = 0;
    const uint32_t mask = job.book_min != 0 ? 0 : job.game.senkei_mask[side];
    const bool found = books_select(*book, cur, &out, &job.game.senkei_played[side], mask, &count) == 0;
    book_candidate_position(nullptr);
    if (found) {
      hyouka.speed = 0;
      hyouka.value = 0;
      hyouka.result_kind = model::KifuHyouka::kResultBook;
      hyouka.pv.push_back(board::move_word(out));
      strategy_after = 0;
      if (count >= book_count_threshold(job)) {
        // The book's answer is the think's last line too: depth 0, no nodes.
        const uint32_t word = board::move_word(out);
        send_pv_message(1, &word, 0, 0, 0, 0, platform::tick_elapsed(start, platform::tick_ms()));
        job.senkei_sofar = strategy_after;
        return kChoiceMove;
      }
    }
    // Fewer candidates than asked for: the search decides (and rewrites the result).
  }

  search::ThinkRequest request = think_request_of(job, root, cur);
  if (!enter_phase(kPhaseClock)) return kChoiceStopped;
  running_think.think_start_ms.store(platform::tick_ms());
  if (!enter_phase(kPhaseSearch)) return kChoiceStopped;
  request.early_stop_score = job.game.hopeless_score[side];

  search::KPvHolder result{};
  result.length = 1;
  request.result = &result;
  request.speed = &hyouka.speed;
  request.senkei = &strategy;
  const int score = search::Chuban(job_think_context(job), request);

  hyouka.value = (score == search::kScoreNone || side == 0) ? score : -score;
  if (result.mate_at_root()) {
    hyouka.result_kind = model::KifuHyouka::kResultMate;
  } else {
    hyouka.result_kind = searched_kind();
    strategy_after = strategy;
    if (result.length == 0) return kChoiceNoMove;
  }
  job.senkei_sofar = strategy_after;
  hyouka.pv.assign(result.moves, result.moves + result.length);
  out = search::move_from_word(cur, result.moves[0]);
  if (result.length > 1) hyouka.predicted_reply = static_cast<int32_t>(result.moves[1]);
  hyouka.threat = result.threat != 0;
  return kChoiceMove;
}

int kelmor_book_or_mate(board::KPosition& cur, JosekiBooks* book, KPositionHistory& root, board::KMove& out,
                        int32_t limit) {
  if (book != nullptr && books_select(*book, cur, &out, nullptr, 0, nullptr) == 0) return 0;
  const board::KMove last = root.count > 0 ? root.moves.back() : board::pass_move();
  out.from = kNoMoveFrom;
  tsume::ktsume_solve_top(cur, last, &out, limit);
  return out.from != kNoMoveFrom ? 0 : kJobNoMove;
}

}  // namespace driver
