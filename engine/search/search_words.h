// The words of a think that stay process-wide because another thread reads or
// writes them while it runs: the stop and ponder word, the iteration depth and
// the time limits, one record (SharedThinkWords: the driver raises the limit
// on a ponder hit from the user-interface thread; the think reads them at its
// polling points), and the hooks its reports go to, another (ThinkReportHooks).
// What one think keeps for itself is in its context (think_context.h). (The mate solver keeps its own time-limit words:
// engine/tsume/tsume_state.h.)
//
// Reset at think start by Chuban: think_words.depth, the time limits, and in the
// context the search's words, among them the depth-selected generator's
// candidate table with its call counter (gen_stamp.h) and the cache of full
// evaluations (eval_cache.h); the best root move, the predicted-line slots
// (pv_learn.h), the exchange scorer's move pool (exchange_score.h) and the
// mate-threat defences' scratch room live in the context as well. Also
// process-wide and set at think start: the search mode and the threat word of
// board::think_board.generator_words, which the board's generators read
// (board_state.h).
//
// The node search's stage trace is a test hook in the same record of report
// hooks, null outside the node search's tests.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"
#include "engine/board/think_board.h"
#include "engine/search/node_records.h"

namespace search {

// Scores, from the side to move's view.
constexpr int kScoreMate = 32766;       // a won position; its negation: lost, or no move
constexpr int kScoreNone = 32767;       // no value; a root move not searched in an iteration
constexpr int kScoreStopped = -32767;   // what a stopped search returns
constexpr int kStoppedScore = kScoreStopped;
constexpr int kPerpetualCheckScore = -16383;  // keeping up a perpetual check

// think_words.control values.
enum ThinkControl : int32_t {
  kThinkRun = 0,      // a normal think
  kThinkStop = 1,     // stop now
  kThinkPonder = 2,   // thinking on the opponent's time: no time rule ends the think
};

// Plies of the per-ply arrays (the move stack, node pointers, exchange
// counters): the root is ply 1 and a line holds at most 41 plies.
constexpr int kPlyEntries = 48;
static_assert(kPlyEntries >= KPvHolder::kMaxMoves, "per-ply arrays cover every ply of a line");
// The last ply a line may reach.
constexpr int kLastPly = KPvHolder::kMaxMoves - 1;

// The time limits of the think that runs, in ms; the driver reads them and
// adds to `extension` from another thread.
struct ThinkLimits {
  std::atomic<int32_t> base_limit{0};
  std::atomic<int32_t> max_limit{0};
  // Reset to the base limit after every root search, raised to the maximum by
  // the score trend.
  std::atomic<int32_t> current_limit{0};
  // Added by time_limit_extend (a ponder hit) and counted by every time test on
  // top of the current limit, so that the reset keeps it. Zeroed at think start.
  std::atomic<int32_t> extension{0};
};

// The words of the think that runs which other threads read or write, one
// record for the process. The driver writes `control` from any thread (a stop
// or a ponder hit) and the think reads it at its polling points; the think
// writes `depth` and `limits` and the driver reads them (and raises the
// limits' extension) from the user-interface thread.
struct SharedThinkWords {
  std::atomic<int32_t> control{kThinkRun};  // ThinkControl
  std::atomic<int32_t> depth{0};            // the iteration the think is on (0 before the first)
  ThinkLimits limits;
};
extern SharedThinkWords think_words;

// The think's time and root state, one record of the think's context shared
// by the think routine, the root search and the time tests.
struct SearchTimeState {
  int32_t side = 0;             // side to move at the root
  int32_t max_depth = 0;        // plies; lowered by the single-move caps
  int32_t in_check = 0;         // the root side is in check
  int32_t pass_threat = 0;      // passing at the root would allow a mate
  int32_t no_time_limit = 0;
  int32_t lost = 0;             // every evasion loses to a mate
  int32_t searched_count = 0;   // root moves taken up in this iteration
  int32_t best_score = 32767;   // of the current iteration
  int32_t previous_score = -32766;
  int32_t elapsed = 0;          // ms since think start at the end of the last finished iteration
  int32_t exchange_count[kPlyEntries] = {};  // per ply: exchange weight of the captures on the line
};
// The limit the time tests compare with: the current limit plus the extension.
int32_t time_limit_now();

int search_depth_get();
// Adds `ms` to the think's time (any thread).
void time_limit_extend(int32_t ms);
// 1 when the maximum limit exceeds the base limit and the current limit stands
// at the maximum, else 0 (any thread).
int time_limit_at_max();

// Where the think sends each principal variation: moves as KMoveWords, the
// search's value and depth words (a, b), the flag of a mate found at the root,
// and the node count and milliseconds of the think so far. The driver installs
// its message-queue sender; without one the variations go nowhere.
using PvSink = int (*)(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes,
                       uint32_t ms);
// Where the think sends its progress while an iteration runs long without a
// new line: the node count and milliseconds of the think so far. Installed by
// the driver like the variations' sink.
using ProgressSink = int (*)(uint32_t nodes, uint32_t ms);
// Test hook: when set, every stage a node runs (after its skip tests) is
// reported with its code (search_node.h).
using StageTraceHook = void (*)(int code);

// The hooks a think reports through, one record for the process. Written by
// the driver when the engine starts (the message-queue senders), by the bench
// and by the tests; read by the think whenever it reports a line or its
// progress, and by the node search at each stage for the trace. The sinks are
// atomic because the driver may install them while a think runs on another
// thread; the trace hook is set only by single-threaded tests.
struct ThinkReportHooks {
  std::atomic<PvSink> pv_sink{nullptr};
  std::atomic<ProgressSink> progress_sink{nullptr};
  StageTraceHook stage_trace_hook = nullptr;
};
extern ThinkReportHooks think_report_hooks;

void set_pv_sink(PvSink sink);
void pv_report(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes, uint32_t ms);
struct ThinkContext;
// The same for the think of `cx`, whose last report it becomes.
void pv_report(ThinkContext& cx, int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes,
               uint32_t ms);

void set_progress_sink(ProgressSink sink);
// A think reports at least this often: a progress report goes out when this
// long has passed since its last report of either kind.
constexpr uint32_t kProgressEveryMs = 1000;
// At `ms` since think start: a progress report with the think's node counter
// when one is due.
void progress_report_due(ThinkContext& cx, uint32_t ms);
// The think starts: no report yet (its start counts as the last one).
void reports_reset(ThinkContext& cx);

}  // namespace search
