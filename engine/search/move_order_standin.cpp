// TEMPORARY: see move_order_standin.h.
#include "engine/search/move_order_standin.h"

namespace search {

void engine_sashite_order(const board::KPosition&, int, KMoveNode* head) {
  for (KMoveNode* n = head; n != nullptr; n = n->next) n->score = 0;
}

}  // namespace search
