// TEMPORARY: see move_order_standin.h.
#include "engine/search/move_order_standin.h"

namespace search {

namespace {

KMoveNode* keep_order(KMoveNode* head, int base) {
  for (KMoveNode* n = head; n != nullptr; n = n->next) {
    n->score = 0;
    n->depth_adj = static_cast<int16_t>(base);
  }
  return head;
}

}  // namespace

void engine_sashite_order(const board::KPosition&, int, KMoveNode* head) {
  for (KMoveNode* n = head; n != nullptr; n = n->next) n->score = 0;
}

KMoveNode* node_sashite_order(board::KSearchNode&, int, const board::KMove&, int, KMoveNode* head, int, int, int,
                              int base, int) {
  return keep_order(head, base);
}

KMoveNode* sashite_order_select(board::KSearchNode&, int, KMoveNode* head, int, int base) {
  return keep_order(head, base);
}

}  // namespace search
