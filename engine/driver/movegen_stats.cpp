#include "engine/driver/movegen_stats.h"

#include <algorithm>
#include <array>

#include "engine/board/check_gen.h"
#include "engine/board/eval_record.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/exchange_eval.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/think_board.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_legality.h"
#include "engine/board/move_rules.h"
#include "engine/board/position_setup.h"
#include "engine/board/quiescence_gen.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/computer_jobs.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/senkei_select.h"
#include "engine/search/exchange_score.h"
#include "engine/search/depth_gen/gen_by_depth.h"
#include "engine/search/depth_gen/gen_stamp.h"
#include "engine/search/move_list.h"
#include "engine/search/move_order.h"
#include "engine/search/position_features.h"
#include "engine/search/root_list.h"
#include "platform/cycle_counter.h"

namespace driver {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kCalibrationRuns = 100;
constexpr uint64_t kCalibrationStart = 100000;
constexpr uint64_t kRunMinimumStart = 100000000000ull;

// The cycles of one empty measurement, the least of kCalibrationRuns.
uint64_t measuring_overhead() {
  uint64_t least = kCalibrationStart;
  for (int i = 0; i < kCalibrationRuns; ++i) {
    const uint64_t t0 = platform::cycle_count();
    const uint64_t t1 = platform::cycle_count();
    least = std::min(least, t1 - t0);
  }
  return least;
}

// kTimedRuns measurements of `call`, `prepare` running unmeasured before each.
// A measurement below the overhead counts as 0.
template <typename Prepare, typename Call>
CyclePair time_runs(uint64_t overhead, Prepare prepare, Call call) {
  uint64_t least = kRunMinimumStart;
  uint64_t total = 0;
  for (int i = 0; i < kTimedRuns; ++i) {
    prepare();
    const uint64_t t0 = platform::cycle_count();
    call();
    const uint64_t t1 = platform::cycle_count();
    const uint64_t spent = t1 - t0 > overhead ? t1 - t0 - overhead : 0;
    least = std::min(least, spent);
    total += spent;
  }
  return CyclePair{total / kTimedRuns, least};
}

// The game-stage word each mode runs with.
int mode_stage(int mode) { return mode <= kModeEnd ? mode : mode == kModeAll ? 0 : 2; }

// The line of the job's cursor loaded into `p` (cleared first) with the last
// two moves that led to it (passes before the first): 0, kStatsNoLine or
// kStatsKingCapturable.
int load_current(const CompJob& job, KPosition& p, KMove history[2]) {
  board::pos_clear(p);
  KPositionHistory root;
  if (load_game_line(root, p, job.cursor) < 0) return kStatsNoLine;
  if (board::king_attacked(p, 1 - p.teban)) return kStatsKingCapturable;
  history[0] = root.count >= 2 ? root.moves[root.count - 2] : board::pass_move();
  history[1] = root.count >= 1 ? root.moves[root.count - 1] : board::pass_move();
  return 0;
}

// The evaluation prepared as a think prepares it, with both sides' strategies
// estimated from the position alone; the position's features in `features`.
// The generator's candidate table is emptied as at think start.
void prepare_evaluation(search::KGenStamp& stamp, const KPosition& p, int32_t play_style,
                        board::KEvalRecord& features) {
  search::sashite_gen_stamp_clear(stamp);
  const int32_t codes[2] = {eval::senkei_select(p, 0, 0, 0, 0), eval::senkei_select(p, 1, 0, 0, 0)};
  eval::eval_root_prepare(p, codes, play_style);
  eval::eval_setup_stage(p, board::think_board.generator_words.game_stage, codes);
  features = board::KEvalRecord{};
  search::position_features(p, features);
}

int generate_all(const KPosition& p, KMove* out) {
  return board::king_attacked(p, p.teban) ? board::oute_nige_gen(p, out) : board::gen_all_moves(p, out);
}

bool both_kings(const KPosition& p) {
  return board::is_playing_square(p.piece[0].sq) && board::is_playing_square(p.piece[1].sq);
}

}  // namespace

int kmove_to_sashite_raw(model::Sashite& out, const model::Kyokumen&, const KMove& m) {
  return bridge::word_to_sashite(out, board::move_word(m));
}

int movegen_stats(CompJob& job, int mode, int depth, MovegenStats& out) {
  out = MovegenStats{};
  KPosition p;
  KMove history[2];
  if (mode < 0 || mode >= kModeCount) return kStatsNoLine;
  if (const int r = load_current(job, p, history); r != 0) return r;
  const int saved_stage = board::think_board.generator_words.game_stage;
  board::think_board.generator_words.game_stage = mode_stage(mode);

  // The run's own arrays: the generated moves, the timed calls' output.
  std::vector<KMove> moves(board::kMaxMoves);
  std::vector<KMove> scratch(board::kMaxMoves);
  const int n = generate_all(p, moves.data());
  out.generated = n;
  const int s = p.teban;
  for (int i = 0; i < n; ++i) {
    board::do_move(p, moves[i], 0);
    if (!board::king_attacked(p, s)) ++out.legal;
    board::undo_move(p, moves[i], 0);
  }

  search::ThinkContext& cx = job_think_context(job);
  board::KEvalRecord features;
  prepare_evaluation(cx.gen_stamp, p, job.play_style, features);
  const uint64_t overhead = measuring_overhead();
  const search::KSearchedSet none{};
  const bool in_check = board::king_attacked(p, s);
  board::KMoveWord mate = 0;
  const auto nothing = [] {};
  switch (mode) {
    case kModeOpening:
    case kModeMiddle:
    case kModeEnd:
      out.cycles = time_runs(overhead, nothing, [&] {
        if (in_check) {
          board::oute_nige_gen(p, scratch.data());
        } else {
          search::sashite_gen_by_depth(cx.gen_stamp, p, &history[1], depth, 0, none, scratch.data());
        }
      });
      break;
    case kModeAll:
      out.cycles = time_runs(overhead, nothing, [&] { board::gen_all_moves(p, scratch.data()); });
      break;
    case kModeChecks:
      out.cycles = time_runs(overhead, nothing, [&] { board::oute_gen(p, scratch.data(), 0); });
      break;
    case kModeMateInOne:
      out.cycles = time_runs(overhead, nothing, [&] { board::ichite_zume(p, &mate); });
      break;
    default:
      out.cycles =
          time_runs(overhead, nothing, [&] { board::gen_king_front_drops(p, features, depth, scratch.data()); });
      break;
  }

  std::vector<search::KMoveNode> nodes(board::kMaxMoves);
  search::KMoveNode* head = search::sashi_list_init(nodes.data(), n, moves.data(), 0);
  if (head != nullptr && both_kings(p)) search::engine_sashite_order(p, n, head);
  head = search::sashite_list_sort(head);
  for (search::KMoveNode* node = head; node != nullptr; node = node->next) {
    MovegenStatsMove entry;
    kmove_to_sashite_raw(entry.sashite, job.cursor.kyokumen, *node->move);
    entry.order = node->score;
    KPosition fresh = p;
    board::KEvalRecord record{};
    search::position_features(fresh, record);
    entry.exchange = search::eval_sashite_exchange(cx.exchange_pool, fresh, *node->move, record);
    out.moves.push_back(entry);
  }
  board::think_board.generator_words.game_stage = saved_stage;
  return 0;
}

int movegen_stats_detail(CompJob& job, const model::Sashite& move, MovegenDetail& out) {
  out = MovegenDetail{};
  KPosition p;
  KMove history[2];
  if (const int r = load_current(job, p, history); r != 0) return r;
  KMove m;
  if (bridge::sashite_to_kmove(m, p, move) != 0 || board::sashite_is_legal(p, m) == 0) return kStatsNoLine;
  const int saved_stage = board::think_board.generator_words.game_stage;
  board::KEvalRecord features;
  prepare_evaluation(job_think_context(job).gen_stamp, p, job.play_style, features);
  const uint64_t overhead = measuring_overhead();
  const auto nothing = [] {};
  // Each timed make is taken back unmeasured before the next one (and after the last).
  bool made = false;
  out.make = time_runs(
      overhead,
      [&] {
        if (made) board::undo_move(p, m, 0);
        made = true;
      },
      [&] { board::do_move(p, m, 0); });
  board::undo_move(p, m, 0);
  out.unmake = time_runs(
      overhead, [&] { board::do_move(p, m, 0); }, [&] { board::undo_move(p, m, 0); });

  const int s = p.teban;
  int first = 0;
  if (m.from == board::kInHand) {
    board::think_board.generator_words.game_stage = 0;
    out.soma_j =
        time_runs(overhead, nothing, [&] { out.values[0] = board::koma_put_value(p, s, m.code, m.to, &first); });
    out.values[1] = first;
    board::think_board.generator_words.game_stage = 2;
    out.soma_s =
        time_runs(overhead, nothing, [&] { out.values[2] = board::koma_put_value(p, s, m.code, m.to, &first); });
    out.values[3] = first;
  } else {
    const int code = board::code_class(m.captured_code);
    out.soma_j = time_runs(overhead, nothing,
                           [&] { out.values[0] = board::exchange_eval_pos(p, s, code, m.to, m.piece, &first); });
    out.values[1] = first;
    out.soma_s =
        time_runs(overhead, nothing, [&] { out.values[2] = board::exchange_eval(p, s, code, m.to, m.piece, &first); });
    out.values[3] = first;
  }
  board::think_board.generator_words.game_stage = saved_stage;
  return 0;
}

}  // namespace driver
