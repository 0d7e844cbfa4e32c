// velkora mate: solves a mate problem of a game record on the computer thread,
// as the mate-problem modes ask for it, and optionally writes the solution
// tree into the record.
#pragma once

namespace app {

// velkora mate FILE [--ply N] [--time SECONDS] [--memory MB] [--save OUT]
// Solves the position after ply N of the current line (default: its end) with
// the side to move attacking, within SECONDS (0 or absent: no limit) and MB
// (of 1024 x 1024 bytes) of memory (default 256; more than the machine has
// available is refused). While it solves it prints "progress nodes N time S
// nps X" on standard error once a second (the environment variable
// VELKORA_PROGRESS_MS sets another interval). Prints "mate P" and
// "pv M1 M2 ..." (CSA form), "nomate", or "unknown" (a limit, or Ctrl-C).
// With --save, OUT is checked for writing before the solve; after a mate the
// solution is played into the record after ply N with every defence and its
// answer below it, and the record is saved as OUT in the format of its
// extension. Without a mate nothing is written.
int cmd_mate(int argc, char** argv);

}  // namespace app
