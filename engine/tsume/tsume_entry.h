// The mate solver's entry points over its three process-wide instances: the
// in-game instance that the move search asks for quick mates, the problem
// solver `ktsume` of the mate-problem jobs and game mode, and the composer's.
// Result codes: 0 mate (or success), 1 undecided or a limit reached, 2 no
// mate, 3 the side to move could take the enemy king, 7 stopped (time limit
// set to 0); the problem solver's solves name them (SolveResult). Every entry point runs on the computer thread except the stop
// entries and ktsume_get_progress, which may be called from any thread.
#pragma once

#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace tsume {

// How a solve of the problem solver ends (ktsume_solve, check_henbetsu), as
// the driver's mate jobs hand it on to the front end. The solver gives the
// first five; the jobs around it add the last two.
enum class SolveResult : int {
  kMate = 0,         // a mate (for check_henbetsu: another mating line), its line given
  kUndecided = 1,    // a node or time limit reached first
  kNoMate = 2,       // no mate (no other mating line)
  kAttacksKing = 3,  // the side to move already attacks the defending king
  kStopped = 7,      // stopped: the time limit set to 0 during the solve
  kFailed = 8,       // no solver or kept solve to ask, or a position the engine cannot hold
  kNoMemory = 9,     // the solver's memory could not be had
};

struct KTsumeEngine;
struct KTsumeTable;

constexpr uint32_t kKtsumeDefaultKb = 8192;
constexpr uint32_t kInGameTimeLimitMs = 1000000;
constexpr uint32_t kTopTimeLimitMs = 2000;
constexpr int32_t kTopNodeLimit = 100000;

// ---- In-game instance (64-ply stacks, one block, single-node eviction) ----

// Creates the instance (replacing one that exists): 1, or 0 when the memory
// could not be had (the instance is then absent).
int tsume_alloc(uint64_t mem_kb);
void tsume_free();
void tsume_pool_reset();
// Sets the time limit of the running or next search; 0 stops a running one.
void tsume_stop(uint32_t ms);
// Searches for a mate by the side to move within the node limit (negative:
// none); 0 with the first move in `out`. With `main_key`, the main search's
// key of the position, proven attacker positions below the root are also
// stored in the transposition table.
int tsume_search(board::KPosition& p, board::KHashKey* main_key, board::KMove* out, int32_t node_limit);
// The same within a time limit and without a node limit.
int tsume_search_limit(board::KPosition& p, board::KHashKey* main_key, board::KMove* out, uint32_t time_limit_ms);
// The same within both a node limit (negative: none) and a time limit.
int tsume_search_within(board::KPosition& p, board::KHashKey* main_key, board::KMove* out, int32_t node_limit,
                        uint32_t time_limit_ms);
// 0 when the table already proves a mate for the side to move (its move in
// `out`), else 1.
int tsume_hash_check(board::KPosition& p, board::KMove* out);
// Confirms along stored proofs a mate recorded earlier: `key` is the key of
// the position where it was recorded with `recorded` its move, `moves` the
// `plies` moves played since; `p` is the position now (the attacker to move).
// 0 with the first move in `out`, else 1.
int tsume_verify(const board::KHashKey& key, const board::KMove& recorded, int plies, const board::KMove* moves,
                 board::KPosition& p, board::KMove* out, uint32_t time_limit_ms);

// ---- Problem solver `ktsume` (2000-ply stacks, growing table) ----

int ktsume_alloc(uint64_t mem_kb);
int ktsume_alloc_default();
void ktsume_free();
void ktsume_free_default();
void ktsume_pool_reset();
void ktsume_set_time_limit(uint32_t ms);
// Solves a position with the attacker to move: kMate with the main line
// (valid until the next solve) in `line` and `length`, kUndecided, kNoMate,
// kAttacksKing or kStopped.
SolveResult ktsume_solve(const board::KPosition& p, const board::KMove** line, int* length, uint32_t time_limit_ms,
                         int32_t node_limit);
// Solves a position with the defender to move (in check): 0 mated, with the
// defender's longest defence in `out` and the line's length in `count`; 2 an
// escape (in `out`); 1 undecided, with the evasion hardest to refute.
int ktsume_solve_defender_top(const board::KPosition& p, board::KMove* out, int* count, uint32_t time_limit_ms,
                              int32_t node_limit);
// The computer's answer in the mate-problem game mode; `out` from 255 when it
// has none. Mode 1: no move when the defender is mated.
int ktsume_solve_top(const board::KPosition& p, const board::KMove& last, board::KMove* out, int mode);
// Another mating line than the main line of `length` moves: kMate with it in
// `out_line` and `out_length`, kUndecided (a limit), kNoMate (none) or
// kAttacksKing.
SolveResult check_henbetsu(const board::KPosition& p, const board::KMove* line, int length,
                           const board::KMove** out_line, int* out_length, uint32_t time_limit_ms);
// The move the solution tree (0 current, 1 committed) holds for the
// position: 0 with it in `out`, 1 when the tree holds none.
int ktsume_get_answer(const board::KPosition& p, board::KMove* out, int tree);
// 1 when the defender's move is a drop that the tree judged a futile
// interposition (its capture mates no slower than the best other defence), or
// one the tree does not hold; else 0.
int ktsume_check_answer(const board::KPosition& p, const board::KMove& defender_move, int tree);
void ktsume_get_stats(uint32_t* nodes, double* seconds);
// The nodes that the last solve's searches may spend to show its main line's
// lengths: 0 the solver's own budget, more than 0 that many, below 0 as many
// as the solve's time and node limits allow (half of what is left when they
// start). Kept for the instance's later solves.
void ktsume_set_line_budget(int64_t nodes);
constexpr int64_t kLineOwnBudget = 0;
constexpr int64_t kLineWithinLimits = -1;
// What the last solve showed of its main line (a mate's): whether no shorter
// mate exists (`length`) and how many of its plies, from the start, are shown
// to keep the rules of a mate problem's main line (`plies`, of `line_length`;
// all of them when each position's length along it was shown).
struct LineShown {
  bool length = false;
  int plies = 0;
  int line_length = 0;
  bool Whole() const { return length && plies == line_length; }
};
LineShown ktsume_get_line_shown();
// The node count and seconds of the solve running now (any thread; the
// caller keeps the instance alive): the counters as they stand, read without
// stopping the search.
void ktsume_get_progress(uint32_t* nodes, double* seconds);
bool ktsume_tree_free();
bool ktsume_tree_commit();

// ---- Composer instance ----

int compose_instance_alloc(uint64_t mem_kb);
void compose_instance_free();
int compose_instance_solve(const board::KPosition& p, const board::KMove** line, int* length, uint32_t time_limit_ms,
                           int32_t node_limit);
// ktsume_set_line_budget and ktsume_get_line_shown of the composer instance.
void compose_instance_set_line_budget(int64_t nodes);
LineShown compose_instance_line_shown();
// The composer's shorter-mate test on the composer instance's work stores and
// the composer's own table (compose_search.h): 0 a mate within `ply_limit`
// plies (its first move in `out`, its length in `plies` when given), 2 no mate
// at all, 1 none found within the limit, a search limit or no instance.
int compose_instance_short_mate(KTsumeTable& table, const board::KPosition& p, int ply_limit, board::KMove* out,
                                int* plies, uint32_t time_limit_ms, int32_t node_limit);
// The deepest ply the composer instance's work stores reach (its D, the
// solver's 2000 plies); 0 when there is no instance.
int compose_instance_max_ply();
uint32_t compose_instance_nodes();

// The instances themselves, null while absent (tests and benchmarks).
KTsumeEngine* tsume_instance();
KTsumeEngine* ktsume_instance();
KTsumeEngine* compose_instance();

}  // namespace tsume
