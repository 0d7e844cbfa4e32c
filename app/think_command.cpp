#include "app/think_command.h"

#include <cstdio>
#include <memory>
#include <string>

#include "app/arguments.h"
#include "app/book_reading.h"
#include "app/comp_call.h"
#include "app/interrupt.h"
#include "app/record_commands.h"
#include "app/record_input.h"
#include "app/standard_output.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/joseki_books.h"
#include "engine/driver/mate_jobs.h"
#include "engine/driver/message_queue.h"
#include "engine/search/chuban.h"
#include "engine/tsume/tsume_entry.h"
#include "model/formats/csa_format.h"
#include "model/position/perft.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "model/text/text_encoding.h"
#include "platform/mailbox.h"

namespace app {

namespace {

// Without --time and --depth the think gets this byoyomi.
constexpr int kDefaultSeconds = 10;
// A timed think goes at most this deep.
constexpr int kTimedDepth = 16;
constexpr int kHundredthsPerSecond = 100;
constexpr int kMsPerSecond = 1000;
constexpr int kMaxSeconds = 86400;
// The wait for the computer thread's messages wakes this often to see Ctrl-C.
constexpr uint32_t kWaitMs = 10;
// The solve that measures a mate found by the root's mate check: the memory of
// a mate command's solver, and a time limit well above what the check's node
// budget takes.
constexpr int kRootMateMemoryMb = 256;
constexpr int32_t kRootMateSolveMs = 3000;

// The playing styles by index, as the engine names them.
constexpr const char* kStyleNames[] = {"標準", "強引", "慎重"};

struct Options {
  const char* path = nullptr;
  int ply = -1;
  int seconds = -1;
  int depth = -1;
  int style = 0;
  const char* book = nullptr;
  bool no_book = false;
  int from = 0;
};

constexpr const char* kUsage =
    "usage: velkora think FILE [--ply N] [--time S] [--depth D] [--style NAME] [--book B|--no-book]\n"
    "                    [--from F]\n"
    "Thinks about the position after ply N of the record's main line (default: its end)\n"
    "as the computer does in a game, and prints each variation as\n"
    "\"info depth D score S nodes N time MS pv M1 M2 ...\" (the last one for the whole\n"
    "think), \"info nodes N time MS nps X\" once a second while nothing else is\n"
    "printed, then \"bestmove M\" (CSA form) or \"bestmove %TORYO\", a resignation\n"
    "(the last info line then has no pv). The computer resigns only when it has\n"
    "no legal move; when it is in check with two or more legal moves and each lets\n"
    "the opponent mate at once; or when it is not in check, its search finds every\n"
    "move it tries lost to a mate, and the move it put first before that (after its\n"
    "last iteration not lost, else before its search) is a check that captures\n"
    "nothing or only an unpromoted pawn. Otherwise it plays on, even when it sees a\n"
    "mate against it whatever it plays (score -32766): for example in check with a\n"
    "single legal move, or with one that is not mated at once. A position\n"
    "where the side to move can capture the enemy king is refused. Ctrl-C stops the\n"
    "think: the best move so far (the first legal move when it has none yet) is\n"
    "printed, a line on standard error says so, and the exit status is 130.\n"
    "  --ply N      the position after ply N\n"
    "  --time S     seconds per move (without --depth: 10)\n"
    "  --depth D    think D plies deep (2 to 12)\n"
    "  --style NAME the playing style: 標準 (default), 強引 or 慎重\n"
    "  --book B     ask the opening book B first (a JS5/JSD user book, or a folder\n"
    "               holding joseki/bXX.jdb) up to ply 10\n"
    "  --no-book    never ask a book\n"
    "  --from F     read FILE as format F (kif ki2 csa qvf ckf vkr qvx kifu ki2u)\n";

// The command's options, read into `o`; the parser says what was wrong.
CommandLine think_options(Options& o) {
  CommandLine cl("think", model::sjis_to_utf8(kUsage));
  cl.Number("--ply", 0, kMaxPlyOption, &o.ply, "a number of moves");
  cl.Number("--time", 1, kMaxSeconds, &o.seconds, "seconds");
  cl.Number("--depth", kChubanDepthMin, kChubanDepthMax, &o.depth, "a depth");
  cl.Value("--style", model::sjis_to_utf8("a style: 標準, 強引 or 慎重"), [&o](const char* v) {
    const std::string name = model::utf8_to_sjis(v);
    for (int s = 0; s < static_cast<int>(std::size(kStyleNames)); ++s) {
      if (name == kStyleNames[s]) {
        o.style = s;
        return true;
      }
    }
    return false;
  });
  cl.Text("--book", &o.book, "a user book or a folder holding joseki/bXX.jdb");
  cl.Flag("--no-book", &o.no_book);
  add_from_option(cl, &o.from);
  cl.Positional(&o.path);
  return cl;
}

// Loads the divided book's part for the position thought about, which is the
// only one the think consults. False, with a warning on standard error, when
// the part is there but cannot be read: the think then goes without the book.
bool divided_part_readable(driver::JosekiBooks& books, const model::Kyokumen& k) {
  const std::string why = divided_part_refusal(books, books.sources, k);
  if (why.empty()) return true;
  std::fprintf(stderr, "velkora think: warning: %s; thinking without the book\n", one_line(why).c_str());
  return false;
}

// Prints the variations of the message queue as CSA moves, replayed from the
// position thought about so that each move names its piece.
class VariationPrinter {
 public:
  explicit VariationPrinter(const model::Kyokumen& start) : start_(start) {}

  // Prints every waiting variation and progress report; the root mate's line
  // is kept for PrintRootMate.
  void Drain() {
    while (std::unique_ptr<driver::MessageItem> item = driver::MessageQueue::PopGlobal()) {
      const bool variation = item->type == driver::kMessagePv || item->type == driver::kMessagePvFlagged;
      if (variation && item->b == static_cast<uint32_t>(search::kRootMateDepth)) {
        best_ = first_move(*item);
        root_mate_ = std::move(item);
        continue;
      }
      if (variation) Print(*item);
      if (item->type == driver::kMessageProgress) PrintProgress(*item);
    }
  }

  // The root's mate check reports its mate with a depth word that only marks
  // the road and the search's node count, which is 0: the mate solver did the
  // work and tells no length. Its line is printed with the mate's length as
  // depth and the solver's nodes, from a solve of the position by the
  // problem solver; a solve that finds no mate in time leaves the length of
  // the line as depth.
  void PrintRootMate(CompCall& comp, platform::Mailbox& view) {
    if (!root_mate_) return;
    driver::MessageItem& item = *root_mate_;
    comp.Tsume(start_, kRootMateMemoryMb, kRootMateSolveMs, 0);
    const int word =
        static_cast<int>(static_cast<intptr_t>(wait_message(view, kMsgTsumeResult, [&comp] { comp.TsumeStop(); }).wparam));
    double seconds = 0;
    comp.TsumeProgress(item.nodes, seconds);
    const bool mate = driver::tsume_job_result(word) == tsume::SolveResult::kMate;
    item.b = static_cast<uint32_t>(mate ? word : item.count);
    Print(item);
    root_mate_.reset();
  }

  // The first move of the latest variation, empty before any.
  const std::string& best() const { return best_; }

 private:
  // The CSA text of a variation's first move, empty for none.
  std::string first_move(const driver::MessageItem& item) const {
    model::Sashite moves[driver::MessageItem::kMaxEntries];
    if (driver::variation_moves(item, start_, moves) < 1) return {};
    model::KString text;
    model::csa_move_text(moves[0], text);
    return text.c_str();
  }

  void Print(const driver::MessageItem& item) {
    std::string line = "info depth " + std::to_string(static_cast<int32_t>(item.b)) + " score " +
                       std::to_string(static_cast<int32_t>(item.a)) + " nodes " + std::to_string(item.nodes) +
                       " time " + std::to_string(item.ms) + " pv";
    model::Sashite moves[driver::MessageItem::kMaxEntries];
    const int n = driver::variation_moves(item, start_, moves);
    std::string first;
    for (int i = 0; i < n; ++i) {
      model::KString text;
      model::csa_move_text(moves[i], text);
      line += " ";
      line += text.c_str();
      if (first.empty()) first = text.c_str();
    }
    std::printf("%s\n", line.c_str());
    flush_output();
    if (!first.empty()) best_ = first;
  }

  static void PrintProgress(const driver::MessageItem& item) {
    const uint64_t nps = item.ms == 0 ? 0 : uint64_t{item.nodes} * kMsPerSecond / item.ms;
    std::printf("info nodes %u time %u nps %llu\n", item.nodes, item.ms, static_cast<unsigned long long>(nps));
    flush_output();
  }

  const model::Kyokumen& start_;
  std::string best_;
  std::unique_ptr<driver::MessageItem> root_mate_;  // the root mate check's line, not yet printed
};

constexpr const char* kResign = "%TORYO";

// The CSA form of a move of the position; empty when it is none of its moves.
std::string move_text(const model::Kyokumen& position, model::Sashite m) {
  if (!position.CompleteSashite(m)) return {};
  model::KString text;
  model::csa_move_text(m, text);
  return text.c_str();
}

// The answer of a think stopped before it had a line of its own (the stop came
// before the search began): the position's first legal move in the move
// generator's order; empty when it has none.
std::string first_legal_move(const model::Kyokumen& position) {
  model::Sashite moves[model::kMaxSashite];
  return model::legal_moves(position, moves) > 0 ? move_text(position, moves[0]) : std::string();
}

// The text after "bestmove" for the job's result. A stopped think answers the
// best move it has (the first move of its latest line), else a legal move: it
// resigns only where no move is legal.
std::string best_move_text(const model::Sashite& result, const model::Kyokumen& position,
                           const VariationPrinter& printer) {
  std::string text;
  switch (result.special) {
    case model::kOrdinaryMove:
      text = move_text(position, result);
      break;
    case model::kChudan:
      text = printer.best().empty() ? first_legal_move(position) : printer.best();
      break;
    default:
      break;
  }
  return text.empty() ? kResign : text;
}

enum class ThinkEnd { kMove, kInterrupted, kKingCapturable };

// Thinks with the computer thread and prints; the move message ends it. A
// position where the enemy king can be taken gets no think and no bestmove.
ThinkEnd think(const model::KifuHolder& holder, const Options& o, driver::JosekiBooks* book) {
  platform::Mailbox view;
  bool king_capturable = false;
  {
    CompCall comp(&view);
    if (driver::engine_table_kb_allocated() == 0) {
      std::fprintf(stderr, "velkora think: warning: no memory for the transposition table; thinking without it\n");
    }
    comp.job().play_style = o.style;
    comp.job().no_book = o.no_book ? 1 : 0;
    comp.job().book = book;
    comp.GameInit(0, 0, false);
    const int hundredths = (o.seconds > 0 ? o.seconds : 0) * kHundredthsPerSecond;
    if (o.depth > 0) {
      comp.ChubanDepth(holder, o.depth, 0, hundredths, 0);
    } else {
      driver::MessageQueue::CreateGlobal(&view, kMsgQueue);
      comp.Chuban(holder, 0, o.seconds > 0 ? hundredths : kDefaultSeconds * kHundredthsPerSecond, 0, kTimedDepth);
    }

    VariationPrinter printer(holder.kyokumen);
    bool stopped = false;
    for (;;) {
      if (InterruptGuard::interrupted() && !stopped) {
        stopped = true;
        comp.Stop();
      }
      platform::WindowMessage message;
      if (!view.Wait(message, kWaitMs)) continue;
      if (message.id == kMsgQueue) printer.Drain();
      if (message.id != kMsgComputerMove) continue;
      printer.Drain();
      printer.PrintRootMate(comp, view);
      king_capturable = comp.job().result_move.special == model::kKachi;
      if (!king_capturable) {
        std::printf("bestmove %s\n", best_move_text(comp.job().result_move, holder.kyokumen, printer).c_str());
        flush_output();
      }
      break;
    }
  }  // the computer thread has ended: no job runs while the queue goes
  driver::MessageQueue::DestroyGlobal();
  if (king_capturable) return ThinkEnd::kKingCapturable;
  return InterruptGuard::interrupted() ? ThinkEnd::kInterrupted : ThinkEnd::kMove;
}

}  // namespace

int cmd_think(int argc, char** argv) {
  Options o;
  CommandLine cl = think_options(o);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  if (o.book && o.no_book) return cl.Fail("--book and --no-book exclude each other");
  std::string error;
  model::KifuHolder holder;
  if (!load_record_at_ply(holder, "think", o.path, o.ply, error, o.from)) return cl.Fail(error);

  auto books = std::make_unique<driver::JosekiBooks>();
  if (o.book) {
    books->sources = open_book_to_read(*books, o.book, 0, error);
    if (books->sources == 0) return cl.Fail(error);
  }
  const bool with_book = o.book && divided_part_readable(*books, holder.kyokumen);

  InterruptGuard guard;
  switch (think(holder, o, with_book ? books.get() : nullptr)) {
    case ThinkEnd::kKingCapturable:
      return cl.Fail("the side to move can already capture the enemy king");
    case ThinkEnd::kInterrupted:
      std::fputs("velkora think: stopped; bestmove is the best move found so far\n", stderr);
      return kExitInterrupted;
    default:
      return kExitOk;
  }
}

}  // namespace app
