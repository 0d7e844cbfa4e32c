// perft: counts the tree of legal moves from a position, one line per depth,
// with the game model's rules or (--engine) with the engine's generators.
// Exit status: 0 done, 1 failed (one line on standard error: a file that
// cannot be read, with the system's reason, or without a position; a position
// where the side to move could capture the enemy king, which no game reaches;
// a position the engine cannot hold; output that could not be written), 2 a
// usage mistake.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/arguments.h"
#include "app/standard_output.h"
#include "engine/board/engine_perft.h"
#include "engine/bridge/position_bridge.h"
#include "model/formats/csa_format.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"
#include "model/text/record_file.h"

namespace {

constexpr int kExitUsage = 2;

// Reads the position of the CSA file `file` into `pos`. False after one line
// on standard error: why the file cannot be read (the system's reason, or the
// size limit) or that it holds no valid position.
bool read_position(const char* file, model::Kyokumen& pos) {
  int read = 0;
  int os_error = 0;
  if (model::csa_read_position_file(file, pos, &read, &os_error) == 0) return true;
  if (read == model::kRecordFileTooLarge) {
    std::fprintf(stderr, "perft: cannot read '%s': larger than the %d MB a game record may hold\n", file,
                 model::kMaxRecordMegabytes);
    return false;
  }
  if (read != model::kRecordFileRead) {
    std::fprintf(stderr, "perft: cannot read '%s': %s\n", file, std::strerror(os_error));
    return false;
  }
  std::fprintf(stderr, "perft: '%s' holds no valid CSA position\n", file);
  return false;
}

// The usage, on standard error after a mistake (exit status 2), on standard
// output for --help.
void usage(std::FILE* to) {
  std::fprintf(to,
               "usage: perft [--engine] [--handicap H] [FILE] DEPTH\n"
               "  counts legal move sequences to DEPTH (1 to 20) plies from the even game, the\n"
               "  handicap H (a name: %s; or the handicap bits\n"
               "  as a number), or the position of a CSA file (P1..P9 rows, P+/P- hand lines,\n"
               "  + or - to move); --engine counts with the engine's move generators\n",
               app::handicap_names().c_str());
}

// Runs the count of the arguments; its exit status.
int run(int argc, char** argv) {
  int handicap = 0;
  int depth = -1;
  bool engine = false;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage(stdout);
      return app::kExitOk;
    }
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--handicap") == 0 && i + 1 < argc) {
      if (!app::parse_handicap(argv[++i], &handicap)) {
        std::fprintf(stderr, "perft: bad handicap '%s'\n", argv[i]);
        return kExitUsage;
      }
    } else if (std::strcmp(argv[i], "--engine") == 0) {
      engine = true;
    } else if (depth < 0 && app::parse_int(argv[i], 1, 20, &depth)) {
    } else if (!file && depth < 0 && argv[i][0] != '-') {
      file = argv[i];
    } else {
      usage(stderr);
      return kExitUsage;
    }
  }
  if (depth < 0) {
    usage(stderr);
    return kExitUsage;
  }
  model::Kyokumen pos;
  pos.Init(handicap);
  if (file && !read_position(file, pos)) return app::kExitFailure;
  // The side that has just moved left its king in check: no game reaches this,
  // and the counts of its moves would mean nothing.
  if (pos.IsOute(1 - pos.teban)) {
    std::fputs("perft: the side to move can already capture the enemy king\n", stderr);
    return app::kExitFailure;
  }
  std::vector<uint64_t> counts(static_cast<size_t>(depth));
  if (engine) {
    board::KPosition p;
    if (bridge::position_load(p, pos) != 0) {
      std::fputs("perft: the engine cannot hold this position\n", stderr);
      return app::kExitFailure;
    }
    board::engine_perft(p, depth, counts.data());
  } else {
    model::perft(pos, depth, counts.data());
  }
  for (int d = 1; d <= depth; ++d) std::printf("depth %d nodes %" PRIu64 "\n", d, counts[d - 1]);
  return app::kExitOk;
}

}  // namespace

int main(int argc, char** argv) { return app::finish_program_output("perft", run(argc, argv)); }
