#include "engine/tsume/tsume_entry.h"

#include <algorithm>
#include <memory>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/compose_search.h"
#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_move_code.h"
#include "engine/tsume/tsume_verify.h"
#include "platform/clock.h"

namespace tsume {

using namespace board;

namespace {

// The solver's three process-wide instances, each absent until its alloc entry
// makes it and again after its free entry. The entries below create, use and
// destroy them on the computer thread; the driver keeps the problem solver's
// instance under its instance lock (ktsume_instance_lock) while a job makes,
// uses or destroys it, and the stop and progress entries may read it from any
// thread.
struct SolverInstances {
  std::unique_ptr<KTsumeEngine> in_game;  // the move search's quick mate checks
  std::unique_ptr<KTsumeEngine> ktsume;   // the problem solver (mate jobs)
  std::unique_ptr<KTsumeEngine> compose;  // the composer's solves
};
SolverInstances instances;

int alloc(std::unique_ptr<KTsumeEngine>& slot, uint64_t mem_kb, bool small) {
  slot.reset();
  auto e = std::make_unique<KTsumeEngine>(mem_kb, small);
  if (!e->ok()) return 0;
  slot = std::move(e);
  return 1;
}

int in_game_search(KPosition& p, KHashKey* main_key, KMove* out, int32_t node_limit, uint32_t time_limit) {
  KTsumeEngine* e = instances.in_game.get();
  if (e == nullptr) return 1;
  e->node_limit = node_limit;
  e->time_limit.store(time_limit);
  if (king_attacked(p, 1 - p.teban)) return 3;
  e->table.grow = 0;
  return tsume_root_in_place(*e, p, main_key, out);
}

void set_line_budget(KTsumeEngine* e, int64_t nodes) {
  if (e != nullptr) e->line_budget = nodes;
}

LineShown line_shown(const KTsumeEngine* e) {
  if (e == nullptr) return {};
  return LineShown{e->line_shortest, std::min(e->line_shown, e->main_line_length), e->main_line_length};
}

int solve_line(KTsumeEngine* e, const KPosition& p, const KMove** line, int* length, uint32_t time_limit,
               int32_t node_limit) {
  *length = 0;
  if (e == nullptr) return 1;
  const int r = ktsume_solve_attacker(*e, p, time_limit, node_limit);
  if (r == 0) {
    *line = e->main_line;
    *length = e->main_line_length;
  }
  return r;
}

KTsumeTable* tree_slot(KTsumeEngine& e, int tree) { return tree == 0 ? e.tree : e.committed; }

// The tree node of the position, trying it as an attacker's and a defender's.
const KTsumeNode* tree_lookup(KTsumeTable& t, const KPosition& p) {
  for (int attacker : {static_cast<int>(p.teban), 1 - p.teban}) {
    if (const KTsumeNode* n = tsume_lookup_exact(t, tsume_root_key(p, attacker))) return n;
  }
  return nullptr;
}

}  // namespace

KTsumeEngine* tsume_instance() { return instances.in_game.get(); }
KTsumeEngine* ktsume_instance() { return instances.ktsume.get(); }
KTsumeEngine* compose_instance() { return instances.compose.get(); }

// ---- In-game instance --------------------------------------------------------

int tsume_alloc(uint64_t mem_kb) { return alloc(instances.in_game, mem_kb, true); }
void tsume_free() { instances.in_game.reset(); }
void tsume_pool_reset() {
  if (instances.in_game) tsume_table_reset(instances.in_game->table);
}
void tsume_stop(uint32_t ms) {
  if (instances.in_game) instances.in_game->time_limit.store(ms);
}

int tsume_search(KPosition& p, KHashKey* main_key, KMove* out, int32_t node_limit) {
  return in_game_search(p, main_key, out, node_limit, kInGameTimeLimitMs);
}

int tsume_search_limit(KPosition& p, KHashKey* main_key, KMove* out, uint32_t time_limit_ms) {
  return in_game_search(p, main_key, out, -1, time_limit_ms);
}

int tsume_search_within(KPosition& p, KHashKey* main_key, KMove* out, int32_t node_limit, uint32_t time_limit_ms) {
  return in_game_search(p, main_key, out, node_limit, time_limit_ms);
}

int tsume_hash_check(KPosition& p, KMove* out) {
  KTsumeEngine* e = instances.in_game.get();
  if (e == nullptr || p.piece[1 - p.teban].sq >= kInHand) return 1;
  const KHashKey key = tsume_root_key(p, p.teban);
  const KTsumeNode* n = tsume_lookup(e->table, key);
  if (n != nullptr && n->dn >= kInf) {
    KMove m;
    if (!tsume_move_decode_checked(p, n->move, m)) return 1;
    *out = m;
    if (!is_pawn_drop(m)) return 0;
    do_move(p, m, 0);
    const bool mated = oute_nige_count(p, 0) == 0;
    undo_move(p, m, 0);
    return mated ? 1 : 0;
  }
  KMove checks[kMaxMoves];
  const int count = king_attacked(p, p.teban) ? gyaku_oute_gen(p, checks) : oute_gen(p, checks, 0);
  for (int i = 0; i < count; ++i) {
    const KMove& m = checks[i];
    if (m.from == kInHand || m.captured_code == 0) continue;
    KHashKey child = key;
    hash_key_sashite(child, p.teban, m);
    const KTsumeNode* c = tsume_lookup(e->table, child);
    if (c != nullptr && c->pn == 0) {
      *out = m;
      return 0;
    }
  }
  return 1;
}

int tsume_verify(const KHashKey& key, const KMove& recorded, int plies, const KMove* moves, KPosition& p, KMove* out,
                 uint32_t time_limit_ms) {
  KTsumeEngine* e = instances.in_game.get();
  if (e == nullptr) return 1;
  // Keys made along moves equal keys made from scratch, so the probe key of
  // the position now is made from it directly.
  (void)key;
  (void)recorded;
  (void)plies;
  (void)moves;
  return tsume_verify_position(*e, p, out, time_limit_ms);
}

// ---- Problem solver -----------------------------------------------------------

int ktsume_alloc(uint64_t mem_kb) { return alloc(instances.ktsume, mem_kb, false); }
int ktsume_alloc_default() { return ktsume_alloc(kKtsumeDefaultKb); }
void ktsume_free() { instances.ktsume.reset(); }
void ktsume_free_default() { instances.ktsume.reset(); }
void ktsume_pool_reset() {
  if (instances.ktsume) tsume_table_reset(instances.ktsume->table);
}
void ktsume_set_time_limit(uint32_t ms) {
  if (instances.ktsume) instances.ktsume->time_limit.store(ms);
}

SolveResult ktsume_solve(const KPosition& p, const KMove** line, int* length, uint32_t time_limit_ms,
                         int32_t node_limit) {
  const int r = solve_line(instances.ktsume.get(), p, line, length, time_limit_ms, node_limit);
  if (instances.ktsume && instances.ktsume->time_limit.load() == 0) return SolveResult::kStopped;
  return static_cast<SolveResult>(r);
}

int ktsume_solve_defender_top(const KPosition& p, KMove* out, int* count, uint32_t time_limit_ms,
                              int32_t node_limit) {
  *count = 0;
  KTsumeEngine* e = instances.ktsume.get();
  if (e == nullptr) return 1;
  const int r = ktsume_solve_defender(*e, p, time_limit_ms, node_limit, out, count);
  if (e->time_limit.load() == 0) return 7;
  return r;
}

int ktsume_solve_top(const KPosition& p, const KMove& last, KMove* out, int mode) {
  *out = pass_move();
  out->from = kNotInPlay;
  KPosition work = p;
  if (king_attacked(work, work.teban)) {
    KMove evasions[kMaxMoves];
    const int n = oute_nige_gen(work, evasions);
    if (n == 0) return is_pawn_drop(last) ? 2 : 0;
    if (n == 1) {
      *out = evasions[0];
      return 0;
    }
    ktsume_pool_reset();
    KMove move = *out;
    int count = 0;
    const int r = ktsume_solve_defender_top(work, &move, &count, kTopTimeLimitMs, kTopNodeLimit);
    if (r != 0 || mode != 1) *out = move;
    return 0;
  }
  if (work.piece[1 - work.teban].sq >= kInHand) return 1;
  ktsume_pool_reset();
  const KMove* line = nullptr;
  int length = 0;
  if (ktsume_solve(work, &line, &length, kTopTimeLimitMs, kTopNodeLimit) == SolveResult::kMate && length > 0) {
    *out = line[0];
  }
  return 0;
}

SolveResult check_henbetsu(const KPosition& p, const KMove* line, int length, const KMove** out_line,
                           int* out_length, uint32_t time_limit_ms) {
  *out_length = 0;
  KTsumeEngine* e = instances.ktsume.get();
  if (e == nullptr) return SolveResult::kUndecided;
  const int r = ktsume_henbetsu_search(*e, p, line, length, time_limit_ms);
  if (r == 0) {
    *out_line = e->main_line;
    *out_length = e->main_line_length;
  }
  return static_cast<SolveResult>(r);
}

int ktsume_get_answer(const KPosition& p, KMove* out, int tree) {
  KTsumeEngine* e = instances.ktsume.get();
  if (e == nullptr || tree_slot(*e, tree) == nullptr) return 1;
  const KTsumeNode* n = tree_lookup(*tree_slot(*e, tree), p);
  if (n == nullptr || n->move == kTerminalMove || n->move == kNoNodeMove) return 1;
  KPosition work = p;
  return tsume_move_decode_checked(work, n->move, *out) ? 0 : 1;
}

int ktsume_check_answer(const KPosition& p, const KMove& defender_move, int tree) {
  KTsumeEngine* e = instances.ktsume.get();
  if (e == nullptr || tree_slot(*e, tree) == nullptr || defender_move.from != kInHand) return 0;
  // The tree marks the position after a futile drop; a drop it never reached
  // has no answer in it either.
  KHashKey key = tsume_root_key(p, 1 - p.teban);
  hash_key_sashite(key, 1 - p.teban, defender_move);
  const KTsumeNode* n = tsume_lookup_exact(*tree_slot(*e, tree), key);
  return n == nullptr || (n->flags & kFlagTreeFutile) ? 1 : 0;
}

void ktsume_get_stats(uint32_t* nodes, double* seconds) {
  const KTsumeEngine* e = instances.ktsume.get();
  *nodes = e != nullptr ? e->last_node_count : 0;
  *seconds = e != nullptr ? e->last_seconds : 0;
}

void ktsume_set_line_budget(int64_t nodes) { set_line_budget(instances.ktsume.get(), nodes); }
LineShown ktsume_get_line_shown() { return line_shown(instances.ktsume.get()); }

void ktsume_get_progress(uint32_t* nodes, double* seconds) {
  const KTsumeEngine* e = instances.ktsume.get();
  *nodes = e != nullptr ? uint32_t{e->node_count} : 0;
  *seconds = e != nullptr ? platform::tick_elapsed(e->start_time, platform::tick_ms()) * 0.001 : 0;
}

bool ktsume_tree_free() {
  if (!instances.ktsume) return false;
  tsume_tree_delete(instances.ktsume->committed);
  return true;
}

bool ktsume_tree_commit() {
  if (!instances.ktsume) return false;
  tsume_tree_delete(instances.ktsume->committed);
  instances.ktsume->committed = instances.ktsume->tree;
  instances.ktsume->tree = nullptr;
  return true;
}

// ---- Composer instance ----------------------------------------------------------

int compose_instance_alloc(uint64_t mem_kb) { return alloc(instances.compose, mem_kb, false); }
void compose_instance_free() { instances.compose.reset(); }

int compose_instance_solve(const KPosition& p, const KMove** line, int* length, uint32_t time_limit_ms,
                           int32_t node_limit) {
  return solve_line(instances.compose.get(), p, line, length, time_limit_ms, node_limit);
}

void compose_instance_set_line_budget(int64_t nodes) { set_line_budget(instances.compose.get(), nodes); }
LineShown compose_instance_line_shown() { return line_shown(instances.compose.get()); }

int compose_instance_short_mate(KTsumeTable& table, const KPosition& p, int ply_limit, KMove* out, int* plies,
                                uint32_t time_limit_ms, int32_t node_limit) {
  if (!instances.compose) return 1;
  return compose_short_mate(*instances.compose, table, p, ply_limit, out, plies, time_limit_ms, node_limit);
}

int compose_instance_max_ply() { return instances.compose ? instances.compose->max_ply : 0; }
uint32_t compose_instance_nodes() { return instances.compose ? instances.compose->node_count : 0; }

}  // namespace tsume
