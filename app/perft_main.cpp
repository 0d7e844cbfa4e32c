// perft: counts the tree of legal moves from a position, one line per depth,
// with the game model's rules or (--engine) with the engine's generators.
// Exit status: 0 done, 1 failed (one line on standard error: a file that
// cannot be read, with the system's reason, or without a position; a position
// where the side to move could capture the enemy king, which no game reaches;
// a position the engine cannot hold; output that could not be written), 2 a
// usage mistake (a line saying what was wrong, then the usage).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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
// The deepest count perft takes.
constexpr int kMaxDepth = 20;

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
               "  counts legal move sequences to DEPTH (1 to %d) plies from the even game, the\n"
               "  handicap H (a name: %s; or the handicap bits\n"
               "  as a number), or the position of a CSA file (P1..P9 rows, P+/P- hand lines,\n"
               "  + or - to move); --engine counts with the engine's move generators\n",
               kMaxDepth, app::handicap_names().c_str());
}

// A usage mistake: what was wrong, in one line, then the usage, on standard
// error; the usage status.
int mistake(const std::string& what) {
  std::fprintf(stderr, "perft: %s\n", app::one_line(what).c_str());
  usage(stderr);
  return kExitUsage;
}

// Reads `text` as a whole decimal number, however large (a value beyond a
// long long is read as its nearest end); false for anything else.
bool whole_number(const char* text, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(text, &end, 10);
  return *text != '\0' && *end == '\0';
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
  // FILE and DEPTH by their places: the last of them is DEPTH. A number
  // (even a negative one) is one of them, never an option.
  std::vector<const char*> places;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    long long number = 0;
    if (std::strcmp(a, "--handicap") == 0) {
      if (i + 1 == argc) return mistake("--handicap needs a handicap name or number");
      if (!app::parse_handicap(argv[++i], &handicap)) {
        std::fprintf(stderr, "perft: bad handicap '%s'\n", argv[i]);
        return kExitUsage;
      }
    } else if (std::strcmp(a, "--engine") == 0) {
      engine = true;
    } else if (a[0] == '-' && !whole_number(a, &number)) {
      return mistake(std::string("unknown option '") + a + "'");
    } else if (places.size() == 2) {
      return mistake(std::string("unexpected argument '") + a + "'");
    } else {
      places.push_back(a);
    }
  }
  if (places.empty()) return mistake("no DEPTH given");
  const char* depth_text = places.back();
  if (places.size() == 2) file = places.front();
  long long asked = 0;
  if (!whole_number(depth_text, &asked)) {
    return mistake(file ? std::string("DEPTH must be a number, not '") + depth_text + "'"
                        : std::string("no DEPTH given after '") + depth_text + "'");
  }
  if (asked < 1 || asked > kMaxDepth) {
    return mistake("DEPTH must be from 1 to " + std::to_string(kMaxDepth) + ", not " + depth_text);
  }
  depth = static_cast<int>(asked);
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
