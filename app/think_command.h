// velkora think: the computer's move for a position of a game record, thought
// on the computer thread as a game would ask for it, with the progress of the
// think printed as it comes.
#pragma once

namespace app {

// velkora think FILE [--ply N] [--time SECONDS] [--depth D]
//                    [--style 標準|強引|慎重] [--book BOOK|--no-book]
// Thinks about the position after ply N of the current line (default: its
// end), asking the opening book BOOK first (a folder holding joseki/bXX.jdb,
// or a user book file) up to ply 10. Prints "info depth D score S nodes N time MS pv M1 M2 ..." per
// variation, the last one for the whole think, "info nodes N time MS nps X"
// once a second while nothing else is printed, and finally "bestmove M" (CSA
// form) or "bestmove %TORYO" (no move). A position where the side to move can
// capture the enemy king is refused (one line, exit status 1), as is a depth
// the think does not go to (outside 2 to 12). Ctrl-C stops the think and
// prints the best move so far. A BOOK that is not a readable book, or a
// folder without part files, is an error; when the divided book's part for
// the position is there but cannot be read, a warning says so and the think
// goes without the book.
int cmd_think(int argc, char** argv);

}  // namespace app
