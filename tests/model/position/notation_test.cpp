// Numerals and the written form of moves: kanji and full-width numbers, special
// texts, 同, promotion words and the words that tell like pieces apart.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>

#include "model/position/kyokumen.h"
#include "model/position/sashite_text.h"
#include "model/text/numerals.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::empty_position, testing::gote, testing::move, testing::put;

std::string kanji(int n) {
  KString s;
  int_to_kanji(s, n);
  return s.c_str();
}

std::string zenkaku(int n) {
  KString s;
  int_to_zenkaku(s, n);
  return s.c_str();
}

// The round trip below cannot see a form that both sides get wrong alike.
TEST(Numerals, WrittenFormsAndReadersStopAtTheNumeralsEnd) {
  EXPECT_EQ(kanji(0), "〇");
  EXPECT_EQ(kanji(10), "十");
  EXPECT_EQ(kanji(105), "百五");
  EXPECT_EQ(kanji(1000), "千");
  EXPECT_EQ(kanji(2000), "二千");
  EXPECT_EQ(kanji(1234), "千二百三十四");
  EXPECT_EQ(kanji(-30), "－三十");
  EXPECT_EQ(zenkaku(-7), "－７");
  EXPECT_EQ(zenkaku(-2147483647 - 1), "－２１４７４８３６４８");

  // "value/bytes consumed" of a reader.
  auto read = [](auto reader, const char* text) {
    int v = -1;
    const int n = reader(text, &v);
    return std::to_string(v) + "/" + std::to_string(n);
  };
  EXPECT_EQ(read(kanji_to_int, "十八歩"), "18/4");
  EXPECT_EQ(read(kanji_to_int, "六歩"), "6/2");  // a rank followed by a piece
  EXPECT_EQ(read(kanji_to_int, "七六"), "7/2");  // two digits are not one number
  EXPECT_EQ(read(kanji_to_int, "歩"), "0/0");
  EXPECT_EQ(read(kanji_to_int, ""), "0/0");
  EXPECT_EQ(read(zenkaku_digit_to_int, "７六"), "7/2");
  EXPECT_EQ(read(zenkaku_digit_to_int, "7"), "0/0");
  EXPECT_EQ(read(zenkaku_digit_to_int, ""), "0/0");
}

TEST(Numerals, RoundTripZeroTo9999) {
  KString k, z;
  for (int n = 0; n <= 9999; ++n) {
    int_to_kanji(k, n);
    int v = -1;
    ASSERT_EQ(kanji_to_int(k.c_str(), &v), k.length()) << n;
    ASSERT_EQ(v, n);
    int_to_zenkaku(z, n);
    int total = 0;
    for (int pos = 0; pos < z.length(); pos += 2) {
      ASSERT_EQ(zenkaku_digit_to_int(z.c_str() + pos, &v), 2);
      total = total * 10 + v;
    }
    ASSERT_EQ(total, n);
  }
}

std::string text_of(const Sashite& m, int prev_x = 0, int prev_y = 0, int flags = 0) {
  KString s;
  m.ToText(prev_x, prev_y, s, flags);
  return s.c_str();
}

TEST(SashiteText, SpecialMovesSameSquareAndPromotion) {
  EXPECT_EQ(text_of(Sashite(0, 0, 0, 0, gote(kOu), 0, 0, kToryo)), "△投了");
  EXPECT_EQ(text_of(Sashite(0, 0, 0, 0, kOu, 0, 0, kSennichite)), "千日手");
  EXPECT_EQ(text_of(Sashite(0, 0, 0, 0, 0, 0, 0, kTaikyokuKaishi)), "== 対局開始 ==");
  KString s;
  EXPECT_EQ(Sashite(0, 0, 0, 0, kOu, 0, 0, 16).ToText(0, 0, s, 0), -1);
  EXPECT_STREQ(s.c_str(), "▲");

  EXPECT_EQ(text_of(Sashite(2, 3, 2, 2, kFu, gote(kFu), 0, 0), 2, 2), "▲同　歩不成");
  // The source alone in the zone is enough for 不成; gold, king and promoted
  // pieces never get it.
  EXPECT_EQ(text_of(Sashite(4, 3, 5, 4, kGin, 0, 0, 0)), "▲５四銀不成");
  EXPECT_EQ(text_of(Sashite(5, 3, 5, 2, kKin, 0, 0, 0)), "▲５二金");
  EXPECT_EQ(text_of(Sashite(3, 7, 3, 8, gote(kKaku), 0, 0, 0)), "△３八角不成");
  EXPECT_EQ(text_of(Sashite(12, kGin, 5, 5, gote(kGin), 0, 0, 0)), "△５五銀");
  EXPECT_EQ(text_of(Sashite(6, 2, 5, 1, kNariGin, 0, 0, 0), 0, 0, kModMigi | kModYuku), "▲５一成銀右行");
}

// The text of the move (fx, fy) -> (tx, ty) on `pos`.
std::string text_on(const Kyokumen& pos, int fx, int fy, int tx, int ty, int nari = 0) {
  KString s;
  pos.SashiteToText(move(pos, fx, fy, tx, ty, nari), 0, 0, s);
  return s.c_str();
}

// The kings on 1九 and 9一, `pieces` (file, rank, code) and the side to move.
Kyokumen with(std::initializer_list<std::array<int, 3>> pieces, int teban = 0) {
  Kyokumen pos = empty_position();
  put(pos, 1, 9, kOu);
  put(pos, 9, 1, gote(kOu));
  for (const auto& [x, y, code] : pieces) put(pos, x, y, code);
  pos.teban = teban;
  return pos;
}

TEST(SashiteText, WordsThatTellLikePiecesApart) {
  Kyokumen pos = with({{4, 9, kKin}, {6, 9, kKin}});
  EXPECT_EQ(text_on(pos, 6, 9, 5, 8), "▲５八金左");
  EXPECT_EQ(text_on(pos, 4, 9, 5, 8), "▲５八金右");
  pos = with({{4, 9, kKin}, {5, 9, kKin}});
  EXPECT_EQ(text_on(pos, 5, 9, 5, 8), "▲５八金直");
  EXPECT_EQ(text_on(pos, 4, 9, 5, 8), "▲５八金右");

  // 上 and 寄 by the vertical class; with a third gold, both words.
  pos = with({{4, 6, kKin}, {4, 5, kKin}});
  EXPECT_EQ(text_on(pos, 4, 6, 5, 5), "▲５五金上");
  EXPECT_EQ(text_on(pos, 4, 5, 5, 5), "▲５五金寄");
  put(pos, 6, 6, kKin);
  EXPECT_EQ(text_on(pos, 4, 6, 5, 5), "▲５五金右上");
  EXPECT_EQ(text_on(pos, 6, 6, 5, 5), "▲５五金左");

  // 引 for a silver stepping back; a different kind on the other square is no rival.
  pos = with({{4, 4, kGin}, {4, 6, kGin}});
  EXPECT_EQ(text_on(pos, 4, 4, 5, 5), "▲５五銀引");
  put(pos, 4, 4, kNariGin);
  EXPECT_EQ(text_on(pos, 4, 6, 5, 5), "▲５五銀");

  // A promotion word follows the modifier.
  pos = with({{7, 5, kKei}, {9, 5, kKei}});
  EXPECT_EQ(text_on(pos, 7, 5, 8, 3, 1), "▲８三桂右成");
  EXPECT_EQ(text_on(pos, 9, 5, 8, 3, 0), "▲８三桂左不成");

  // Gote's words are seen from gote.
  pos = with({{4, 1, gote(kKin)}, {6, 1, gote(kKin)}}, 1);
  EXPECT_EQ(text_on(pos, 6, 1, 5, 2), "△５二金右");
  EXPECT_EQ(text_on(pos, 4, 1, 5, 2), "△５二金左");
  pos = with({{4, 3, gote(kGin)}, {6, 3, gote(kGin)}, {4, 5, gote(kGin)}}, 1);
  EXPECT_EQ(text_on(pos, 4, 5, 5, 4), "△５四銀引");
  EXPECT_EQ(text_on(pos, 4, 3, 5, 4), "△５四銀左上");
}

// Two dragons or two horses are told apart by 右 for the one on the mover's
// right and 左 for the other, never by 直; 上, 引 and 寄 as for other pieces.
TEST(SashiteText, DragonsAndHorsesAreToldByRightAndLeft) {
  Kyokumen pos = with({{3, 6, kRyu}, {2, 8, kRyu}});
  EXPECT_EQ(text_on(pos, 2, 8, 2, 5), "▲２五龍右");
  EXPECT_EQ(text_on(pos, 3, 6, 2, 5), "▲２五龍左");
  pos = with({{5, 3, gote(kUma)}, {3, 2, gote(kUma)}}, 1);
  EXPECT_EQ(text_on(pos, 5, 3, 5, 4), "△５四馬右");
  EXPECT_EQ(text_on(pos, 3, 2, 5, 4), "△５四馬左");
  pos = with({{2, 8, kRyu}, {2, 2, kRyu}});
  EXPECT_EQ(text_on(pos, 2, 2, 2, 5), "▲２五龍引");
}

TEST(SashiteText, DropSaysUtsuOnlyWhenABoardPieceCouldGo) {
  Kyokumen pos = with({});
  pos.mochigoma[0][kKin] = 1;
  EXPECT_EQ(text_on(pos, kSenteHand, kKin, 5, 8), "▲５八金");
  put(pos, 5, 9, kKin);
  EXPECT_EQ(text_on(pos, kSenteHand, kKin, 5, 8), "▲５八金打");
  // The board gold alone is not told apart from the drop.
  EXPECT_EQ(text_on(pos, 5, 9, 5, 8), "▲５八金");
}

}  // namespace
}  // namespace model
