// The words of a think that other threads read or write while it runs, and the
// think's time limit. The driver writes think_control (stop, ponder) from the
// user-interface thread and reads the iteration depth; the think routine reads
// think_control at its polling points. Everything else of the search is used by
// the computer thread alone. (The mate solver keeps its own time-limit words:
// engine/tsume/tsume_state.h.)
#pragma once

#include <atomic>
#include <cstdint>

namespace search {

// think_control values.
enum ThinkControl : int32_t {
  kThinkRun = 0,      // a normal think
  kThinkStop = 1,     // stop now
  kThinkPonder = 2,   // thinking on the opponent's time: no time rule ends the think
};

// Written by the driver from any thread; read by the think at its polling points.
extern std::atomic<int32_t> think_control;
// 1 ends the running search; set by the polling points, cleared at think start.
// Computer thread only.
extern int32_t search_abort;
// The iteration depth the think is on (0 before the first).
extern std::atomic<int32_t> search_depth;
// The score below which the deepening gives up early (the driver's hopeless
// score of the side to move); -32766 by default. Computer thread only.
extern int32_t early_stop_score;

int search_depth_get();

// The think's time limits in ms: base and maximum as the think set them, and
// the current limit the polling points compare with. The driver raises the
// current limit from the user-interface thread when a ponder becomes the think.
struct SearchTimeLimits {
  std::atomic<int32_t> base_limit{0};
  std::atomic<int32_t> max_limit{0};
  std::atomic<int32_t> current_limit{0};
};
extern SearchTimeLimits time_limits;

// Adds `ms` to the current limit.
void time_limit_extend(int32_t ms);
// 1 when the maximum limit exceeds the base limit and the current limit stands
// at the maximum, else 0.
int time_limit_at_max();

// Where the think sends each principal variation: moves as KMoveWords, the
// search's value and depth words (a, b), the flag of a mate found at the root,
// and the node count and milliseconds of the think so far. The driver installs
// its message-queue sender; without one the variations go nowhere.
using PvSink = int (*)(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes,
                       uint32_t ms);
void set_pv_sink(PvSink sink);
void pv_report(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes, uint32_t ms);

}  // namespace search
