// The think jobs of the computer thread (think, ponder, mate-match move) and
// the two calls of the user-interface thread that steer a running think.
#include <algorithm>

#include "engine/board/make_move.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/book_or_chuban.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/driver_words.h"
#include "engine/driver/joseki_books.h"
#include "engine/driver/message_queue.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "platform/clock.h"

namespace driver {

namespace {

// What the user-interface thread reads of the think that runs: its depth
// limit; and the book's way of reporting its candidates to the view, as many
// as the job asks for.
void publish_request(CompJob& job) {
  running_think.max_depth.store(think_depth(job));
  if (job.book) {
    job.book->max_listed = static_cast<uint32_t>(std::max(job.book_min, 0));
    job.book->candidate_report = book_candidate_message;
  }
}

// The game-model move of an engine move chosen on the position `k` (pieces
// left 0 for the view to complete); false for a pass or a move the game model
// refuses there.
bool result_move_of(const model::Kyokumen& k, const board::KMove& m, model::Sashite& out) {
  model::Sashite s;
  if (bridge::word_to_sashite(s, board::move_word(m)) != 0) return false;
  model::Kyokumen after = k;
  model::Sashite trial = s;
  if (!after.CompleteSashite(trial) || !after.DoSashite(trial)) return false;
  out = s;
  return true;
}

// The think on a loaded line whose last position `cur` is `position` in the
// game model: the choice made from the job block, the result written.
int think_on(CompJob& job, KPositionHistory& root, board::KPosition& cur, const model::Kyokumen& position, int n) {
  publish_request(job);
  const int32_t strategy_before = job.senkei_sofar;
  board::KMove out = board::pass_move();
  switch (choose_book_or_chuban(job, root, cur, n, out)) {
    case kChoiceMove:
      break;
    case kChoiceKingCapturable:
      return kJobKingTaken;
    case kChoiceStopped:
      return kJobStopped;
    default:
      return kJobNoMove;
  }
  if (result_move_of(position, out, job.result_move)) return kJobMove;
  job.senkei_sofar = strategy_before;  // no move played: the strategy word stays
  return kJobNoMove;
}

}  // namespace

int chuban_job(CompJob& job) {
  search::think_words.control.store(search::kThinkRun);
  KPositionHistory root;
  board::KPosition cur;
  const int n = load_game_line(root, cur, job.cursor);
  if (n < 0) {
    think_result_reset(job.hyouka);
    return kJobNoMove;
  }
  return think_on(job, root, cur, job.cursor.kyokumen, n);
}

int sakiyomi(CompJob& job, model::Kyokumen& current) {
  search::think_words.control.store(search::kThinkPonder);
  int32_t from_to[5];
  if (computer_yosoku_convert(job.yosoku, from_to) != 0) return kPonderNoPrediction;
  model::Sashite predicted(from_to[0], from_to[1], from_to[2], from_to[3], 0, 0, from_to[4], 0);
  if (!current.CompleteSashite(predicted) || !current.DoSashite(predicted)) return kPonderNoPrediction;

  KPositionHistory root;
  board::KPosition cur;
  const int n = load_game_line(root, cur, job.cursor);
  if (n < 0) {
    think_result_reset(job.hyouka);
    return kJobNoMove;
  }
  board::KMove m;
  if (bridge::sashite_to_kmove(m, cur, predicted) != 0) return kPonderNoPrediction;
  root.moves.push_back(m);
  ++root.count;
  board::do_move(cur, m, 0);
  return think_on(job, root, cur, current, n);
}

// The think's limits were set at its start from its job: a ponder hit adds
// the time the think has run so far; the new clock words count from the next
// think's job.
int chuban_time_update(int32_t /*time_a*/, int32_t /*time_b*/, int32_t /*time_c*/, int32_t /*ply*/) {
  search::think_words.control.store(search::kThinkRun);
  if (search::search_depth_get() > running_think.max_depth.load() && !search::time_limit_at_max()) {
    // Deep enough already: the ponder's answer stands.
    search::think_words.control.store(search::kThinkStop);
    tsume::tsume_stop(0);
    return 1;
  }
  search::time_limit_extend(
      static_cast<int32_t>(platform::tick_elapsed(running_think.think_start_ms.load(), platform::tick_ms())));
  return 1;
}

int chuban_stop() {
  search::think_words.control.store(search::kThinkStop);
  tsume::tsume_stop(0);
  return 1;
}

int kelmor_think(CompJob& job) {
  think_result_reset(job.hyouka);
  KPositionHistory root;
  board::KPosition cur;
  if (load_game_line(root, cur, job.cursor) < 0) return kJobNoMove;
  board::KMove out = board::pass_move();
  const int result = kelmor_book_or_mate(cur, job.book, root, out, job.kelmor_depth + 1);
  if (result != 0) return result;
  return result_move_of(job.cursor.kyokumen, out, job.result_move) ? kJobMove : kJobNoMove;
}

int computer_yosoku_convert(uint32_t word, int32_t out[5]) {
  model::Sashite m;
  if (bridge::word_to_sashite(m, word) != 0) return -1;
  out[0] = m.from_x;
  out[1] = m.from_y;
  out[2] = m.to_x;
  out[3] = m.to_y;
  out[4] = static_cast<int32_t>(word >> 30);
  return 0;
}

}  // namespace driver
