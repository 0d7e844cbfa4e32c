// Opening an opening book to read it, as `book show` and `think --book` do:
// a folder holding the divided book's parts, or a user book file; and the
// one wording of a book that cannot be read.
#pragma once

#include <cstdint>
#include <string>

#include "engine/driver/bin_file.h"
#include "engine/driver/joseki_books.h"
#include "model/position/kyokumen.h"

namespace app {

// The divided book's part files inside a book folder.
inline constexpr const char* kDividedBookName = "/joseki/bXX.jdb";

// "cannot read 'PATH' as an opening book: REASON", the system's reason when
// it refused the file (`os_error`, driver::book_file_reason).
std::string unreadable_book(const std::string& path, driver::BookFileError why, int os_error = 0);

// Opens `path` in `books`: a folder as the divided book (kSourceDivided), any
// other path as a user book (JS5, or JSD read at `level`; kSourceUser). 0
// with `error` set when the file is no readable book, or the folder holds no
// part file or its parts cannot be looked for.
uint32_t open_book_to_read(driver::JosekiBooks& books, const char* path, int level, std::string& error);

// For a divided book (`sources` kSourceDivided), loads the part of position
// `k` and tells why it cannot be read when it is there but unreadable (as
// unreadable_book); empty otherwise: a part that is missing simply holds no
// move of the position.
std::string divided_part_refusal(driver::JosekiBooks& books, uint32_t sources, const model::Kyokumen& k);

}  // namespace app
