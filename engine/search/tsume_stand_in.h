// Stand-ins for the mate solver's entry points, under the names and arguments
// the solver will have, so that the think routine and the computer-thread jobs
// can call them now. The in-game search answers only a mate in one; the other
// entry points report "undecided" or "no move". This file goes when the solver
// arrives.
#pragma once

#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace tsume {

// Results of the searches.
enum TsumeResult : int {
  kTsumeMate = 0,        // a mate: the out move is its first move
  kTsumeUndecided = 1,   // a limit was reached (the stand-ins: not searched)
  kTsumeNoMate = 2,
  kTsumeKingTaken = 3,   // the side to move already attacks the opponent's king
};

// The in-game instance. The allocations return 1; the stand-ins hold no memory.
int tsume_alloc(uint32_t mem_kb);
void tsume_free();
void tsume_pool_reset();
// Stores the instance's time limit (0 stops a running search). Any thread.
void tsume_stop(uint32_t ms);
// The time limit last stored.
uint32_t tsume_time_limit();

// Mate search for the side to move: 3 when it already attacks the opponent's
// king; 0 with the mating move when it mates in one; else 1.
int tsume_search(board::KPosition& p, const board::KHashKey* main_key, board::KMove* out, uint32_t node_limit);
int tsume_search_limit(board::KPosition& p, const board::KHashKey* main_key, board::KMove* out,
                       uint32_t time_limit_ms);
// 1: no mate proven in the table.
int tsume_hash_check(board::KPosition& p, board::KMove* out);
// 1: the recorded threat is not confirmed.
int tsume_verify(const board::KHashKey& key, const board::KMove& recorded, int plies, const board::KMove* moves,
                 board::KPosition& p, board::KMove* out, uint32_t time_limit_ms);

// The problem-solving instance.
int ktsume_alloc(uint32_t mem_kb);
int ktsume_alloc_default();
void ktsume_free();
void ktsume_free_default();
void ktsume_pool_reset();
void ktsume_set_time_limit(uint32_t ms);
// The game move of the mate-match mode: no move (the out move's from byte 255)
// and 1.
int ktsume_solve_top(board::KPosition& p, const board::KMove* last, board::KMove* out, int mode);

}  // namespace tsume
