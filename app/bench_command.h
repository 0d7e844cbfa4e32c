// velkora bench: the machine's speed as the engine measures it, the think's
// node-count signature, and the developer's move-generation statistics on a
// record's position.
#pragma once

namespace app {

// velkora bench
//   Opens a game on the computer thread and runs the speed benchmark (at most
//   30 seconds); prints "bench ms T".
// velkora bench --signature
//   The node-count signature: fixed-depth thinks over the benchmark positions
//   (driver/think_signature.h); prints "signature N" with their total nodes.
// velkora bench --stats FILE [--ply N] [--mode M] [--depth D] [--move MOVE]
//   On the position after ply N of the current line (default: its end) times
//   the generator of mode M (0-6: 序 中 終 all 王手 1手詰 Eff; default 3) with D
//   remaining plies (default 3): "generated G legal L cycles AVG MIN", then
//   "M order S exchange E" for each move in ordering order (CSA form). With
//   --move (CSA form) times that move instead: "make", "unmake", "soma-j" and
//   "soma-s", each with the average and minimum cycles.
int cmd_bench(int argc, char** argv);

}  // namespace app
