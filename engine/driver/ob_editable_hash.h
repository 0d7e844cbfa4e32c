// OBEditableHash: a user opening book in memory, a hash table of positions
// (BookPosition) each with its book moves, that can be edited move by move and
// read from and written to book files (JS5, and the older JSD for reading).
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

#include "engine/driver/bin_file.h"
#include "engine/driver/book_key.h"
#include "engine/driver/book_move.h"
#include "model/position/book_position.h"

namespace driver {

// Insert modes: what happens to a move that the position already has.
enum BookInsertMode : int {
  kInsertKeep = 0,     // the old move stays
  kInsertReplace = 1,  // both words are replaced
  kInsertMerge = 2,    // the new value, the strategy bits OR-ed together
};

class OBEditableHash {
 public:
  static constexpr uint32_t kDefaultBuckets = 997;
  static constexpr uint32_t kMinBuckets = 10;

  explicit OBEditableHash(uint32_t nbuckets = kDefaultBuckets, BookKeyFunction key = book_key);
  OBEditableHash(const OBEditableHash&) = delete;
  OBEditableHash& operator=(const OBEditableHash&) = delete;

  // Adds the move to the position's entry (mode & 3 as BookInsertMode). 0 when
  // the move was there already, 1 when it was added to a known position, 2 when
  // the position was new; -1 (nothing changed) for a move that is not sound
  // (book_move_is_sound) or one more than a position may hold.
  int Insert(const model::BookPosition& pos, const BookMove& move, int mode);
  // Removes one move, or the whole position when `move` is null or the empty
  // move. 0 nothing removed, 1 a move removed and the position keeps moves, 2
  // the position removed.
  int Remove(const model::BookPosition& pos, const BookMove* move);
  // The number of moves of the position (0 when absent), copied in the order
  // they were added into `buf` (room for kMaxBookPositionMoves) when given.
  int Lookup(const model::BookPosition& pos, BookMove* buf) const;

  // Reads a JS5 or JSD file (JSD moves take the 4-bit rating of level
  // `ver4_lv`, 0..7) and inserts every move with `mode`. The whole file is
  // checked before anything is inserted: 0, or -1 with the book unchanged and
  // `why` (when given) set when the file cannot be read, is not a plain file,
  // is larger than kMaxBookFileBytes, starts with neither book's first word,
  // is a JS5 book of no position, holds a record that is cut short, a count
  // beyond its data (or, in JS5, short of it: bytes after the last counted
  // record), a wrong JSD header, a slot byte or a move that is not
  // sound, or would give a position more moves than it may hold. `os_error`
  // (when given) is the system's errno when it refused to open or read the
  // file, else 0.
  int Load(const char* name, int mode, int ver4_lv, BookFileError* why = nullptr, int* os_error = nullptr);
  // Writes the book as a JS5 file: positions in bucket order, each chain in its
  // order. The file is written to a fresh temporary file and put in place only
  // when every write succeeded; through a symbolic link, the file the link
  // leads to is replaced, keeping its mode. 0, or -1 with the file as it was.
  int Save(const char* name) const;
  // The size of the JS5 file Save writes.
  uint64_t FileBytes() const;
  // Frees every entry; the book is empty.
  void Clear();

  uint32_t nbuckets() const { return static_cast<uint32_t>(buckets_.size()); }
  uint32_t npositions() const { return static_cast<uint32_t>(entries_.size()); }
  uint32_t nmoves() const { return nmoves_; }

  // Calls f(position, moves, count) for every entry in the order Save writes
  // them.
  template <typename F>
  void ForEachInFileOrder(F&& f) const {
    for (const auto& chain : buckets_) {
      for (const OBEditableEntry* e : chain) f(e->pos, e->moves.data(), static_cast<int>(e->moves.size()));
    }
  }

 private:
  struct OBEditableEntry {
    BookKey key;
    std::vector<BookMove> moves;  // in the order they were added
    model::BookPosition pos;
    std::list<OBEditableEntry>::iterator self;  // its place in the insertion list
  };
  // Where a key stands: its bucket, the entry (null when absent) and the place
  // in the chain where it is or where a new entry goes.
  struct Place {
    uint32_t bucket;
    size_t index;
    OBEditableEntry* entry;
  };
  Place Find(const BookKey& key) const;
  // True when every position of `staged` keeps at most kMaxBookPositionMoves
  // moves once merged into this book.
  bool MergeFits(const OBEditableHash& staged) const;
  // Parse a file body into `staged`; false for a damaged file.
  static bool ParseJs5(BinFile& f, OBEditableHash& staged, int mode, BookFileError* why);
  static bool ParseJsd(BinFile& f, OBEditableHash& staged, int mode, int ver4_lv);

  BookKeyFunction key_fn_;
  std::list<OBEditableEntry> entries_;                  // insertion order
  std::vector<std::vector<OBEditableEntry*>> buckets_;  // chains by descending hi, then lo
  uint32_t nmoves_ = 0;
};

}  // namespace driver
