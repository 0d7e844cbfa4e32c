// DividedBook: the large read-only opening book, split into up to 64
// zlib-compressed part files. A position belongs to the part named by where the
// mover's main pieces stand, and at most eight parts stay in memory.
//
// A part file (little-endian): "JoSe", "Ki5\0", u32 packed size P, u32 unpacked
// size U, then P bytes of a zlib stream that inflates to U bytes:
// u32 nbuckets, u32 nentries, u32 nmoves; nbuckets buckets {u32 first entry,
// u16 entry count}; nentries entries {u32 lo, u32 hi, u32 first move, u8 move
// count}; nmoves BookMove records. A key's bucket is (lo ^ hi) % nbuckets; the
// entries of a bucket are consecutive and run by descending hi.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/driver/bin_file.h"
#include "engine/driver/book_key.h"
#include "engine/driver/book_move.h"
#include "model/position/book_position.h"

namespace driver {

constexpr int kDividedBookParts = 64;
constexpr int kDividedBookRecent = 8;  // parts kept in memory

struct DividedBookPart {
  struct Bucket {
    uint32_t first;
    uint32_t count;
  };
  struct Entry {
    BookKey key;
    uint32_t first;
    uint32_t count;
  };
  std::vector<Bucket> buckets;
  std::vector<Entry> entries;
  std::vector<BookMove> moves;

  // Reads a part from `f`, positioned after the eight magic bytes: P, U, the
  // packed data, inflated and parsed. Null, with `why` set when given, unless
  // P and U are at most kMaxBookFileBytes (kTooLarge) and the part is sound
  // (kDamaged): P fits the file, the data inflates to exactly U bytes, U is
  // the size the three counts give, there is at least one bucket, every
  // bucket's entries and every entry's moves lie inside their tables, and
  // every move is sound. Nothing is allocated before the sizes are checked.
  static std::unique_ptr<DividedBookPart> Read(BinFile& f, BookFileError* why = nullptr);
  // The moves of `key` (copied into `buf`, room for kMaxBookPositionMoves, when
  // given): their count, 0 when the key is absent.
  int Lookup(const BookKey& key, BookMove* buf) const;
};

// The part of a position (0..63): a bit for each of the mover's kings, rooks,
// bishops, golds, silvers and pawns (on the board, unpromoted) that are not all
// where the home formation keeps them. Part 0 is the home formation.
int divided_book_part_number(const model::BookPosition& pos);

class DividedBook {
 public:
  DividedBook() = default;
  DividedBook(const DividedBook&) = delete;
  DividedBook& operator=(const DividedBook&) = delete;

  // Sets the base file name, whose two characters before the last four are
  // replaced by the part number ("...joseki/bXX.jdb"); frees the loaded parts.
  // 0, or -1 (nothing changed) for a name too short to hold the digits.
  int SetName(const char* name);
  // The book moves of the position (copied into `buf`, room for
  // kMaxBookPositionMoves, when given): their count; 0 when it has none or its
  // part cannot be loaded (the load is tried again at the next lookup).
  int Lookup(const model::BookPosition& pos, BookMove* buf);
  // Frees the name and every loaded part.
  void Clear();

  // Whether part n (0..63) is in memory.
  bool IsLoaded(int n) const { return n >= 0 && n < kDividedBookParts && parts_[n] != nullptr; }
  // Why the last load of part n failed: kNone after a load that succeeded or
  // before any, kMissing when there is no such file.
  BookFileError PartError(int n) const {
    return n >= 0 && n < kDividedBookParts ? part_error_[n] : BookFileError::kMissing;
  }
  // The system's errno when it refused to open or read part n at the last
  // load, else 0.
  int PartOsError(int n) const { return n >= 0 && n < kDividedBookParts ? part_os_error_[n] : 0; }
  // The file name of part n.
  std::string PartPath(int n) const;
  // Whether a file of any part is there: a folder without one holds no book.
  // When there is none, `os_error` (when given) is the system's errno for
  // part files that could not be looked for (a folder on the way that may not
  // be entered, a file in a folder's place), 0 when they are simply absent.
  bool AnyPartFile(int* os_error = nullptr) const;

 private:
  // Reads part n from its file; false when it is missing or damaged.
  bool LoadPart(int n);
  // Puts n at the front of the recent list, freeing the part that drops off
  // its end.
  void Touch(int n);

  std::string name_;  // empty while no name is set
  std::unique_ptr<DividedBookPart> parts_[kDividedBookParts];
  BookFileError part_error_[kDividedBookParts] = {};
  int part_os_error_[kDividedBookParts] = {};
  int recent_[kDividedBookRecent] = {};  // part numbers, most recent first
  int nrecent_ = 0;
};

}  // namespace driver
