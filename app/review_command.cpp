#include "app/review_command.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/interrupt.h"
#include "app/record_commands.h"
#include "app/record_input.h"
#include "app/review_analysis.h"
#include "app/standard_output.h"
#include "engine/driver/kifu_analyze.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "model/text/text_encoding.h"

namespace app {

namespace {

// The think on each move when the record has no values and none is asked for.
constexpr int kDefaultDepth = 4;
constexpr int kMaxSeconds = 86400;

constexpr const char* kUsage =
    "usage: velkora review FILE [--side sente|gote] [--depth D | --time S] [--save OUT] [--from F]\n"
    "Prints the post-game commentary on one side's moves (default sente) along the\n"
    "record's main line, as the program writes it after a game against the computer:\n"
    "a paragraph for each move that the analysis shows clearly worse than the position\n"
    "allowed, nothing when there is none.\n"
    "The commentary reads the values and lines that the computer's thinks stored on\n"
    "the other side's moves. When those moves carry none (an ordinary record), review\n"
    "first thinks on the position after each of them, as the computer would have, and\n"
    "stores the value and line on the move, printing a progress line per think on\n"
    "standard error. Ctrl-C stops the thinking: the commentary covers the moves\n"
    "thought so far, --save writes nothing (an OUT that exists is left as it was),\n"
    "a line on standard error says which, and the exit status is 130. Once the\n"
    "thinking is over, Ctrl-C no longer stops the review.\n"
    "  --side S    sente or gote: whose moves the commentary is about\n"
    "  --depth D   think D plies deep (2 to 12; default 4)\n"
    "  --time S    think S seconds on each move (with --depth: at most S seconds)\n"
    "  --save OUT  write the record with the values as OUT, a .kif, .kifu or .ckf\n"
    "              file: KIF keeps them, so a later review of OUT reads them\n"
    "              without thinking again\n"
    "  --from F    read FILE as format F (kif ki2 csa qvf ckf vkr qvx kifu ki2u)\n";

struct Options {
  const char* path = nullptr;
  int side = 0;
  ReviewThink how;
  const char* save = nullptr;
  int from = 0;
};

bool keeps_values(const char* path) {
  const int format = record_path_format(path);
  return format == model::kFormatKif || format == model::kFormatCkf;
}

// The command's options, read into `o`.
CommandLine review_options(Options& o) {
  CommandLine cl("review", kUsage);
  cl.Value("--side", "sente or gote", [&o](const char* v) {
    if (std::strcmp(v, "sente") == 0) return o.side = 0, true;
    if (std::strcmp(v, "gote") == 0) return o.side = 1, true;
    return false;
  });
  cl.Number("--depth", kChubanDepthMin, kChubanDepthMax, &o.how.depth, "a depth");
  cl.Number("--time", 1, kMaxSeconds, &o.how.seconds, "seconds");
  cl.Value("--save", "a .kif, .kifu or .ckf file name (only KIF keeps the analysis values)", [&o](const char* v) {
    o.save = v;
    return keeps_values(v);
  });
  add_from_option(cl, &o.from);
  cl.Positional(&o.path);
  return cl;
}

// One progress line on standard error per think: which move, how far, and
// the value found (sente's view).
void report(int done, int total, const model::KifuSashite& move) {
  std::fprintf(stderr, "velkora review: move %d thought (%d of %d), value %d\n", move.Ply(), done, total,
               static_cast<int>(move.hyouka.value));
}

// The commentary as the terminal gets it: UTF-8 with LF line ends.
void print_commentary(const model::KString& text) {
  std::string lf;
  for (const char* c = text.c_str(); c != nullptr && *c != '\0'; ++c) {
    if (*c != '\r') lf += *c;
  }
  std::fputs(model::sjis_to_utf8(lf).c_str(), stdout);
  flush_output();
}

}  // namespace

int cmd_review(int argc, char** argv) {
  Options o;
  CommandLine cl = review_options(o);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  if (o.how.depth == 0 && o.how.seconds == 0) o.how.depth = kDefaultDepth;
  model::KifuHolder holder;
  model::KifuReadStop stop;
  std::string error;
  if (!load_record(holder, o.path, o.from, error, stop)) return cl.Fail(error);
  warn_read_stop("review", o.path, stop);
  // Found out before the thinks, not after them.
  if (o.save && !(error = self_overwrite_refusal(o.path, o.save, stop)).empty()) return cl.Fail(error);
  if (o.save && !(error = save_refusal(o.save)).empty()) return cl.Fail(error);

  restore_variations(holder.kifu);
  InterruptGuard guard;
  const std::vector<model::KifuSashite*> computer = moves_of_side(holder.kifu, 1 - o.side);
  // Whether the review was stopped is decided once, by the thinking: a
  // Ctrl-C that comes after the last think has ended finds the review
  // complete. The guard still catches it, so the save and the commentary run
  // to their end and the status is 0: OUT written always means success, 130
  // always an OUT as it was. A record that carries values is not thought
  // about, and nothing stops its review.
  const bool stopped = !carries_values(computer) && !think_on_moves(holder, computer, o.how, report);
  InterruptGuard::TestPoint("review-thought");

  // The record is saved as it was read, with the values: the commentary
  // would become the last move's comment and replace the one it has. A
  // stopped review saves nothing: a later review reads any value as a
  // finished analysis and would not think on the moves left out, and an OUT
  // from an earlier review stays whole.
  if (stopped && o.save) {
    std::fprintf(stderr, "velkora review: stopped; '%s' not written\n", o.save);
  } else if (stopped) {
    std::fprintf(stderr, "velkora review: stopped; the commentary covers only the moves thought so far\n");
  } else if (o.save) {
    int format = 0;
    if (const std::string why = save_record(holder, o.save, &format); !why.empty()) return cl.Fail(why);
  }
  InterruptGuard::TestPoint("review-saved");
  model::KString text;
  driver::CommentaryEnding ending;  // one review per run: the rotation starts at its first ending
  driver::kansou_text(o.side, holder.kifu, text, ending);
  print_commentary(text);
  return stopped ? kExitInterrupted : kExitOk;
}

}  // namespace app
