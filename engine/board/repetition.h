// The two repetition tables: small fixed hash tables of position keys. The
// search-path table holds the positions of the line being searched, pushed on
// the way down and truncated on the way back, and matches a position whichever
// side is to move. The game-record table counts how often each position of the
// game so far occurred, side to move included. Used on the computer thread only.
#pragma once

#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace board {

constexpr uint32_t kPathRepSize = 600;   // entries and buckets
constexpr uint32_t kKifuRepSize = 1500;  // entries and buckets

struct KPathRepEntry {
  uint32_t word[3];       // the key, side-to-move bit cleared
  uint32_t first_value;   // the caller's two values
  uint32_t second_value;
  uint32_t prev;          // index of the previous entry of the chain
  uint32_t next;          // index of the next entry of the chain
};

struct KKifuRepEntry {
  uint32_t word[3];       // hash_key_full with sente's hand
  uint32_t occurrences;
  uint32_t next;          // index of the next entry of the chain
};

// Empties the search-path table.
void path_rep_clear();
// Pushes a position with the caller's two values: 0, or 1 when the table holds
// 600 entries already (then nothing is stored).
int path_rep_add(const KHashKey& key, uint32_t first_value, uint32_t second_value);
// The most recently pushed entry of the position, either side to move; null
// when absent.
const KPathRepEntry* path_rep_find(const KHashKey& key);
// Drops the entries pushed from index n on; nothing when n is not below the count.
void path_rep_truncate(uint32_t n);
// Entries pushed: the index the next push takes (callers save it to truncate back).
uint32_t path_rep_count();

// Empties the game-record table.
void kifu_rep_clear();
// Counts one more occurrence of the position, entering it when it is new; once
// the table holds 1500 positions nothing changes.
void kifu_rep_add(const KPosition& p);
// The entry of exactly this key (side to move included), null when absent.
const KKifuRepEntry* kifu_rep_find(const KHashKey& key);

}  // namespace board
