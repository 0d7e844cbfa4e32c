// The plain fail-soft alpha-beta over the legal moves, scored by material
// alone: the body of chuban_plain (the full search's test oracle) and, until
// the node search is built, the search below each root move.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/node_records.h"

namespace search {

// A line of up to 41 moves as packed words.
struct PlainLine {
  static constexpr int kMaxLine = KPvHolder::kMateAtRootSlot;
  int length = 0;
  uint32_t moves[kMaxLine];

  // `first` followed by `rest`.
  void Set(uint32_t first, const PlainLine& rest);
};

class PlainSearch {
 public:
  // `timed`: the clock ends the search once the think's time limit
  // (time_limit_now) has passed since `start_ms`.
  PlainSearch(board::KPosition& p, bool timed, uint32_t start_ms);

  uint32_t nodes() const { return nodes_; }
  // Milliseconds since the start.
  uint32_t elapsed() const;

  // True (and the search aborted) once a stop was asked for or the time is up.
  bool Poll();
  bool aborted() const { return aborted_; }

  // The value of the position for the side to move searched `depth` plies
  // deep, its line in `line`; -32767 once aborted. The clock and the stop
  // request are read every 1024 nodes.
  int Search(int depth, int alpha, int beta, PlainLine& line);

 private:
  board::KPosition& p_;
  bool timed_;
  uint32_t start_;
  uint32_t nodes_ = 0;
  bool aborted_ = false;
};

}  // namespace search
