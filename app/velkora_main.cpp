// velkora: the command-line front end of the game model and the engine.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/diagram.h"
#include "app/terminal.h"
#include "model/kyokumen.h"

namespace {

void usage(std::FILE* to) {
  std::fputs(
      "usage: velkora board [--handicap N]\n"
      "  board   print the start position (even game, or the handicap N) as a diagram\n",
      to);
}

bool parse_int(const char* s, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < 0 || v > 4095) return false;
  *out = static_cast<int>(v);
  return true;
}

int cmd_board(int argc, char** argv) {
  int handicap = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--handicap") == 0 && i + 1 < argc && parse_int(argv[i + 1], &handicap)) {
      ++i;
    } else {
      std::fprintf(stderr, "velkora board: unexpected argument '%s'\n", argv[i]);
      return 2;
    }
  }
  model::Kyokumen pos;
  pos.Init(handicap);
  std::fputs(app::sjis_to_utf8(app::position_diagram(pos)).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "board") == 0) return cmd_board(argc - 2, argv + 2);
  std::fprintf(stderr, "velkora: unknown command '%s'\n", argv[1]);
  usage(stderr);
  return 2;
}
