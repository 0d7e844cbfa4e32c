// The engine's trace texts: move words and positions.
#include <gtest/gtest.h>

#include <string>

#include "model/formats/trace_format.h"

namespace model {
namespace {

TEST(TraceFormat, MovesAndPositions) {
  KString s;
  sashite_to_text(s, word_pack(word_square(7, 7), word_square(7, 6), kWordSente | kWordPawn, 0, 0));
  EXPECT_STREQ(s.c_str(), "▲７六歩(77)");
  sashite_to_coord(s, word_pack(word_square(8, 8), word_square(2, 2), kWordSente | kWordBishop, 0, 1));
  EXPECT_STREQ(s.c_str(), "▲22角成(88)");
  sashite_to_kanji(s, word_drop(word_square(5, 5), kWordGote | kWordBishop));
  EXPECT_STREQ(s.c_str(), "△５五角打");
  sashite_to_coord(s, kNoMoveWord);
  EXPECT_STREQ(s.c_str(), "パス");
  // The log form goes to the trace log alone: the caller's text stays as it was.
  sashite_to_text_trace(word_drop(word_square(5, 5), kWordGote | kWordBishop));
  sashite_to_text_trace(kNoMoveWord);
  EXPECT_STREQ(s.c_str(), "パス");
  TraceBoard board;
  board.square[1][5] = kWordGote | kWordKing;
  pos_write_board(s, board);
  EXPECT_NE(std::string(s.c_str()).find("| ・ ・ ・ ・v玉 ・ ・ ・ ・|一"), std::string::npos);
}

// The tagged text: side to move, then the pieces by rank 1..9 and file 9..1
// as " name square", then each hand in engine order (rook first) as " name
// count". The flag byte does not change the text, and the text replaces what
// the string held.
TEST(TraceFormat, PositionAsTaggedText) {
  TraceBoard board;
  board.side = 1;
  board.square[1][5] = kWordGote | kWordKing;
  board.square[3][7] = kWordGote | kWordPawn;
  board.square[3][2] = kWordSente | kWordPromoted | kWordRook;
  board.square[9][5] = kWordSente | kWordKing;
  board.hand[0][kWordRook] = 1;
  board.hand[0][kWordPawn] = 3;
  board.hand[1][kWordGold] = 2;
  const char* const expected =
      "<teban>1</teban>\n"
      "<ban> 玉 51 歩 73 龍 23 玉 59</ban>\n"
      "<mochi-sente> 飛 1 歩 3</mochi-sente>\n"
      "<mochi-gote> 金 2</mochi-gote>\n";
  for (int flag : {0, 1, 255}) {
    KString s;
    s.Append("left over");
    pos_write_xml(s, board, static_cast<uint8_t>(flag));
    EXPECT_STREQ(s.c_str(), expected) << flag;
  }
  KString empty;
  pos_write_xml(empty, TraceBoard{}, 0);
  EXPECT_STREQ(empty.c_str(), "<teban>0</teban>\n<ban></ban>\n<mochi-sente></mochi-sente>\n<mochi-gote></mochi-gote>\n");
}

}  // namespace
}  // namespace model
