// The think routine as it stands until the full search is built: a mate found
// by the root mate check, otherwise the plain search.
#include "engine/search/chuban.h"

#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"

namespace search {

namespace {

// Node budget of the root mate check.
constexpr uint32_t kRootMateNodes = 300000;

}  // namespace

int Chuban(const ThinkRequest& r) {
  board::KMove mate;
  if (tsume::tsume_search(*r.position, nullptr, &mate, kRootMateNodes) == 0) {
    KPvHolder& out = *r.result;
    out.Reset();
    out.threat = 0;
    out.length = 1;
    out.moves[0] = board::move_word(mate);
    out.flags[KPvHolder::kMateAtRootSlot] = 1;
    search_depth.store(0);
    if (r.speed) *r.speed = 0;
    pv_report(1, out.moves, kScoreMate, 1, kRootMateDepth, 0, 0);
    return kScoreMate;
  }
  return chuban_plain(r);
}

}  // namespace search
