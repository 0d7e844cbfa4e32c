// The copy of a record's line that a request hands to a job, and its replay
// into the engine, the first step of every think job.
#include <algorithm>

#include "engine/board/make_move.h"
#include "engine/board/repetition.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/computer_jobs.h"
#include "model/record/kifu.h"

namespace driver {

void record_cursor_set(RecordCursor& out, const model::Kifu& kifu, const model::KifuSashite* current,
                       const model::Kyokumen& kyokumen) {
  out.start = kifu.Start()->kyokumen;
  out.moves.clear();
  out.kyokumen = kyokumen;
  out.set = true;
  if (current == kifu.root.get()) return;
  for (const model::KifuSashite* m = kifu.Start()->next.Current(); m != nullptr; m = m->to->next.Current()) {
    if (m->sashite.special != model::kOrdinaryMove) break;
    out.moves.push_back(m->sashite);
    if (m == current || !m->to) break;
  }
}

int load_game_line(KPositionHistory& root, board::KPosition& cur, const RecordCursor& cursor) {
  if (!cursor.set || bridge::position_load(cur, cursor.start) != 0) return -1;
  root.position = cur;
  root.count = 0;
  root.moves.clear();
  root.moves.reserve(cursor.moves.size());
  board::kifu_rep_clear();
  // The table holds the latest positions of a line too long for all of it:
  // those a repetition can still come back to.
  const int n = static_cast<int>(cursor.moves.size());
  const int first_entered = std::max(0, n - static_cast<int>(board::kKifuRepSize - 1));
  if (first_entered == 0) board::kifu_rep_add(cur);
  for (int i = 0; i < n; ++i) {
    board::KMove k;
    if (bridge::sashite_to_kmove(k, cur, cursor.moves[i]) != 0) return -1;
    root.moves.push_back(k);
    ++root.count;
    board::do_move(cur, k, 0);
    if (i + 1 >= first_entered) board::kifu_rep_add(cur);
  }
  return n;
}

}  // namespace driver
