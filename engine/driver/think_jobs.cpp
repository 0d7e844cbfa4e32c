// The think jobs of the computer thread (think, ponder, mate-match move) and
// the two calls of the user-interface thread that steer a running think.
#include <algorithm>
#include <limits>

#include "engine/board/make_move.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/book_or_chuban.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/driver_words.h"
#include "engine/driver/joseki_books.h"
#include "engine/driver/message_queue.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "model/position/koma_convert.h"
#include "model/position/sashite_decode.h"
#include "platform/clock.h"

namespace driver {

namespace {

constexpr int32_t kMinDepth = 1;
constexpr int32_t kMaxDepth = 16;
// The requests give main time and byoyomi in hundredths of a second.
constexpr int64_t kMsPerTimeUnit = 10;

int32_t time_ms(int32_t units) {
  const int64_t ms = int64_t{units} * kMsPerTimeUnit;
  return static_cast<int32_t>(std::clamp<int64_t>(ms, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

void publish_time(int32_t time_a, int32_t time_b, int32_t time_c) {
  think_time[0].store(time_ms(time_a));
  think_time[1].store(time_ms(time_b));
  think_time[2].store(time_c);
}

// The request of the job block, for the choice and the think routine.
void publish_request(CompJob& job, int n) {
  max_depth.store(std::clamp(job.max_depth, kMinDepth, kMaxDepth));
  game_ply.store(n);
  book_any_ply = job.book_any_ply;
  play_style = job.play_style;
  book_min = job.book_min;
  publish_time(job.time_a, job.time_b, job.time_c);
  senkei_sofar = job.senkei_sofar;
  yosoku_given = job.yosoku != 0;
  if (job.book) {
    // The book reports its candidates to the view, as many as the job asks for.
    job.book->max_listed = static_cast<uint32_t>(std::max(job.book_min, 0));
    job.book->candidate_report = book_candidate_message;
  }
}

// The game-model move of an engine move chosen on `cur` (pieces left 0 for the
// view to complete); false for a pass or a move the game model refuses.
bool result_move_of(const board::KPosition& cur, const board::KMove& m, model::Sashite& out) {
  if (m.from == board::kPassSquare || !board::is_playing_square(m.to)) return false;
  model::Sashite s;
  const int to_x = board::square_file(m.to), to_y = board::square_rank(m.to);
  if (m.from == board::kInHand) {
    s.Set(model::kSenteHand + cur.teban, model::koma_engine_to_gui(m.code & ~0x70), to_x, to_y, 0, 0, 0, 0);
  } else {
    s.Set(board::square_file(m.from), board::square_rank(m.from), to_x, to_y, 0, 0, m.promote ? 1 : 0, 0);
  }
  model::Kyokumen k;
  k.Init(model::kHirate);
  bridge::position_export(k, cur);
  model::Sashite trial = s;
  if (!k.CompleteSashite(trial) || !k.DoSashite(trial)) return false;
  out = s;
  return true;
}

// The think on a loaded line: the request published, the choice made, the
// result written.
int think_on(CompJob& job, KPositionHistory& root, board::KPosition& cur, int n) {
  publish_request(job, n);
  const int style = job.play_style & 15;
  search::KLearnRing* ring_a = style < kStyleCount ? &job.learn_a[style] : nullptr;
  search::KLearnRing* ring_b = style < kStyleCount ? &job.learn_b[style] : nullptr;
  board::KMove out = board::pass_move();
  switch (choose_book_or_chuban(cur, job.learn_flag, ring_a, ring_b, job.book_min != 0, job.no_book, job.book,
                                root, out, job.hyouka)) {
    case kChoiceMove:
      break;
    case kChoiceKingCapturable:
      return kJobKingTaken;
    case kChoiceStopped:
      return kJobStopped;
    default:
      return kJobNoMove;
  }
  if (!result_move_of(cur, out, job.result_move)) return kJobNoMove;
  job.senkei_sofar = senkei_result;
  return kJobMove;
}

}  // namespace

int chuban_job(CompJob& job) {
  search::think_control.store(search::kThinkRun);
  KPositionHistory root;
  board::KPosition cur;
  const int n = load_game_line(root, cur, job.cursor);
  if (n < 0) {
    think_result_reset(job.hyouka);
    return kJobNoMove;
  }
  return think_on(job, root, cur, n);
}

int sakiyomi(CompJob& job, model::Kyokumen& current) {
  search::think_control.store(search::kThinkPonder);
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
  return think_on(job, root, cur, n);
}

int chuban_time_update(int32_t time_a, int32_t time_b, int32_t time_c, int32_t ply) {
  search::think_control.store(search::kThinkRun);
  publish_time(time_a, time_b, time_c);
  game_ply.store(ply);
  if (search::search_depth_get() > max_depth.load() && !search::time_limit_at_max()) {
    // Deep enough already: the ponder's answer stands.
    search::think_control.store(search::kThinkStop);
    tsume::tsume_stop(0);
    return 1;
  }
  search::time_limit_extend(
      static_cast<int32_t>(platform::tick_elapsed(think_start_ms.load(), platform::tick_ms())));
  return 1;
}

int chuban_stop() {
  search::think_control.store(search::kThinkStop);
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
  return result_move_of(cur, out, job.result_move) ? kJobMove : kJobNoMove;
}

int computer_yosoku_convert(uint32_t word, int32_t out[5]) {
  model::Sashite m;
  if (model::sashite_decode(word, m) != 0) return -1;
  out[0] = m.from_x;
  out[1] = m.from_y;
  out[2] = m.to_x;
  out[3] = m.to_y;
  out[4] = static_cast<int32_t>(word >> 30);
  return 0;
}

}  // namespace driver
