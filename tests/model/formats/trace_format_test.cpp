// The engine's trace texts: move words and positions.
#include <gtest/gtest.h>

#include <string>

#include "model/formats/trace_format.h"

namespace model {
namespace {

TEST(TraceFormat, MovesAndPositions) {
  using engine::kmove_drop, engine::kmove_pack, engine::square_of;
  KString s;
  sashite_to_text(s, kmove_pack(square_of(7, 7), square_of(7, 6), engine::kSenteBit | engine::kPawn, 0, 0));
  EXPECT_STREQ(s.c_str(), "▲７六歩(77)");
  sashite_to_coord(s, kmove_pack(square_of(8, 8), square_of(2, 2), engine::kSenteBit | engine::kBishop, 0, 1));
  EXPECT_STREQ(s.c_str(), "▲22角成(88)");
  sashite_to_kanji(s, kmove_drop(square_of(5, 5), engine::kGoteBit | engine::kBishop));
  EXPECT_STREQ(s.c_str(), "△５五角打");
  sashite_to_coord(s, engine::kNoMoveWord);
  EXPECT_STREQ(s.c_str(), "パス");
  TraceBoard board;
  board.square[1][5] = engine::kGoteBit | engine::kKing;
  pos_write_board(s, board);
  EXPECT_NE(std::string(s.c_str()).find("| ・ ・ ・ ・v玉 ・ ・ ・ ・|一"), std::string::npos);
}

}  // namespace
}  // namespace model
