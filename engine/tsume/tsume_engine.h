// One mate-solver instance: a node table with the work stores, limits and
// counters of one search, and the search context that a root call keeps on its
// stack while it walks the tree of checks and evasions.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "engine/board/engine_codes.h"
#include "engine/board/hash_key.h"
#include "engine/board/position.h"
#include "engine/tsume/path_keys.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {

using board::KMove;
using board::KPosition;

// A pawn dropped from the hand: the move a drop-pawn mate rule looks at.
inline bool is_pawn_drop(const KMove& m) {
  return m.from == board::kInHand && board::code_kind(m.code) == board::kPawn;
}

// The king-move distance between two board squares.
inline int chebyshev(int a, int b) {
  return std::max(std::abs(board::square_file(a) - board::square_file(b)),
                  std::abs(board::square_rank(a) - board::square_rank(b)));
}

constexpr int kInGameMaxPly = 64;
constexpr int kSolverMaxPly = 2000;
constexpr int kMovesPerPly = 10;        // the move store holds 10 x D moves
constexpr uint32_t kTimeCheckVisits = 48;
constexpr uint32_t kMaxBlockKb = 32768;  // largest block of a growing table
constexpr uint32_t kShortestMinNodes = 300000;
constexpr uint32_t kShortestFactor = 20;
// The budget of a solve's searches that show the main line's lengths (the
// root's shortest mate first): kLineFactor times the solve's nodes before the
// tree, at least kLineMinNodes.
constexpr uint32_t kLineMinNodes = 400000;
constexpr uint32_t kLineFactor = 20;
// The first search of a solve: its depth and node budget (tsume_roots.cpp).
constexpr int kShallowMaxPly = 64;
constexpr int32_t kShallowNodes = 1000000;

// One listed move's child: its key, path key and two ordering hints.
struct KeyEntry {
  KHashKey key;
  uint32_t path_key;  // once path_made is set (tsume_child_path_key)
  int8_t h16;
  int8_t h17;
  uint8_t on_path;  // the child repeats a position of the path (fixed while the node is visited)
  // The path key is made on first need: most children are answered by their
  // key alone (an empty bucket) and are never entered.
  uint8_t path_made;
};
static_assert(sizeof(KeyEntry) == 20);

// The words a node saves when it descends and gets back when it returns.
struct PlyFrame {
  int32_t pn_threshold;
  int32_t dn_threshold;
  KMove last_move;
  KHashKey key;
  uint32_t path_key;
  int32_t move_count;
  int32_t pn_increment;
  int32_t dn_increment;
  int32_t move_base;
};

// The path table: the keys of the positions on the current path, chained in
// buckets by key word 0.
struct PathEntry {
  KHashKey key;
  int32_t next;  // ply of the next entry of the bucket, -1 none
};

// A counter or clock word that the solving thread alone writes and another
// thread reads while the solve runs (the progress display). Relaxed loads and
// stores: the reader wants a recent value, not an order with other words, and
// on the solving side they cost what a plain word costs.
class SolveWord {
 public:
  operator uint32_t() const { return value_.load(std::memory_order_relaxed); }
  SolveWord& operator=(uint32_t v) {
    value_.store(v, std::memory_order_relaxed);
    return *this;
  }
  // One writer: a load and a store, not a locked read-modify-write.
  SolveWord& operator++() { return *this = *this + 1; }

 private:
  std::atomic<uint32_t> value_{0};
};

// A child's numbers as the last count of its node saw them.
struct ChildValue {
  int32_t pn;
  int32_t dn;
  int8_t hint;     // the hint that orders it (AND nodes adjust it per count)
  uint8_t state;   // 0 not counted, 1 open, 2 proven, 3 disproven
  uint8_t deeper;  // first reached below the node
  uint8_t weak;    // a weakly supported interposition
  uint8_t entered; // an AND node's loop has searched it in the current visit
};

// A child's verdict in the depth-bounded search (tsume_bounded.h) as the
// current visit of its node learnt it.
struct BoundedLeaf {
  int32_t pn;
  int32_t dn;
  uint32_t hand;    // a proof's hand (packed)
  uint16_t move;    // a proof's move (node coding)
  int16_t length;   // a proof's length in plies
  int16_t bound;    // a disproof: no mate within this many plies
  uint8_t flags;    // kBounded* flags of tsume_bounded.cpp
  uint8_t known;    // learnt in this visit
};

// An evasion of a node of the depth-bounded search: its distance from the king
// when it is a drop (0 otherwise) and the attacker's captures of the dropped
// piece, listed after the evasions.
struct BoundedDrop {
  int8_t distance;
  int16_t captures_begin;
  int16_t captures_end;
};

struct KTsumeEngine {
  KTsumeEngine(uint64_t mem_kb, bool small);
  ~KTsumeEngine();
  KTsumeEngine(const KTsumeEngine&) = delete;
  KTsumeEngine& operator=(const KTsumeEngine&) = delete;

  // False when the table or a work store could not be allocated.
  bool ok() const;

  KTsumeTable table;
  KTsumeTable* tree = nullptr;       // the current solution tree
  KTsumeTable* committed = nullptr;  // the tree kept for the answers of a game
  KTsumeTable* spare_tree = nullptr; // an emptied tree table kept for the next solve
  int max_ply;                       // D
  KMove* moves = nullptr;            // 10 x D
  KeyEntry* entries = nullptr;       // 10 x D
  ChildValue* values = nullptr;      // 10 x D, beside the moves
  uint16_t* codes = nullptr;         // 10 x D: candidate moves of the tree walk
  BoundedLeaf* leaves = nullptr;     // 10 x D: the bounded search's children
  BoundedDrop* drops = nullptr;      // 10 x D: the bounded search's evasions
  PlyFrame* frames = nullptr;        // D
  KMove* main_line = nullptr;        // D
  int main_line_length = 0;
  uint32_t visits = 0;
  SolveWord start_time;              // read by the progress display
  std::atomic<uint32_t> time_limit{0};
  // A stop request of the instance's owner (any thread may set it), read at
  // the time tests like a time limit of 0; null when the owner has none.
  const std::atomic<bool>* stop_request = nullptr;
  SolveWord node_count;              // read by the progress display
  uint32_t last_node_count = 0;
  double last_seconds = 0;
  int32_t node_limit = -1;
  PathEntry* path = nullptr;       // D, by ply
  int32_t* path_heads = nullptr;   // D buckets
  bool store_failed = false;       // a store found no node: the search stops
  uint32_t demotions = 0;          // proofs demoted by the tree walk
  uint32_t reprove_budget = 0;     // nodes a re-proof inside the tree walk may spend
  // Nodes the searches for shorter mates below the root of the tree may spend:
  // 0 as many as kShortestFactor times the solve's nodes before them (at least
  // kShortestMinNodes), more than 0 that many, below 0 as many as the solve's
  // limits allow (and then the line's searches too).
  int64_t shortest_budget = 0;
  uint32_t shortest_end = 0;       // the node count at which they stop
  uint32_t shortest_allowance = 0; // the budget above
  // Nodes the searches that show the main line's lengths may spend (the
  // root's shortest mate, then each ply of the line): 0 the kLine* rule, more
  // than 0 that many, below 0 as many as the solve's limits allow. They stop
  // at the node count line_end.
  int64_t line_budget = 0;
  uint32_t line_end = 0;
  uint32_t line_spent = 0;  // what the root's searches of the last walk spent of it
  // The root's shortest mate as they found it, and whether no mate within it
  // less two was shown (0: they did not run).
  int root_length = 0;
  bool root_shown = false;
  uint32_t soft_time_limit = 0;    // ms from the start at which a search for a shorter mate stops (0 none)
  bool line_shortest = false;      // the last main line's length was shown: no shorter mate exists
  // The plies of the last main line, from its start, along which every
  // position's length was shown (main_line_length when all were).
  int line_shown = 0;
  bool optional_searches = true;   // the tree walk may search for shorter mates and futile drops
  uint32_t pair_transpositions = 0;  // AND nodes valued by their converging pair
  KMove scratch[1024];             // generator output before it goes to the store
};

// The state of one walk from a root, but for its position (TsumeContext).
struct TsumeWalk {
  int ply = 0;
  uint32_t nonpromo_bits = 0;
  KMove last_move{};
  KHashKey key{};
  uint32_t path_key = 0;
  int move_base = 0;
  int attacker = 0;
  int defender = 1;
  int move_count = 0;
  KHashKey root_key{};
  // The walk stores its proofs in the move search's table too (the in-game
  // probes), under the keys tsume_search_key makes.
  bool search_keyed = false;
  int32_t pn_increment = 15;
  int32_t dn_increment = 35;
  int32_t pn_threshold = kCap;
  int32_t dn_threshold = kCap;
  // Tree walk.
  int tree_length = 0;
  int tree_quality = 0;
  uint32_t path_candidates = 0;
};

// A walk with the position it moves through. A context made plainly walks a
// copy of the root position of its own (tsume_context_init fills it); one made
// on a position walks that position itself, which is cheaper than a copy for
// the many short searches of a game: every move the walk makes is taken back
// by the time a root call returns (tsume_root_in_place puts back the few words
// that taking moves back leaves otherwise, see tsume_roots.cpp).
struct TsumeContext : TsumeWalk {
  TsumeContext() : pos(own_pos_) {}
  explicit TsumeContext(KPosition& board) : pos(board) {}
  // A copy walks a copy of the other's position.
  TsumeContext(const TsumeContext& o) : TsumeWalk(o), pos(own_pos_), own_pos_(o.pos) {}
  TsumeContext& operator=(const TsumeContext&) = delete;

  KPosition& pos;

 private:
  KPosition own_pos_;
};

// The key of a position for the given attacker: the attacker's hand packed and
// the attacker marked in bit 22, so that one board is keyed apart for the two
// possible attackers. The mark is an exclusive or, which the incremental key
// update keeps, so keys made from scratch and along a walk agree.
KHashKey tsume_root_key(const KPosition& p, int attacker);

// The same key made from a key of the position with the first player's hand
// packed (the move search's keys): the board words and the side to move are
// the search key's, the mark and the hand the attacker's. Cheaper than a key
// from scratch, which walks the board.
KHashKey tsume_key_from_search_key(const KHashKey& search_key, const KPosition& p, int attacker);

// The move search's key of the context's position, made from the solver's key
// (tsume_key_from_search_key the other way round): the same board words and
// side to move, the mark taken off and the first player's hand packed. The
// walk then keeps one key per position, not the search's key beside it.
KHashKey tsume_search_key(const TsumeContext& c);

// Sets up a context on the position for the attacker (with the position's key
// for that attacker when the caller has it); a context not made on that very
// position takes a copy of it.
void tsume_context_init(TsumeContext& c, const KPosition& p, int attacker);
void tsume_context_init(TsumeContext& c, const KPosition& p, int attacker, const KHashKey& key);

// The time limit's and the stop request's part of tsume_limit_reached.
bool tsume_time_reached(KTsumeEngine& e);
// True when the node limit, a failed store, or (every 48 counts) the time limit
// or the owner's stop request says the search must stop. Inline: every visit
// asks, and most answers need no clock.
inline bool tsume_limit_reached(KTsumeEngine& e) {
  if (e.store_failed) return true;
  if (e.node_limit >= 0 && e.node_count >= static_cast<uint32_t>(e.node_limit)) return true;
  if (++e.visits % kTimeCheckVisits != 0) return false;
  return tsume_time_reached(e);
}

// Path table.
void tsume_path_enter(KTsumeEngine& e, const KHashKey& key, int ply);
void tsume_path_leave(KTsumeEngine& e, int ply);
// True when a position on the path has the key's board and side to move with
// the attacker's hand at least as large.
bool tsume_path_find(const KTsumeEngine& e, const KHashKey& key, int ply);

// Moves the context to the listed move's child and back.
void tsume_descend(KTsumeEngine& e, TsumeContext& c, int index, bool use_listed_key);
void tsume_ascend(KTsumeEngine& e, TsumeContext& c);

// Lists the node's moves (checks or evasions) in the move store. False when
// they do not fit the store: the node counts as at the depth limit.
bool tsume_list_moves(KTsumeEngine& e, TsumeContext& c);
// Fills the key entries of the listed moves.
void tsume_children_init(KTsumeEngine& e, TsumeContext& c);
// The path key of the current node's listed child i, made on its first need.
inline uint32_t tsume_child_path_key(KTsumeEngine& e, const TsumeContext& c, int i) {
  KeyEntry& k = e.entries[c.move_base + i];
  if (!k.path_made) {
    k.path_key = path_key_after(c.path_key, e.moves[c.move_base + i], c.ply);
    k.path_made = 1;
  }
  return k.path_key;
}
// The table's answer for the current node's listed child i (tsume_lookup_path
// with its key and path key); a child whose bucket is empty is answered
// without its path key.
inline KTsumeNode* tsume_child_lookup(KTsumeEngine& e, const TsumeContext& c, int i) {
  const KHashKey& key = e.entries[c.move_base + i].key;
  const uint32_t head = tsume_bucket_head(e.table, key);
  return head == kNoNode ? nullptr : tsume_lookup_chain(e.table, head, key, tsume_child_path_key(e, c, i));
}

// One visit of the current node of the proof-number search.
void tsume_mid(KTsumeEngine& e, TsumeContext& c);

// Roots: 0 mate (the first move in `out`), 1 undecided, 2 no mate (at a
// defender root, the refuting evasion in `out`). The attacker's and the
// defender's root search an instance deeper than kShallowMaxPly plies first
// to that depth (tsume_roots.cpp).
int tsume_root(KTsumeEngine& e, const KPosition& p, KHashKey* main_key, KMove* out);
// The same root walking the caller's position itself (no copy of it); the
// position is as it was, byte for byte, when this returns.
int tsume_root_in_place(KTsumeEngine& e, KPosition& p, KHashKey* main_key, KMove* out);
int tsume_root_defender(KTsumeEngine& e, const KPosition& p, KMove* out);
int tsume_root_bounded(KTsumeEngine& e, const KPosition& p, int32_t bound);
// Proves the context's current position again with the full thresholds.
int tsume_root_ktsume(KTsumeEngine& e, TsumeContext& c);

// The solve of a position with the attacker to move (with the defender to move
// for the second), with the solution tree when it mates: 0 mate (the main line
// in the engine), 1 undecided or limit, 2 no mate (refuting move in `out`),
// 3 the side to move could take the enemy king.
int ktsume_solve_attacker(KTsumeEngine& e, const KPosition& p, uint32_t time_limit, int32_t node_limit);
int ktsume_solve_defender(KTsumeEngine& e, const KPosition& p, uint32_t time_limit, int32_t node_limit,
                          KMove* out, int* count);

// The state of the clock and counters at the start of a search.
void tsume_start_clock(KTsumeEngine& e);
// Records the elapsed seconds and nodes of the search that just ended.
void tsume_record_stats(KTsumeEngine& e);
// True when the node limit or the time limit has been passed, or a stop asked for.
bool tsume_limits_passed(const KTsumeEngine& e);

}  // namespace tsume
