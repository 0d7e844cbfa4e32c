// Records as the front end reads them: UTF-8 and Shift-JIS alike from files
// and standard input (what the front end writes, it reads), a UTF-8 text with
// a stray byte, the warnings where the moves of a record stop, where a line
// was passed over and where a CSA end was left out, words where a move
// stands, unknown handicaps, and results kept as recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>

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
  // Of a line of several moves, the one that failed is quoted.
  const std::string words =
      written("words.ki2", model::utf8_to_sjis(utf8(u8"先手：a\n▲７六歩 △３四歩 ▲２六歩 △９九飛 ▲２五歩\n")));
  EXPECT_EQ(run("velkora show " + words, true).out.rfind(
                "velkora show: " + words + utf8(u8": line 2: the moves stop here: cannot read '△９九飛'\n"), 0),
            0u);
}

// A CSA end statement that the record holds no such result for is left out
// with one line that names it, from a file and from standard input; the moves
// around it are kept.
TEST(RecordInput, ACsaEndTheRecordCannotHoldIsTold) {
  const std::string csa = written("matta.csa", "PI\n+\n+7776FU\n-3334FU\n%MATTA\n+2726FU\n%FUZUMI\n");
  const std::string told = ": line 5: left out '%MATTA': the record holds no such result\n";
  const Outcome shown = run("velkora show " + csa, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.rfind("velkora show: " + csa + told, 0), 0u) << shown.out;
  EXPECT_EQ(shown.out.find("left out", shown.out.find('\n')), std::string::npos) << shown.out;  // one warning
  EXPECT_NE(shown.out.find(utf8(u8"*3 ▲２六歩")), std::string::npos) << shown.out;
  const Outcome piped = run("velkora convert - - --to csa < " + csa, true);
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out.rfind("velkora convert: standard input" + told, 0), 0u) << piped.out;
  EXPECT_NE(piped.out.find("+2726FU"), std::string::npos) << piped.out;
}

// A move line whose number does not follow the moves before it, or a change
// line that replaces no move, is passed over as the format has it; the first
// such line is told, with why, and the command goes on.
TEST(RecordInput, TheFirstLinePassedOverIsTold) {
  const std::string gap = written(
      "gap.kif", model::utf8_to_sjis(utf8(u8"手数----指手--\n1 ７六歩(77)\n*注\n\n3 ２六歩(27)\n4 ３四歩(33)\n")));
  const std::string told = utf8(u8": line 5: ignored '3 ２六歩(27)': its move number does not follow move 1\n");
  const Outcome shown = run("velkora show " + gap, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.rfind("velkora show: " + gap + told, 0), 0u) << shown.out;
  EXPECT_EQ(run("velkora convert " + gap + " " + gap + ".csa", true).out, "velkora convert: " + gap + told);

  const std::string nested = slurp(data("qvx/nested.qvx"));
  const std::string head = nested.substr(0, nested.find("\r\n\r\n*") + 4);  // header, board, empty line
  const std::string qvx = written("change.qvx", head + model::utf8_to_sjis(utf8(u8"▲７六歩\n変化：3手\n")));
  const std::string line = std::to_string(std::count(head.begin(), head.end(), '\n') + 2);
  EXPECT_EQ(run("velkora show " + qvx, true).out.rfind("velkora show: " + qvx + ": line " + line +
                utf8(u8": ignored '変化：3手': its variation replaces no move of the line before it\n"), 0),
            0u);
}

// A UTF-8 record with a byte that is not UTF-8 is read with the byte as "?",
// and every command that reads records says where; a text that is still no
// record says it too.
TEST(RecordInput, AStrayByteInUtf8IsReadAndTold) {
  const std::string kif = written(
      "stray.kif", utf8(u8"手合割：平手\n手数----指手--\n1 ７六歩(77)\n*好手\xFF\n2 ３四歩(33)\n"));
  const std::string told = ": line 4: a byte that is not UTF-8 was read as '?'\n";
  const Outcome shown = run("velkora show " + kif, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.rfind("velkora show: " + kif + told, 0), 0u) << shown.out;
  const Outcome converted = run("velkora convert - - --to kif < " + kif, true);
  EXPECT_EQ(converted.status, 0);
  EXPECT_EQ(converted.out.rfind("velkora convert: standard input" + told, 0), 0u) << converted.out;
  EXPECT_NE(converted.out.find(utf8(u8"*好手?")), std::string::npos) << converted.out;
  // The other commands read it alike before they refuse a ply past its end.
  const std::pair<std::string, std::string> commands[] = {
      {"think", kif + " --ply 3 --depth 2"},
      {"mate", kif + " --ply 3"},
      {"bench", "--stats " + kif + " --ply 3"},
      {"book add", ::testing::TempDir() + "/stray.js5 " + kif + " --ply 3"},
      {"review", kif + " --save /nonexistent/out.kif"}};
  for (const auto& [name, args] : commands) {
    const Outcome r = run("velkora " + name + " " + args, true);
    EXPECT_EQ(WEXITSTATUS(r.status), 1) << name;
    EXPECT_EQ(r.out.rfind("velkora " + name + ": " + kif + told, 0), 0u) << r.out;
  }
  const std::string junk = written("stray_junk.kif", utf8(u8"先手さんと後手さん\xFF\n"));
  EXPECT_TRUE(fails_with("velkora show " + junk, 1,
                         "velkora show: cannot read '" + junk +
                             "': not a game record in any known format; line 1: a byte that is not UTF-8 was read as '?'\n"));
}

// A short UTF-8 CSA record with one stray byte in a name is still UTF-8, and
// a character that Shift-JIS cannot hold is one "?"; each is told once, with
// the line of the first and how many there were.
TEST(RecordInput, ShortUtf8AndCharactersShiftJisCannotHoldAreTold) {
  const std::string kei = "\xE9\x9B\x9E";  // 雞
  const std::string csa = written(
      "unheld.csa", utf8(u8"N+北") + "\xFF" + utf8(u8"村\nN-森") + kei + "\n'" + kei + kei +
                        "\nPI\n+\n+7776FU\n-3334FU\n");
  const Outcome shown = run("velkora show - < " + csa, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.rfind("velkora show: standard input: line 1: a byte that is not UTF-8 was read as '?'\n"
                            "velkora show: standard input: line 2: a character that Shift-JIS cannot hold was "
                            "read as '?' (3 such characters in all)\n" +
                                utf8(u8"先手：北?村\n後手：森?\n"),
                            0),
            0u)
      << shown.out;
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

// An end word of another program is read as the nearest result without a
// word; a word no reader knows ends its line as 中断 and is told once, with
// its line, and the lines after it are still read. A handicap name no reader
// knows is the reason a record cannot be read, from a file and from standard
// input alike.
TEST(RecordInput, UnknownEndWordsAndHandicapsAreTold) {
  const std::string head = utf8(u8"手合割：平手\n手数----指手--\n1 ７六歩(77)\n2 ３四歩(33)\n3 ");
  const std::string tail = utf8(u8"\n変化：2手\n2 ８四歩(83)\n");
  const std::string sealed = written("sealed.kif", model::utf8_to_sjis(head + utf8(u8"封じ手") + tail));
  const Outcome s = run("velkora convert " + sealed + " - --to kif", true);
  EXPECT_EQ(s.status, 0);
  EXPECT_NE(s.out.find(utf8(u8"   3 中断 ")), std::string::npos) << s.out;
  EXPECT_NE(s.out.find(utf8(u8"   2 ８四歩(83)")), std::string::npos) << s.out;
  EXPECT_EQ(s.out.find("velkora convert:"), std::string::npos) << s.out;

  const std::string unknown = written("unknown_end.kif", model::utf8_to_sjis(head + utf8(u8"不詰") + tail));
  const Outcome u = run("velkora convert " + unknown + " - --to kif", true);
  EXPECT_EQ(u.status, 0);
  const std::string told = utf8(u8": line 5: unknown end word '不詰' read as an interruption\n");
  EXPECT_EQ(u.out.rfind("velkora convert: " + unknown + told, 0), 0u) << u.out;
  EXPECT_NE(u.out.find(utf8(u8"   2 ８四歩(83)")), std::string::npos) << u.out;

  const std::string kif = written("unknown_handicap.kif",
                                  utf8(u8"表題：研究\n手合割：右香落ち\n手数----指手--\n1 ７六歩(77)\n"));
  const std::string why = utf8(u8": line 2: unknown handicap '右香落ち'\n");
  EXPECT_TRUE(fails_with("velkora show " + kif, 1, "velkora show: cannot read '" + kif + "'" + why));
  EXPECT_TRUE(fails_with("velkora show - < " + kif, 1, "velkora show: cannot read standard input" + why));
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
