// OpeningBookEditable: the slots that hold the open user books, one of which
// is current (the one the book lookup and the joseki editor use).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/driver/ob_editable_hash.h"

namespace driver {

class OpeningBookEditable {
 public:
  explicit OpeningBookEditable(uint32_t nslots);

  // A fresh empty book in slot i, or, when i is out of range, in the first
  // free slot (slot 0 when none is free); a book already there is destroyed.
  // When the current slot holds no book the new slot becomes current. Returns
  // the slot index.
  int NewSlot(int i);
  // Opens a book file (Load with `mode` and `ver4_lv`) into a fresh book in
  // `slot`; for a slot out of range, into the slot that already holds this
  // file (returned unchanged) or into a free one as NewSlot chooses. The slot
  // index, or -1 for a null name or a file that does not load (`why`, when
  // given, says why, and `os_error` as Load gives it), in which case every
  // slot stays as it was.
  int Open(const char* name, int slot, int mode, int ver4_lv, BookFileError* why = nullptr,
           int* os_error = nullptr);
  // Loads a file into the existing book of `slot`, merging by `mode`. The slot
  // index, or -1 (the book unchanged) for a null name, a slot out of range or
  // without a book, or a file that does not load (`why` and `os_error` as for
  // Open).
  int Import(const char* name, int slot, int mode, int ver4_lv, BookFileError* why = nullptr,
             int* os_error = nullptr);
  // Destroys the slot's book: the slot index, or -1 when it holds none. The
  // current index stays.
  int Close(int slot);
  // Makes the slot current when it holds a book: the slot index, or -1.
  int Select(int slot);

  // The book of a slot, or null (free or out of range).
  OBEditableHash* Book(int slot);
  // The current slot's book, or null.
  OBEditableHash* Current() { return Book(static_cast<int>(current_)); }
  uint32_t nslots() const { return static_cast<uint32_t>(slots_.size()); }
  uint32_t current() const { return current_; }

 private:
  struct Slot {
    std::unique_ptr<OBEditableHash> book;  // null while free
    std::string name;                      // the file the book came from, empty for none
    uint32_t flag = 0;
  };
  bool InRange(int i) const { return i >= 0 && i < static_cast<int>(slots_.size()); }
  // The slot NewSlot takes for index i.
  int ChooseSlot(int i) const;
  // Puts `book` into slot i, the name and flag cleared.
  void Install(int i, std::unique_ptr<OBEditableHash> book);

  std::vector<Slot> slots_;
  uint32_t current_ = 0;
};

// Closes every slot that holds a book; the current index stays.
void books_free_all(OpeningBookEditable& books);

}  // namespace driver
