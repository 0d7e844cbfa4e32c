// KI2 records: golden files read and written back byte for byte, files as
// people and other programs write them, closing lines, reads that stop or fail,
// the notation read back move for move.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/formats/ki2_format.h"
#include "model/formats/move_text_parser.h"
#include "model/position/piece_rules.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::gote;
using Strings = std::vector<std::string>;

std::string ki2_file(const char* name) {
  return testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/ki2/" + name);
}

std::string write_ki2(const Kifu& kifu) {
  KString out;
  MemTextWriter w(out, true);
  kifu_write_ki2(kifu, w);
  return out.c_str();
}

int read_ki2(Kifu& kifu, const std::string& text, bool merge = false) {
  MemTextReader r(text.c_str());
  return kifu_read_ki2(kifu, r, merge);
}

// The line from `node` along the first moves: "7776" (source 00 for a drop),
// "%2-" for special code 2 held by gote's king.
Strings line_from(const KifuKyokumen* node) {
  Strings out;
  for (; node->next.Count() > 0; node = node->next.items[0]->to) {
    const Sashite& m = node->next.items[0]->sashite;
    char s[16];
    if (m.special) {
      std::snprintf(s, sizeof s, "%%%d%c", m.special, "+-"[m.koma.Side() == 1]);
    } else {
      const int from = m.IsDrop() ? 0 : m.from_x * 10 + m.from_y;
      std::snprintf(s, sizeof s, "%02d%d%d", from, m.to_x, m.to_y);
    }
    out.push_back(s);
  }
  return out;
}

TEST(Ki2Format, GoldenFilesReadAndWriteBackByteForByte) {
  Kifu game, setup, handicap;
  for (auto [kifu, name] :
       {std::pair{&game, "even_game.ki2"}, {&setup, "setup.ki2"}, {&handicap, "handicap.ki2"}}) {
    ASSERT_EQ(read_ki2(*kifu, ki2_file(name)), 0) << name;
    EXPECT_EQ(write_ki2(*kifu), ki2_file(name)) << name;
  }
  EXPECT_STREQ(game.root->comment.c_str(), "振り飛車の対抗形");
  const Strings moves = line_from(game.Start());
  ASSERT_EQ(moves.size(), 42u);
  EXPECT_EQ(moves[10] + moves[21] + moves[41], "49584152%2-");  // 金右, gote's 金左; gote resigned
  // Dragons and horses told apart by 右 and 左, gote's 右, 不成; the result
  // names gote with sente to move: sente resigned.
  EXPECT_EQ(line_from(setup.Start()), (Strings{"2454", "4344", "9955", "6152", "3543", "3243",
                                               "5443", "5243", "0052", "5152", "%2+"}));
  EXPECT_EQ(handicap.Start()->kyokumen.teaiwari, kKyoOchi);
  EXPECT_EQ(line_from(handicap.Start()).back(), "%14-");  // まで8手で中断

  KString out;
  MemTextWriter w(out, true);
  kifu_write_ki2_position(setup, w, setup.Start()->kyokumen);
  const std::string file = ki2_file("setup.ki2");
  EXPECT_EQ(out.c_str(), file.substr(0, file.find("\r\n\r\n") + 4));  // up to the moves
}

TEST(Ki2Format, ReadsRecordsAsPeopleWriteThem) {
  // LF ends, a "#" line, 開始日時, words with and without blanks, 同 without its
  // space, ▽, an "&" line, a time, 反則負け, and a variation behind まで.
  Kifu club;
  ASSERT_EQ(read_ki2(club, ki2_file("other_program.ki2")), 0);
  EXPECT_STREQ(club.date.c_str(), "2023/11/05 13:00");
  EXPECT_STREQ(club.NodeAtTesu(14)->comment.c_str(), "横歩は取らない");
  EXPECT_EQ(line_from(club.Start()),
            (Strings{"7776", "3334", "2726", "8384", "2625", "8485", "6978", "4132", "2524", "2324",
                     "2824", "0023", "2426", "7162", "3938", "7374", "4746", "6364", "%5-"}));
  EXPECT_EQ(club.NodeAtTesu(18)->seconds, 5);
  const KifuKyokumen* ply2 = club.NodeAtTesu(2)->to;
  ASSERT_EQ(ply2->next.Count(), 2);  // the main line stays first
  EXPECT_EQ(line_from(ply2->next.items[1]->from).size(), 17u);
  EXPECT_EQ(line_from(ply2->next.items[1]->to), (Strings{"8384", "2868"}));
}

TEST(Ki2Format, ClosingLinesOfEveryEndReadBack) {
  // Each names the kind of the result: the end of gote, to move.
  const char* results[16] = {nullptr,
                             "詰み",
                             "先手の勝ち",
                             "時間切れにより先手の勝ち",
                             "後手の負け",
                             "後手の反則負け",
                             "後手の反則勝ち",
                             "後手の勝ち",
                             "持将棋",
                             "千日手",
                             "連続王手の千日手により先手の勝ち",
                             "連続王手の千日手により後手の勝ち",
                             nullptr,
                             nullptr,
                             "中断",
                             nullptr};
  for (int code = 0; code < 16; ++code) {
    Kifu k;
    KifuSashite* m = Kifu::AddSashiteAtPos(k.Start(), Sashite(7, 7, 7, 6, kFu, 0, 0, 0), 0, nullptr,
                                           -1, k.table.get(), 0, true);
    const Sashite end(0, 0, 0, 0, gote(kOu), 0, 0, code);
    if (code) Kifu::AddSashiteAtPos(m->to, end, 0, nullptr, -1, k.table.get(), 0, true);
    const std::string text = write_ki2(k);
    const std::string tail =
        results[code] ? std::string("\r\nまで1手で") + results[code] : "▲７六歩    ";
    EXPECT_EQ(text.substr(text.size() - tail.size() - 2), tail + "\r\n") << code;
  }
  // Other wordings: 負け turns the side named, a winner to move wins, 上手 is gote.
  const std::pair<const char*, const char*> closings[] = {
      {"▲７六歩 △３四歩\nまで2手で先手の反則負け\n", "%5+"},
      {"▲７六歩 △３四歩\nまで2手で先手の勝ち\n", "%7+"},
      {"▲７六歩\nまで1手で上手の勝ち\n▲２六歩\n", "%7-"},
      {"手合割：平手\n\nまで0手で後手の勝ち\n", "%2+"},  // a game resigned before any move
  };
  for (const auto& [text, result] : closings) {
    Kifu k;
    ASSERT_EQ(read_ki2(k, text), 0) << text;
    EXPECT_EQ(line_from(k.Start()).back(), result) << text;
  }
  // Fouls, losses on time and mates keep their codes, with the loser's king
  // (the winner's for 反則勝ち), whoever is to move.
  const std::pair<const char*, const char*> kept[] = {
      {"▲７六歩\nまで1手で先手の反則負け\n", "%5+"},
      {"▲７六歩\nまで1手で後手の反則勝ち\n", "%6-"},
      {"▲７六歩\nまで1手で時間切れにより先手の勝ち\n", "%3-"},
      {"▲７六歩 △３四歩\nまで2手で先手の切れ負け\n", "%3+"},
      {"▲７六歩 △３四歩\nまで2手で詰み\n", "%1+"},
      {"▲７六歩 △３四歩\nまで2手で千日手\n", "%9+"},
  };
  for (const auto& [text, result] : kept) {
    Kifu k;
    ASSERT_EQ(read_ki2(k, text), 0) << text;
    EXPECT_EQ(line_from(k.Start()).back(), result) << text;
  }
  // Nothing follows a closing line: a variation just past its result names no
  // move, and its moves are passed over up to one that replaces a move.
  Kifu ended;
  ASSERT_EQ(read_ki2(ended, "▲７六歩\nまで1手で先手の勝ち\n変化：3手\n△３四歩\nまで2手で後手の反則負け\n"
                            "変化：1手\n▲２六歩\n"),
            0);
  EXPECT_EQ(line_from(ended.Start()), (Strings{"7776", "%2-"}));
  ASSERT_EQ(ended.Start()->next.Count(), 2);
  EXPECT_EQ(line_from(ended.Start()->next.items[1]->to), Strings{});
  Kifu tsume;  // a set-up without sente's king keeps 先手 and 後手
  tsume.Reset(kNoSenteKing);
  EXPECT_NE(write_ki2(tsume).find("手合割：詰将棋　\r\n先手：\r\n後手：\r\n"), std::string::npos);
}

TEST(Ki2Reader, StopsAtAMoveThatCannotBePlayedAndFailsWithoutARecord) {
  Kifu k;
  KifuReadStop stop;
  MemTextReader played("先手：a\n\n▲７六歩　△３四歩\n▲２六歩　▲２五歩\n△８四歩\n");
  ASSERT_EQ(kifu_read_ki2(k, played, false, &stop), 0);
  EXPECT_EQ(k.GetTesu(), 3);
  EXPECT_EQ(stop.line, 4);
  EXPECT_STREQ(stop.text.c_str(), "▲２五歩");  // the word that failed, not its line
  MemTextReader joined("▲７六歩△３四歩▲２六歩△９九飛成▲２五歩\n");
  ASSERT_EQ(kifu_read_ki2(k, joined, false, &stop), 0);
  EXPECT_STREQ(stop.text.c_str(), "△９九飛成");
  MemTextReader bad_start("手合割：平手\n先手の持駒：歩\n▲７六歩\n");  // 19 pawns
  EXPECT_EQ(kifu_read_ki2(k, bad_start, false, &stop), -1);
  EXPECT_TRUE(stop.bad_start);
  ASSERT_EQ(read_ki2(k, "▲７六歩　▲２六歩　△３四歩\n△３四歩\n"), 0);
  EXPECT_EQ(line_from(k.Start()), Strings{"7776"});
  ASSERT_EQ(read_ki2(k, "▲７六歩 △３四歩\n▲２二角成 △同　銀 ▲２二飛\n▲２六歩\n"), 0);
  EXPECT_EQ(k.GetTesu(), 4);

  const std::string before = write_ki2(k);
  for (const char* text : {"", "hello\nworld\n", "▲hello\n", "手合割：百枚落ち\n▲７六歩\n",
                           "V2.2\nPI\n+\n+7776FU\n%TORYO\n"}) {
    EXPECT_EQ(read_ki2(k, text), -1) << text;
  }
  EXPECT_EQ(read_ki2(k, ki2_file("handicap.ki2"), true), -1);  // no such start to merge at
  EXPECT_EQ(write_ki2(k), before);
  EXPECT_EQ(read_ki2(k, "手合割：平手\n先手：\n後手：\n\n"), 0);  // a header alone is a record
}

// A move word that lost its mark stops the reading where it stands, in a
// line or at its start, and nothing behind it is read; a time in brackets
// may stand behind a word after blanks. A closing line whose count is not
// the moves read gives no result.
TEST(Ki2Reader, AWordWithoutItsMarkStopsTheMovesAndTheClosingCountIsChecked) {
  const struct {
    const char* text;
    int moves;
    int line;
    const char* word;
  } cases[] = {
      {"▲７六歩 △３四歩 ２六歩 △８四歩\nまで4手で後手の勝ち\n", 2, 1, "２六歩"},
      {"▲７六歩 △３四歩\n２六歩 △８四歩\nまで4手で後手の勝ち\n", 2, 2, "２六歩"},
      {"▲７六歩 △３四歩\nx２六歩 △８四歩\n", 2, 2, "x２六歩"},
      {"▲７六歩 △３四歩\n▲２六歩 同　歩\n", 3, 2, "同"},
      {"▲７六歩 (0:05) △３四歩(0:06)\t▲２六歩\n", 3, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Kifu k;
    KifuReadStop stop;
    MemTextReader reader(c.text);
    ASSERT_EQ(kifu_read_ki2(k, reader, false, &stop), 0);
    EXPECT_EQ(line_from(k.Start()).size(), static_cast<size_t>(c.moves));  // no result behind the moves
    EXPECT_EQ(stop.line, c.line);
    EXPECT_STREQ(stop.text.c_str(), c.word);
  }
  Kifu k;
  ASSERT_EQ(read_ki2(k, "▲７六歩 (0:05) △３四歩\n"), 0);
  EXPECT_EQ(k.NodeAtTesu(1)->seconds, 5);

  KifuReadStop stop;
  MemTextReader counted("▲７六歩 △３四歩\nまで3手で先手の勝ち\n");
  ASSERT_EQ(kifu_read_ki2(k, counted, false, &stop), 0);
  EXPECT_EQ(line_from(k.Start()), (Strings{"7776", "3334"}));
  EXPECT_EQ(stop.closing.line, 2);
  EXPECT_EQ(stop.closing.count, 3);
  EXPECT_EQ(stop.closing.moves, 2);
  MemTextReader wide("▲７六歩 △３四歩\nまで２手で後手の勝ち\n");  // full-width digits count alike
  ASSERT_EQ(kifu_read_ki2(k, wide, false, &stop), 0);
  EXPECT_EQ(line_from(k.Start()), (Strings{"7776", "3334", "%2+"}));
  EXPECT_EQ(stop.closing.line, 0);
}

// A variation line whose number names no move of the line before it is
// passed over, and the first such line is told; one that replaces a move is
// read.
TEST(Ki2Reader, TellsTheFirstVariationThatReplacesNoMove) {
  const struct {
    const char* text;
    int line;
    KifuSkippedLine::Why why;
  } cases[] = {
      {"▲７六歩\n△３四歩\n変化：2手\n△８四歩\n", 0, KifuSkippedLine::kNone},
      {"▲７六歩\n△３四歩\n変化：4手\n▲２六歩\n変化：0手\n", 3, KifuSkippedLine::kVariationAhead},
      {"▲７六歩\nまで1手で先手の勝ち\n変化：手\n変化：3手\n", 3, KifuSkippedLine::kVariationBelowOne},
  };
  for (const auto& c : cases) {
    Kifu k;
    KifuReadStop stop;
    MemTextReader reader(c.text);
    ASSERT_EQ(kifu_read_ki2(k, reader, false, &stop), 0) << c.text;
    EXPECT_EQ(stop.skipped.line, c.line) << c.text;
    EXPECT_EQ(stop.skipped.why, c.why) << c.text;
  }
}

// Positions crowded with like pieces (horses, dragons, golds and their
// promoted kin): the text of every move, with and without 同, reads back as it.
TEST(Ki2Notation, EveryMoveWrittenReadsBackAsThatMove) {
  std::mt19937 rng(20240309);
  constexpr int kCounts[8] = {0, 18, 4, 4, 4, 4, 2, 2};
  int checked = 0;
  for (int round = 0; round < 1500; ++round) {
    Kyokumen pos = testing::empty_position();
    testing::put(pos, 1 + rng() % 9, 9, kOu);
    testing::put(pos, 1 + rng() % 9, 1, gote(kOu));
    for (int t = kFu; t <= kHi; ++t) {
      for (int i = 0; i < kCounts[t]; ++i) {
        const int side = rng() % 2, x = 1 + rng() % 9, y = 1 + rng() % 9;
        if (rng() % 4 == 0 || pos.At(x, y).code != kEmpty) {
          ++pos.mochigoma[side][t];
          continue;
        }
        // Mostly promoted; promoted too where an unpromoted piece could not stand.
        bool promote = t != kKin && rng() % 100 < (t >= kKaku ? 80u : 40u);
        for (int yy = 1; yy <= 9; ++yy) {
          promote |= t == kFu && pos.At(x, yy).code == (kFu | side * kGoteBit);
        }
        promote |= !can_move_on(side, t, y);
        pos.At(x, y).Set(t | (promote ? kPromoteBit : 0) | side * kGoteBit);
      }
    }
    pos.teban = rng() % 2;
    pos.CalcTeaiwari();
    if (!pos.Check()) continue;
    Sashite list[kMaxSashite];
    for (int i = 0, n = pos.GenerateAll(list); i < n; ++i) {
      const Sashite& m = list[i];
      if (pos.IsLegal(m, true) == kIllegal) continue;
      const int prev_x = i % 2 ? m.to_x : 0, prev_y = i % 2 ? m.to_y : 0;
      KString text;
      pos.SashiteToText(m, prev_x, prev_y, text);
      Sashite back;
      int cursor = 0, seconds = 0;
      ASSERT_TRUE(kifu_parse_move_text(back, pos, prev_x, prev_y, text, cursor, seconds)) << round;
      ASSERT_EQ(back, m) << round;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100000);
}

}  // namespace
}  // namespace model
