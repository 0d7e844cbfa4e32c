#include "app/book_reading.h"

#include "engine/driver/divided_book.h"
#include "model/position/book_position.h"
#include "platform/file_info.h"

namespace app {

std::string unreadable_book(const std::string& path, driver::BookFileError why, int os_error) {
  return "cannot read '" + path + "' as an opening book: " + driver::book_file_reason(why, os_error);
}

uint32_t open_book_to_read(driver::JosekiBooks& books, const char* path, int level, std::string& error) {
  if (platform::path_is_directory(path)) {
    const std::string parts = std::string(path) + kDividedBookName;
    books.divided.SetName(parts.c_str());
    int os_error = 0;
    if (!books.divided.AnyPartFile(&os_error)) {
      error = os_error != 0 ? unreadable_book(parts, driver::BookFileError::kCannotOpen, os_error)
                            : std::string("'") + path + "' holds no divided book (no joseki/bXX.jdb in it)";
      return 0;
    }
    return driver::kSourceDivided;
  }
  driver::BookFileError why = driver::BookFileError::kNone;
  int os_error = 0;
  if (books.user_books.Open(path, 0, driver::kInsertReplace, level, &why, &os_error) < 0) {
    error = unreadable_book(path, why, os_error);
    return 0;
  }
  return driver::kSourceUser;
}

std::string divided_part_refusal(driver::JosekiBooks& books, uint32_t sources, const model::Kyokumen& k) {
  model::BookPosition pos;
  if (sources != driver::kSourceDivided || !k.ToBookKey(pos)) return {};
  books.divided.Lookup(pos, nullptr);
  const int part = driver::divided_book_part_number(pos);
  const driver::BookFileError why = books.divided.PartError(part);
  if (why == driver::BookFileError::kNone || why == driver::BookFileError::kMissing) return {};
  return unreadable_book(books.divided.PartPath(part), why, books.divided.PartOsError(part));
}

}  // namespace app
