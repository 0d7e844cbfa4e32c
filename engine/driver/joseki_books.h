// JosekiBooks: the book sources of a document (the user books, a table source
// and the divided book), the lookup that gathers a position's candidate moves
// from the sources its source word allows, and the weighted random choice of
// one candidate.
#pragma once

#include <cstdint>

#include "engine/driver/book_move.h"
#include "engine/driver/divided_book.h"
#include "engine/driver/opening_book_editable.h"
#include "model/position/book_position.h"

namespace driver {

// Room for the candidates of one position: the lookup keeps no more.
constexpr int kMaxBookCandidates = 256;

// Source tags of candidates, and the bits of JosekiBooks::sources.
enum BookSource : uint32_t {
  kSourceUser = 0x1,       // the current user book
  kSourceTable = 0x2,      // the table source
  kSourceDivided = 0x4,    // the divided book
  kSourceDividedLast = 0x10,  // the divided book only when the sources before it found nothing
  kSourceModal = 0x20,     // choose among the best-valued moves
  kSourceModalSecond = 0x40,  // ... or among the second-best when that is above 2
};

// The draw weight of each value 0..15: each step of two doubles it.
inline constexpr uint32_t book_weight_table[kMaxBookValue + 1] = {0,  2,  3,  4,  6,   8,   11,  16,
                                                                   23, 32, 45, 64, 91, 128, 181, 256};
// The weight of a move's value; 0 for a value beyond the table.
constexpr uint32_t book_weight(uint32_t code) {
  return book_move_value(code) <= kMaxBookValue ? book_weight_table[book_move_value(code)] : 0;
}

// Receives a candidate reported to the user interface: the move in the mover's
// view (a drop as from file 11 with the hand kind 1 rook .. 7 pawn as from
// rank), its promote flag and its value.
using BookCandidateReport = void (*)(int from_x, int from_y, int to_x, int to_y, int promote, int value);

// A source of moves in the divided book's part layout. Nothing fills its slots
// in this program, so its lookups find nothing.
struct BookTableSource {
  static constexpr int kSlots = 4;
  uint32_t nslots = kSlots;
  uint32_t current = 0;
  const DividedBookPart* table[kSlots] = {};

  // The moves of `key` in the current slot's table (0 when it has none).
  int Lookup(const BookKey& key, BookMove* buf) const;
};

// Appends to `list` (holding `count`) each of the `n` new moves whose move id
// matches none of the first `count`, tagging it with `tag`, up to
// kMaxBookCandidates; the new moves are not compared with each other. Returns
// the new count.
int book_candidates_merge(BookMove* list, int count, const BookMove* moves, int n, uint8_t* tags, uint8_t tag);

class JosekiBooks {
 public:
  JosekiBooks() : user_books(2) {}
  JosekiBooks(const JosekiBooks&) = delete;
  JosekiBooks& operator=(const JosekiBooks&) = delete;

  // The candidates of a position (into `buf`, room for kMaxBookCandidates, or
  // an internal buffer when null) with their source tags: the current user
  // book (tag 1), the table source (tag 2) and the divided book (tag 4) as
  // `sources` allows, without repeating a move. Every candidate whose strategy
  // word has bit 30 gets bit 0 too. Returns the count.
  int Lookup(const model::BookPosition& pos, BookMove* buf, uint8_t* tags);
  // Lookup, then ordered by value, highest first (tags moving along).
  int LookupSorted(const model::BookPosition& pos, BookMove* buf, uint8_t* tags);
  // Chooses a candidate: 0 with it in `out`, or -1 with out's move id cleared
  // (no candidate, or no weight to draw by). A mask of 0 means every strategy.
  // Candidates are reported through `candidate_report` in value order (at most
  // `max_listed` when above 0); `count` gets how many were reported.
  int SelectMove(const model::BookPosition& pos, BookMove* out, uint32_t mask, int* count);

  OpeningBookEditable user_books;
  BookTableSource table_source;
  DividedBook divided;
  uint32_t app_word = 0;         // kept for the application
  uint32_t sources = kSourceUser | kSourceTable | kSourceDivided;
  uint32_t max_listed = 0;       // when above 0, at most this many candidates are reported
  BookCandidateReport candidate_report = nullptr;  // null: candidates are counted, not shown

 private:
  void Report(const BookMove& m) const;

  BookMove scratch_[kMaxBookCandidates];
};

}  // namespace driver
