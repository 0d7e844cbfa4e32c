#include "app/compose_command.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/interrupt.h"
#include "app/terminal.h"
#include "engine/driver/mate_jobs.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
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
  std::fprintf(stderr, "velkora compose: %s\n", what.c_str());
  return 1;
}

void usage(std::FILE* to) {
  std::string text =
      "usage: velkora compose [--seed N] [--count K] [--time SECONDS] OUTDIR\n"
      "each problem at least 7 plies, 3000 ms and 50000 nodes per solve, with the pieces\n"
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
  std::fputs(sjis_to_utf8(text).c_str(), to);
}

struct Options {
  uint32_t seed = 0;
  bool seeded = false;
  int count = 1;
  int seconds = kDefaultSeconds;
  const char* dir = nullptr;
};

bool parse_options(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 0; i < argc; ++i) {
    const char* a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    int n = 0;
    if (std::strcmp(a, "--seed") == 0) {
      char* end = nullptr;
      const unsigned long long seed = value ? std::strtoull(value, &end, 10) : 0;
      if (!value || !*value || *end || seed > 0xFFFFFFFFull) return error = "--seed needs a number below 2^32", false;
      o.seed = static_cast<uint32_t>(seed);
      o.seeded = true;
      ++i;
    } else if (std::strcmp(a, "--count") == 0) {
      if (!value || !parse_int(value, 1, kMaxCount, &n)) {
        return error = "--count needs a number from 1 to " + std::to_string(kMaxCount), false;
      }
      o.count = n;
      ++i;
    } else if (std::strcmp(a, "--time") == 0) {
      if (!value || !parse_int(value, 1, kMaxSeconds, &n)) {
        return error = "--time needs seconds from 1 to " + std::to_string(kMaxSeconds), false;
      }
      o.seconds = n;
      ++i;
    } else if (a[0] == '-' && a[1] != '\0') {
      return error = std::string("unknown option '") + a + "'", false;
    } else if (!o.dir) {
      o.dir = a;
    } else {
      return error = std::string("unexpected argument '") + a + "'", false;
    }
  }
  if (!o.dir) return error = "usage: velkora compose [--seed N] [--count K] [--time SECONDS] OUTDIR", false;
  if (!platform::path_is_directory(o.dir)) return error = std::string("'") + o.dir + "' is not a folder", false;
  return true;
}

int compose(const Options& o) {
  platform::Mailbox view;
  CompCall comp(&view);
  driver::KComposeJob& job = comp.compose_job();
  job.time_ms = static_cast<uint32_t>(o.seconds) * kMsPerSecond;
  job.tesuu = kMinLength;
  job.tsume_time = kSolveMs;
  job.expand_max = kSolveNodes;
  job.seed = o.seeded ? o.seed : platform::tick_ms();
  std::copy(std::begin(kPieceTable), std::end(kPieceTable), job.pieces);
  for (int i = 1; i <= o.count; ++i) {
    job.reseed = i == 1 ? 1 : 0;
    comp.Compose();
    const platform::WindowMessage done = wait_message(view, kMsgComposed, [&comp] { comp.ComposeStop(); });
    // Ctrl-C also ends a job without a problem: say so rather than blame the budget.
    if (static_cast<intptr_t>(done.wparam) != 0) {
      if (InterruptGuard::interrupted()) return fail("stopped before problem " + std::to_string(i) + " was made");
      return fail("no problem within " + std::to_string(o.seconds) + " s");
    }
    const model::Kyokumen problem = job.problem;
    const int length = static_cast<int>(job.length);
    comp.Tsume(problem, kResolveMemoryMb, static_cast<int32_t>(job.time_ms), 0);
    const int solved = static_cast<int>(
        static_cast<intptr_t>(wait_message(view, kMsgTsumeResult, [&comp] { comp.TsumeStop(); }).wparam));
    if (solved != length) {
      if (InterruptGuard::interrupted()) return fail("stopped while problem " + std::to_string(i) + " was solved again");
      return fail("problem " + std::to_string(i) + " solves to " + std::to_string(solved) + ", not " +
                  std::to_string(length) + " plies");
    }
    model::KifuHolder record;
    record.kifu.SetStartPosition(problem);
    record.SetCurrent(record.kifu.root.get());
    comp.TsumeAnswer(record);
    char name[16];
    std::snprintf(name, sizeof name, "/%03d.kif", i);
    const std::string path = std::string(o.dir) + name;
    int format = 0;
    if (!model::kifu_save_file(record, path.c_str(), &format)) return fail("cannot write '" + path + "'");
    std::printf("problem %s plies %d ms %ld\n", path.c_str(), length, static_cast<long>(done.lparam));
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int cmd_compose(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      usage(stdout);
      return 0;
    }
  }
  Options o;
  std::string error;
  if (!parse_options(argc, argv, o, error)) return fail(error);
  InterruptGuard guard;
  return compose(o);
}

}  // namespace app
