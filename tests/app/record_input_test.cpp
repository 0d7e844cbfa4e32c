// Records as the front end reads them: UTF-8 and Shift-JIS alike from files
// and standard input (what the front end writes, it reads), the warning where
// the moves of a CSA or KI2 file stop, and results kept as recorded.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "model/text/text_encoding.h"
#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

std::string example() { return data("../../examples/aigakari.kif"); }

std::string written(const char* name, const std::string& bytes) {
  const std::string path = ::testing::TempDir() + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(RecordInput, WhatTheFrontEndWritesItReads) {
  const std::string dir = ::testing::TempDir();
  const std::string shown = run("velkora show " + example()).out;
  ASSERT_FALSE(shown.empty());
  for (const char* format : {"ki2", "kif", "csa"}) {
    const std::string path = dir + "/utf8." + format;
    ASSERT_EQ(run("velkora convert " + example() + " - --to " + format + " > " + path).status, 0) << format;
    const Outcome back = run("velkora show " + path);
    EXPECT_EQ(back.status, 0) << format;
    // CSA keeps no comments and no 中断-like ends beyond its words: compare the board.
    EXPECT_EQ(back.out.substr(back.out.find(utf8(u8"手目まで"))), shown.substr(shown.find(utf8(u8"手目まで"))))
        << format;
  }
  // Names in a UTF-8 CSA file read as names; a Shift-JIS record on standard input reads too.
  const std::string csa = written("names.csa", utf8(u8"N+先手さん\nN-後手さん\nPI\n+\n+7776FU\n"));
  const Outcome names = run("velkora show " + csa);
  EXPECT_EQ(names.out.rfind(utf8(u8"先手：先手さん\n後手：後手さん\n"), 0), 0u) << names.out;
  const Outcome piped = run("velkora show - < " + example());
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out, shown);
}

TEST(RecordInput, CsaAndKi2WarnWhereTheMovesStop) {
  const std::string csa = written("cut.csa", "PI\n+\n+7776FU\n-3334FU,T3\n+7674FU\n-8384FU\n");
  const Outcome c = run("velkora show " + csa, true);
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.out.rfind("velkora show: " + csa + ": line 5: the moves stop here: cannot read '+7674FU'\n", 0), 0u)
      << c.out;
  EXPECT_NE(c.out.find(utf8(u8"*2 △３四歩")), std::string::npos) << c.out;

  const std::string ki2 = written("cut.ki2", model::utf8_to_sjis(utf8(u8"▲７六歩 △３四歩\n▲７四歩\n")));
  const Outcome k = run("velkora convert " + ki2 + " " + ::testing::TempDir() + "/cut.kif", true);
  EXPECT_EQ(k.status, 0);
  EXPECT_EQ(k.out, "velkora convert: " + ki2 + utf8(u8": line 2: the moves stop here: cannot read '▲７四歩'\n"));
}

// A first byte of a two-byte character at the end of the line where the moves
// stop leaves the line's end in the quoted text: the warning still takes one
// line, the line feed or carriage return shown as "?".
TEST(RecordInput, TheWarningQuotesACutCharacterOnOneLine) {
  for (const char* end : {"\n", "\r\n"}) {
    const std::string csa = written("cut_char.csa", std::string("PI\n+\n+7776FU\n-\x88") + end);
    const Outcome c = run("velkora show " + csa, true);
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out.rfind("velkora show: " + csa + ": line 4: the moves stop here: cannot read '-?\?'\n", 0), 0u)
        << c.out;
  }
}

TEST(RecordInput, ResultsAreKeptAsRecorded) {
  const std::string csa = written("foul.csa", "PI\n+\n+7776FU\n-3334FU\n%-ILLEGAL_ACTION\n");
  const Outcome c = run("velkora show " + csa);
  // The result stays as the line's third entry; the position shown is the one
  // after the last move played.
  EXPECT_NE(c.out.find(utf8(u8"*2 △３四歩\n 3 △反則負け")), std::string::npos) << c.out;
  const std::string ki2 = written("foul.ki2", model::utf8_to_sjis(utf8(u8"▲７六歩 △３四歩\nまで2手で先手の反則負け\n")));
  const Outcome k = run("velkora show " + ki2);
  EXPECT_NE(k.out.find(utf8(u8"*2 △３四歩\n 3 ▲反則負け")), std::string::npos) << k.out;
}

}  // namespace
