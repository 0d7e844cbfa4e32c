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
  TraceBoard board;
  board.square[1][5] = kWordGote | kWordKing;
  pos_write_board(s, board);
  EXPECT_NE(std::string(s.c_str()).find("| ・ ・ ・ ・v玉 ・ ・ ・ ・|一"), std::string::npos);
}

}  // namespace
}  // namespace model
