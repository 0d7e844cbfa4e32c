// Ctrl-C at the very start of a job, sent once the program has started the
// job's thread: the benchmark and the signature stop with their message, and a
// think answers a legal move (never a resignation where a move is legal) with
// no mate value it has not proved, whatever stage the stop lands in (before
// the think begins, the book, the root checks, the first iteration).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/record_commands.h"
#include "model/formats/csa_format.h"
#include "model/position/perft.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

// A stopped job ends within milliseconds; a loaded machine gets this long.
constexpr uint32_t kEndLimitMs = 10000;
constexpr long kMateScore = 32766;

::testing::AssertionResult stopped_with(const Interrupted& r, const std::string& err) {
  if (!r.ended) return ::testing::AssertionFailure() << "not ended by the interrupt; said: " << r.out << r.err;
  if (!WIFEXITED(r.status) || WEXITSTATUS(r.status) != 130) {
    return ::testing::AssertionFailure() << "status " << r.status << "; said: " << r.out << r.err;
  }
  if (r.err != err || !r.out.empty()) return ::testing::AssertionFailure() << "said: " << r.out << r.err;
  return ::testing::AssertionSuccess();
}

TEST(EarlyStop, TheBenchmarkAndTheSignatureStopWithTheirMessage) {
  for (const uint32_t delay : {0u, 20u}) {
    EXPECT_TRUE(stopped_with(run_interrupted_after_thread({"bench"}, delay, kEndLimitMs),
                             "velkora bench: stopped before the benchmark ended\n"))
        << delay;
    EXPECT_TRUE(stopped_with(run_interrupted_after_thread({"bench", "--signature"}, delay, kEndLimitMs),
                             "velkora bench: stopped before the signature ended\n"))
        << delay;
  }
}

// The bestmove of a think's output and whether an info line gave a mate value.
struct Answer {
  std::string best;
  bool mate_value = false;
};

Answer answer_of(const std::string& out) {
  Answer a;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("bestmove ", 0) == 0) a.best = line.substr(9);
    std::istringstream in(line);
    std::string info, depth_word, score_word;
    long depth = 0, score = 0;
    if (in >> info >> depth_word >> depth >> score_word >> score && depth_word == "depth" && score_word == "score") {
      a.mate_value = a.mate_value || std::labs(score) >= kMateScore;
    }
  }
  return a;
}

// True when `move` (CSA form) is a legal move of the position.
bool legal_in(const model::Kyokumen& k, const std::string& move) {
  model::KString text;
  text.Assign(move.c_str());
  model::Sashite m;
  if (!model::csa_parse_move_line(text, m, k)) return false;
  model::Sashite legal[model::kMaxSashite];
  const int n = model::legal_moves(k, legal);
  for (int i = 0; i < n; ++i) {
    if (legal[i].from_x == m.from_x && legal[i].from_y == m.from_y && legal[i].to_x == m.to_x &&
        legal[i].to_y == m.to_y && (legal[i].nari != 0) == (m.nari != 0)) {
      return true;
    }
  }
  return false;
}

TEST(EarlyStop, AThinkStoppedAtItsStartAnswersALegalMoveAndNoUnprovedMate) {
  const std::string record = data("think/late-in-check.csa");
  const std::string book = ::testing::TempDir() + "/early_stop_book.js5";
  std::remove(book.c_str());
  ASSERT_EQ(run("velkora book add " + book + " " + data("../../examples/aigakari.kif")).status, 0);
  struct Case {
    int ply;
    bool with_book;   // consulted up to ply 10; this record's positions are not in it
    uint32_t delay;   // after the computer thread starts
  };
  // Ply 40: short root checks, the stop lands before the think or in its
  // first iteration. Ply 66: the root mate check takes most of the first
  // 200 ms. Ply 6 asks the book first.
  const Case cases[] = {{40, false, 0}, {40, false, 5}, {40, false, 30}, {66, false, 0},
                        {66, false, 60}, {6, true, 0},  {6, true, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE("ply " + std::to_string(c.ply) + (c.with_book ? " with the book" : "") + ", Ctrl-C after " +
                 std::to_string(c.delay) + " ms");
    model::KifuHolder holder;
    std::string error;
    ASSERT_TRUE(app::load_record_at_ply(holder, "think", record.c_str(), c.ply, error)) << error;
    std::vector<std::string> args = {"think", record, "--ply", std::to_string(c.ply), "--time", "60"};
    if (c.with_book) args.insert(args.end(), {"--book", book});
    const Interrupted r = run_interrupted_after_thread(args, c.delay, kEndLimitMs);
    ASSERT_TRUE(r.ended) << r.out << r.err;
    EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 130) << r.status;
    const Answer a = answer_of(r.out);
    EXPECT_TRUE(legal_in(holder.kyokumen, a.best)) << r.out;
    // No mate is within reach of these positions' first plies.
    EXPECT_FALSE(a.mate_value) << r.out;
  }
  std::remove(book.c_str());
}

}  // namespace
