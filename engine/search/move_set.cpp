#include "engine/search/move_set.h"

namespace search {

void move_set_clear(KMoveSet& set) {
  set.entries.clear();
  set.rank = 0;
}

void move_set_add(KMoveSet& set, int32_t score, board::KMoveWord move) {
  size_t i = 0;
  while (i < set.entries.size() && set.entries[i].score >= score) ++i;
  set.entries.insert(set.entries.begin() + static_cast<std::ptrdiff_t>(i), KMoveSet::Entry{score, move});
  set.rank = static_cast<int32_t>(i + 1);
}

bool move_set_contains(const KMoveSet& set, board::KMoveWord move) {
  for (const KMoveSet::Entry& e : set.entries) {
    if (e.move == move) return true;
  }
  return false;
}

int move_set_count(const KMoveSet& set) { return set.rank; }

}  // namespace search
