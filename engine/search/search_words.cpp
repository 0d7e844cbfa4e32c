#include "engine/search/search_words.h"

#include "engine/search/think_context.h"

namespace search {

SharedThinkWords think_words;
ThinkReportHooks think_report_hooks;

int32_t time_limit_now() { return think_words.limits.current_limit.load() + think_words.limits.extension.load(); }

int search_depth_get() { return think_words.depth.load(); }

void time_limit_extend(int32_t ms) { think_words.limits.extension.fetch_add(ms); }

int time_limit_at_max() {
  const int32_t max = think_words.limits.max_limit.load();
  return max > think_words.limits.base_limit.load() && think_words.limits.current_limit.load() == max ? 1 : 0;
}

void set_pv_sink(PvSink sink) { think_report_hooks.pv_sink.store(sink); }

void pv_report(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes, uint32_t ms) {
  const PvSink sink = think_report_hooks.pv_sink.load();
  if (sink) sink(count, moves, a, flag, b, nodes, ms);
}

void pv_report(ThinkContext& cx, int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes,
               uint32_t ms) {
  cx.last_report_ms = ms;
  pv_report(count, moves, a, flag, b, nodes, ms);
}

void set_progress_sink(ProgressSink sink) { think_report_hooks.progress_sink.store(sink); }

void progress_report_due(ThinkContext& cx, uint32_t ms) {
  if (ms - cx.last_report_ms < kProgressEveryMs) return;
  cx.last_report_ms = ms;
  const ProgressSink sink = think_report_hooks.progress_sink.load();
  if (sink) sink(cx.node_counter, ms);
}

void reports_reset(ThinkContext& cx) { cx.last_report_ms = 0; }

}  // namespace search
