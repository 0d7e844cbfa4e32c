#include "engine/search/search_words.h"

namespace search {

std::atomic<int32_t> think_control{kThinkRun};
int32_t search_abort = 0;
std::atomic<int32_t> search_depth{0};
int32_t early_stop_score = -32766;
int32_t search_style = 1;
SearchTimeState time_state;

board::KMove move_stack[kPlyEntries];
int32_t search_ply = 0;
KSearchNode* ply_nodes[kPlyEntries];
uint32_t node_counter = 0;
board::KHashKey root_key{};

namespace {

std::atomic<PvSink> pv_sink{nullptr};

}  // namespace

int32_t time_limit_now() { return time_state.current_limit.load() + time_state.extension.load(); }

int search_depth_get() { return search_depth.load(); }

void time_limit_extend(int32_t ms) { time_state.extension.fetch_add(ms); }

int time_limit_at_max() {
  const int32_t max = time_state.max_limit.load();
  return max > time_state.base_limit.load() && time_state.current_limit.load() == max ? 1 : 0;
}

void set_pv_sink(PvSink sink) { pv_sink.store(sink); }

void pv_report(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes, uint32_t ms) {
  const PvSink sink = pv_sink.load();
  if (sink) sink(count, moves, a, flag, b, nodes, ms);
}

}  // namespace search
