// Loading the line of a game record into the engine, the first step of every
// think job.
#include "engine/board/make_move.h"
#include "engine/board/repetition.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/computer_jobs.h"
#include "model/record/kifu.h"

namespace driver {

int load_game_line(KPositionHistory& root, board::KPosition& cur, const RecordCursor& cursor) {
  const model::KifuKyokumen* node = cursor.kifu->Start();
  if (bridge::position_load(cur, node->kyokumen) != 0) return -1;
  root.position = cur;
  root.count = 0;
  root.moves.clear();
  board::kifu_rep_clear();
  board::kifu_rep_add(cur);
  if (cursor.current == cursor.kifu->root.get()) return 0;
  int n = 0;
  while (const model::KifuSashite* m = node->next.Current()) {
    if (m->sashite.special != model::kOrdinaryMove) break;
    board::KMove k;
    if (bridge::sashite_to_kmove(k, cur, m->sashite) != 0) return -1;
    root.moves.push_back(k);
    ++root.count;
    board::do_move(cur, k, 0);
    board::kifu_rep_add(cur);
    ++n;
    if (m == cursor.current || !m->to) break;
    node = m->to;
  }
  return n;
}

}  // namespace driver
