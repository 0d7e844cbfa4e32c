// velkora: the command-line front end of the game model and the engine.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/arguments.h"
#include "app/bench_command.h"
#include "app/book_command.h"
#include "app/compose_command.h"
#include "app/mate_command.h"
#include "app/record_commands.h"
#include "app/review_command.h"
#include "app/standard_output.h"
#include "app/think_command.h"

namespace {

void usage() {
  std::fputs(
      "usage: velkora COMMAND ...   (velkora COMMAND --help tells more of each)\n"
      "  board [--handicap H]                  print a start position as a diagram\n"
      "  convert IN OUT [--from F] [--to F]    convert a game record; the format comes from\n"
      "                                        the extension or F (kif ki2 csa qvf ckf; read\n"
      "                                        only: vkr qvx; qvf gives back its position only,\n"
      "                                        not its moves; kifu and ki2u: KIF and KI2 in\n"
      "                                        UTF-8); \"-\" is standard input/output\n"
      "  show FILE [--ply N]                   the position at ply N and the moves of the line\n"
      "  book show|add|remove|import BOOK ...  the candidates of a position in an opening book,\n"
      "                                        and changes to a JS5 user book\n"
      "  think FILE [--ply N] [--time S] [--depth D] [--style NAME] [--book B|--no-book]\n"
      "                                        the computer's move after ply N\n"
      "  mate FILE [--ply N] [--time S] [--memory MB] [--save OUT]\n"
      "                                        solve the mate problem after ply N\n"
      "  compose [--seed N] [--count K] [--time S] [--force] OUTDIR\n"
      "                                        make mate problems\n"
      "  review FILE [--side sente|gote] [--depth D|--time S] [--save OUT]\n"
      "                                        the commentary on one side's moves\n"
      "  bench [--signature | --stats FILE [--ply N] [--mode M] [--depth D] [--move MOVE]]\n"
      "                                        the speed benchmark, the think's node-count\n"
      "                                        signature, or generator timings\n"
      "Every command that reads a record FILE (\"-\": standard input) takes --from F, the\n"
      "format to read it in.\n"
      "Exit status: 0 done, 1 failed (one line on standard error), 130 stopped by Ctrl-C\n"
      "(think, mate, compose, review and bench print what they have first).\n",
      stdout);
}

// Runs the command of the arguments; its exit status.
int run_command(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("velkora: no command given (velkora --help lists them)\n", stderr);
    return 1;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    usage();
    return 0;
  }
  if (std::strcmp(argv[1], "board") == 0) return app::cmd_board(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "convert") == 0) return app::cmd_convert(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "show") == 0) return app::cmd_show(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "book") == 0) return app::cmd_book(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "think") == 0) return app::cmd_think(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "mate") == 0) return app::cmd_mate(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "compose") == 0) return app::cmd_compose(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "review") == 0) return app::cmd_review(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "bench") == 0) return app::cmd_bench(argc - 2, argv + 2);
  std::fprintf(stderr, "velkora: unknown command '%s' (velkora --help lists them)\n",
               app::one_line(argv[1]).c_str());
  return 1;
}

// The command as its messages name it: "show", "book show"; empty for none.
std::string command_name(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return {};
  std::string name = argv[1];
  if (name == "book" && argc > 2 && argv[2][0] != '-') name += std::string(" ") + argv[2];
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever the command printed is checked here, once for all of them.
  return app::finish_output(command_name(argc, argv), run_command(argc, argv));
}
