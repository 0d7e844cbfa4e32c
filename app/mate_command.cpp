#include "app/mate_command.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/interrupt.h"
#include "app/record_commands.h"
#include "engine/driver/mate_jobs.h"
#include "model/formats/csa_format.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"

namespace app {

namespace {

constexpr int kDefaultMemoryMb = 256;
constexpr int kMaxMemoryMb = 1 << 20;
// The longest limit a request can carry (864000000 ms, what 0 stands for).
constexpr int kMaxSeconds = driver::kTsumeNoTimeLimitMs / 1000;
constexpr int kMsPerSecond = 1000;
constexpr int kCurrentTree = 0;

struct Options {
  const char* path = nullptr;
  int ply = -1;
  int seconds = 0;
  int memory_mb = kDefaultMemoryMb;
  const char* save = nullptr;
};

constexpr const char* kUsage =
    "usage: velkora mate FILE [--ply N] [--time S] [--memory MB] [--save OUT]\n"
    "Solves the mate problem at the position after ply N of the record's main line\n"
    "(default: its end), the side to move attacking. Prints \"mate P\" and\n"
    "\"pv M1 M2 ...\" (CSA form), \"nomate\", or \"unknown\" (a limit was reached).\n"
    "Ctrl-C stops the solve: \"unknown\" is printed and the exit status is 130.\n"
    "  --ply N       the position after ply N\n"
    "  --time S      at most S seconds (0, the default: no limit)\n"
    "  --memory MB   memory for the solver (default 256)\n"
    "  --save OUT    play the solution into the record after ply N with every\n"
    "                defence and its answer, and save the record as OUT (the\n"
    "                format of its extension)\n";

// The command's options, read into `o`.
CommandLine mate_options(Options& o) {
  CommandLine cl("mate", kUsage);
  cl.Number("--ply", 0, kMaxPlyOption, &o.ply, "a number of moves");
  cl.Number("--time", 0, kMaxSeconds, &o.seconds, "seconds");
  cl.Number("--memory", 1, kMaxMemoryMb, &o.memory_mb, "megabytes");
  cl.Value("--save", "a file name whose extension tells a record format (kif ki2 csa qvf ckf)",
           [&o](const char* v) {
             o.save = v;
             return model::kifu_format_from_path(v) != model::kFormatUnknown;
           });
  cl.Positional(&o.path);
  return cl;
}

// The CSA form of the `count` moves that follow `node` along the line.
std::string line_text(const model::KifuKyokumen* node, int count) {
  std::string text;
  for (int i = 0; i < count && node != nullptr; ++i) {
    const model::KifuSashite* m = node->next.Current();
    if (m == nullptr) break;
    model::KString csa;
    model::csa_move_text(m->sashite, csa);
    text += " ";
    text += csa.c_str();
    node = m->to;
  }
  return text;
}

int solve(model::KifuHolder& holder, int ply, const Options& o, const CommandLine& cl) {
  platform::Mailbox view;
  CompCall comp(&view);
  const auto stop = [&comp] { comp.TsumeStop(); };
  comp.Tsume(holder.kyokumen, o.memory_mb, o.seconds * kMsPerSecond, o.save ? 2 : 0);
  const int result = static_cast<int>(static_cast<intptr_t>(wait_message(view, kMsgTsumeResult, stop).wparam));
  if (result == driver::kTsumeAttacksKing) return cl.Fail("the side to move already attacks the defending king");
  if (result == driver::kTsumeFailed) return cl.Fail("the engine cannot hold this position");
  if (result > 0) {
    // The answer goes into the record after ply N, or into a record of its own.
    model::KifuHolder own;
    own.kifu.SetStartPosition(holder.kyokumen);
    own.SetCurrent(own.kifu.root.get());
    model::KifuHolder& record = o.save ? holder : own;
    const model::KifuSashite* problem_move = record.current;
    const int played = comp.TsumeAnswer(record);
    std::printf("mate %d\npv%s\n", result, line_text(problem_move->to, played).c_str());
    if (o.save) {
      record.SetCurrent(record.kifu.NodeAtTesu(ply));
      comp.TsumeTree(record, kCurrentTree);
      wait_message(view, kMsgTsumeTree, stop);
    }
  } else {
    std::printf("%s\n", result == driver::kTsumeNoMate ? "nomate" : "unknown");
  }
  std::fflush(stdout);
  const int done = InterruptGuard::interrupted() ? kExitInterrupted : kExitOk;
  if (!o.save) return done;
  int format = 0;
  const bool saved = model::kifu_save_file(holder, o.save, &format);
  comp.Command(kCmdTsumeFree);
  return saved ? done : cl.Fail(std::string("cannot write '") + o.save + "'");
}

}  // namespace

int cmd_mate(int argc, char** argv) {
  Options o;
  CommandLine cl = mate_options(o);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  std::string error;
  model::KifuHolder holder;
  if (!load_record_at_ply(holder, "mate", o.path, o.ply, error)) return cl.Fail(error);
  InterruptGuard guard;
  return solve(holder, holder.current->to->tesu, o, cl);
}

}  // namespace app
