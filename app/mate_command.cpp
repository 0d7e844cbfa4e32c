#include "app/mate_command.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/interrupt.h"
#include "app/record_commands.h"
#include "app/record_input.h"
#include "app/standard_output.h"
#include "engine/driver/mate_jobs.h"
#include "model/formats/csa_format.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "platform/clock.h"
#include "platform/memory.h"

namespace app {

namespace {

constexpr int kDefaultMemoryMb = 256;
constexpr int kMaxMemoryMb = 1 << 20;
// The longest limit a request can carry (864000000 ms, what 0 stands for).
constexpr int kMaxSeconds = driver::kTsumeNoTimeLimitMs / 1000;
constexpr int kMsPerSecond = 1000;
constexpr int kCurrentTree = 0;
// --memory is in MB of 1024 x 1024 bytes, as the solver's table is sized.
constexpr uint64_t kBytesPerMb = 1024 * 1024;
// A progress line this often while the solve runs; the environment variable
// VELKORA_PROGRESS_MS sets another interval (the tests' short one).
constexpr int kProgressIntervalMs = 1000;
constexpr int kMaxProgressIntervalMs = 3600 * kMsPerSecond;

// Told before the solve of --save OUT.qvf: the file is written with the
// solution, but a QVF file gives back only its position when it is read.
constexpr const char* kQvfSavesPositionOnly =
    "QVF carries back only the position: the solution written into it is not read back";

int fail(const std::string& what) {
  std::fprintf(stderr, "velkora mate: %s\n", one_line(what).c_str());
  return kExitFailure;
}

struct Options {
  const char* path = nullptr;
  int ply = -1;
  int seconds = 0;
  int memory_mb = kDefaultMemoryMb;
  const char* save = nullptr;
  int from = 0;
};

constexpr const char* kUsage =
    "usage: velkora mate FILE [--ply N] [--time S] [--memory MB] [--save OUT] [--from F]\n"
    "Solves the mate problem at the position after ply N of the record's main line\n"
    "(default: its end), the side to move attacking. Prints \"mate P\" and\n"
    "\"pv M1 M2 ...\" (CSA form), \"nomate\", or \"unknown\" (a limit was reached),\n"
    "and once a second while it solves \"progress nodes N time S nps X\" on standard\n"
    "error. Ctrl-C stops the solve: \"unknown\" is printed, a line on standard error\n"
    "says so, --save writes nothing, and the exit status is 130.\n"
    "P is the shortest mate against the longest defence, and the line keeps those\n"
    "rules at every ply; where the solve could not show that before a limit, a\n"
    "third line says so: \"not shown: a mate within P-2 plies is not ruled out ...\"\n"
    "or \"not shown: past ply K the line may not be a main line ...\". Without --time\n"
    "those searches have a budget of their own; with it they may take half of the\n"
    "time left.\n"
    "  --ply N       the position after ply N\n"
    "  --time S      at most S seconds (0, the default: no limit)\n"
    "  --memory MB   the solver's largest table (default 256; no more than the\n"
    "                machine has available)\n"
    "  --save OUT    after a mate, play the solution into the record after ply N\n"
    "                with every defence and its answer, and save the record as OUT\n"
    "                (the format of its extension); checked before the solve\n"
    "  --from F      read FILE as format F (kif ki2 csa qvf ckf vkr qvx kifu ki2u)\n";

// The command's options, read into `o`.
CommandLine mate_options(Options& o) {
  CommandLine cl("mate", kUsage);
  cl.Number("--ply", 0, kMaxPlyOption, &o.ply, "a number of moves");
  cl.Number("--time", 0, kMaxSeconds, &o.seconds, "seconds");
  cl.Number("--memory", 1, kMaxMemoryMb, &o.memory_mb, "megabytes");
  cl.Value("--save", "a file name whose extension tells a record format (kif ki2 csa qvf ckf kifu ki2u)",
           [&o](const char* v) {
             o.save = v;
             return record_path_format(v) != model::kFormatUnknown;
           });
  add_from_option(cl, &o.from);
  cl.Positional(&o.path);
  return cl;
}

// An empty text, or why the solver may not have `memory_mb`: more than the
// machine has available now. Without the machine's figures the request stands
// (the computer thread then gives the solver its smallest size).
std::string memory_refusal(int memory_mb) {
  platform::MemoryStatus memory;
  if (!platform::memory_status(memory)) return {};
  const uint64_t available_mb = memory.available_physical / kBytesPerMb;
  if (static_cast<uint64_t>(memory_mb) <= available_mb) return {};
  return "--memory " + std::to_string(memory_mb) + " is more than the " + std::to_string(available_mb) +
         " MB available";
}

int progress_interval_ms() {
  int ms = kProgressIntervalMs;
  const char* text = std::getenv("VELKORA_PROGRESS_MS");
  if (text != nullptr && !parse_int(text, 1, kMaxProgressIntervalMs, &ms)) ms = kProgressIntervalMs;
  return ms;
}

// "progress nodes N time S nps X" on standard error: the running solve's node
// count, its seconds with one decimal and its whole nodes per second.
void print_progress(const CompCall& comp) {
  uint32_t nodes = 0;
  double seconds = 0;
  comp.TsumeProgress(nodes, seconds);
  const unsigned long long nps = seconds > 0 ? static_cast<unsigned long long>(nodes / seconds) : 0;
  std::fprintf(stderr, "progress nodes %u time %.1f nps %llu\n", nodes, seconds, nps);
}

// The CSA form of the moves of a line, each after a space.
std::string line_text(const std::vector<model::Sashite>& line) {
  std::string text;
  for (const model::Sashite& m : line) {
    model::KString csa;
    model::csa_move_text(m, csa);
    text += " ";
    text += csa.c_str();
  }
  return text;
}

// A line of its own after "mate P" and "pv" when the solve could not show
// what they claim before a limit: that no mate shorter than P exists, or that
// the line keeps the rules of a main line (every attack a quickest, every
// defence a longest) past some ply.
void print_unshown(const tsume::LineShown& shown, int length, bool timed) {
  if (shown.Whole()) return;
  const char* limit = timed ? "the time limit" : "the solver's budget (--time lets it search longer)";
  if (!shown.length) {
    std::printf("not shown: a mate within %d plies is not ruled out within %s\n", length - 2, limit);
  } else {
    std::printf("not shown: past ply %d the line may not be a main line within %s\n", shown.plies, limit);
  }
}

int solve(model::KifuHolder& holder, int ply, const Options& o) {
  platform::Mailbox view;
  CompCall comp(&view);
  const auto stop = [&comp] { comp.TsumeStop(); };
  const uint32_t interval = static_cast<uint32_t>(progress_interval_ms());
  uint32_t last_line = platform::tick_ms();
  const auto progress = [&] {
    const uint32_t now = platform::tick_ms();
    if (platform::tick_elapsed(last_line, now) < interval) return;
    last_line = now;
    print_progress(comp);
  };
  comp.Tsume(holder.kyokumen, o.memory_mb, o.seconds * kMsPerSecond, o.save ? 2 : 0);
  const int word =
      static_cast<int>(static_cast<intptr_t>(wait_message(view, kMsgTsumeResult, stop, progress).wparam));
  const tsume::SolveResult result = driver::tsume_job_result(word);
  if (result == tsume::SolveResult::kAttacksKing) return fail("the side to move already attacks the defending king");
  if (result == tsume::SolveResult::kNoMemory) {
    const int asked = std::max(o.memory_mb, static_cast<int>(driver::kTsumeMinHeapMb));
    return fail("cannot get " + std::to_string(asked) + " MB of memory for the mate solver");
  }
  if (result == tsume::SolveResult::kFailed) return fail("the engine cannot hold this position");
  const bool mate = result == tsume::SolveResult::kMate;
  // Whether the job was stopped is decided by its work: a solve that found its
  // answer was not, whatever Ctrl-C came as it ended; with --save, adding the
  // defences to the record is part of it. A Ctrl-C that comes after that finds
  // the job complete and stops nothing: OUT written always means success,
  // 130 always an OUT as it was.
  const bool answered = mate || result == tsume::SolveResult::kNoMate;
  const char* stopped = !answered && InterruptGuard::interrupted() ? "before the solve ended" : nullptr;
  if (mate) {
    std::printf("mate %d\npv%s\n", word, line_text(comp.TsumeLine(holder.kyokumen)).c_str());
    print_unshown(comp.TsumeShown(), word, o.seconds > 0);
    if (o.save) {
      // The answer goes into the record after ply N, then every defence with its answer.
      comp.TsumeAnswer(holder);
      holder.SetCurrent(holder.kifu.NodeAtTesu(ply));
      comp.TsumeTree(holder, kCurrentTree);
      const bool cut = wait_message(view, kMsgTsumeTree, stop).wparam != 0;
      if (cut && InterruptGuard::interrupted()) stopped = "while the defences were added";
    }
  } else {
    std::printf("%s\n", result == tsume::SolveResult::kNoMate ? "nomate" : "unknown");
  }
  InterruptGuard::TestPoint("mate-done");
  flush_output();
  if (stopped) {
    std::fprintf(stderr, "velkora mate: stopped %s%s\n", stopped,
                 o.save ? ("; '" + one_line(o.save) + "' not written").c_str() : "");
  } else if (o.save && !mate) {
    std::fprintf(stderr, "velkora mate: '%s' not written: %s\n", one_line(o.save).c_str(),
                 result == tsume::SolveResult::kNoMate ? "there is no mate to save"
                                                       : "no mate was found within the solver's limits");
  }
  // Only a mate that was not stopped changes the record: otherwise nothing is written.
  if (!o.save || !mate || stopped) {
    if (o.save) comp.Command(kCmdTsumeFree);
    return stopped ? kExitInterrupted : kExitOk;
  }
  // What OUT's format leaves out of the solution, as convert tells it.
  int format = record_path_format(o.save);
  warn_write_loss("mate", holder.kifu, format);
  const std::string why = save_record(holder, o.save, &format);
  comp.Command(kCmdTsumeFree);
  return why.empty() ? kExitOk : fail(why);
}

}  // namespace

int cmd_mate(int argc, char** argv) {
  Options o;
  CommandLine cl = mate_options(o);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  const int save_format = o.save ? record_path_format(o.save) : model::kFormatUnknown;
  if (format_is_read_only(save_format)) return cl.Fail(read_only_text(save_format));
  std::string error;
  model::KifuHolder holder;
  if (cl.Given("--memory") && !(error = memory_refusal(o.memory_mb)).empty()) return cl.Fail(error);
  model::KifuReadStop stop;
  if (!load_record_at_ply(holder, "mate", o.path, o.ply, error, o.from, &stop)) return cl.Fail(error);
  // Found out before a long solve, not after it.
  if (o.save && !(error = self_overwrite_refusal(o.path, o.save, stop)).empty()) return cl.Fail(error);
  if (o.save && !(error = save_refusal(o.save)).empty()) return cl.Fail(error);
  if ((save_format & ~kUtf8Text) == model::kFormatQvf) {
    std::fprintf(stderr, "velkora mate: '%s': %s\n", one_line(o.save).c_str(), kQvfSavesPositionOnly);
  }
  InterruptGuard guard;
  return solve(holder, holder.current->to->tesu, o);
}

}  // namespace app
