#include "app/compose_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/interrupt.h"
#include "app/record_commands.h"
#include "app/standard_output.h"
#include "engine/driver/mate_jobs.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "model/text/text_encoding.h"
#include "platform/clock.h"
#include "platform/file_info.h"

namespace app {

namespace {

constexpr int kMinLength = 7;
constexpr uint32_t kSolveMs = 3000;
constexpr uint32_t kSolveNodes = 50000;
constexpr int kDefaultSeconds = 60;
constexpr int kMaxSeconds = 86400;
constexpr int kMaxCount = 999;
constexpr int kMsPerSecond = 1000;
// The re-solve of a problem gets the memory a mate command gets by default.
constexpr int kResolveMemoryMb = 256;

// The piece table, by group (rows) and kind 飛 角 金 銀 桂 香 歩 (columns):
// the attacker gets few pieces, mostly on the board and near the king; the
// defender holds the rest, mostly in hand.
constexpr int32_t kPieceTable[tsume::kComposePieceTableSize] = {
    40,  40,  40,  40,  30,  30,  10,   // attacker share
    60,  60,  60,  70,  70,  70,  90,   // attacker on board
    60,  60,  100, 80,  80,  80,  80,   // attacker unpromoted
    100, 100, 150, 150, 150, 150, 200,  // attacker closeness
    10,  10,  30,  30,  20,  20,  10,   // defender on board
    95,  95,  100, 95,  95,  95,  95,   // defender unpromoted
    150, 150, 200, 200, 150, 150, 200,  // defender closeness
};

int fail(const std::string& what) {
  std::fprintf(stderr, "velkora compose: %s\n", one_line(what).c_str());
  return kExitFailure;
}

// What --help prints: the usage, the options and the piece table.
std::string usage_text() {
  std::string text =
      "usage: velkora compose [--seed N] [--count K] [--time SECONDS] [--force] OUTDIR\n"
      "Makes K mate problems and writes them as OUTDIR/001.kif, 002.kif, ... with the\n"
      "solution as the main line, printing \"problem FILE plies P ms T\" for each.\n"
      "A problem not made within its time is told on standard error, its file is not\n"
      "written, and the others are still made; the exit status is then 1, with a last\n"
      "line \"made M of K problems\". Ctrl-C stops it: the problems written stay, and\n"
      "the exit status is 130.\n"
      "  --seed N     the seed the problems are drawn from in turn (default: from the\n"
      "               clock); after a problem that missed its time, the next one is\n"
      "               drawn from a seed made of N and its number\n"
      "  --count K    how many problems (1 to 999, default 1)\n"
      "  --time S     seconds for each problem (1 to 86400, default 60)\n"
      "  --force      overwrite problem files that exist (refused otherwise)\n"
      "A problem's solution is at least " + std::to_string(kMinLength) + " plies long. Each trial solve while\n"
      "composing stops after " + std::to_string(kSolveMs) + " ms or " + std::to_string(kSolveNodes) +
      " nodes; a problem is written only when a last solve\n"
      "(10 s, 150 times those nodes) shows its length the shortest mate's and its\n"
      "solution a main line at every ply. The ms that a problem line reports are the\n"
      "time the whole problem took, which --time bounds.\n"
      "Problems are drawn around the defending king from this table of percentages\n"
      "by piece kind: 先手 the chance that a piece is the attacker's (else the\n"
      "defender's), 先盤 that an attacker's piece stands on the board (else in hand),\n"
      "先不 that it stands unpromoted, 先近 how strongly it is drawn near the king;\n"
      "後盤 後不 後近 the same for the defender's pieces.\n"
      "駒:先手 先盤 先不 先近 後盤 後不 後近\n";
  static constexpr const char* kKinds[] = {"飛", "角", "金", "銀", "桂", "香", "歩"};
  for (int kind = 1; kind <= tsume::kComposeKinds; ++kind) {
    char line[80];
    std::snprintf(line, sizeof line, " * %s:", kKinds[kind - 1]);
    text += line;
    for (int group = 0; group < tsume::kComposeGroups; ++group) {
      std::snprintf(line, sizeof line, "%4d ", kPieceTable[tsume::compose_entry(group, kind)]);
      text += line;
    }
    text += "\n";
  }
  return model::sjis_to_utf8(text);
}

struct Options {
  uint32_t seed = 0;
  int count = 1;
  int seconds = kDefaultSeconds;
  bool force = false;
  const char* dir = nullptr;
};

// The command's options, read into `o`.
CommandLine compose_options(Options& o) {
  CommandLine cl("compose", usage_text());
  cl.Value("--seed", "a number below 2^32", [&o](const char* v) {
    char* end = nullptr;
    const unsigned long long seed = std::strtoull(v, &end, 10);
    if (!*v || *v == '-' || *end || seed > 0xFFFFFFFFull) return false;
    o.seed = static_cast<uint32_t>(seed);
    return true;
  });
  cl.Number("--count", 1, kMaxCount, &o.count, "a number");
  cl.Number("--time", 1, kMaxSeconds, &o.seconds, "seconds");
  cl.Flag("--force", &o.force);
  cl.Positional(&o.dir);
  return cl;
}

// The file of problem `i`.
std::string problem_path(const Options& o, int i) {
  char name[16];
  std::snprintf(name, sizeof name, "/%03d.kif", i);
  return std::string(o.dir) + name;
}

// Tells how far the job got when Ctrl-C stopped it; kExitInterrupted.
int stopped(int written, const char* where) {
  std::fprintf(stderr, "velkora compose: stopped %s; %d problem%s written\n", where, written,
               written == 1 ? "" : "s");
  return kExitInterrupted;
}

// Tells of problem `i`, which is not written, and why; the batch goes on.
void tell_missed(int i, const std::string& why) {
  std::fprintf(stderr, "velkora compose: problem %d not made: %s\n", i, why.c_str());
}

// The seed a batch starts again from at problem `i`: the one given for the
// first problem; after a problem that missed its time, one mixed from it and
// the problem's number, since that search left the random numbers wherever
// its clock stopped it. The problems after a miss are then the same on every
// run with that miss, and a batch without one draws all its problems from
// the given seed in turn.
uint32_t problem_seed(uint32_t first, int i) {
  if (i == 1) return first;
  constexpr uint32_t kSeedStep = 0x9E3779B9u;  // 2^32 / golden ratio: far apart for every number
  uint32_t x = first + static_cast<uint32_t>(i - 1) * kSeedStep;
  // MurmurHash3's finish: every bit of the sum moves about half the bits.
  x ^= x >> 16;
  x *= 0x85EBCA6Bu;
  x ^= x >> 13;
  x *= 0xC2B2AE35u;
  x ^= x >> 16;
  return x;
}

// True when the environment variable VELKORA_TEST_COMPOSE_MISS lists problem
// `i` ("2" or "1,3"): the tests give that problem no time at all, so that it
// misses without their waiting for a real budget to run out.
bool given_no_time(int i) {
  const char* list = std::getenv("VELKORA_TEST_COMPOSE_MISS");
  for (const char* at = list; at != nullptr && *at != '\0';) {
    char* end = nullptr;
    if (std::strtol(at, &end, 10) == i && end != at) return true;
    at = *end == ',' ? end + 1 : nullptr;
  }
  return false;
}

int compose(const Options& o, bool seeded) {
  platform::Mailbox view;
  CompCall comp(&view);
  driver::KComposeJob& job = comp.compose_job();
  const uint32_t budget_ms = static_cast<uint32_t>(o.seconds) * kMsPerSecond;
  job.tesuu = kMinLength;
  job.tsume_time = kSolveMs;
  job.expand_max = kSolveNodes;
  const uint32_t first_seed = seeded ? o.seed : platform::tick_ms();
  std::copy(std::begin(kPieceTable), std::end(kPieceTable), job.pieces);
  int made = 0;
  bool reseed = true;  // the first problem, and the one after a miss
  for (int i = 1; i <= o.count; ++i) {
    if (InterruptGuard::interrupted()) return stopped(made, "after a problem");
    job.reseed = reseed ? 1 : 0;
    if (reseed) job.seed = problem_seed(first_seed, i);
    reseed = false;
    job.time_ms = given_no_time(i) ? 0 : budget_ms;
    comp.Compose();
    const platform::WindowMessage done = wait_message(view, kMsgComposed, [&comp] { comp.ComposeStop(); });
    // Ctrl-C also ends a job without a problem: say so rather than blame the budget.
    if (static_cast<intptr_t>(done.wparam) != 0) {
      if (InterruptGuard::interrupted()) return stopped(made, "while a problem was made");
      tell_missed(i, "none found within " + std::to_string(o.seconds) + " s");
      reseed = true;
      continue;
    }
    const model::Kyokumen problem = job.problem;
    comp.Tsume(problem, kResolveMemoryMb, static_cast<int32_t>(budget_ms), 0);
    const int solved = static_cast<int>(
        static_cast<intptr_t>(wait_message(view, kMsgTsumeResult, [&comp] { comp.TsumeStop(); }).wparam));
    // The composer's own solves are quick and bounded, so the length it gives
    // may miss a shorter mate that this fuller solve finds. The record's line
    // comes from this solve: its mate is the problem's length, as long as it
    // is one and still long enough.
    if (solved < kMinLength) {
      if (InterruptGuard::interrupted()) return stopped(made, "while a problem was solved again");
      tell_missed(i, "it solves to " + std::to_string(solved) + ", not " + std::to_string(job.length) + " plies");
      continue;
    }
    model::KifuHolder record;
    record.kifu.SetStartPosition(problem);
    record.SetCurrent(record.kifu.root.get());
    comp.TsumeAnswer(record);
    const std::string path = problem_path(o, i);
    int format = 0;
    if (const std::string why = save_record(record, path.c_str(), &format); !why.empty()) return fail(why);
    ++made;
    std::printf("problem %s plies %d ms %ld\n", path.c_str(), solved, static_cast<long>(done.lparam));
    flush_output();
  }
  if (InterruptGuard::interrupted()) return kExitInterrupted;
  if (made == o.count) return kExitOk;
  return fail("made " + std::to_string(made) + " of " + std::to_string(o.count) + " problems");
}

}  // namespace

int cmd_compose(int argc, char** argv) {
  Options o;
  CommandLine cl = compose_options(o);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  if (!platform::path_is_directory(o.dir)) {
    if (platform::path_exists(o.dir)) return cl.Fail(std::string("'") + o.dir + "' is not a folder");
    // Not there, or a path the system cannot follow: through a file, or
    // through a folder that may not be entered.
    const int reason = errno;
    if (reason == ENOENT) return cl.Fail(std::string("'") + o.dir + "' does not exist");
    return cl.Fail(std::string("cannot reach folder '") + o.dir + "': " + std::strerror(reason));
  }
  // Problems made earlier are kept unless the user says otherwise.
  for (int i = 1; i <= o.count && !o.force; ++i) {
    const std::string path = problem_path(o, i);
    if (platform::path_exists(path.c_str())) return cl.Fail("'" + path + "' exists (--force overwrites it)");
  }
  // A file that cannot be written (one that may not be replaced, a folder
  // that takes no file, a link into a missing folder) is found out before
  // the first problem is made.
  for (int i = 1; i <= o.count; ++i) {
    if (const std::string why = save_refusal(problem_path(o, i).c_str()); !why.empty()) return cl.Fail(why);
  }
  InterruptGuard guard;
  return compose(o, cl.Given("--seed"));
}

}  // namespace app
