#include "engine/driver/ob_editable_hash.h"

#include <algorithm>
#include <iterator>

namespace driver {

namespace {

// Move arrays grow in steps of this many moves, so that a long import copies
// rarely.
constexpr size_t kMoveChunk = 32;

int find_move(const std::vector<BookMove>& moves, uint32_t id) {
  for (size_t i = 0; i < moves.size(); ++i) {
    if (book_move_id(moves[i].code) == id) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

OBEditableHash::OBEditableHash(uint32_t nbuckets, BookKeyFunction key)
    : key_fn_(key ? key : book_key), buckets_(std::max(nbuckets, kMinBuckets)) {}

OBEditableHash::Place OBEditableHash::Find(const BookKey& key) const {
  const uint32_t b = (key.lo ^ key.hi) % nbuckets();
  const std::vector<OBEditableEntry*>& chain = buckets_[b];
  size_t i = 0;
  // Chains run by descending hi and, within an equal hi, by descending lo: an
  // entry is found only on both words equal.
  while (i < chain.size()) {
    const BookKey& k = chain[i]->key;
    if (k.hi > key.hi || (k.hi == key.hi && k.lo > key.lo)) {
      ++i;
      continue;
    }
    if (k == key) return {b, i, chain[i]};
    break;
  }
  return {b, i, nullptr};
}

int OBEditableHash::Insert(const model::BookPosition& pos, const BookMove& move, int mode) {
  if (!book_move_is_sound(move)) return -1;
  BookKey key;
  key_fn_(pos, &key);
  const Place at = Find(key);
  if (at.entry) {
    std::vector<BookMove>& moves = at.entry->moves;
    const int i = find_move(moves, book_move_id(move.code));
    if (i >= 0) {
      BookMove& old = moves[static_cast<size_t>(i)];
      if ((mode & 3) == kInsertReplace) {
        old = move;
      } else if ((mode & 3) == kInsertMerge) {
        old.code = book_code_with_value(old.code, book_move_value(move.code));
        old.senkei |= move.senkei;
      }
      return 0;
    }
    if (moves.size() >= kMaxBookPositionMoves) return -1;
    if (moves.size() == moves.capacity()) moves.reserve(moves.size() + kMoveChunk);
    moves.push_back(move);
    ++nmoves_;
    return 1;
  }
  OBEditableEntry& e = entries_.emplace_back();
  e.self = std::prev(entries_.end());
  e.key = key;
  e.pos = pos;
  e.moves.reserve(kMoveChunk);
  e.moves.push_back(move);
  buckets_[at.bucket].insert(buckets_[at.bucket].begin() + static_cast<std::ptrdiff_t>(at.index), &e);
  ++nmoves_;
  return 2;
}

int OBEditableHash::Remove(const model::BookPosition& pos, const BookMove* move) {
  BookKey key;
  key_fn_(pos, &key);
  const Place at = Find(key);
  if (!at.entry) return 0;
  std::vector<BookMove>& moves = at.entry->moves;
  if (move && book_move_id(move->code) != 0) {
    const int i = find_move(moves, book_move_id(move->code));
    if (i < 0) return 0;
    moves.erase(moves.begin() + i);
    --nmoves_;
    if (!moves.empty()) return 1;
  }
  nmoves_ -= static_cast<uint32_t>(moves.size());
  std::vector<OBEditableEntry*>& chain = buckets_[at.bucket];
  chain.erase(chain.begin() + static_cast<std::ptrdiff_t>(at.index));
  entries_.erase(at.entry->self);
  return 2;
}

int OBEditableHash::Lookup(const model::BookPosition& pos, BookMove* buf) const {
  BookKey key;
  key_fn_(pos, &key);
  const Place at = Find(key);
  if (!at.entry) return 0;
  if (buf) std::copy(at.entry->moves.begin(), at.entry->moves.end(), buf);
  return static_cast<int>(at.entry->moves.size());
}

void OBEditableHash::Clear() {
  for (std::vector<OBEditableEntry*>& chain : buckets_) chain.clear();
  entries_.clear();
  nmoves_ = 0;
}

bool OBEditableHash::MergeFits(const OBEditableHash& staged) const {
  for (const OBEditableEntry& s : staged.entries_) {
    const Place at = Find(s.key);
    if (!at.entry) continue;
    size_t added = 0;
    for (const BookMove& m : s.moves) {
      if (find_move(at.entry->moves, book_move_id(m.code)) < 0) ++added;
    }
    if (at.entry->moves.size() + added > kMaxBookPositionMoves) return false;
  }
  return true;
}

}  // namespace driver
