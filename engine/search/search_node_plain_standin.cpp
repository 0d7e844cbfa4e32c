// TEMPORARY stand-in of the node search until it is built: the plain
// alpha-beta (plain_search.h) to the node's remaining plies plus one, polling
// the stop request and, under a time rule, the think's time limit. Delete this
// file when the node search lands.
#include "engine/search/plain_search.h"
#include "engine/search/search_node.h"
#include "engine/search/search_words.h"
#include "engine/search/time_control.h"

namespace search {

int search_node(board::KSearchNode& node, const KMoveNode*, int alpha, int beta, int, int) {
  if (search_abort) return kStoppedScore;
  const int ply = search_ply;
  const bool timed = !time_state.no_time_limit && time_limit_now() >= kTimeRulesFloor;
  PlainSearch s(*node.position, timed, think_start_tick());
  PlainLine line;
  const int v = s.Search(remaining_plies(node.ext, ply) + 1, alpha, beta, line);
  node.counters[0] += s.nodes();
  node_counter += s.nodes();
  if (search_abort) return kStoppedScore;
  int last = ply - 1;
  for (int i = 0; i < line.length && last < kLastPly; ++i) {
    node.pv.moves[++last] = line.moves[i];
    node.pv.flags[last] = 0;
  }
  node.pv.length = last;
  return v;
}

}  // namespace search
