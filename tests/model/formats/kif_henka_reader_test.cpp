// The change-branch KIF reader: nested change sections give the graph of the
// equivalent KIF file, the body-line rules, header and board refusals that
// leave the record alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "model/formats/kif_henka_reader.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

using testing::kif_text;

const std::string kNested =
    testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
// The fixture's board block with the end of the line before it and the empty
// line behind it: a text with no header begins with it.
const std::string kBoard = kNested.substr(kNested.find("\r\n\r\n") + 2,
                                          kNested.find("\r\n\r\n*") - kNested.find("\r\n\r\n") + 2);

int read_henka(Kifu& kifu, const std::string& text, bool merge = false,
               KifuReadStop* stop = nullptr) {
  MemTextReader reader(text.c_str());
  return kifu_read_kif_henka(kifu, reader, merge, stop);
}

TEST(KifHenkaReader, NestedChangesReadLikeKifVariations) {
  Kifu from_henka, from_kif;
  ASSERT_EQ(read_henka(from_henka, kNested), 0);
  const std::string kif_path = std::string(VELKORA_TEST_DATA) + "/qvx/nested.kif";
  ASSERT_EQ(testing::read_kif_text(from_kif, testing::read_file_bytes(kif_path)), 0);
  EXPECT_EQ(kif_text(from_henka), kif_text(from_kif));
  EXPECT_EQ(from_henka.table->Count(), 26);  // every move and result of the file, and the start
}

TEST(KifHenkaReader, BodyLines) {
  Kifu k;
  KifuReadStop stop;
  const int body = static_cast<int>(std::count(kBoard.begin(), kBoard.end(), '\n'));  // lines before it
  ASSERT_EQ(read_henka(k, kBoard + "|▲７六歩\n△３四歩\n▲２六歩\n変化：0手\n変化：9手\n変化：3手\n"
                                   "▲６六歩\n△８四歩 ( 1:02)\n投了\n*終局\n千日手\n▲５五角\n▲１六歩\n",
                       false, &stop),
            0);
  EXPECT_EQ(k.GetTesu(), 3);
  const KifuKyokumen* after2 = k.NodeAtTesu(2)->to;
  ASSERT_EQ(after2->next.Count(), 2);  // ▲２六歩, then ▲６六歩 beside it
  const KifuSashite* last = after2->next.At(1)->to->next.At(0);
  EXPECT_EQ(last->seconds, 62);
  EXPECT_STREQ(last->comment.c_str(), "終局");
  // Results stay behind the last move. A line has one end: the result and
  // the moves behind it are not read, and the first of them is told.
  const KifuSashiteList& ends = last->to->next;
  ASSERT_EQ(ends.Count(), 1);
  EXPECT_EQ(ends.At(0)->sashite, Sashite(0, 0, 0, 0, kOu, 0, 0, kToryo));  // sente, to move
  EXPECT_STREQ(stop.after_end.c_str(), "千日手");
  EXPECT_EQ(stop.line, 0);

  // A move with the mark of the side not to move, or another program's gote
  // mark, ends the reading where it stands: read on, it would leave its move
  // out, and the moves and result behind it would make another game.
  for (const char* mark : {"△", "▽"}) {
    ASSERT_EQ(read_henka(k, kBoard + "▲７六歩\n△３四歩\n" + mark + "２六歩\n▲２六歩\n投了\n", false, &stop), 0);
    EXPECT_EQ(k.GetTesu(), 2);
    EXPECT_EQ(k.NodeAtTesu(2)->to->next.Count(), 0);
    EXPECT_EQ(stop.line, body + 3);
    EXPECT_STREQ(stop.text.c_str(), (std::string(mark) + "２六歩").c_str());
  }
}

// A closing line whose count is not the moves of its line of play tells that
// a move line was lost or added: the result word before it, which would go
// to the wrong side, is taken back and the closing line told.
TEST(KifHenkaReader, AClosingThatCountsOtherMovesTakesTheResultBack) {
  const int body = static_cast<int>(std::count(kBoard.begin(), kBoard.end(), '\n'));
  Kifu k;
  KifuReadStop stop;
  ASSERT_EQ(read_henka(k, kBoard + "▲７六歩\n△３四歩\n投了\nまで2手で後手の勝ち\n", false, &stop), 0);
  EXPECT_EQ(k.NodeAtTesu(2)->to->next.Count(), 1);
  EXPECT_EQ(stop.closing.line, 0);
  // The last move line lost: sente's resignation would be read as gote's.
  ASSERT_EQ(read_henka(k, kBoard + "▲７六歩\n投了\nまで2手で後手の勝ち\n変化：1手\n▲２六歩\n", false, &stop), 0);
  EXPECT_EQ(k.NodeAtTesu(1)->to->next.Count(), 0);
  EXPECT_EQ(stop.closing.line, body + 3);
  EXPECT_EQ(stop.closing.count, 2);
  EXPECT_EQ(stop.closing.moves, 1);
  // The variation behind it is read as before.
  EXPECT_EQ(k.Start()->next.Count(), 2);
}

TEST(KifHenkaReader, HeaderAndBoard) {
  Kifu k;
  ASSERT_EQ(read_henka(k, "先手番\n手合割：香落ち\n" + kBoard), 0);
  EXPECT_EQ(k.Start()->kyokumen.teaiwari, kHirate);  // the diagram decides the handicap
  EXPECT_EQ(k.Start()->kyokumen.teban, 1);           // the side of the later 香落ち line
  std::string no_gold = kBoard, pawn_more = kBoard;
  no_gold.replace(no_gold.find("v金"), 3, " ・");
  pawn_more.replace(pawn_more.rfind("なし"), 4, "歩");
  ASSERT_EQ(read_henka(k, "手合割：その他\n" + no_gold), 0);

  const std::string good = kBoard + "▲７六歩\n";
  ASSERT_EQ(read_henka(k, good), 0);
  const std::string before = kif_text(k);
  const std::string bad[] = {
      "", "手合割：平手\n", "手数----指手---------消費時間--\n" + kBoard, "手合割：九枚落ち\n" + kBoard,
      no_gold,                       // no known set-up
      "手合割：その他\n" + pawn_more,  // a pawn too many
      good.substr(0, good.find("九")), good.substr(0, good.find("▲") - 2) + "x\n"};
  for (const std::string& text : bad) {
    EXPECT_EQ(read_henka(k, text), -1) << text;
    EXPECT_EQ(kif_text(k), before);
  }
  // A merge needs a node with the start position.
  k.Reset(kKakuOchi);
  EXPECT_EQ(read_henka(k, good, true), -1);
  EXPECT_EQ(k.table->Count(), 1);
}

// A change line whose number names no move of the line before it is passed
// over, and the first such line is told; one that replaces a move is read.
TEST(KifHenkaReader, TellsTheFirstChangeThatReplacesNoMove) {
  const int body = static_cast<int>(std::count(kBoard.begin(), kBoard.end(), '\n'));  // lines before it
  Kifu k;
  KifuReadStop stop;
  ASSERT_EQ(read_henka(k, kBoard + "▲７六歩\n△３四歩\n変化：2手\n△８四歩\n", false, &stop), 0);
  EXPECT_EQ(stop.skipped.line, 0);
  ASSERT_EQ(read_henka(k, kBoard + "▲７六歩\n|変化：2手\n変化：0手\n", false, &stop), 0);
  EXPECT_EQ(stop.skipped.line, body + 2);
  EXPECT_STREQ(stop.skipped.text.c_str(), "|変化：2手");
  EXPECT_EQ(stop.skipped.why, KifuSkippedLine::kVariationAhead);
  ASSERT_EQ(read_henka(k, kBoard + "変化：手\n", false, &stop), 0);
  EXPECT_EQ(stop.skipped.why, KifuSkippedLine::kVariationBelowOne);
}

}  // namespace
}  // namespace model
