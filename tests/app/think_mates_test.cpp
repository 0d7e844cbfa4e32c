// Thinks on mate problems, by depth and by time, for either side: the move
// printed is legal, and a think that reports a mate plays a move after which
// every answer is mated, as the mate solver shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "engine/bridge/position_bridge.h"
#include "engine/tsume/tsume_entry.h"
#include "model/formats/csa_format.h"
#include "model/position/perft.h"
#include "model/text/kstring.h"
#include "model/text/text_stream.h"
#include "tests/app/command_runner.h"
#include "tests/engine/board/model_positions.h"

namespace {

using namespace command_test;

constexpr int kMateScore = 32766;
// The solver's limits for one proof: a mate of these sizes takes far less.
constexpr uint32_t kSolveMs = 20000;
constexpr int32_t kSolveNodes = 200000;

struct Problem {
  const char* name;
  const char* scene;  // sente to move and mate
  int plies;          // the shortest mate
};

// Built and checked against a brute force over the legal moves (the defender
// has nothing in hand except in the second and fourth; in the fourth it can
// block the distant checks from a full hand).
const Problem kProblems[] = {
    {"mate1", "K99 k41 n53 p32 B51 *G", 1},
    // The pawn dropped on 1二 would mate, which it must not: the lance mates
    // (and must, for the defender's hand holds a counter-attack).
    {"mate1-lance-not-pawn", "K59 k11 l21 n22 G13 *P *L *r *b *g", 1},
    {"mate3", "K99 k21 n22 S23 S24 *G", 3},
    // The lance's move uncovers the bishop's check; onto 7三 it lets a gold
    // dropped on 8六 escape, onto 7二 it mates in three.
    {"mate3-uncovered", "L75 +R76 B97 B98 +r94 k64 p63 p53 p44 +p55 *p *p *p *p *p *p *p *p *p *p *p *p *p *p "
                        "*l *l *l *n *n *n *n *s *s *s *s *g *g *g *g", 3},
    {"mate5", "K99 k52 l63 R34 G72 *N *R", 5},
};

board::KPosition engine_position(const model::Kyokumen& k) {
  board::KPosition p;
  EXPECT_EQ(bridge::position_load(p, k), 0);
  return p;
}

// The length of the mate the solver finds for the side to move, 0 for none.
int solver_mate_length(const model::Kyokumen& k) {
  const board::KPosition p = engine_position(k);
  const board::KMove* line = nullptr;
  int length = 0;
  return tsume::ktsume_solve(p, &line, &length, kSolveMs, kSolveNodes) == tsume::SolveResult::kMate ? length : 0;
}

// After `move` every answer of the defender is mated (none at all while in
// check: mated now).
::testing::AssertionResult every_answer_mated(model::Kyokumen k, const model::Sashite& move) {
  k.DoSashite(move);
  model::Sashite answers[model::kMaxSashite];
  const int n = model::legal_moves(k, answers);
  if (n == 0 && !k.IsOute(k.teban)) return ::testing::AssertionFailure() << "no answer, no check";
  for (int i = 0; i < n; ++i) {
    model::Kyokumen after = k;
    after.DoSashite(answers[i]);
    if (solver_mate_length(after) == 0) {
      return ::testing::AssertionFailure() << "an answer to " << int{answers[i].to_x} << int{answers[i].to_y}
                                           << " escapes";
    }
  }
  return ::testing::AssertionSuccess();
}

struct Think {
  int score = 0;  // of the last variation
  bool scored = false;
  std::string best;
};

Think think(const std::string& file, const std::string& options) {
  const Outcome r = run("velkora think " + file + " --no-book " + options);
  EXPECT_EQ(r.status, 0) << options;
  Think t;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("bestmove ", 0) == 0) t.best = line.substr(9);
    const size_t at = line.find(" score ");
    if (line.rfind("info ", 0) == 0 && at != std::string::npos) {
      t.score = std::stoi(line.substr(at + 7));
      t.scored = true;
    }
  }
  return t;
}

class ThinkMates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tsume::ktsume_alloc_default(); }
  static void TearDownTestSuite() { tsume::ktsume_free_default(); }

  // Each problem as given and turned round for gote, written as a record.
  struct Case {
    std::string name;
    model::Kyokumen k;
    int plies;
    std::string file;
  };
  std::vector<Case> Cases() {
    std::vector<Case> out;
    for (const Problem& problem : kProblems) {
      for (int side = 0; side < 2; ++side) {
        const model::Kyokumen given = board::testing::scene(problem.scene);
        Case c{std::string(problem.name) + (side == 0 ? "-sente" : "-gote"),
               side == 0 ? given : board::testing::twin(given), problem.plies, {}};
        c.file = ::testing::TempDir() + "/" + c.name + ".csa";
        model::FileTextWriter w;
        EXPECT_EQ(w.Open(c.file.c_str()), 0);
        model::csa_write_position(c.k, w);
        EXPECT_EQ(w.Close(), 0);
        EXPECT_EQ(solver_mate_length(c.k), c.plies) << c.name;
        out.push_back(c);
      }
    }
    return out;
  }

  // The move is legal; a reported mate holds. True when a mate was reported.
  bool Check(const Case& c, const std::string& options, const Think& t) {
    model::KString text;
    text.Assign(t.best.c_str());
    model::Sashite m;
    EXPECT_TRUE(model::csa_parse_move_line(text, m, c.k)) << c.name << options << ": " << t.best;
    model::Sashite legal[model::kMaxSashite];
    const int n = model::legal_moves(c.k, legal);
    bool found = false;
    for (int i = 0; i < n; ++i) {
      found = found || (legal[i].from_x == m.from_x && legal[i].from_y == m.from_y && legal[i].to_x == m.to_x &&
                        legal[i].to_y == m.to_y && (legal[i].nari != 0) == (m.nari != 0));
    }
    EXPECT_TRUE(found) << c.name << options << ": " << t.best;
    const bool mate = t.scored && t.score == kMateScore;
    if (found && mate) {
      EXPECT_TRUE(every_answer_mated(c.k, m)) << c.name << options << ": " << t.best;
    }
    return mate;
  }
};

TEST_F(ThinkMates, ByDepth) {
  for (const Case& c : Cases()) {
    for (int depth : {3, 5}) {
      const std::string options = " --depth " + std::to_string(depth);
      const bool mate = Check(c, options, think(c.file, options));
      if (depth >= c.plies) {
        EXPECT_TRUE(mate) << c.name << options;
      }
    }
  }
}

TEST_F(ThinkMates, ByTime) {
  // The root's mate check finds each of them before the search starts.
  for (const Case& c : Cases()) EXPECT_TRUE(Check(c, " --time 1", think(c.file, "--time 1"))) << c.name;
}

}  // namespace
