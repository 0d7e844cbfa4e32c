// TEMPORARY: see pv_learn_standin.h.
#include "engine/search/pv_learn_standin.h"

namespace search {

void saved_pv_clear() {}
int saved_pv_store(board::KPosition&, const board::KMove&, const board::KSearchNode&) { return 0; }
int pv_mate_verify(board::KSearchNode&, int) { return 0; }
void pv_move_mate_threat(board::KPosition&, board::KPvHolder& result) { result.threat = 0; }
void learn_store_results(const board::KHashKey&, int, int, const board::KPvHolder&, int,
                         std::vector<board::KLearnRecord>*) {}
void learn_store_entry(const board::KHashKey&, const board::KMove&, std::vector<board::KLearnRecord>*) {}

}  // namespace search
