// The KIF format: golden round trips of hand-written files, reading of files
// written by people and other programs, header failures, branch lines, and the
// writer's layout of positions and large trees, header fields given twice.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/formats/kif_format.h"
#include "model/formats/kif_header.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu.h"
#include "model/record/label_table.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/formats/round_trip.h"

namespace model {
namespace {

using testing::kif_data_path, testing::kif_text, testing::read_file_bytes, testing::read_kif_text;

// Reads a file of the test data into `kifu`.
int read_data_file(Kifu& kifu, const char* name, bool merge = false) {
  FileTextReader reader;
  if (reader.Open(kif_data_path(name).c_str()) < 0) return -2;
  return kifu_read_kif(kifu, reader, merge);
}

const char* const kGoldenFiles[] = {"variations.kif", "handicap.kif", "setup.kif", "tsume.kif",
                                    "labels.kif"};

TEST(KifFormat, GoldenFilesRoundTripByteForByte) {
  for (const char* name : kGoldenFiles) {
    SCOPED_TRACE(name);
    const std::string bytes = read_file_bytes(kif_data_path(name));
    ASSERT_FALSE(bytes.empty());
    Kifu kifu;
    ASSERT_EQ(read_data_file(kifu, name), 0);
    const std::string written = kif_text(kifu);
    // The UTF-8 forms make a difference readable; the bytes must match too.
    EXPECT_EQ(model::sjis_to_utf8(written), model::sjis_to_utf8(bytes));
    EXPECT_EQ(written, bytes);
  }
}

// What the round trips cannot show: that each text lands in its own field.
TEST(KifFormat, ReadsAnalysisTimesHandicapsAndSetUps) {
  Kifu kifu;
  ASSERT_EQ(read_data_file(kifu, "variations.kif"), 0);
  const KifuSashite* second = kifu.NodeAtTesu(2);
  EXPECT_EQ(second->hyouka.value, -35);
  EXPECT_TRUE(second->hyouka.text == "△３四歩▲２六歩△８四歩");
  EXPECT_TRUE(kifu.NodeAtTesu(5)->comment == "長考の末\r\n\r\n飛車先を決める");
  EXPECT_EQ(kifu.NodeAtTesu(5)->seconds, 123 * 60 + 45);
  EXPECT_EQ(kifu.NodeAtTesu(12)->sashite, Sashite(0, 0, 0, 0, kOu | kGoteBit, 0, 0, kToryo));
  EXPECT_EQ(kifu.NodeAtTesu(12)->seconds, 30);

  ASSERT_EQ(read_data_file(kifu, "setup.kif"), 0);
  const Kyokumen& setup = kifu.Start()->kyokumen;
  EXPECT_EQ(setup.teban, 1);
  EXPECT_EQ(setup.HandCount(1, kGin), 2);
  EXPECT_EQ(kifu.NodeAtTesu(1)->sashite, Sashite(kGoteHand, kHi, 5, 5, kHi | kGoteBit, 0, 0, 0));

  // A problem: sente has no king and gote holds every piece left over.
  ASSERT_EQ(read_data_file(kifu, "tsume.kif"), 0);
  EXPECT_EQ(kifu.Start()->kyokumen.teaiwari, kNoSenteKing);
  EXPECT_EQ(kifu.Start()->kyokumen.mochigoma[kBoxRow][kOu], 1);
  EXPECT_EQ(kifu.NodeAtTesu(2)->sashite.special, kTsumi);
}

TEST(KifFormat, LabelsAndGotosShareOnePositionNode) {
  Kifu kifu;
  ASSERT_EQ(read_data_file(kifu, "labels.kif"), 0);
  const KifuKyokumen* after3 = kifu.NodeAtTesu(3)->to;
  ASSERT_EQ(after3->prev.Count(), 2);
  const KifuSashite* other = after3->prev.At(1);
  EXPECT_EQ(other->sashite.from_x, 7);  // the line that began with ２六歩 ends with ７六歩
  EXPECT_EQ(other->from->prev.At(0)->from->prev.At(0)->sashite.to_x, 2);
  EXPECT_TRUE(other->comment == "手順を入れ替えた");
  EXPECT_EQ(kifu.NodeAtTesu(7)->to->prev.Count(), 2);
  // Start, nine plies of the main line, two of the line from ply 5 and two of
  // the line from ply 1: the two joined nodes are not duplicated.
  EXPECT_EQ(kifu.table->Count(), 1 + 9 + 2 + 2);

  // Merging the same text into the record finds every move already there.
  const std::string before = kif_text(kifu);
  ASSERT_EQ(read_data_file(kifu, "labels.kif", true), 0);
  EXPECT_EQ(kif_text(kifu), before);
  // Merging a text that starts from another position is refused.
  EXPECT_EQ(read_data_file(kifu, "handicap.kif", true), -1);
  EXPECT_EQ(kif_text(kifu), before);
}

TEST(KifFormat, ReadsFilesThatPeopleAndOtherProgramsWrite) {
  // LF line ends, no banner, other header keys, 変化 lines, a closing line,
  // marks behind the times and a time field without its total.
  const std::string text =
      "開始日時：2020/01/02 09:00\n"
      "終了日時：2020/01/02 12:00\n"
      "手合割：平手\n"
      "先手：甲\n"
      "後手：乙\n"
      "\n"
      "手数----指手---------消費時間--   \n"
      "1 ７六歩(77)\n"
      "   2 ３四歩(33)   ( 0:01/00:00:01)+\n"
      "   3 ２二角成(88) (100:00)\n"
      "   4 同　銀(31)\n"
      "*同銀と取る\n"
      "#コメント行は読み飛ばす\n"
      "まで4手で中断\n"
      "\n"
      "変化：3手\n"
      "   3 ２六歩(27)   ( 0:02/00:00:02)\n";
  Kifu kifu;
  ASSERT_EQ(read_kif_text(kifu, text), 0);
  EXPECT_TRUE(kifu.date == "2020/01/02 09:00");
  ASSERT_EQ(kifu.headers.Count(), 2);
  EXPECT_TRUE(kifu.headers.GetAt(0) == "終了日時");
  EXPECT_EQ(kifu.GetTesu(), 5);  // the closing line ends the main line
  EXPECT_EQ(kifu.NodeAtTesu(5)->sashite.special, kChudan);
  EXPECT_EQ(kifu.NodeAtTesu(3)->seconds, 6000);
  EXPECT_EQ(kifu.NodeAtTesu(3)->sashite, Sashite(8, 8, 2, 2, kKaku, kKaku | kGoteBit, 1, 0));
  EXPECT_TRUE(kifu.NodeAtTesu(4)->comment == "同銀と取る");
  EXPECT_EQ(kifu.NodeAtTesu(2)->to->next.Count(), 2);
}

// Other programs write "同" right before the piece and shorter headings; the
// writer turns both into its own form.
TEST(KifFormat, ReadsSameSquareMovesAndShortHeadingsOfOtherPrograms) {
  Kifu plain, timed;
  ASSERT_EQ(read_data_file(plain, "other_program.kif"), 0);      // 手数----指手--
  ASSERT_EQ(read_data_file(timed, "other_program_times.kif"), 0);  // 手数----指手----消費時間--
  ASSERT_EQ(plain.GetTesu(), 23);
  ASSERT_EQ(timed.GetTesu(), 23);
  for (int ply = 1; ply <= 23; ++ply) {
    EXPECT_EQ(timed.NodeAtTesu(ply)->sashite, plain.NodeAtTesu(ply)->sashite) << ply;
  }
  EXPECT_EQ(plain.NodeAtTesu(10)->sashite, Sashite(2, 3, 2, 4, kFu | kGoteBit, kFu, 0, 0));  // 同歩
  EXPECT_EQ(plain.NodeAtTesu(21)->sashite, Sashite(2, 4, 2, 3, kHi, kFu | kGoteBit, 1, 0));  // 同飛成
  EXPECT_EQ(timed.NodeAtTesu(18)->seconds, 41);
  EXPECT_TRUE(timed.NodeAtTesu(17)->comment == "角交換から乱戦に");

  const std::string written = kif_text(timed);
  EXPECT_NE(written.find(std::string(kKifMoveHeading) + "\r\n"), std::string::npos);
  EXPECT_NE(written.find("  10 同　歩(23)"), std::string::npos);
  EXPECT_EQ(written.find("同歩"), std::string::npos);

  // Any line that begins with the heading's first words is the heading; a
  // text without one is no KIF.
  for (const char* heading : {"手数----指手---", "　手数----指手--  "}) {
    Kifu k;
    EXPECT_EQ(read_kif_text(k, std::string("手合割：平手\n") + heading + "\n1 ７六歩(77)\n"), 0);
    EXPECT_EQ(k.GetTesu(), 1);
  }
  Kifu k;
  EXPECT_EQ(read_kif_text(k, "手合割：平手\n手数----指\n1 ７六歩(77)\n"), -1);
}

TEST(KifFormat, AMoveLineThatDoesNotFitEndsTheReading) {
  // The reading stops at line 21, the cut line 15 of the game above; the moves
  // before it stay, and the reader says where it stopped.
  Kifu cut;
  FileTextReader file;
  ASSERT_EQ(file.Open(kif_data_path("cut_move.kif").c_str()), 0);
  KifuReadStop stop;
  ASSERT_EQ(kifu_read_kif(cut, file, false, &stop), 0);
  EXPECT_EQ(cut.GetTesu(), 14);
  EXPECT_EQ(stop.line, 21);
  EXPECT_TRUE(stop.text == "15 ３四飛(2");

  const std::string head =
      "手合割：平手\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n";
  struct Case {
    const char* line;
    int tesu;  // the line's length after reading the line and "4 ８四歩(83)"
  };
  const Case cases[] = {
      {"3 ２六歩(27)", 4},   // fits
      {"3 ２二角(88)", 4},   // a capture in the zone may decline promotion
      {"3 ２六銀(27)", 2},   // a pawn stands on 2七, not a silver
      {"3 ２五歩(27)", 2},   // no pawn moves two squares
      {"3 ５五歩打", 2},     // no pawn in hand
      {"3 ２六歩(00)", 2},   // no such square
      {"3 同　歩(27)", 2},   // 3四 is not reachable
      {"3 ２二角成", 2},     // no source
      {"3 ２六・(27)", 2},   // no piece
      {"3 ２十歩(27)", 2},   // rank 10
      {"3 ２", 2},           // cut short
      {"5 ２六歩(27)", 2},   // too far ahead: ignored, and so is ply 4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(model::sjis_to_utf8(c.line));
    Kifu kifu;
    MemTextReader reader((head + c.line + "\n4 ８四歩(83)\n").c_str());
    ASSERT_EQ(kifu_read_kif(kifu, reader, false, &stop), 0);
    EXPECT_EQ(kifu.GetTesu(), c.tesu);
    // An ignored line is no stop; the line that ends the reading is line 5.
    const bool stopped = c.tesu == 2 && c.line[0] == '3';
    EXPECT_EQ(stop.line, stopped ? 5 : 0);
    EXPECT_TRUE(stop.text == (stopped ? c.line : ""));
  }
}

// A move line whose number does not follow the moves read is passed over, as
// are those behind it up to one that fits; the first is told. Comments,
// branch lines, blank lines, lines of words and variation moves whose number
// backs up belong to the format and are never told.
TEST(KifFormat, TellsTheFirstMoveLineWhoseNumberDoesNotFit) {
  const struct {
    const char* moves;
    int line;  // of the first line passed over, 0 for none
    KifuSkippedLine::Why why;
    int ply;
  } cases[] = {
      {"1 ７六歩(77)\n*注\n\n 3 ２六歩(27)\n4 ３四歩(33)\n", 6, KifuSkippedLine::kMoveNumberAhead, 1},
      {"0 ７六歩(77)\n1 ７六歩(77)\n5 ２六歩(27)\n", 3, KifuSkippedLine::kMoveNumberBelowOne, 0},
      {"1 ７六歩(77)\n2 ３四歩(33)\n#% label a\nまで2手\n変化：1手\n1 ２六歩(27)\n", 0, KifuSkippedLine::kNone, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(model::sjis_to_utf8(c.moves));
    Kifu kifu;
    KifuReadStop stop;
    MemTextReader reader((std::string("手合割：平手\n手数----指手--\n") + c.moves).c_str());
    ASSERT_EQ(kifu_read_kif(kifu, reader, false, &stop), 0);
    EXPECT_EQ(kifu.GetTesu(), c.why == KifuSkippedLine::kNone ? 2 : 1);
    EXPECT_EQ(stop.skipped.line, c.line);
    EXPECT_EQ(stop.skipped.why, c.why);
    EXPECT_EQ(stop.skipped.ply, c.ply);
    if (c.line == 6) {
      EXPECT_STREQ(stop.skipped.text.c_str(), "3 ２六歩(27)");  // trimmed
    }
  }
}

TEST(KifFormat, ABadHeaderOrStartPositionLeavesTheRecordUnchanged) {
  Kifu kifu;
  ASSERT_EQ(read_data_file(kifu, "variations.kif"), 0);
  const std::string before = kif_text(kifu);
  const std::string heading = "手数----指手---------消費時間--\n";
  const std::string empty_row = "| ・ ・ ・ ・ ・ ・ ・ ・ ・|\n";
  auto board = [&](const std::string& rank1, const std::string& rank9) {
    std::string rows = rank1;
    for (int i = 0; i < 7; ++i) rows += empty_row;
    return rows + rank9;
  };
  const std::string kings =
      board("| ・ ・ ・ ・v玉 ・ ・ ・ ・|一\n", "| ・ ・ ・ ・ 玉 ・ ・ ・ ・|九\n");
  const std::string bad[] = {
      "手合割：九枚落ち\n" + heading,                      // unknown handicap
      "先手の持駒：玉\n" + heading,                        // a king cannot be held
      "先手の持駒：歩十九\n" + heading,                    // more pawns than a set has
      "手合割：平手\n" + board("| ・ ・ ・ ・v玉 ・ ・ ・ ・|一\n", "") + heading,  // eight rows
      "手合割：平手\n",                                    // no heading
      "手合割：平手\n" + board("| 歩 ・ ・ ・v玉 ・ ・ ・ ・|一\n", "| ・ ・ ・ ・ 玉 ・ ・ ・ ・|九\n") +
          heading,                                         // a pawn that cannot move
      "手合割：平手\n" + board("| ・ ・ ・ ・ 玉 ・ ・ ・ ・|一\n", "| ・ ・ ・ ・ 玉 ・ ・ ・ ・|九\n") +
          heading,                                         // two sente kings
      "先手の持駒：歩九　\n後手の持駒：歩十\n" + heading,  // nineteen pawns in all
      "▲７六歩　△３四歩\n",                               // KI2, not KIF
  };
  for (const std::string& text : bad) {
    SCOPED_TRACE(model::sjis_to_utf8(text));
    EXPECT_EQ(read_kif_text(kifu, text), -1);
    EXPECT_EQ(kif_text(kifu), before);
  }
  // A diagram with one king each is taken; the row of file numbers is skipped.
  EXPECT_EQ(read_kif_text(kifu, "手合割：平手\n  ９ ８ ７ ６ ５ ４ ３ ２ １\n" + kings + heading), 0);
  EXPECT_EQ(kifu.Start()->kyokumen.HandCount(1, kFu), 0);
}

TEST(KifFormat, GotoLinesNeverCloseACycleOrReachAnotherPosition) {
  const std::string head = "手合割：平手\n手数----指手---------消費時間--\n";
  struct Case {
    const char* name;
    std::string body;
    int nodes;  // position nodes after the reading
  };
  const Case cases[] = {
      // The label names the start position, an ancestor of every node.
      {"ancestor", "#% label s\n1 ７六歩(77)\n2 ３四歩(33)\n#% goto s\n", 3},
      // A position that differs from the one the move reaches.
      {"other position", "1 ７六歩(77)\n#% label a\n2 ３四歩(33)\n1 ２六歩(27)\n#% goto a\n", 4},
      {"unknown label", "1 ７六歩(77)\n#% goto nowhere\n", 2},
      {"itself", "1 ７六歩(77)\n#% label a\n#% goto a\n", 2},
      // A goto at the start, with no move to redirect.
      {"root", "#% label a\n#% goto a\n", 1},
      // A node that a goto freed loses its label: the later goto is ignored.
      {"freed label",
       "1 ７六歩(77)\n2 ３四歩(33)\n3 ２六歩(27)\n#% label a\n"
       "1 ２六歩(27)\n2 ３四歩(33)\n3 ７六歩(77)\n#% label b\n#% goto a\n"
       "1 ５六歩(57)\n#% goto b\n",
       1 + 3 + 2 + 1},
      // A label with spaces in its name.
      {"spaces",
       "1 ７六歩(77)\n2 ３四歩(33)\n3 ２六歩(27)\n#% label 合流 その一\n"
       "1 ２六歩(27)\n2 ３四歩(33)\n3 ７六歩(77)\n#% goto 合流 その一\n",
       1 + 3 + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Kifu kifu;
    ASSERT_EQ(read_kif_text(kifu, head + c.body), 0);
    EXPECT_EQ(kifu.table->Count(), c.nodes);
    for (const KifuKyokumen* n : kifu.table->Nodes()) {
      for (const KifuSashite* in : n->prev.items) {
        EXPECT_FALSE(in->from && Kifu::IsAncestorOrSelf(in->from, n));
      }
    }
  }
}

TEST(KifFormat, WideAndDeepTreesRoundTrip) {
  // Every legal move as an alternative along a line of 160 plies: far more
  // pending moves than a fixed stack of 4,096 would hold.
  Kifu kifu;
  std::mt19937 rng(7);
  KifuKyokumen* node = kifu.Start();
  for (int ply = 0; ply < 160; ++ply) {
    Sashite moves[kMaxSashite];
    const int n = node->kyokumen.GenerateAll(moves);
    KifuSashite* chosen = nullptr;
    int added = 0;
    for (int i = 0; i < n; ++i) {
      Kyokumen after;
      after.Copy(node->kyokumen);
      const bool legal = after.DoSashite(moves[i]) && !after.IsOute(node->kyokumen.teban);
      if (!legal || !after.Check()) continue;
      KifuSashite* m = Kifu::AddSashiteAtPos(node, moves[i], added * 7, nullptr, -1, kifu.table.get(),
                                             KifuChooser::kNever, false);
      ASSERT_NE(m, nullptr);
      if (!chosen || rng() % (added + 1) == 0) chosen = m;
      ++added;
    }
    if (!chosen) break;
    node->next.current = node->next.IndexOf(chosen);
    node = chosen->to;
  }
  ASSERT_GT(kifu.table->Count(), 4096);
  const std::string written = kif_text(kifu);
  Kifu again;
  ASSERT_EQ(read_kif_text(again, written), 0);
  EXPECT_EQ(again.table->Count(), kifu.table->Count());
  EXPECT_EQ(kif_text(again), written);
}

TEST(LabelTable, HashesNamesAndFindsEntries) {
  EXPECT_EQ(label_hash("a"), 0x610000);
  EXPECT_EQ(label_hash("abcde"), 0x61626364 ^ 0x650000);
  EXPECT_EQ(label_hash("abcdabcd"), 0);

  // Names of one key coexist; a name is stored once.
  KifuKyokumen a, b, c;
  LabelTable t;
  EXPECT_EQ(t.AddName("abcdabcd", &a), 0);
  EXPECT_EQ(t.AddName("", &b), 0);
  EXPECT_EQ(t.AddName("wxyzwxyz", &c), 0);
  EXPECT_EQ(t.AddName("", &c), -1);
  EXPECT_EQ(t.FindName(""), &b);
  EXPECT_EQ(t.FindName("wxyzwxyz"), &c);
  t.ForgetNode(&b);
  EXPECT_EQ(t.FindName(""), nullptr);
  EXPECT_EQ(t.FindName("abcdabcd"), &a);
  EXPECT_EQ(t.AddNode(&a, "kyoku1"), 0);
  EXPECT_EQ(t.AddNode(&a, "kyoku2"), -1);
  EXPECT_STREQ(t.FindNode(&a), "kyoku1");
}

// Header fields that two lines fill (開始日時 and 対局日 the date, 先手 and 下手
// sente's name, a key given twice, CSA's $START_TIME and its older date
// comment, "N+" twice): the field takes the later line, the
// earlier one is kept as a header line under its own key, and the record
// reads back the same through every writer.
TEST(KifFormat, AHeaderFieldGivenTwiceKeepsTheEarlierLineUnderItsKey) {
  const std::string qvx = read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  const struct {
    std::string lines;
    const char* field;  // the key Kifu::GetHeader reads the field by
    const char* value;
    std::string kept;  // the earlier line, as it is written back
    int format = kFormatKif;
  } cases[] = {
      {"開始日時：12/05 10:00\n対局日：12/06\n", "対局日", "12/06", "開始日時：12/05 10:00"},
      {"対局日：12/06\n開始日時：12/05 10:00\n", "対局日", "12/05 10:00", "対局日：12/06"},
      {"開始日時：12/05\n対局日：\n", "対局日", "", "開始日時：12/05"},
      {"先手：北村\n下手：東山\n", "先手", "東山", "先手：北村"},
      {"表題：一局目\n表題：二局目\n", "表題", "二局目", "表題：一局目"},
      {"開始日付：2024/05/17\n" + qvx, "対局日", "2024/05/18", "開始日付：2024/05/17", kFormatKifHenka},
      {"'=== Game Date:12/05\n$START_TIME:12/06\nPI\n+\n+7776FU\n", "対局日", "12/06", "対局日：12/05", kFormatCsa},
      {"N+北村\nN+東山\nPI\n+\n+7776FU\n", "先手", "東山", "先手：北村", kFormatCsa},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.substr(0, 40));
    Kifu k;
    MemTextReader r((c.format == kFormatKif ? c.lines + "手数----指手\n1 ７六歩(77)\n" : c.lines).c_str());
    ASSERT_EQ(kifu_read_stream(k, r, c.format, false), 0);
    EXPECT_STREQ(k.GetHeader(c.field), c.value);
    EXPECT_NE(kif_text(k).find(c.kept + "\r\n"), std::string::npos) << kif_text(k);
    EXPECT_TRUE(testing::every_writer_reads_back(k));
  }
}

}  // namespace
}  // namespace model
