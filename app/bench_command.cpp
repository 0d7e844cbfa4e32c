#include "app/bench_command.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/interrupt.h"
#include "app/record_commands.h"
#include "app/record_input.h"
#include "engine/driver/movegen_stats.h"
#include "engine/driver/think_signature.h"
#include "model/formats/csa_format.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "model/text/text_encoding.h"
#include "platform/mailbox.h"

namespace app {

namespace {

constexpr int kDefaultMode = driver::kModeAll;
constexpr int kDefaultDepth = 3;
constexpr int kMaxDepthOption = 64;
constexpr const char* kKingCapturable = "the side to move can already capture the king";
// The signature's thread tells its end with this message.
constexpr uint32_t kMsgSignature = 1;

int fail(const std::string& what) {
  std::fprintf(stderr, "velkora bench: %s\n", one_line(what).c_str());
  return kExitFailure;
}

struct Options {
  bool signature = false;
  const char* stats = nullptr;
  int ply = -1;
  int mode = kDefaultMode;
  int depth = kDefaultDepth;
  const char* move = nullptr;
  int from = 0;
};

constexpr const char* kUsage =
    "usage: velkora bench [--signature | --stats FILE [--ply N] [--mode M] [--depth D] [--move MOVE]\n"
    "                     [--from F]]\n"
    "Without options: the speed benchmark, \"bench ms T\" (Ctrl-C stops it with exit\n"
    "status 130 and no figure).\n"
    "With --signature: the think's node-count signature, \"signature N\" (Ctrl-C\n"
    "stops it likewise).\n"
    "With --stats FILE: times the move generator of mode M (0-6: 序 中 終 all 王手 1手詰\n"
    "Eff; default 3) with D plies left (default 3) on the position after ply N of the\n"
    "record's main line (default: its end): \"generated G legal L cycles AVG MIN\", then\n"
    "\"M order S exchange E\" per move; with --move (CSA form, +7776FU) the make, unmake\n"
    "and evaluation cycles of that move instead; --from F reads FILE as format F (kif\n"
    "ki2 csa qvf ckf vkr qvx kifu ki2u).\n";

// The command's options, read into `o`.
CommandLine bench_options(Options& o) {
  CommandLine cl("bench", model::sjis_to_utf8(kUsage));
  cl.Flag("--signature", &o.signature);
  cl.Text("--stats", &o.stats, "a record file");
  cl.Number("--ply", 0, kMaxPlyOption, &o.ply, "a number of moves");
  cl.Number("--mode", 0, driver::kModeCount - 1, &o.mode, "a mode");
  cl.Number("--depth", 0, kMaxDepthOption, &o.depth, "a depth");
  cl.Text("--move", &o.move, "a move in CSA form");
  add_from_option(cl, &o.from);
  return cl;
}

// The speed benchmark on the computer thread, in an open game it closes.
int speed() {
  // Ctrl-C is caught from before the computer thread starts until after it
  // has ended: its start and end take part of the run's time.
  InterruptGuard guard;
  platform::Mailbox view;
  CompCall comp(&view);
  comp.GameInit(0, 0, true);
  comp.Benchmark();
  const platform::WindowMessage done = wait_message(view, kMsgBenchmark, [&comp] { comp.BenchmarkStop(); });
  if (InterruptGuard::interrupted()) {
    fail("stopped before the benchmark ended");
    return kExitInterrupted;
  }
  std::printf("bench ms %u\n", static_cast<unsigned>(done.wparam));
  return kExitOk;
}

// The node-count signature, on a thread of its own (no game is open) while
// this one waits for its end or for Ctrl-C.
int signature() {
  InterruptGuard guard;
  platform::Mailbox view;
  uint64_t nodes = 0;
  std::thread run([&view, &nodes] {
    nodes = driver::think_signature();
    platform::post_message(&view, kMsgSignature);
  });
  wait_message(view, kMsgSignature, [] { driver::think_signature_stop(); });
  run.join();
  if (InterruptGuard::interrupted()) {
    fail("stopped before the signature ended");
    return kExitInterrupted;
  }
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
  if (!load_record_at_ply(holder, "bench", o.stats, o.ply, error, o.from)) return fail(error);
  driver::CompJob job;
  driver::record_cursor_set(job.cursor, holder.kifu, holder.current, holder.kyokumen);

  if (o.move) {
    model::Sashite m;
    model::KString statement;
    statement.Assign(o.move);
    driver::MovegenDetail d;
    const bool parsed = csa_parse_move_line(statement, m, holder.kyokumen) && m.special == model::kOrdinaryMove;
    const int r = parsed ? driver::movegen_stats_detail(job, m, d) : driver::kStatsNoLine;
    if (r == driver::kStatsKingCapturable) return fail(kKingCapturable);
    if (r != 0) return fail(std::string("'") + o.move + "' is not a move of the position");
    const std::pair<const char*, driver::CyclePair> rows[] = {
        {"make", d.make}, {"unmake", d.unmake}, {"soma-j", d.soma_j}, {"soma-s", d.soma_s}};
    for (const auto& [name, pair] : rows) std::printf("%s %" PRIu64 " %" PRIu64 "\n", name, pair.average, pair.minimum);
    return 0;
  }
  driver::MovegenStats s;
  const int r = driver::movegen_stats(job, o.mode, o.depth, s);
  if (r == driver::kStatsKingCapturable) return fail(kKingCapturable);
  if (r != 0) return fail("the engine cannot load the record's line");
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
  CommandLine cl = bench_options(o);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  for (const char* name : {"--ply", "--mode", "--depth", "--move", "--from"}) {
    if (!o.stats && cl.Given(name)) return cl.Fail(std::string(name) + " goes with --stats FILE");
  }
  if (o.signature && o.stats) return cl.Fail("--signature and --stats exclude each other");
  if (o.signature) return signature();
  return o.stats ? stats(o) : speed();
}

}  // namespace app
