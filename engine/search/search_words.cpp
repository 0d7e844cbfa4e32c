#include "engine/search/search_words.h"

namespace search {

std::atomic<int32_t> think_control{kThinkRun};
int32_t search_abort = 0;
std::atomic<int32_t> search_depth{0};
int32_t early_stop_score = -32766;
SearchTimeLimits time_limits;

namespace {

std::atomic<PvSink> pv_sink{nullptr};

}  // namespace

int search_depth_get() { return search_depth.load(); }

void time_limit_extend(int32_t ms) { time_limits.current_limit.fetch_add(ms); }

int time_limit_at_max() {
  const int32_t max = time_limits.max_limit.load();
  return max > time_limits.base_limit.load() && time_limits.current_limit.load() == max ? 1 : 0;
}

void set_pv_sink(PvSink sink) { pv_sink.store(sink); }

void pv_report(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes, uint32_t ms) {
  const PvSink sink = pv_sink.load();
  if (sink) sink(count, moves, a, flag, b, nodes, ms);
}

}  // namespace search
