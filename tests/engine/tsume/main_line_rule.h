// The rule of a mate problem's main line, checked ply by ply with the problem
// solver itself: from the position after ply k of a line of n plies, the
// attacker (to move after an even k) mates in exactly n - k plies, and the
// defender (to move after an odd k) is mated in exactly n - k plies. Then
// every attack on the line is one of the shortest and every defence one of the
// longest, with interpositions judged futile as the solver judges them. Each
// position is solved afresh with no budget on the searches that show its
// line's lengths, so that the lengths the check compares with are shown, not
// estimated: a length the solve could not show counts as none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"

namespace tsume::testing {

struct LineVerdict {
  int ply = -1;    // the first ply after which the rule fails, -1 none
  int length = 0;  // the solver's length there (-1: no mate found)
  std::string Describe() const {
    return ply < 0 ? "the line keeps the rule"
                   : "after ply " + std::to_string(ply) + " the solver answers " + std::to_string(length);
  }
};

// Checks `line` from `start` on the ktsume instance (which must exist); the
// plies from `first` on (0: the start position itself too). The instance's
// line budget is as it was afterwards.
inline LineVerdict check_main_line(const board::KPosition& start, const std::vector<board::KMove>& line,
                                   uint32_t time_ms, int32_t nodes, size_t first = 0) {
  KTsumeEngine& e = *ktsume_instance();
  const int64_t budget = e.line_budget;
  e.line_budget = kLineWithinLimits;
  const int n = static_cast<int>(line.size());
  board::KPosition p = start;
  LineVerdict verdict;
  for (int k = 0; k < n && verdict.ply < 0; ++k) {
    if (static_cast<size_t>(k) >= first) {
      int length = -1;
      if (k % 2 == 0) {
        const board::KMove* moves = nullptr;
        int plies = 0;
        if (ktsume_solve(p, &moves, &plies, time_ms, nodes) == SolveResult::kMate && e.line_shortest) length = plies;
      } else {
        board::KMove answer;
        int plies = 0;
        if (ktsume_solve_defender_top(p, &answer, &plies, time_ms, nodes) == 0 && e.line_shortest) length = plies;
      }
      if (length != n - k) verdict = LineVerdict{k, length};
    }
    board::do_move(p, line[static_cast<size_t>(k)], 0);
  }
  e.line_budget = budget;
  return verdict;
}

}  // namespace tsume::testing
