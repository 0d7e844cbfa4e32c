// velkora compose: makes mate problems on the computer thread with the
// composer, checks each by solving it again and writes it as a KIF file.
#pragma once

namespace app {

// velkora compose [--seed N] [--count K] [--time SECONDS] OUTDIR
// Composes K problems (default 1), the first after seeding with N (default:
// from the clock), the others drawn on from it (after a problem that missed
// its time, from a seed made of N and the next one's number), each within
// SECONDS (default 60), at least 7 plies long, and writes them as
// OUTDIR/001.kif, 002.kif, ... with the solution as the main line, printing
// "problem FILE plies P ms T" for each. A problem not made within its time is
// told, and the batch goes on: the status is 0 only when all K were made.
// --help shows the piece table it composes with.
int cmd_compose(int argc, char** argv);

}  // namespace app
