// The built command-line programs, run as a user runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// A UTF-8 literal as the bytes the terminal gets.
std::string utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

struct Outcome {
  int status;
  std::string out;
};

Outcome run(const std::string& args) {
  const std::string cmd = std::string(VELKORA_BINARY_DIR) + "/app/" + args + " 2>/dev/null";
  Outcome r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  r.status = pclose(p);
  return r;
}

TEST(CommandLine, BoardPrintsTheStartPositionInUtf8) {
  const Outcome r = run("velkora board");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(utf8(u8"|v香v桂v銀v金v玉v金v銀v桂v香|一")), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(utf8(u8"| 香 桂 銀 金 玉 金 銀 桂 香|九")), std::string::npos);
  EXPECT_NE(r.out.find(utf8(u8"先手番")), std::string::npos);
  const Outcome h = run("velkora board --handicap 1023");
  EXPECT_NE(h.out.find(utf8(u8"| ・ ・ ・ ・v玉 ・ ・ ・ ・|一")), std::string::npos) << h.out;
  EXPECT_NE(run("velkora nonsense").status, 0);
  EXPECT_NE(run("velkora").status, 0);
}

TEST(CommandLine, PerftPrintsOneLinePerDepth) {
  const Outcome r = run("perft 3");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "depth 1 nodes 30\ndepth 2 nodes 900\ndepth 3 nodes 25470\n");
  EXPECT_NE(run("perft").status, 0);
  EXPECT_NE(run("perft x").status, 0);
}

}  // namespace
