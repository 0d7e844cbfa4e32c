// The move-text parser, the board block and hand lines shared by the KIF-family
// readers, and the read-back of the notation the program itself writes.
#include <gtest/gtest.h>

#include <string>

#include "model/formats/board_block.h"
#include "model/formats/move_text_parser.h"
#include "model/record/kifu_node.h"
#include "model/text/text_encoding.h"
#include "model/text/text_stream.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::empty_position, testing::gote, testing::kings_only, testing::move, testing::put;

// Parses `text` from its start; the move, or a Sashite with special 99 on failure.
Sashite parse(const Kyokumen& pos, const char* text, int prev_x = 0, int prev_y = 0,
              int* seconds = nullptr, int* cursor = nullptr) {
  KString line;
  line.Assign(text);
  int at = 0, secs = -1;
  Sashite m(0, 0, 0, 0, 0, 0, 0, 99);
  kifu_parse_move_text(m, pos, prev_x, prev_y, line, at, secs);
  if (seconds) *seconds = secs;
  if (cursor) *cursor = at;
  return m;
}

constexpr int kFailed = 99;

// Whether the program's own notation reads back as the move is checked on
// crowded positions with the KI2 tests; here texts written by people.
TEST(MoveTextParser, ReadsSquaresPiecesAndSameSquare) {
  Kyokumen pos = testing::initial(kHirate);
  const Sashite p76(7, 7, 7, 6, kFu, 0, 0, 0);
  EXPECT_EQ(parse(pos, "▲7六歩"), p76);
  EXPECT_EQ(parse(pos, "▲76歩"), p76);
  EXPECT_EQ(parse(pos, "△３四歩").special, kFailed);  // sente is to move
  EXPECT_EQ(parse(pos, "７六歩").special, kFailed);
  EXPECT_EQ(parse(pos, "▲７十歩").special, kFailed);
  EXPECT_EQ(parse(pos, "▲７").special, kFailed);
  EXPECT_EQ(parse(pos, "▲５八").special, kFailed);  // no piece named: not the king
  // Two words without a blank: the cursor stops at the second side mark.
  int cursor = -1;
  EXPECT_EQ(parse(pos, "▲７六歩△３四歩", 0, 0, nullptr, &cursor), p76);
  EXPECT_EQ(cursor, 8);

  // 同 with and without the full-width space; at the start there is no square.
  Kyokumen dou = kings_only();
  put(dou, 2, 3, gote(kFu));
  put(dou, 2, 4, kFu);
  dou.teban = 1;
  const Sashite takes(2, 3, 2, 4, gote(kFu), kFu, 0, 0);
  EXPECT_EQ(parse(dou, "△同　歩", 2, 4), takes);
  EXPECT_EQ(parse(dou, "▽同歩", 2, 4), takes);
  EXPECT_EQ(parse(dou, "△同歩").special, kFailed);
}

// The words the program writes read back (the KI2 notation test); here the
// refusals and the readings of texts people write.
TEST(MoveTextParser, RelativeWordsChooseAmongLikePieces) {
  Kyokumen pos = kings_only();
  put(pos, 6, 9, kKin);
  put(pos, 4, 9, kKin);
  EXPECT_EQ(parse(pos, "▲５八金").special, kFailed);  // ambiguous
  EXPECT_EQ(parse(pos, "▲５八金直").special, kFailed);
  // With a single candidate the words are not tested.
  put(pos, 6, 9, kGin);
  put(pos, 4, 9, kEmpty);
  EXPECT_EQ(parse(pos, "▲５八銀右").from_x, 6);
  // A gold pinned to its king still counts as a candidate.
  Kyokumen pin = kings_only();
  put(pin, 5, 9, kEmpty);
  put(pin, 4, 9, kOu);
  put(pin, 4, 8, kKin);
  put(pin, 6, 9, kKin);
  put(pin, 4, 1, gote(kHi));
  EXPECT_EQ(parse(pin, "▲５八金").special, kFailed);
  EXPECT_EQ(parse(pin, "▲５八金寄").from_x, 4);
}

TEST(MoveTextParser, DropsPromotionsAndDragons) {
  // A gold that could be dropped or moved: the board move unless 打 is written.
  Kyokumen pos = kings_only();
  put(pos, 4, 7, kKin);
  pos.mochigoma[0][kKin] = 1;
  pos.mochigoma[0][kFu] = 1;
  EXPECT_EQ(parse(pos, "▲４六金"), Sashite(4, 7, 4, 6, kKin, 0, 0, 0));
  EXPECT_EQ(parse(pos, "▲４六金打"), Sashite(kSenteHand, kKin, 4, 6, kKin, 0, 0, 0));
  EXPECT_EQ(parse(pos, "▲４六歩"), Sashite(kSenteHand, kFu, 4, 6, kFu, 0, 0, 0));
  EXPECT_EQ(parse(pos, "▲４六玉打").special, kFailed);

  // 馬 asks for a horse, not a bishop that promotes.
  Kyokumen start = testing::initial(kHirate);
  start.DoSashite(move(start, 7, 7, 7, 6));
  start.DoSashite(move(start, 3, 3, 3, 4));
  EXPECT_EQ(parse(start, "▲２二馬").special, kFailed);

  // Two dragons on the same side of the square; 竜 is 龍.
  Kyokumen ryu = kings_only();
  put(ryu, 9, 5, kRyu);
  put(ryu, 6, 4, kRyu);
  EXPECT_EQ(parse(ryu, "▲５五龍").special, kFailed);
  EXPECT_EQ(parse(ryu, "▲５五竜寄").from_x, 9);
  // The 直 once written for the one of two that comes straight.
  Kyokumen straight = kings_only();
  put(straight, 3, 6, kRyu);
  put(straight, 2, 8, kRyu);
  EXPECT_EQ(parse(straight, "▲２五龍直").from_x, 2);
}

TEST(MoveTextParser, ReadsTheTimeBehindTheMove) {
  Kyokumen pos = testing::initial(kHirate);
  int seconds = 0, cursor = 0;
  parse(pos, "▲７六歩 ( 0:05/00:00:05)", 0, 0, &seconds, &cursor);
  EXPECT_EQ(seconds, 5);
  EXPECT_EQ(cursor, 9);  // on the "("
  parse(pos, "▲７六歩(123:45/02:03:45)", 0, 0, &seconds);
  EXPECT_EQ(seconds, 7425);
  KString t;
  t.Assign("(99999999999:59)");
  EXPECT_EQ(kifu_read_move_time(t, 0), kMaxMoveSeconds);
}

TEST(BoardBlock, ReadsRowsAndHandLines) {
  const std::string empty_row = "| ・ ・ ・ ・ ・ ・ ・ ・ ・|\n";
  std::string rows = "# a comment line\n|v香 ・ ・ ・v玉 ・ ・ ・ ・|一\n";
  rows += ":$$$$$$$$$\n";  // nine sente pawns (0x24)
  rows += ": \x42\n";  // short: padded with blanks
  for (int r = 4; r <= 8; ++r) rows += empty_row;
  rows += ":    \x40\x25\n";
  auto read = [&](const std::string& text, Kyokumen& pos) {
    MemTextReader reader(text.c_str());
    return kifu_read_board_block(reader, pos);
  };
  Kyokumen pos = empty_position();
  ASSERT_EQ(read(rows + "後手持駒：なし\n先手持駒：飛　角二　歩十八\n", pos), 0);
  EXPECT_EQ(pos.At(9, 1).code, gote(kKyo));
  for (int x = 1; x <= 9; ++x) EXPECT_EQ(pos.At(x, 2).code, kFu);
  EXPECT_EQ(pos.At(8, 3).code, gote(kOu));
  EXPECT_EQ(pos.At(4, 9).code, kTo);
  EXPECT_EQ(pos.HandCount(0, kHi), 1);
  EXPECT_EQ(pos.HandCount(0, kKaku), 2);
  EXPECT_EQ(pos.HandCount(0, kFu), 18);
  EXPECT_EQ(pos.HandCount(1, kFu), 0);

  const std::string bad_rows[] = {
      "| ・ ・ ・ ・ ・ ・ ・ ・|\n",     // a cell short
      ":\x44\n",                      // outside the compact code
      "\n",                            // empty
      "|成香 ・ ・ ・ ・ ・ ・ ・ ・|\n",  // a four-byte name
  };
  for (const std::string& row : bad_rows) EXPECT_EQ(read(row, pos), -1);
  const char* bad_hands[] = {"", "先手：なし\n", "下手持駒なし\n", "上手持駒：成香\n",
                             "上手持駒：玉\n", "上手持駒：金五\n", "上手持駒：歩2\n"};
  for (const char* hand : bad_hands) {
    SCOPED_TRACE(model::sjis_to_utf8(hand));
    EXPECT_EQ(read(rows + "下手持駒：なし\n" + hand, pos), -1);
  }
  // A later count replaces an earlier one; 〇 is a count.
  ASSERT_EQ(read(rows + "上手持駒：歩〇 香四\n下手持駒：なし\n", pos), 0);
  EXPECT_EQ(pos.HandCount(1, kFu), 0);
  EXPECT_EQ(pos.HandCount(1, kKyo), 4);
}

}  // namespace
}  // namespace model
