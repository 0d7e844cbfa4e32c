// The think routine: the engine's answer to "which move here?" for a position
// that the opening book does not answer, found by iterative deepening under a
// time budget. Each finished iteration sends its principal variation to the
// view (search_words.h); the caller gets the line and the score.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/position.h"
#include "engine/search/pv_holder.h"
#include "engine/search/pv_learn.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"

namespace search {

// The depth word of the variation a mate found at the root reports.
constexpr int kRootMateDepth = 9999;

// What the think is given.
struct ThinkRequest {
  board::KPosition* position = nullptr;   // changed during the think, restored before it returns
  const board::KMove* history = nullptr;  // the moves played so far, oldest first
  int history_count = 0;
  int max_depth = 1;                      // depth limit in plies
  KPvHolder* result = nullptr;            // out: the line, the mate-at-root flag, the threat flag
  double* speed = nullptr;                // out: nodes per second (may be null)
  int search_style = 1;                   // 1 normal play, 2 the N best moves
  int32_t early_stop_score = -32766;      // the deepening gives up below this score (hopeless)
  int32_t* senkei = nullptr;              // in/out: strategy code of the side to move (may be null)
  uint32_t senkei_hint_a = 0;             // strategy hints handed to the strategy choice
  uint32_t senkei_hint_b = 0;
  int32_t time[3] = {0, 0, 0};            // main time left (ms), byoyomi (ms), a third word
  bool no_time_limit = false;             // no time rule ends the think
  bool normal_play = true;
  int best_count = 1;                     // N: the best moves wanted per iteration
  int32_t play_style = 0;                 // the evaluation style
  bool learn_flag = false;                // preload the hash table from the rings
  KLearnRing* ring_a = nullptr;
  KLearnRing* ring_b = nullptr;
};

// The think: -32766 when the side to move has no legal move or is lost by
// force, 32766 for a mate found by the root mate check, otherwise the score of
// the last root search. Maximum depth 1 answers with the best root move of the
// static assessment (its rank score, count - 31000). The think keeps its
// state in `cx`, which it resets at its start.
int Chuban(ThinkContext& cx, const ThinkRequest& request);

// The plain think, kept as the full search's test oracle: iterative deepening
// (depth 1, 2, ... up to the limit, two more while pondering) of a fail-soft
// alpha-beta over the legal moves, scored by material alone. It polls
// think_words.control and the clock every 1024 nodes; a time limit of main / 40 +
// byoyomi ends it unless pondering or told otherwise (no limit when that is 0).
// A stopped iteration is dropped: the line and score of the last finished one
// stand (the first legal move and the material score before any). Every
// finished iteration reports its line; a forced win or loss ends the deepening.
// Strategy, style, history and learning words are not read.
int chuban_plain(const ThinkRequest& request);

// The material balance of the position from the side to move's view: board
// pieces by kind (promoted kinds at their own value), hand pieces at their
// kind's value, kings not counted.
int material_score(const board::KPosition& p);

}  // namespace search
