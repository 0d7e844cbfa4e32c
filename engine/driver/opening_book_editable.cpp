#include "engine/driver/opening_book_editable.h"

#include <algorithm>

namespace driver {

OpeningBookEditable::OpeningBookEditable(uint32_t nslots) : slots_(std::max<uint32_t>(nslots, 1)) {}

int OpeningBookEditable::ChooseSlot(int i) const {
  if (InRange(i)) return i;
  for (size_t s = 0; s < slots_.size(); ++s) {
    if (!slots_[s].book) return static_cast<int>(s);
  }
  return 0;
}

void OpeningBookEditable::Install(int i, std::unique_ptr<OBEditableHash> book) {
  Slot& slot = slots_[static_cast<size_t>(i)];
  slot.book = std::move(book);
  slot.name.clear();
  slot.flag = 0;
  if (!Current()) current_ = static_cast<uint32_t>(i);
}

int OpeningBookEditable::NewSlot(int i) {
  const int s = ChooseSlot(i);
  Install(s, std::make_unique<OBEditableHash>());
  return s;
}

int OpeningBookEditable::Open(const char* name, int slot, int mode, int ver4_lv, BookFileError* why,
                              int* os_error) {
  if (os_error) *os_error = 0;
  if (!name) {
    if (why) *why = BookFileError::kMissing;
    return -1;
  }
  if (!InRange(slot)) {
    for (size_t s = 0; s < slots_.size(); ++s) {
      const Slot& held = slots_[s];
      if (held.book && !held.name.empty() && held.name == name && held.flag == 0) return static_cast<int>(s);
    }
  }
  // The file is read into a book of its own, so that a file that does not
  // load leaves the slot as it was.
  auto book = std::make_unique<OBEditableHash>();
  if (book->Load(name, mode, ver4_lv, why, os_error) != 0) return -1;
  const int s = ChooseSlot(slot);
  Install(s, std::move(book));
  return s;
}

int OpeningBookEditable::Import(const char* name, int slot, int mode, int ver4_lv, BookFileError* why,
                                int* os_error) {
  if (os_error) *os_error = 0;
  OBEditableHash* book = Book(slot);
  if (!name || !book) {  // nothing to read, or nothing to read into
    if (why) *why = name ? BookFileError::kCannotOpen : BookFileError::kMissing;
    return -1;
  }
  if (book->Load(name, mode, ver4_lv, why, os_error) != 0) return -1;
  return slot;
}

int OpeningBookEditable::Close(int slot) {
  if (!Book(slot)) return -1;
  Slot& s = slots_[static_cast<size_t>(slot)];
  s.book.reset();
  s.name.clear();
  return slot;
}

int OpeningBookEditable::Select(int slot) {
  if (!Book(slot)) return -1;
  current_ = static_cast<uint32_t>(slot);
  return slot;
}

OBEditableHash* OpeningBookEditable::Book(int slot) {
  return InRange(slot) ? slots_[static_cast<size_t>(slot)].book.get() : nullptr;
}

void books_free_all(OpeningBookEditable& books) {
  for (int s = 0; s < static_cast<int>(books.nslots()); ++s) books.Close(s);
}

}  // namespace driver
