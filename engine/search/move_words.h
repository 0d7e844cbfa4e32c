// The small value operations of a search node: moves between the 12-byte
// record and the packed word, the node's set of searched moves, the refutation
// list, the principal-variation holder of a node and the copy of a node
// context. None can fail.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/node_records.h"

namespace search {

// The moves already searched at a node. A move is in the set when its bucket
// (the sum of the two nibbles of its origin byte, 0..30) holds the set's stamp
// and the list holds its word; taking a new stamp empties the set. Every node
// makes one, so the buckets are no more than the nibble sums need.
constexpr int kSearchedBuckets = 15 + 15 + 1;
struct KSearchedSet {
  uint32_t stamp = 0;
  uint32_t bucket[kSearchedBuckets] = {};
  int32_t count = 0;
  board::KMoveWord* list = nullptr;
};

constexpr board::KMoveWord kPassWord = board::kPassSquare;

// Board moves and drops packed (a drop without capture and promotion); a pass
// packs like a board move (253 | 253 << 8).
inline board::KMoveWord kmove_pack(const board::KMove& m) { return board::move_word(m); }
// As kmove_pack, but a pass gives 253.
inline board::KMoveWord kmove_pack_pass(const board::KMove& m) {
  return m.from == board::kPassSquare ? kPassWord : board::move_word(m);
}
// The record of a word on the position: a pass (low byte 253) from and to 253
// with codes 0; a board move's piece numbers from the board; a drop takes the
// next piece of its kind in the hands, captures nothing (number 40).
void kmove_unpack(const board::KPosition& p, board::KMove& out, board::KMoveWord w);
// 1 when origin and destination bytes agree (bit 14 ignored).
int kmove_equal_masked(board::KMoveWord a, board::KMoveWord b);
void kmove_set_promote(board::KMove& m, int flag);
// Every field but the en-prise byte.
inline void kmove_copy_entry(board::KMove& dst, const board::KMove& src) {
  const uint8_t marker = dst.flag;
  dst = src;
  dst.flag = marker;
}
// The attack record of a square (the board's own record, not a copy).
inline const board::KKiki& kiki_record_at(const board::KPosition& p, int sq) { return board::kiki_at(p, sq); }

inline int tried_moves_bucket(board::KMoveWord w) { return static_cast<int>(((w >> 4) & 15) + (w & 15)); }
// Adds a word: its bucket takes the stamp, the list its word; the new count.
int tried_moves_add(KSearchedSet& set, board::KMoveWord w);
// Adds a move packed pass-aware.
void node_move_list_push(KSearchedSet& set, const board::KMove& m);
// Writes a word at `index` and cuts the set after it; returns the word.
board::KMoveWord tried_moves_put_at(KSearchedSet& set, board::KMoveWord w, int index);
// The number of words in the set's list. (Inline: the move procedure asks it
// for nearly every move.)
inline int tried_moves_count(const KSearchedSet& set) { return set.count; }
// Whether the set's list holds the word (the scan past the bucket test).
inline bool tried_moves_listed(const KSearchedSet& set, board::KMoveWord w) {
  for (int i = 0; i < tried_moves_count(set); ++i) {
    if (set.list[i] == w) return true;
  }
  return false;
}
// True when the word was searched at the node.
inline bool tried_moves_contains(const KSearchedSet& set, board::KMoveWord w) {
  return set.bucket[tried_moves_bucket(w)] == set.stamp && tried_moves_listed(set, w);
}

// Appends when fewer than 3 are kept and the word is not among them.
void refutation_list_add(KSearchNode& node, board::KMoveWord w);

// An empty line for a node of ply + 1: last ply `ply`, the slot behind it
// cleared, state 13, spare 0.
inline void pv_holder_init(KPvHolder& pv, int ply) {
  pv.length = ply;
  if (ply + 1 < KPvHolder::kMaxMoves) {
    pv.moves[ply + 1] = 0;
    pv.flags[ply + 1] = 0;
  }
  pv.set_stage(NodeStage::kNone);
  pv.threat = 0;
}
// The child's line from `from_ply` on, and its last ply.
void pv_copy_child(KPvHolder& pv, const KPvHolder& child, int from_ply);
// Copies the evaluation record, refutation list, hash move and stage, ext, the
// table extension and mate mark, and both mate-threat records; not the
// position, key, line or counters.
void search_context_copy(KSearchNode& dst, const KSearchNode& src);

}  // namespace search
