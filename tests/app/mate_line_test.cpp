// A mate problem's main line as the command line gives it (the mate command's
// pv and the composer's solution), held to the rules of mate problems with
// the command line itself: after every even ply k of a line of n plies the
// attacker mates in n - k plies, and every other defence that the saved
// solution tree lists where the line defends is mated no later than the
// line's defence.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "model/formats/csa_format.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

std::vector<std::string> words_of(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The length of `velkora mate ARGS`'s mate, -1 for any other answer.
int mate_length(const std::string& args) {
  const std::vector<std::string> w = words_of(run("velkora mate " + args).out);
  return w.size() >= 2 && w[0] == "mate" ? std::stoi(w[1]) : -1;
}

// The record's start position in CSA (up to the side to move) and its main
// line's moves, as `velkora convert` writes them.
struct CsaRecord {
  std::string start;
  std::vector<std::string> moves;
};
CsaRecord csa_record(const std::string& file) {
  CsaRecord r;
  std::istringstream in(run("velkora convert " + file + " - --to csa").out);
  bool moves = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (moves && (line[0] == '+' || line[0] == '-')) r.moves.push_back(line.substr(0, line.find(',')));
    if (moves || line[0] == '\'' || line[0] == 'N') continue;
    r.start += line + "\n";
    moves = line == "+" || line == "-";
  }
  return r;
}

// Writes the start position and the moves as a CSA record.
std::string write_csa(const std::string& path, const std::string& start, const std::vector<std::string>& moves) {
  FILE* f = fopen(path.c_str(), "w");
  if (f == nullptr) return {};
  std::string text = start;
  for (const std::string& m : moves) text += m + "\n";
  fputs(text.c_str(), f);
  fclose(f);
  return path;
}

// The problem the composer makes first from seed 1, held to the rules at
// every ply by the mate command itself.
TEST(MateLine, TheComposersSolutionAndTheMateLineKeepTheRuleAtEveryPly) {
  const std::string dir = ::testing::TempDir() + "/mate_line";
  mkdir(dir.c_str(), 0700);
  const Outcome composed = run("velkora compose --seed 1 --count 1 --time 600 --force " + dir);
  const std::string problem = dir + "/001.kif";
  const std::vector<std::string> made = words_of(composed.out);
  ASSERT_EQ(made.size(), 6u) << composed.out;
  ASSERT_EQ(made[0] + " " + made[1] + " " + made[2], "problem " + problem + " plies") << composed.out;
  const int n = std::stoi(made[3]);
  ASSERT_GE(n, 7);

  // The mate command's line is the composer's solution, shown as the
  // composer showed it when it has the time.
  const std::string tree = dir + "/tree.kif";
  const std::vector<std::string> said =
      words_of(run("velkora mate " + problem + " --ply 0 --time 600 --save " + tree).out);
  ASSERT_EQ(said.size(), static_cast<size_t>(n + 3));
  EXPECT_EQ(said[0] + " " + said[1], "mate " + std::to_string(n));
  const std::vector<std::string> line(said.begin() + 3, said.end());
  const CsaRecord record = csa_record(problem);
  EXPECT_EQ(record.moves, line);

  // After every even ply the attacker mates in the rest of the line.
  for (int k = 2; k < n; k += 2) {
    EXPECT_EQ(mate_length(problem + " --ply " + std::to_string(k) + " --time 600"), n - k) << "ply " << k;
  }

  // Where the line defends, no other defence that the tree lists is mated
  // later: with the above, every defence is a longest one and every attack a
  // shortest one.
  model::KifuHolder saved;
  int format = 0;
  ASSERT_TRUE(model::kifu_load_file(saved, tree.c_str(), &format, false));
  const model::KifuKyokumen* node = saved.kifu.Start();
  int alternatives = 0;
  for (int k = 0; k < n && node != nullptr; ++k) {
    const model::KifuSashite* main = node->next.At(0);
    ASSERT_NE(main, nullptr) << "ply " << k;
    for (int i = 1; k % 2 == 1 && i < node->next.Count(); ++i) {
      model::KString text;
      model::csa_move_text(node->next.At(i)->sashite, text);
      std::vector<std::string> moves(line.begin(), line.begin() + k);
      moves.push_back(text.c_str());
      const int plies = mate_length(write_csa(dir + "/defence.csa", record.start, moves));
      EXPECT_TRUE(plies > 0 && plies <= n - k - 1) << "ply " << k + 1 << " " << text.c_str() << ": " << plies;
      ++alternatives;
    }
    node = main->to;
  }
  EXPECT_GT(alternatives, 0);
}

// Without --time the searches that show the length have a budget of their
// own, and "no mate within eleven plies" takes mate13_h_ai more than that:
// the mate and its line come, then a line that says what is not shown. With
// --time they may take the time, and show it.
TEST(MateLine, WhatTheSolveCouldNotShowIsSaidOnALineOfItsOwn) {
  const std::string problem = data("tsume/mate13_h_ai.kif") + " --ply 0";
  std::vector<std::string> said = lines_of(run("velkora mate " + problem).out);
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(said[0], "mate 13");
  EXPECT_EQ(said[1].rfind("pv ", 0), 0u);
  EXPECT_EQ(said[2], "not shown: a mate within 11 plies is not ruled out within the solver's budget "
                     "(--time lets it search longer)");
  said = lines_of(run("velkora mate " + problem + " --time 600").out);
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[0], "mate 13");
}

}  // namespace
