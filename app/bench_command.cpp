#include "app/bench_command.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/record_commands.h"
#include "engine/driver/movegen_stats.h"
#include "engine/driver/think_signature.h"
#include "model/formats/csa_format.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "platform/mailbox.h"

namespace app {

namespace {

constexpr int kDefaultMode = driver::kModeAll;
constexpr int kDefaultDepth = 3;
constexpr int kMaxDepthOption = 64;
// The wait for the benchmark's message wakes this often.
constexpr uint32_t kWaitMs = 100;

int fail(const std::string& what) {
  std::fprintf(stderr, "velkora bench: %s\n", what.c_str());
  return 1;
}

struct Options {
  bool signature = false;
  const char* stats = nullptr;
  int ply = -1;
  int mode = kDefaultMode;
  int depth = kDefaultDepth;
  const char* move = nullptr;
};

bool parse_options(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 0; i < argc; ++i) {
    const char* a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (std::strcmp(a, "--signature") == 0) {
      o.signature = true;
      continue;
    }
    if (std::strcmp(a, "--stats") == 0) {
      if (!value) return error = "--stats needs a record file", false;
      o.stats = value;
    } else if (std::strcmp(a, "--ply") == 0) {
      if (!value || !parse_int(value, 0, 100000, &o.ply)) return error = "--ply needs a number of moves", false;
    } else if (std::strcmp(a, "--mode") == 0) {
      if (!value || !parse_int(value, 0, driver::kModeCount - 1, &o.mode)) {
        return error = "--mode needs a mode from 0 to 6", false;
      }
    } else if (std::strcmp(a, "--depth") == 0) {
      if (!value || !parse_int(value, 0, kMaxDepthOption, &o.depth)) {
        return error = "--depth needs a depth from 0 to " + std::to_string(kMaxDepthOption), false;
      }
    } else if (std::strcmp(a, "--move") == 0) {
      if (!value) return error = "--move needs a move in CSA form", false;
      o.move = value;
    } else {
      return error = std::string("unexpected argument '") + a + "'", false;
    }
    ++i;
  }
  if (!o.stats && (o.ply >= 0 || o.move || o.mode != kDefaultMode || o.depth != kDefaultDepth)) {
    return error = "--ply, --mode, --depth and --move go with --stats FILE", false;
  }
  if (o.signature && o.stats) return error = "--signature and --stats exclude each other", false;
  return true;
}

// The speed benchmark on the computer thread, in an open game it closes.
int speed() {
  platform::Mailbox view;
  CompCall comp(&view);
  comp.GameInit(0, 0, true);
  comp.Benchmark();
  for (;;) {
    platform::WindowMessage message;
    if (!view.Wait(message, kWaitMs) || message.id != kMsgBenchmark) continue;
    std::printf("bench ms %u\n", static_cast<unsigned>(message.wparam));
    return 0;
  }
}

// The node-count signature, on this thread (no game is open).
int signature() {
  const uint64_t nodes = driver::think_signature();
  if (nodes == 0) return fail("no memory for the signature's tables");
  std::printf("signature %" PRIu64 "\n", nodes);
  return 0;
}

std::string csa_text(const model::Kyokumen& k, model::Sashite m) {
  if (!k.CompleteSashite(m)) return "?";
  model::KString text;
  model::csa_move_text(m, text);
  return text.c_str();
}

int stats(const Options& o) {
  model::KifuHolder holder;
  std::string error;
  if (!load_record_at_ply(holder, "bench", o.stats, o.ply, error)) return fail(error);
  driver::CompJob job;
  job.cursor = driver::RecordCursor{&holder.kifu, &holder.kyokumen, holder.current};

  if (o.move) {
    model::Sashite m;
    model::KString statement;
    statement.Assign(o.move);
    driver::MovegenDetail d;
    if (!csa_parse_move_line(statement, m, holder.kyokumen) || m.special != model::kOrdinaryMove ||
        driver::movegen_stats_detail(job, m, d) != 0) {
      return fail(std::string("'") + o.move + "' is not a move of the position");
    }
    const std::pair<const char*, driver::CyclePair> rows[] = {
        {"make", d.make}, {"unmake", d.unmake}, {"soma-j", d.soma_j}, {"soma-s", d.soma_s}};
    for (const auto& [name, pair] : rows) std::printf("%s %" PRIu64 " %" PRIu64 "\n", name, pair.average, pair.minimum);
    return 0;
  }
  driver::MovegenStats s;
  if (driver::movegen_stats(job, o.mode, o.depth, s) != 0) return fail("the engine cannot load the record's line");
  std::printf("generated %d legal %d cycles %" PRIu64 " %" PRIu64 "\n", s.generated, s.legal, s.cycles.average,
              s.cycles.minimum);
  for (const driver::MovegenStatsMove& m : s.moves) {
    std::printf("%s order %d exchange %d\n", csa_text(holder.kyokumen, m.sashite).c_str(), m.order, m.exchange);
  }
  return 0;
}

}  // namespace

int cmd_bench(int argc, char** argv) {
  Options o;
  std::string error;
  if (!parse_options(argc, argv, o, error)) return fail(error);
  if (o.signature) return signature();
  return o.stats ? stats(o) : speed();
}

}  // namespace app
