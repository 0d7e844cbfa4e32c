// KMoveSet: the root moves chosen so far in one iteration, with their scores,
// highest first. Used for the N-best passes: a pass skips the moves already in
// the set and stops once the latest insertion ranks N or lower.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/board/position.h"

namespace search {

struct KMoveSet {
  struct Entry {
    int32_t score;
    board::KMoveWord move;
  };
  std::vector<Entry> entries;  // descending scores
  int32_t rank = 0;            // 1-based place of the most recent insertion
};

// The think's instance is in its context (think_context.h).

void move_set_clear(KMoveSet& set);
// Inserts before the first entry scored lower (after equal scores), without a
// duplicate check; the rank word becomes the new entry's place.
void move_set_add(KMoveSet& set, int32_t score, board::KMoveWord move);
bool move_set_contains(const KMoveSet& set, board::KMoveWord move);
// The rank of the most recent insertion (not the number of entries).
int move_set_count(const KMoveSet& set);

}  // namespace search
