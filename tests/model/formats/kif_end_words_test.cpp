// Words where a KIF move stands: other programs' end words become the nearest
// result a record holds, any other word ends its line as 中断 and is told, and
// the reading goes on behind both; a malformed move still ends the reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "model/formats/ki2_format.h"
#include "model/formats/kif_format.h"
#include "model/formats/kif_henka_reader.h"
#include "model/formats/kifu_dispatch.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

// Two moves, `word` as move 3 with a time, a comment, then a variation from
// move 2 with a comment of its own. The word stands on line 5.
std::string kif_with(const std::string& word) {
  return "手合割：平手\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n3 " + word +
         "   ( 0:05/00:00:05)\n*その後\n変化：2手\n2 ８四歩(83)\n*変化の注\n";
}

// The same in the change-branch layout, the word on a line of its own.
std::string henka_with(const std::string& word) {
  const std::string nested = testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  const std::string head = nested.substr(0, nested.find("\r\n\r\n*") + 4);  // header, board, empty line
  return head + "▲７六歩\n△３四歩\n" + word + "\n変化：2手\n△８四歩\n*変化の注\n";
}

// The moves behind move 1: the main line's (0) and the variation's (1).
const KifuSashite* second_move(const Kifu& kifu, int index) {
  const KifuKyokumen* after_first = kifu.Start()->next.At(0)->to;
  return index < after_first->next.Count() ? after_first->next.At(index) : nullptr;
}

// The move behind move 2 of the main line: where the word was read.
const KifuSashite* third_move(const Kifu& kifu) {
  const KifuKyokumen* after_second = second_move(kifu, 0)->to;
  return after_second->next.Count() > 0 ? after_second->next.At(0) : nullptr;
}

// Reads `text` as KIF into `kifu`; `stop` receives where the reading stopped.
int read(Kifu& kifu, const std::string& text, KifuReadStop& stop) {
  MemTextReader reader(text.c_str());
  return kifu_read_kif(kifu, reader, false, &stop);
}

// Sente is to move at the word, so each result carries sente's king.
TEST(KifEndWords, OtherProgramsWordsBecomeTheNearestResult) {
  const struct {
    const char* word;
    int code;
  } words[] = {
      {"入玉勝ち", kKachi}, {"宣言勝ち", kKachi},   {"不戦勝", kKachi},
      {"不戦敗", kMake},    {"Time-up", kKireMake}, {"封じ手", kChudan},
  };
  for (const auto& w : words) {
    SCOPED_TRACE(sjis_to_utf8(w.word));
    Kifu kifu;
    KifuReadStop stop;
    ASSERT_EQ(read(kifu, kif_with(w.word), stop), 0);
    const KifuSashite* end = third_move(kifu);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->sashite, Sashite(0, 0, 0, 0, kOu, 0, 0, w.code));
    EXPECT_EQ(end->seconds, 5);
    EXPECT_TRUE(end->comment == "その後");
    // The variation behind it is read; nothing is told.
    ASSERT_NE(second_move(kifu, 1), nullptr);
    EXPECT_TRUE(second_move(kifu, 1)->comment == "変化の注");
    EXPECT_EQ(stop.line + stop.unknown_end_line, 0);

    // The change-branch layout reads the same words alike.
    Kifu henka;
    MemTextReader henka_text(henka_with(w.word).c_str());
    ASSERT_EQ(kifu_read_kif_henka(henka, henka_text, false), 0);
    ASSERT_NE(third_move(henka), nullptr);
    EXPECT_EQ(third_move(henka)->sashite, Sashite(0, 0, 0, 0, kOu, 0, 0, w.code));
    EXPECT_NE(second_move(henka, 1), nullptr);
  }
}

// A word that does not begin as a move does (with its destination or a side
// mark) is an end the reader does not know, even one naming a piece: its line
// ends there as at 中断, the lines after it are read on, and the first such
// word is told with its line.
TEST(KifEndWords, AnyOtherWordEndsItsLineAsAnInterruptionAndIsTold) {
  for (const char* word : {"不詰", "時間切れ", "TIME-UP", "-", "?", "王手放置", "二歩", "入玉"}) {
    SCOPED_TRACE(sjis_to_utf8(word));
    Kifu kifu;
    KifuReadStop stop;
    ASSERT_EQ(read(kifu, kif_with(word), stop), 0);
    const KifuSashite* end = third_move(kifu);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->sashite, Sashite(0, 0, 0, 0, kOu, 0, 0, kChudan));
    EXPECT_EQ(end->seconds, 5);
    ASSERT_NE(second_move(kifu, 1), nullptr);
    EXPECT_TRUE(second_move(kifu, 1)->comment == "変化の注");
    EXPECT_EQ(stop.line, 0);
    EXPECT_EQ(stop.unknown_end_line, 5);
    EXPECT_STREQ(stop.unknown_end_word.c_str(), word);
    EXPECT_EQ(stop.unknown_end_words, 1);
  }
  // Of several, the first is told with their count; a known word is not counted.
  Kifu kifu;
  KifuReadStop stop;
  ASSERT_EQ(read(kifu, kif_with("不詰") + "3 謎\n変化：1手\n1 ２六歩(27)\n2 封じ手\n2 異\n", stop), 0);
  EXPECT_EQ(second_move(kifu, 1)->to->next.Count(), 1);
  EXPECT_EQ(kifu.Start()->next.Count(), 2);
  EXPECT_EQ(stop.unknown_end_line, 5);
  EXPECT_STREQ(stop.unknown_end_word.c_str(), "不詰");
  EXPECT_EQ(stop.unknown_end_words, 3);
}

// Text that begins as a move does (a destination or a side mark), or that
// holds a part of a move (a destination, a source square, 打, 成, 同), is a
// move however malformed: it still ends the reading, and the variation behind
// it is lost as before. A word in front of a move does not make it an end.
TEST(KifEndWords, AMalformedMoveStillEndsTheReading) {
  for (const char* move : {"２六歩打歩", "歩(27)", "同", "(27)", "▲", "7六歩", "９X歩", "同　", "次 ２六歩(27)",
                           "次 ２六歩", "と7六", "銀打", "角成", "x同歩"}) {
    SCOPED_TRACE(sjis_to_utf8(move));
    Kifu kifu;
    KifuReadStop stop;
    ASSERT_EQ(read(kifu, kif_with(move), stop), 0);
    EXPECT_EQ(third_move(kifu), nullptr);
    EXPECT_EQ(second_move(kifu, 1), nullptr);
    EXPECT_EQ(stop.line, 5);
    EXPECT_STREQ(stop.text.c_str(), (std::string("3 ") + move + "   ( 0:05/00:00:05)").c_str());
    EXPECT_EQ(stop.unknown_end_line, 0);
  }
}

// A line of play has one end: a move or a second end numbered behind it is
// not read, nor are the lines behind that on its line of play (their
// comments included), and the first is told; a line that goes back before
// the end is read again. The change-branch layout keeps its one end alike.
TEST(KifEndWords, NothingIsPlayedBehindAnEnd) {
  const struct {
    const char* end;
    const char* behind;
  } cases[] = {
      {"中断", "4 ８四歩(83)"}, {"投了", "4 中断"}, {"不詰", "4 ８四歩(83)"}, {"千日手", "5 ８四歩(83)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sjis_to_utf8(c.end));
    const std::string text = "手合割：平手\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n3 " +
                             std::string(c.end) + "\n" + c.behind + "\n*その後\n5 ２六歩(27)\n3 ６六歩(67)\n";
    Kifu kifu;
    KifuReadStop stop;
    ASSERT_EQ(read(kifu, text, stop), 0);
    const KifuSashite* end = third_move(kifu);
    ASSERT_NE(end, nullptr);
    EXPECT_NE(end->sashite.special, kOrdinaryMove);
    EXPECT_EQ(end->to->next.Count(), 0);
    EXPECT_TRUE(end->comment.empty());
    EXPECT_EQ(stop.after_end_line, 6);
    EXPECT_STREQ(stop.after_end.c_str(), c.behind);
    EXPECT_EQ(stop.skipped.line, 0);
    // The line that goes back to move 3 is read beside the end.
    EXPECT_EQ(end->from->next.Count(), 2);
  }
  Kifu henka;
  KifuReadStop stop;
  MemTextReader text(henka_with("中断\n△８四歩\n投了").c_str());
  ASSERT_EQ(kifu_read_kif_henka(henka, text, false, &stop), 0);
  ASSERT_NE(third_move(henka), nullptr);
  EXPECT_EQ(third_move(henka)->sashite.special, kChudan);
  EXPECT_EQ(third_move(henka)->from->next.Count(), 1);
  EXPECT_STREQ(stop.after_end.c_str(), "△８四歩");
  EXPECT_NE(second_move(henka, 1), nullptr);  // the change line behind is read
  // In KI2 the moves behind the closing line are told.
  Kifu ki2;
  MemTextReader closed("▲７六歩\nまで1手で先手の勝ち\n△３四歩\n変化：1手\n▲２六歩\n");
  ASSERT_EQ(kifu_read_ki2(ki2, closed, false, &stop), 0);
  EXPECT_EQ(stop.after_end_line, 3);
  EXPECT_STREQ(stop.after_end.c_str(), "△３四歩");
  EXPECT_EQ(ki2.Start()->next.Count(), 2);
}

// A 封じ手 followed by a line of its own number is a pause: the game goes on
// on the main line, the sealed move carrying the word and the comments read
// in between. Followed by anything else it is an interruption (see above).
TEST(KifEndWords, ASealedMoveFollowedByItsMoveIsAPause) {
  const std::string text = "手合割：平手\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n3 封じ手\n"
                           "*一日目\n3 ２六歩(27)\n*二日目\n4 ８四歩(83)\n5 投了\n";
  Kifu kifu;
  KifuReadStop stop;
  ASSERT_EQ(read(kifu, text, stop), 0);
  const KifuSashite* sealed = third_move(kifu);
  ASSERT_NE(sealed, nullptr);
  EXPECT_EQ(sealed->sashite, Sashite(2, 7, 2, 6, kFu, 0, 0, kOrdinaryMove));
  EXPECT_STREQ(sealed->comment.c_str(), "封じ手\r\n一日目\r\n二日目");
  EXPECT_EQ(sealed->from->next.Count(), 1);
  ASSERT_EQ(sealed->to->next.Count(), 1);
  EXPECT_EQ(sealed->to->next.At(0)->to->next.At(0)->sashite.special, kToryo);
  EXPECT_EQ(stop.line + stop.after_end_line + stop.unknown_end_line, 0);

  Kifu henka;
  MemTextReader henka_text(henka_with("封じ手\n▲２六歩\n△８四歩").c_str());
  ASSERT_EQ(kifu_read_kif_henka(henka, henka_text, false), 0);
  ASSERT_NE(third_move(henka), nullptr);
  EXPECT_EQ(third_move(henka)->sashite, Sashite(2, 7, 2, 6, kFu, 0, 0, kOrdinaryMove));
  EXPECT_STREQ(third_move(henka)->comment.c_str(), "封じ手");
  EXPECT_EQ(third_move(henka)->from->next.Count(), 1);
}

// A closing line ends the line of play it closes where no end line did: KIF's
// main line wherever the line stands, a change-branch line, a KI2 line; not
// one that goes on behind it. A count that is not the moves read gives no
// result, and words that tell no result end the line as 中断; both are told.
TEST(KifEndWords, AClosingLineEndsALineThatNoEndLineEnded) {
  const std::string kif = "手合割：平手\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n";
  const struct {
    int format;
    std::string text;
    int code;  // the end of the main line's move 3, 0 for none
    bool mismatch;
    const char* unknown;
  } cases[] = {
      {kFormatKif, kif + "変化：2手\n2 ８四歩(83)\nまで２手で後手の勝ち\n", kToryo, false, ""},
      {kFormatKif, kif + "3 中断\nまで3手で後手の勝ち\n", kChudan, false, ""},
      {kFormatKif, kif + "まで3手で不詰\n", 0, true, ""},
      {kFormatKif, kif + "まで2手で後手の勝ち\n3 ２六X(27)\n", 0, false, ""},  // the game went on
      {kFormatKi2, "手合割：平手\n\n▲７六歩 △３四歩\nまで2手でトライ\n", kChudan, false, "トライ"},
      {kFormatKifHenka, henka_with("まで2手で不詰"), kChudan, false, "不詰"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sjis_to_utf8(c.text));
    Kifu kifu;
    KifuReadStop stop;
    MemTextReader reader(c.text.c_str());
    ASSERT_EQ(kifu_read_stream(kifu, reader, c.format, false, &stop), 0);
    const KifuSashite* end = third_move(kifu);
    EXPECT_EQ(end ? end->sashite.special : 0, c.code);
    if (const KifuSashite* variation = second_move(kifu, 1)) {
      EXPECT_EQ(variation->to->next.Count(), 0);
    }
    const auto closing_at = c.text.begin() + static_cast<long>(c.text.find("まで"));
    const int closing_line = static_cast<int>(std::count(c.text.begin(), closing_at, '\n')) + 1;
    EXPECT_EQ(stop.closing.line, c.mismatch ? closing_line : 0);
    EXPECT_EQ(stop.unknown_end_line, *c.unknown ? closing_line : 0);
    EXPECT_STREQ(stop.unknown_end_word.c_str(), c.unknown);
  }
}

// The change-branch layout reads a line of no known kind that holds the parts
// of a move as a damaged move: the reading ends there.
TEST(KifEndWords, TheChangeBranchLayoutStopsAtADamagedMove) {
  for (const char* line : {"次 ▲２六歩", "２六歩(27)", "3 ２六歩(27)"}) {
    SCOPED_TRACE(sjis_to_utf8(line));
    Kifu henka;
    KifuReadStop stop;
    MemTextReader text(henka_with(line).c_str());
    ASSERT_EQ(kifu_read_kif_henka(henka, text, false, &stop), 0);
    EXPECT_EQ(third_move(henka), nullptr);
    EXPECT_EQ(second_move(henka, 1), nullptr);
    EXPECT_STREQ(stop.text.c_str(), line);
  }
}

}  // namespace
}  // namespace model
