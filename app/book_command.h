// velkora book: the opening books from the command line. Each form returns the
// process's exit status and reports a failure as one line on standard error.
//
//   book show BOOK FILE [--ply N] [--level L]
//       the candidates of the position after ply N (default: the end of the
//       line) of game record FILE in BOOK (a JS5 or JSD user book, read at
//       level L, or a folder holding joseki/bXX.jdb), highest value first:
//       "MOVE value V weight W senkei XXXXXXXX", then "candidates N"
//   book add BOOK FILE [--ply N] [--value V] [--senkei HEX]
//       registers the line's moves up to ply N in the JS5 book BOOK (made when
//       missing) with value V (default 8) and strategy bits HEX
//   book remove BOOK FILE --ply N [--all]
//       removes the line's move N+1 (with --all, every move) of the position
//       after ply N; a position or move BOOK does not hold is an error
//   book import BOOK SOURCE [--level L] [--mode M]
//       adds the moves of a JS5 or JSD book with insert mode M (default 1)
//
// A BOOK or SOURCE that is not a readable book (not a plain file, larger than
// 16 MiB, not a book file, damaged, a JS5 book of no position; for show, a
// folder without part files or whose part for the position cannot be read) is
// an error, with the system's reason when it refuses to open the file.
// Changes are saved to BOOK through a fresh temporary file renamed
// over it (through a symbolic link, over the file it leads to, keeping its
// mode), so that BOOK is never seen half-written and stays as it was when the
// save fails; a change that would leave no position is refused. A change
// holds the lock "BOOK.lock" from reading BOOK to saving it, so that changes
// made at once by several processes all land. Changes are reported as
// "book BOOK positions P moves M".
#pragma once

namespace app {

int cmd_book(int argc, char** argv);

}  // namespace app
