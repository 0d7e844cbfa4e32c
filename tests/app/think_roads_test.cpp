// Every road out of a timed think: the mate found at the root, the book's
// move, no legal move, one evasion, and check in a lost position. Each ends
// with a bestmove line after at least one info line, and the think's own
// reported time stays within the second asked for (with a generous margin for
// a loaded machine: the road that overran spent its whole limit before the
// search began).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "model/formats/csa_format.h"
#include "model/position/perft.h"
#include "model/text/text_stream.h"
#include "tests/app/command_runner.h"
#include "tests/engine/board/model_positions.h"

namespace {

using namespace command_test;

constexpr long kAskedMs = 1000;
constexpr long kMarginMs = 1000;

// What a think printed: its info lines in the form "info depth ..." and the
// move of its bestmove line.
struct Printed {
  int status = -1;
  int lines = 0;         // info lines of either kind
  long depth = -1, score = 0, nodes = -1, ms = -1;  // of the last "info depth" line
  std::string pv;        // its line
  std::string best;
};

Printed think(const std::string& args) {
  const Outcome r = run("velkora think " + args);
  Printed p;
  p.status = r.status;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("bestmove ", 0) == 0) p.best = line.substr(9);
    if (line.rfind("info ", 0) != 0) continue;
    ++p.lines;
    std::istringstream in(line);
    std::string info, depth_word, score_word, nodes_word, time_word, pv_word;
    if (in >> info >> depth_word >> p.depth >> score_word >> p.score >> nodes_word >> p.nodes >> time_word >> p.ms >>
            pv_word && depth_word == "depth") {
      std::getline(in, p.pv);
    }
  }
  return p;
}

std::string write_scene(const std::string& name, const std::string& scene, int side = 0) {
  const std::string file = ::testing::TempDir() + "/" + name + ".csa";
  model::FileTextWriter w;
  EXPECT_EQ(w.Open(file.c_str()), 0);
  model::csa_write_position(board::testing::scene(scene, side), w);
  EXPECT_EQ(w.Close(), 0);
  return file;
}

::testing::AssertionResult on_time_with_a_line(const Printed& p) {
  if (p.status != 0 || p.lines == 0 || p.depth < 0 || p.best.empty()) {
    return ::testing::AssertionFailure() << "status " << p.status << ", " << p.lines << " info lines, bestmove '"
                                         << p.best << "'";
  }
  if (p.ms < 0 || p.ms > kAskedMs + kMarginMs) return ::testing::AssertionFailure() << "reported time " << p.ms;
  return ::testing::AssertionSuccess();
}

TEST(ThinkRoads, MateBookAndNoMoveEachPrintALine) {
  // The root's mate check: a mate in one, before any search.
  const Printed mate = think(write_scene("mate1", "K99 k41 n53 p32 B51 *G") + " --time 1 --no-book");
  EXPECT_TRUE(on_time_with_a_line(mate));
  EXPECT_EQ(mate.score, 32766);

  // Sente's king on 1九 is checked by the rook on 5九, the gold on 2七 takes
  // both flights: no legal move, a line of depth 0 that says so.
  const std::string mated = write_scene("mated", "K19 r59 g27 k51");
  const Printed none = think(mated + " --time 1");
  EXPECT_TRUE(on_time_with_a_line(none));
  EXPECT_EQ(none.best, "%TORYO");
  EXPECT_EQ(none.depth, 0);
  EXPECT_EQ(none.score, -32766);

  // The book's move: one line of depth 0 with the move.
  const std::string book = ::testing::TempDir() + "/roads_book.js5";
  std::remove(book.c_str());
  const std::string game = data("../../examples/aigakari.kif");
  ASSERT_EQ(run("velkora book add " + book + " " + game).status, 0);
  const Printed booked = think(game + " --ply 2 --time 1 --book " + book);
  EXPECT_TRUE(on_time_with_a_line(booked));
  EXPECT_EQ(booked.depth, 0);
  EXPECT_EQ(booked.pv, " " + booked.best);
  std::remove(book.c_str());
}

// The root's mate check reports its mate with the mate's length as depth and
// the nodes of the solve that measured it, not a marker depth and no nodes.
TEST(ThinkRoads, TheRootMateLineTellsTheMatesLengthAndTheSolversNodes) {
  const struct {
    std::string file;
    long plies;
  } kMates[] = {{write_scene("mate1-length", "K99 k41 n53 p32 B51 *G"), 1},
                {data("tsume/mate03_a_ai.kif") + " --ply 0", 3}};
  for (const auto& m : kMates) {
    const Printed p = think(m.file + " --time 2 --no-book");
    EXPECT_TRUE(on_time_with_a_line(p)) << m.file;
    EXPECT_EQ(p.lines, 1) << m.file;
    EXPECT_EQ(p.score, 32766) << m.file;
    EXPECT_EQ(p.depth, m.plies) << m.file;
    EXPECT_GT(p.nodes, 0) << m.file;
    EXPECT_EQ(p.pv, " " + p.best) << m.file;
  }
}

TEST(ThinkRoads, InCheckWithOneEvasionOrLostEndOnTimeWithALine) {
  // As above with a gold on 4八, whose step to 4九 is the one evasion.
  const model::Kyokumen one = board::testing::scene("K19 G48 r59 g27 k51");
  model::Sashite moves[model::kMaxSashite];
  ASSERT_EQ(model::legal_moves(one, moves), 1);
  const Printed single = think(write_scene("one-evasion", "K19 G48 r59 g27 k51") + " --time 1 --no-book");
  EXPECT_TRUE(on_time_with_a_line(single));
  EXPECT_EQ(single.best, "+4849KI");

  // In check in a lost position with many evasions: the evasions' mate tests
  // once took the whole limit, and the think printed nothing.
  const Printed lost = think(data("think/late-in-check.csa") + " --time 1 --no-book");
  EXPECT_TRUE(on_time_with_a_line(lost));
}

// The think resigns only when it is left with no move to play: no legal move,
// every evasion of two or more answered by a mate in one, or (not in check)
// every move searched lost and its first choice a check that takes at most a
// pawn. Elsewhere it plays, a mate seen against every move or not.
TEST(ThinkRoads, ResignsOnlyWhenLeftWithNoMoveToPlay) {
  // A composed mate's position after its seventh ply: gote holds every piece
  // not on the board and has one evasion, which the lance mates at once.
  std::string gote_hand = "*r *r *b *b *g *g *g *s *s *s *n *n *n *n *l *l";
  for (int i = 0; i < 16; ++i) gote_hand += " *p";
  // Sente's king on 1九 checked by the rook on 5九, 1八 and 2八 taken by the
  // gold on 2七; or not in check, and a rook dropped on 3九 mates.
  const std::string corner = "K19 r59 g27 k51", net = "K19 g27 b57 k51 *r *g";
  const struct {
    const char* name;
    std::string scene;
    int side;
    const char* best;
  } kCases[] = {
      {"one-evasion-mated", "k13 G21 +L33 P14 S25 L36 P26 " + gote_hand, 1, "-1312OU"},
      {"one-move-mated", net, 0, "+1929OU"},
      {"no-legal-move", corner, 0, "%TORYO"},
      {"two-evasions-mated-at-once", corner + " G48 G38 *g", 0, "%TORYO"},
      // 3九 is mated at once, 4九 only in three: the think plays 4九.
      {"one-evasion-mated-in-three", corner + " G48 G38", 0, "+4849KI"},
      // Every move but the pawn's check on 5二 is mated at once, that one in
      // three, and the check comes first.
      {"pawn-check-mated-in-three", net + " *P *g", 0, "%TORYO"},
  };
  for (const auto& c : kCases) {
    const Printed p = think(write_scene(c.name, c.scene, c.side) + " --depth 4");
    EXPECT_EQ(p.status, 0) << c.name;
    EXPECT_EQ(p.best, c.best) << c.name;
    EXPECT_EQ(p.score, -32766) << c.name;
    // A resignation's line is empty; a move's line begins with it.
    if (p.best == "%TORYO") {
      EXPECT_EQ(p.pv, "") << c.name;
    } else {
      EXPECT_EQ(p.pv.rfind(" " + p.best, 0), 0u) << c.name << ": " << p.pv;
    }
  }
}

}  // namespace
