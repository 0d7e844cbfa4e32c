#include "engine/tsume/tsume_engine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/path_keys.h"
#include "platform/clock.h"

namespace tsume {

using namespace board;

namespace {

template <class T>
T* alloc_array(size_t n) {
  return static_cast<T*>(std::calloc(n, sizeof(T)));
}

// The per-square counter of earlier listed moves of the same piece kind onto
// the same square.
int earlier_same(const KMove* moves, int i) {
  int count = 0;
  const int kind = code_class(moves[i].code);
  for (int j = 0; j < i; ++j) {
    if (moves[j].to == moves[i].to && code_class(moves[j].code) == kind) ++count;
  }
  return std::min(count, 127);
}

// The side's hand as a key packs it.
uint32_t packed_hand(const KPosition& p, int side) {
  uint32_t packed = 0;
  for (int k = kRook; k <= kPawn; ++k) packed += static_cast<uint32_t>(p.hand[side][k]) << kHandFieldShift[k];
  return packed;
}

int8_t clamp_hint(int v) { return static_cast<int8_t>(std::clamp(v, -128, 127)); }

// OR nodes: captures first, then long drops by their distance from the king.
int8_t tsume_check_spread(const KPosition& p, const KMove& m, int king) {
  if (m.captured_code != 0) return -1;
  const int kind = code_kind(m.code);
  if (m.from == kInHand && (kind == kRook || kind == kBishop || kind == kLance) && king < kInHand) {
    return clamp_hint(chebyshev(m.to, king));
  }
  (void)p;
  return 0;
}

// OR nodes: checks onto one well-covered square count as one group.
int8_t tsume_check_repeat_hint(const KPosition& p, const KMove* moves, int i, int attacker) {
  const KMove& m = moves[i];
  const KKiki& k = kiki_at(p, m.to);
  const bool quiet = m.captured_code == 0 && code_kind(m.code) != kKing && k.direct_count[attacker] >= 2;
  const bool capture = m.captured_code != 0 && k.direct_count[1 - attacker] >= 2;
  return (quiet || capture) ? clamp_hint(earlier_same(moves, i)) : 0;
}

int8_t tsume_evasion_hint(const KPosition& p, const KMove* moves, int i, int defender) {
  const KMove& m = moves[i];
  const int attacker = 1 - defender;
  const int king = p.piece[defender].sq;
  const KKiki& k = kiki_at(p, m.to);
  if (m.from == kInHand) {
    const int def = k.direct_count[defender], att = k.direct_count[attacker];
    const int d = king < kInHand ? chebyshev(m.to, king) : 0;
    if (def > att || (def == att && d == 1)) return 0;
    return clamp_hint(d);
  }
  const int cls = code_class(m.code);
  if (!m.promote && can_promote(m.code) && (in_camp(defender, m.from) || in_camp(defender, m.to))) return 1;
  (void)cls;
  if (m.captured_code == 0) {
    if (code_kind(m.code) == kKing) return 0;
    if (k.direct_count[attacker] < 2) return 0;
    return clamp_hint(earlier_same(moves, i));
  }
  if (code_kind(m.code) == kKing || k.direct_count[attacker] < 2) return -2;
  return clamp_hint(earlier_same(moves, i));
}

}  // namespace

KTsumeEngine::KTsumeEngine(uint64_t mem_kb, bool small) {
  // Progress read before the first search starts its clock counts from here.
  start_time = platform::tick_ms();
  // The marker bytes of the generated moves stay as this leaves them (see
  // tsume_list_moves).
  std::fill(std::begin(scratch), std::end(scratch), KMove{});
  table.kb_per_block = static_cast<uint32_t>(small ? std::min<uint64_t>(mem_kb, 0xFFFFFFFFu)
                                                   : std::min<uint64_t>(mem_kb, kMaxBlockKb));
  table.grow = small ? 0 : 1;
  max_ply = small ? kInGameMaxPly : kSolverMaxPly;
  if (!tsume_table_init(table, mem_kb)) return;
  const size_t store = static_cast<size_t>(kMovesPerPly) * max_ply;
  moves = alloc_array<KMove>(store);
  entries = alloc_array<KeyEntry>(store);
  values = alloc_array<ChildValue>(store);
  codes = alloc_array<uint16_t>(store);
  leaves = alloc_array<BoundedLeaf>(store);
  drops = alloc_array<BoundedDrop>(store);
  frames = alloc_array<PlyFrame>(max_ply);
  main_line = alloc_array<KMove>(max_ply);
  path = alloc_array<PathEntry>(max_ply);
  path_heads = alloc_array<int32_t>(max_ply);
  if (path_heads != nullptr) std::fill(path_heads, path_heads + max_ply, -1);
}

KTsumeEngine::~KTsumeEngine() {
  for (KTsumeTable* t : {tree, committed, spare_tree}) {
    if (t != nullptr) {
      tsume_table_free_blocks(*t);
      delete t;
    }
  }
  tsume_table_free_blocks(table);
  std::free(moves);
  std::free(entries);
  std::free(values);
  std::free(codes);
  std::free(leaves);
  std::free(drops);
  std::free(frames);
  std::free(main_line);
  std::free(path);
  std::free(path_heads);
}

bool KTsumeEngine::ok() const {
  return table.buckets != nullptr && moves != nullptr && entries != nullptr && values != nullptr && codes != nullptr && leaves != nullptr && drops != nullptr &&
         frames != nullptr && main_line != nullptr && path != nullptr &&
         path_heads != nullptr;
}

KHashKey tsume_root_key(const KPosition& p, int attacker) {
  KHashKey key;
  hash_key_full(p, attacker, key);
  key.word[2] ^= static_cast<uint32_t>(attacker) << 22;
  return key;
}

KHashKey tsume_key_from_search_key(const KHashKey& search_key, const KPosition& p, int attacker) {
  KHashKey key = search_key;
  key.word[2] = ((search_key.word[2] & ~kHashHandBits) ^ static_cast<uint32_t>(attacker) << 22) |
                packed_hand(p, attacker);
  return key;
}

KHashKey tsume_search_key(const TsumeContext& c) {
  KHashKey key = c.key;
  key.word[2] = ((c.key.word[2] & ~kHashHandBits) ^ static_cast<uint32_t>(c.attacker) << 22) | packed_hand(c.pos, 0);
  return key;
}

void tsume_context_init(TsumeContext& c, const KPosition& p, int attacker) {
  tsume_context_init(c, p, attacker, tsume_root_key(p, attacker));
}

void tsume_context_init(TsumeContext& c, const KPosition& p, int attacker, const KHashKey& key) {
  if (&c.pos != &p) c.pos = p;
  c.attacker = attacker;
  c.defender = 1 - attacker;
  c.ply = 0;
  c.nonpromo_bits = 0;
  c.last_move = pass_move();
  c.key = key;
  c.root_key = c.key;
  c.path_key = 0;
  c.move_base = 0;
  c.move_count = 0;
  c.search_keyed = false;
  c.pn_increment = 15;
  c.dn_increment = 35;
  c.pn_threshold = kCap;
  c.dn_threshold = kCap;
  c.tree_length = 0;
  c.tree_quality = 0;
  c.path_candidates = 0;
}

void tsume_start_clock(KTsumeEngine& e) {
  e.visits = 0;
  e.start_time = platform::tick_ms();
  e.node_count = 0;
  e.store_failed = false;
}

void tsume_record_stats(KTsumeEngine& e) {
  e.last_seconds = platform::tick_elapsed(e.start_time, platform::tick_ms()) * 0.001;
  e.last_node_count = e.node_count;
}

namespace {

bool stop_requested(const KTsumeEngine& e) {
  return e.stop_request != nullptr && e.stop_request->load(std::memory_order_relaxed);
}

}  // namespace

bool tsume_limits_passed(const KTsumeEngine& e) {
  if (e.store_failed) return true;
  if (e.node_limit >= 0 && e.node_count >= static_cast<uint32_t>(e.node_limit)) return true;
  const uint32_t limit = e.time_limit.load(std::memory_order_relaxed);
  return limit == 0 || stop_requested(e) || platform::tick_elapsed(e.start_time, platform::tick_ms()) > limit;
}

bool tsume_time_reached(KTsumeEngine& e) {
  const uint32_t limit = e.time_limit.load(std::memory_order_relaxed);
  const uint32_t elapsed = platform::tick_elapsed(e.start_time, platform::tick_ms());
  if (limit == 0 || stop_requested(e) || elapsed > limit || (e.soft_time_limit != 0 && elapsed > e.soft_time_limit)) {
    --e.visits;  // the next count is a check again, so the whole path stops at once
    return true;
  }
  return false;
}

void tsume_path_enter(KTsumeEngine& e, const KHashKey& key, int ply) {
  const int bucket = static_cast<int>(key.word[0] % static_cast<uint32_t>(e.max_ply));
  e.path[ply].key = key;
  e.path[ply].next = e.path_heads[bucket];
  e.path_heads[bucket] = ply;
}

void tsume_path_leave(KTsumeEngine& e, int ply) {
  const int bucket = static_cast<int>(e.path[ply].key.word[0] % static_cast<uint32_t>(e.max_ply));
  // Entries leave in the reverse order of entry, so this one heads its bucket.
  e.path_heads[bucket] = e.path[ply].next;
}

bool tsume_path_find(const KTsumeEngine& e, const KHashKey& key, int ply) {
  const int bucket = static_cast<int>(key.word[0] % static_cast<uint32_t>(e.max_ply));
  for (int i = e.path_heads[bucket]; i >= 0; i = e.path[i].next) {
    if (i >= ply) continue;
    const KHashKey& k = e.path[i].key;
    if (k.word[0] != key.word[0] || k.word[1] != key.word[1]) continue;
    if (!hash_hand_only_differs(k.word[2], key.word[2])) continue;
    if (hash_hand_superior(k, key) != 0) return true;
  }
  return false;
}

void tsume_descend(KTsumeEngine& e, TsumeContext& c, int index, bool use_listed_key) {
  PlyFrame& f = e.frames[c.ply];
  f.pn_threshold = c.pn_threshold;
  f.dn_threshold = c.dn_threshold;
  f.last_move = c.last_move;
  f.key = c.key;
  f.path_key = c.path_key;
  f.move_count = c.move_count;
  f.pn_increment = c.pn_increment;
  f.dn_increment = c.dn_increment;
  f.move_base = c.move_base;
  tsume_path_enter(e, c.key, c.ply);
  const KMove m = e.moves[c.move_base + index];
  if (use_listed_key) {
    c.key = e.entries[c.move_base + index].key;
    c.path_key = tsume_child_path_key(e, c, index);
  } else {
    hash_key_sashite(c.key, c.attacker, m);
    c.path_key = path_key_after(c.path_key, m, c.ply);
  }
  const bool attacker_moves = c.pos.teban == c.attacker;
  do_move(c.pos, m, 0);
  if (m.captured_code != 0) {
    if (attacker_moves) {
      c.pn_increment = std::max(1, c.pn_increment - 1);
      ++c.dn_increment;
    } else {
      ++c.pn_increment;
      c.dn_increment = std::max(1, c.dn_increment - 1);
    }
  }
  c.last_move = m;
  c.move_base += c.move_count;
  c.move_count = 0;
  ++c.ply;
}

void tsume_ascend(KTsumeEngine& e, TsumeContext& c) {
  --c.ply;
  undo_move(c.pos, c.last_move, 0);
  const PlyFrame& f = e.frames[c.ply];
  tsume_path_leave(e, c.ply);
  c.pn_threshold = f.pn_threshold;
  c.dn_threshold = f.dn_threshold;
  c.last_move = f.last_move;
  c.key = f.key;
  c.path_key = f.path_key;
  c.move_count = f.move_count;
  c.pn_increment = f.pn_increment;
  c.dn_increment = f.dn_increment;
  c.move_base = f.move_base;
}

bool tsume_list_moves(KTsumeEngine& e, TsumeContext& c) {
  int n;
  if (c.pos.teban == c.defender) {
    n = oute_nige_gen(c.pos, e.scratch);
  } else if (king_attacked(c.pos, c.attacker)) {
    n = gyaku_oute_gen(c.pos, e.scratch);
  } else {
    n = oute_gen(c.pos, e.scratch, 0);
  }
  const int room = kMovesPerPly * e.max_ply - c.move_base;
  if (n > room) return false;
  // The generators leave the marker byte as it was, and no one else writes
  // the scratch array, which starts zeroed: the moves come with the marker 0
  // that the node coding reads, and go to the store as they are.
  std::copy(e.scratch, e.scratch + n, e.moves + c.move_base);
  c.move_count = n;
  return true;
}

void tsume_children_init(KTsumeEngine& e, TsumeContext& c) {
  // The node's words in locals: the byte-sized hints written below may alias
  // anything, which would make every one of them a reload per child.
  const KMove* moves = e.moves + c.move_base;
  KeyEntry* entries = e.entries + c.move_base;
  const KPosition& p = c.pos;
  const KHashKey key = c.key;
  const int ply = c.ply, count = c.move_count, attacker = c.attacker, defender = c.defender;
  const bool or_node = p.teban == attacker;
  const int king = p.piece[defender].sq;
  for (int i = 0; i < count; ++i) {
    KeyEntry& k = entries[i];
    KHashKey child = key;
    hash_key_sashite(child, attacker, moves[i]);
    k.key = child;
    // The child's bucket is asked for now: the node's first count of its
    // children reads every one, and the rest of this loop hides the wait.
    tsume_prefetch(e.table, child);
    k.path_made = 0;
    k.on_path = tsume_path_find(e, child, ply) ? 1 : 0;
    if (or_node) {
      k.h16 = tsume_check_spread(p, moves[i], king);
      k.h17 = tsume_check_repeat_hint(p, moves, i, attacker);
    } else {
      k.h16 = tsume_evasion_hint(p, moves, i, defender);
      k.h17 = 0;
    }
  }
}

}  // namespace tsume
