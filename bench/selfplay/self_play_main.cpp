// velkora_selfplay: velkora against itself, one side thinking --fast seconds a
// move and the other --slow, from openings of a few random legal plies (each
// opening played twice, the colours swapped). Every game is written as a CSA
// record whose comment lines carry each think's last report (depth, score from
// the mover's view, nodes, ms, line). One line per game goes to standard
// output, then every place where a side's own score moved by more than
// --swing within two of its moves: the places to look at in the games the
// shorter think lost. Exit status 1, with one line on standard error, for a
// bad argument, a record file that cannot be written (found before the first
// game; one that fails later lets the games go on) and output that could not
// be written.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/comp_call.h"
#include "app/record_commands.h"
#include "app/standard_output.h"
#include "engine/driver/message_queue.h"
#include "model/formats/csa_format.h"
#include "model/position/perft.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "platform/file_info.h"
#include "platform/file_replace.h"
#include "platform/mailbox.h"

namespace {

constexpr const char* kProgram = "velkora_selfplay";
constexpr int kHundredthsPerSecond = 100;
constexpr int kTimedDepth = 16;
constexpr uint32_t kWaitMs = 10;

struct Options {
  int games = 6;
  int fast = 1;
  int slow = 4;
  int random_plies = 6;
  uint32_t seed = 1;
  int max_plies = 300;
  int swing = 1000;
  std::string out = ".";
};

// One think's outcome as the game log keeps it.
struct Think {
  std::string move;        // CSA form
  int own_score = 0;       // the returned value from the mover's view
  int depth = 0;           // of the last report
  uint32_t nodes = 0;
  uint32_t ms = 0;
  std::string line;        // the last report's line in CSA form
};

struct Game {
  std::vector<std::string> opening;
  std::vector<Think> thinks;  // from the end of the opening on
  int first_think_ply = 0;
  int slow_side = 0;
  std::string result;         // "sente", "gote" or "draw"
  std::string why;
};

uint32_t next_random(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// The CSA text of a message's line, replayed from `start`.
std::string line_text(const model::Kyokumen& start, const driver::MessageItem& item) {
  model::Sashite moves[driver::MessageItem::kMaxEntries];
  const int n = driver::variation_moves(item, start, moves);
  std::string out;
  for (int i = 0; i < n; ++i) {
    model::KString text;
    model::csa_move_text(moves[i], text);
    if (!out.empty()) out += " ";
    out += text.c_str();
  }
  return out;
}

std::string csa_text(const model::Sashite& m) {
  model::KString text;
  model::csa_move_text(m, text);
  return text.c_str();
}

bool append_move(model::KifuHolder& holder, model::Sashite m) {
  if (!holder.kyokumen.CompleteSashite(m)) return false;
  model::KifuSashite* added = model::Kifu::AddSashiteAtPos(holder.current->to, m, 0, nullptr, -1,
                                                           holder.kifu.table.get(), model::KifuChooser::kNever, true);
  if (added == nullptr) return false;
  holder.SetCurrent(added);
  return true;
}

// Asks for the think on the holder's position and waits for its move; the
// last variation reported is kept.
Think think(app::CompCall& comp, platform::Mailbox& view, const model::KifuHolder& holder, int seconds,
            model::Sashite& move) {
  driver::MessageQueue::CreateGlobal(&view, app::kMsgQueue);
  comp.Chuban(holder, 0, seconds * kHundredthsPerSecond, 0, kTimedDepth);
  Think t;
  for (;;) {
    platform::WindowMessage message;
    const bool woke = view.Wait(message, kWaitMs);
    while (std::unique_ptr<driver::MessageItem> item = driver::MessageQueue::PopGlobal()) {
      if (item->type != driver::kMessagePv && item->type != driver::kMessagePvFlagged) continue;
      t.depth = static_cast<int32_t>(item->b);
      t.nodes = item->nodes;
      t.ms = item->ms;
      t.line = line_text(holder.kyokumen, *item);
    }
    if (woke && message.id == app::kMsgComputerMove) break;
  }
  driver::MessageQueue::DestroyGlobal();
  move = comp.job().result_move;
  const int32_t value = comp.job().hyouka.value;
  t.own_score = value == model::KifuHyouka::kNoValue ? value : (holder.kyokumen.teban == 0 ? value : -value);
  return t;
}

Game play(app::CompCall& comp, platform::Mailbox& view, const Options& o, int index) {
  Game g;
  g.slow_side = index % 2;
  model::KifuHolder holder;
  holder.Reset(model::kHirate);
  uint32_t state = o.seed * 7919u + static_cast<uint32_t>(index / 2) * 104729u;
  for (int i = 0; i < o.random_plies; ++i) {
    model::Sashite moves[model::kMaxSashite];
    const int n = model::legal_moves(holder.kyokumen, moves);
    if (n == 0) break;
    const model::Sashite m = moves[next_random(state) % static_cast<uint32_t>(n)];
    g.opening.push_back(csa_text(m));
    append_move(holder, m);
  }
  g.first_think_ply = static_cast<int>(g.opening.size());
  comp.GameInit(0, 0, false);
  int32_t strategy[2] = {0, 0};
  for (int ply = g.first_think_ply;; ++ply) {
    const int side = holder.kyokumen.teban;
    if (ply >= o.max_plies) {
      g.result = "draw";
      g.why = "move limit";
      break;
    }
    comp.job().senkei_sofar = strategy[side];
    model::Sashite move;
    Think t = think(comp, view, holder, side == g.slow_side ? o.slow : o.fast, move);
    strategy[side] = comp.job().senkei_sofar;
    if (move.special != model::kOrdinaryMove) {
      t.move = move.special == model::kKachi ? "%KACHI" : "%TORYO";
      g.thinks.push_back(t);
      g.result = (move.special == model::kKachi) == (side == 0) ? "sente" : "gote";
      g.why = t.move;
      break;
    }
    if (!append_move(holder, move)) {
      g.result = side == 0 ? "gote" : "sente";
      g.why = "refused move";
      break;
    }
    t.move = csa_text(holder.current->sashite);
    g.thinks.push_back(t);
    const int repetition = holder.CheckSennichite();
    if (repetition != 0) {
      g.result = repetition == 9 ? "draw" : (repetition == 10 ? "sente" : "gote");
      g.why = "repetition";
      break;
    }
  }
  comp.GameExit();
  return g;
}

// The record file of game `index` (from 0).
std::string record_path(const Options& o, int index) { return o.out + "/game" + std::to_string(index + 1) + ".csa"; }

// Writes the game's CSA record into the output folder as velkora saves a
// record: a device or a pipe is written into, any other file replaced whole
// (platform::FileReplacement: never seen half-written, a file that may not be
// written left as it was, a link written through). False (said on standard
// error, with the reason) when the file could not be written whole.
bool write_record(const Game& g, const Options& o, int index) {
  const std::string path = record_path(o, index);
  std::unique_ptr<platform::FileReplacement> replacement;
  errno = 0;
  std::FILE* f = nullptr;
  if (platform::path_is_device(path.c_str())) {
    f = std::fopen(path.c_str(), "w");
  } else if ((replacement = platform::FileReplacement::Begin(path.c_str()))) {
    f = replacement->stream();
  }
  if (f == nullptr) {
    std::fprintf(stderr, "%s: %s\n", kProgram, app::one_line(app::cannot_write(path.c_str())).c_str());
    return false;
  }
  std::fprintf(f, "V2.2\nN+%s\nN-%s\nPI\n+\n", g.slow_side == 0 ? "slow" : "fast", g.slow_side == 0 ? "fast" : "slow");
  for (const std::string& m : g.opening) std::fprintf(f, "%s\n", m.c_str());
  for (const Think& t : g.thinks) {
    std::fprintf(f, "%s\n'score %d depth %d nodes %u time %u pv %s\n", t.move.c_str(), t.own_score, t.depth, t.nodes,
                 t.ms, t.line.c_str());
  }
  std::fprintf(f, "'result %s (%s)\n", g.result.c_str(), g.why.c_str());
  // A write that failed on the way keeps its reason; else the close's.
  int reason = std::ferror(f) ? errno : 0;
  errno = 0;
  bool written = reason == 0;
  if (replacement) {
    written = written && replacement->Commit();
  } else {
    written = std::fclose(f) == 0 && written;
  }
  if (written) return true;
  if (reason == 0) reason = errno != 0 ? errno : EIO;
  errno = reason;
  std::fprintf(stderr, "%s: %s\n", kProgram, app::one_line(app::cannot_write(path.c_str())).c_str());
  return false;
}

// The places where a side's own score moved by more than the swing within two
// of its moves.
void report_swings(const Game& g, const Options& o, int index) {
  for (size_t i = 0; i < g.thinks.size(); ++i) {
    for (size_t step : {size_t{2}, size_t{4}}) {
      if (i + step >= g.thinks.size()) continue;
      const int a = g.thinks[i].own_score, b = g.thinks[i + step].own_score;
      if (std::abs(b - a) <= o.swing) continue;
      const int ply = g.first_think_ply + static_cast<int>(i) + 1;  // the ply of the move thought
      const bool slow = ((g.first_think_ply + static_cast<int>(i)) % 2) == g.slow_side;
      std::printf("  game %d %s side ply %d (%s) score %d -> ply %d (%s) score %d\n", index + 1, slow ? "slow" : "fast",
                  ply, g.thinks[i].move.c_str(), a, ply + static_cast<int>(step), g.thinks[i + step].move.c_str(), b);
      break;
    }
  }
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* v = argv[i + 1];
    if (name == "--games") o.games = std::atoi(v);
    else if (name == "--fast") o.fast = std::atoi(v);
    else if (name == "--slow") o.slow = std::atoi(v);
    else if (name == "--random-plies") o.random_plies = std::atoi(v);
    else if (name == "--seed") o.seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
    else if (name == "--max-plies") o.max_plies = std::atoi(v);
    else if (name == "--swing") o.swing = std::atoi(v);
    else if (name == "--out") o.out = v;
    else return false;
  }
  return argc % 2 == 1 && o.games > 0 && o.fast > 0 && o.slow > 0;
}

// Plays the games the arguments ask for; the exit status.
int run(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: %s [--games N] [--fast S] [--slow S] [--random-plies P] [--seed X]\n"
                 "                        [--max-plies M] [--swing V] [--out DIR]\n",
                 kProgram);
    return app::kExitFailure;
  }
  // Every record file is tried before the first game, with the test its
  // write makes: a file that cannot be written is found out at once, not
  // after hours of games.
  for (int i = 0; i < o.games; ++i) {
    const std::string why = app::save_refusal(record_path(o, i).c_str());
    if (!why.empty()) {
      std::fprintf(stderr, "%s: %s\n", kProgram, app::one_line(why).c_str());
      return app::kExitFailure;
    }
  }
  platform::Mailbox view;
  app::CompCall comp(&view);
  comp.job().no_book = 1;
  int slow_wins = 0, fast_wins = 0, draws = 0;
  bool all_written = true;
  for (int i = 0; i < o.games; ++i) {
    const Game g = play(comp, view, o, i);
    all_written = write_record(g, o, i) && all_written;
    const std::string slow_colour = g.slow_side == 0 ? "sente" : "gote";
    if (g.result == "draw") {
      ++draws;
    } else if (g.result == slow_colour) {
      ++slow_wins;
    } else {
      ++fast_wins;
    }
    std::printf("game %d: slow %s, %zu plies, winner %s (%s)\n", i + 1, slow_colour.c_str(),
                g.first_think_ply + g.thinks.size(), g.result.c_str(), g.why.c_str());
    report_swings(g, o, i);
    app::flush_output();
  }
  std::printf("slow %d, fast %d, draws %d\n", slow_wins, fast_wins, draws);
  return all_written ? app::kExitOk : app::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) { return app::finish_program_output(kProgram, run(argc, argv)); }
