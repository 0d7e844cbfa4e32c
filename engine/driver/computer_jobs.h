// The jobs of the computer thread: one call per command of the shell. The
// thread's start sizes the engine's memory; games are opened and closed with a
// strategy profile per side; a think answers the computer's move, a ponder
// thinks on the opponent's time about a predicted reply, and the mate-match
// move asks the mate solver. Jobs never touch the user interface: they answer
// through the job block, their return value and the driver's words.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/driver/comp_job.h"
#include "model/position/kyokumen.h"

namespace driver {

// Results of the think jobs.
enum JobResult : int {
  kJobMove = 0,         // a move is in result_move
  kJobKingTaken = -1,   // the side to move can already capture the enemy king
  kJobNoMove = -2,      // the think ended without a move
  kJobStopped = -4,     // a stop came before the search began
};
// What sakiyomi returns when the predicted move cannot be played.
constexpr int kPonderNoPrediction = -1;

// ---- Memory ----

// The engine's random numbers start from this state in every run, so that a
// think can be repeated.
constexpr uint32_t kEngineSeed = 0x5645524B;
constexpr uint32_t kMaxTableKb = 65536;
constexpr uint32_t kMinTableKb = 13107;

// The transposition table's size in kB for a machine with `physical_bytes` of
// memory: 65536 from 128 MB on, else the memory's share of 128 MB (at least
// 0.2) times 65536.
uint32_t engine_table_kb(uint64_t physical_bytes);
// Allocates the table with `alloc` (0 on success), halving the size after each
// failure down to kMinTableKb: the kB allocated, 0 when every try failed.
uint32_t engine_table_alloc(uint32_t kb, int (*alloc)(uint32_t kb));
// Thread start: seeds the engine's random numbers with a fixed value, sizes and
// allocates the transposition table and the in-game mate instance, and routes
// the think's variations to the message queue. Returns 1.
int engine_memory_init();
// Frees the in-game mate instance and the transposition table. Returns 1.
int engine_memory_free();
// The table size the last engine_memory_init got; 0: the engine thinks
// without a table.
uint32_t engine_table_kb_allocated();

// ---- Games ----

// The strategies a strategy profile code allows, and the score below which it
// gives up deepening. Codes outside 0..33 count as 0 (any strategy).
uint32_t senkei_request_mask(int32_t code);
int32_t senkei_request_hopeless(int32_t code);

// Opens a game (closing one left open): clears the tables, sets each side's
// strategy words from its request, and allocates the problem-solving mate
// instance when asked. Returns 0.
int game_init(CompJob& job);
// Frees the problem-solving mate instance when it is open. Returns 1.
int game_exit(CompJob& job);

// ---- Thinks ----

// Loads the cursor's first position into `cur` and `root` (no moves), then
// plays the cursor's moves on `cur`, each appended to `root`. The positions go
// into the game-line repetition table, the first position included; of a line
// longer than the table holds, the latest ones. Returns the number of moves
// played, or -1 when the cursor holds no line or its first position or a move
// does not load (the position is then not to be thought about).
int load_game_line(KPositionHistory& root, board::KPosition& cur, const RecordCursor& cursor);

// The think (command 16): the line of the cursor loaded, the request
// published, the book or the search asked; fills hyouka and result_move. A
// chosen pass, or a move the game model refuses, counts as no move.
int chuban_job(CompJob& job);
// The ponder (command 17): plays the predicted move `yosoku` on `current` (the
// shell's copy of the current position) and thinks on the result with
// think_words.control 2. kPonderNoPrediction when the move cannot be played, else as
// chuban_job.
int sakiyomi(CompJob& job, model::Kyokumen& current);
// A ponder becomes the think (user-interface thread): the running think keeps
// the limits it started with (the clock words and ply of the call count from
// the next think's job); a search already deeper than the depth limit is stopped
// (unless its time limit stands at its maximum), otherwise its time limit grows
// by the time the ponder ran. Returns 1.
int chuban_time_update(int32_t time_a, int32_t time_b, int32_t time_c, int32_t ply);
// Stops whichever think runs (user-interface thread). Returns 1.
int chuban_stop();
// The mate-match move (command 18): the book, else the mate solver's game move
// with depth kelmor_depth + 1. 0 with result_move, or kJobNoMove.
int kelmor_think(CompJob& job);

// The user-interface form {from_x, from_y, to_x, to_y, promote} of a move word;
// a drop comes from hand 11 (sente) or 12 (gote) with the dropped type. -1 for
// a pass or a word naming no square or piece (nothing written), else 0.
int computer_yosoku_convert(uint32_t word, int32_t out[5]);

}  // namespace driver
