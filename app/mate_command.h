// velkora mate: solves a mate problem of a game record on the computer thread,
// as the mate-problem modes ask for it, and optionally writes the solution
// tree into the record.
#pragma once

namespace app {

// velkora mate FILE [--ply N] [--time SECONDS] [--memory MB] [--save OUT]
// Solves the position after ply N of the current line (default: its end) with
// the side to move attacking, within SECONDS (0 or absent: no limit) and MB
// of memory (default 256). Prints "mate P" and "pv M1 M2 ..." (CSA form),
// "nomate", or "unknown" (a limit, or Ctrl-C). With --save the solution is
// played into the record after ply N with every defence and its answer below
// it, and the record is saved as OUT in the format of its extension.
int cmd_mate(int argc, char** argv);

}  // namespace app
