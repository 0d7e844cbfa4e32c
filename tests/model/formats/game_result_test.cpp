// The result of a game through every reader and writer: every end word the
// readers take, after an odd and an even number of moves, for the side to
// move and for the side that has just moved, keeps its winner through every
// writer and back, and through any two writers in turn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/formats/kifu_dispatch.h"
#include "model/position/kyokumen.h"
#include "tests/model/formats/round_trip.h"
#include "tests/model/formats/vkr_test_writer.h"

namespace model {
namespace {

using testing::carried, testing::format_name, testing::record_view, testing::write_and_read;

// The winner an end word names: a side, the side to move ('M'), the side that
// has just moved ('J'), or nobody ('-'); `closing`: the word stands in a
// closing line (まで N手で...) in place of an end line.
struct EndWord {
  int format;
  std::string word;
  char winner;
  bool closing = false;
};

// The end words of the text readers: KIF's (also read by the change-branch
// reader) and other programs' it reads, CSA's end statements with the
// comments its writer writes or wrote (stored files hold them), and KI2's
// closing lines, which KIF and its change-branch layout read alike where no
// end line stands. Words that tell no result end the game as 中断.
std::vector<EndWord> end_words() {
  std::vector<EndWord> words;
  for (const int format : {kFormatKif, kFormatKifHenka}) {
    for (const char* w : {"詰み", "投了", "切れ負け", "反則負け", "負け"}) words.push_back({format, w, 'J'});
    for (const char* w : {"反則勝ち", "勝ち"}) words.push_back({format, w, 'M'});
    for (const char* w : {"中断", "千日手", "引き分け", "持将棋"}) words.push_back({format, w, '-'});
  }
  // Other programs' end words, read as the nearest result the record holds;
  // a word the KIF reader does not know ends the game as 中断.
  for (const int format : {kFormatKif, kFormatKifHenka}) {
    for (const char* w : {"入玉勝ち", "宣言勝ち", "不戦勝"}) words.push_back({format, w, 'M'});
    for (const char* w : {"不戦敗", "Time-up"}) words.push_back({format, w, 'J'});
    words.push_back({format, "封じ手", '-'});
  }
  words.push_back({kFormatKif, "不詰", '-'});
  const std::pair<const char*, char> csa[] = {
      {"%TORYO", 'J'},           {"%TSUMI", 'J'},           {"%TIME_UP", 'J'},
      {"%ILLEGAL_MOVE", 'J'},    {"%+ILLEGAL_ACTION", 'G'}, {"%-ILLEGAL_ACTION", 'S'},
      {"%KACHI", 'M'},           {"%CHUDAN", '-'},          {"%SENNICHITE", '-'},
      {"%JISHOGI", '-'},         {"%HIKIWAKE", '-'},        {"%MAX_MOVES", '-'},
      {"%OUTE_SENNICHITE", 'M'}, {"%CHUDAN,'tsumi", 'J'},
      {"%CHUDAN,'timeout", 'J'}, {"%CHUDAN,'lose", 'J'},    {"%CHUDAN,'lose(foul)", 'J'},
      {"%CHUDAN,'win(foul)", 'M'}, {"%CHUDAN,'win", 'M'},   {"%CHUDAN,'jishogi", '-'},
      {"%SENNICHITE,'draw", '-'}, {"%SENNICHITE,'sente win", 'S'}, {"%SENNICHITE,'gote win", 'G'},
  };
  for (const auto& [w, winner] : csa) words.push_back({kFormatCsa, w, winner});
  const std::pair<const char*, char> ki2[] = {
      {"先手の勝ち", 'S'},     {"後手の勝ち", 'G'},     {"下手の負け", 'G'},
      {"上手の負け", 'S'},     {"先手の反則負け", 'G'}, {"後手の反則負け", 'S'},
      {"先手の反則勝ち", 'S'}, {"後手の反則勝ち", 'G'}, {"時間切れにより先手の勝ち", 'S'},
      {"時間切れにより後手の勝ち", 'G'}, {"先手の切れ負け", 'G'}, {"詰みで後手の勝ち", 'G'},
      {"反則負け", 'J'},       {"反則勝ち", 'M'},       {"詰み", 'J'},
      {"中断", '-'},           {"千日手", '-'},         {"持将棋", '-'},
      {"引き分け", '-'},
      // The words that name the side right in front of them (不戦敗 names
      // the loser), and the closings the writer writes for every kind.
      {"後手の不戦敗", 'S'},   {"先手の不戦敗", 'G'},   {"先手の不戦勝", 'S'},
      {"後手の入玉勝ち", 'G'}, {"先手の宣言勝ち", 'S'}, {"後手の投了", 'S'},
      {"先手の投了", 'G'},     {"先手の負け", 'G'},     {"後手の勝ち（先手投了）", 'G'},
      {"先手の勝ち（後手投了）", 'S'}, {"詰みで先手の勝ち", 'S'},
      {"連続王手の千日手により先手の勝ち", 'S'}, {"連続王手の千日手により後手の勝ち", 'G'},
      {"不詰", '-'},           {"トライ", '-'},
  };
  for (const auto& [w, winner] : ki2) {
    for (const int format : {kFormatKi2, kFormatKif, kFormatKifHenka}) words.push_back({format, w, winner, true});
  }
  return words;
}

// A record of `plies` moves (1 or 2) in `format` that ends in `word`, on an
// end line or, with `closing`, in a closing line.
std::string record_text(int format, const std::string& word, int plies, bool closing = false) {
  std::string text;
  const std::string closing_line = "まで" + std::to_string(plies) + "手で" + word + "\n";
  switch (format) {
    case kFormatCsa:
      text = "PI\n+\n+7776FU\n";
      if (plies == 2) text += "-3334FU\n";
      return text + word + "\n";
    case kFormatKi2:
      text = "手合割：平手\n\n▲７六歩\n";
      if (plies == 2) text += "△３四歩\n";
      return text + closing_line;
    case kFormatKifHenka:
      text = "手合割：平手\n\n";
      for (const char* row : {"|v香v桂v銀v金v玉v金v銀v桂v香|一", "| ・v飛 ・ ・ ・ ・ ・v角 ・|二",
                              "|v歩v歩v歩v歩v歩v歩v歩v歩v歩|三", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|四",
                              "| ・ ・ ・ ・ ・ ・ ・ ・ ・|五", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|六",
                              "| 歩 歩 歩 歩 歩 歩 歩 歩 歩|七", "| ・ 角 ・ ・ ・ ・ ・ 飛 ・|八",
                              "| 香 桂 銀 金 玉 金 銀 桂 香|九"}) {
        text = text + row + "\n";
      }
      text += "後手持駒：なし\n先手持駒：なし\n\n▲７六歩\n";
      if (plies == 2) text += "△３四歩\n";
      return text + (closing ? closing_line : word + "\n");
    default:
      text = "手数----指手---------消費時間--\n1 ７六歩(77)\n";
      if (plies == 2) text += "2 ３四歩(33)\n";
      return text + (closing ? closing_line : std::to_string(plies + 1) + " " + word + "\n");
  }
}

// The winner of the game a record's main line ends: 0, 1, or -1 for none.
int winner_of(const Kifu& kifu) {
  const testing::RecordView v = record_view(kifu);
  if (v.result == 0) return -1;
  const int to_move = (v.start_side + static_cast<int>(v.line.size()) - 1) % 2;
  const int side = v.line.back().side >= 0 ? v.line.back().side : to_move;
  return testing::result_winner(v.result, side);
}

int named_winner(char winner, int to_move) {
  switch (winner) {
    case 'S': return 0;
    case 'G': return 1;
    case 'M': return to_move;
    case 'J': return 1 - to_move;
    default: return -1;
  }
}

constexpr int kWriters[] = {kFormatKif, kFormatKi2, kFormatCsa, kFormatCkf};

// Writes `kifu` in `format`, reads it back, and checks that what came back is
// what the format carries (round_trip.h) with the winner `winner`.
::testing::AssertionResult keeps_winner(const Kifu& kifu, int format, int winner, KifuHolder& back) {
  if (write_and_read(kifu, format, back, ::testing::TempDir()) != 0) {
    return ::testing::AssertionFailure() << format_name(format) << " refuses what it wrote";
  }
  const std::string want = carried(format, record_view(kifu)).Text(true);
  const std::string got = record_view(back.kifu).Text(true);
  if (got != want) {
    return ::testing::AssertionFailure() << format_name(format) << " reads back\n" << got << "instead of\n" << want;
  }
  if (winner_of(back.kifu) != winner) {
    return ::testing::AssertionFailure() << format_name(format) << " turns the winner " << winner << " into "
                                         << winner_of(back.kifu);
  }
  return ::testing::AssertionSuccess();
}

// Every record `original` with winner `winner` keeps it through every writer
// and back, and through every writer after every other.
void expect_winner_kept(const Kifu& original, int winner, const std::string& what) {
  for (const int first : kWriters) {
    KifuHolder once;
    ASSERT_TRUE(keeps_winner(original, first, winner, once)) << what;
    for (const int second : kWriters) {
      KifuHolder twice;
      EXPECT_TRUE(keeps_winner(once.kifu, second, winner, twice)) << what << " then " << format_name(first);
    }
  }
}

TEST(GameResults, EveryEndWordKeepsItsWinnerThroughEveryWriter) {
  for (const EndWord& e : end_words()) {
    for (const int plies : {1, 2}) {
      const std::string what = std::string(format_name(e.format)) + " '" + e.word + "' after " +
                               std::to_string(plies) + (plies == 1 ? " move" : " moves");
      KifuHolder original;
      ASSERT_TRUE(
          kifu_load_bytes(original, record_text(e.format, e.word, plies, e.closing), nullptr, e.format, false))
          << what;
      const int winner = named_winner(e.winner, plies % 2);
      ASSERT_EQ(winner_of(original.kifu), winner) << what << " as read";
      expect_winner_kept(original.kifu, winner, what);
    }
  }
}

// The text `format`'s writer gives `kifu`.
std::string written(const Kifu& kifu, int format) {
  KString text;
  MemTextWriter writer(text, false);
  switch (format) {
    case kFormatKif: kifu_write_kif(kifu, writer); break;
    case kFormatKi2: kifu_write_ki2(kifu, writer); break;
    default: kifu_write_csa(kifu, writer); break;
  }
  return text.c_str();
}

// KIF -> KI2 -> KIF gives back every KIF end word as it was: the KI2 closing
// line names each kind, and the KI2 reader reads it back to the same code.
TEST(GameResults, EveryKifEndWordComesBackThroughKi2AsItWas) {
  for (const char* word : {"詰み", "投了", "切れ負け", "反則負け", "負け", "反則勝ち", "勝ち", "中断", "千日手", "持将棋",
                           "入玉勝ち", "不戦勝", "不戦敗", "Time-up"}) {
    for (const int plies : {1, 2}) {
      KifuHolder kif;
      ASSERT_TRUE(kifu_load_bytes(kif, record_text(kFormatKif, word, plies), nullptr, kFormatKif, false)) << word;
      KifuHolder ki2, back;
      ASSERT_EQ(write_and_read(kif.kifu, kFormatKi2, ki2), 0) << word;
      ASSERT_EQ(write_and_read(ki2.kifu, kFormatKif, back), 0) << word;
      EXPECT_EQ(written(back.kifu, kFormatKif), written(kif.kifu, kFormatKif)) << word << " after " << plies;
    }
  }
}

TEST(GameResults, OwnGameFileEndsOfEitherSideKeepTheirWinner) {
  // The own game file keeps the side of an end in its piece, so it can hold
  // an end of the side that has just moved: 投了, 中断, 待った, 勝ち, 切れ負け,
  // 反則負け, 負け, 千日手 and the repetition lost by perpetual check.
  const Sashite first(7, 7, 7, 6, kFu, 0, 0, 0), second(3, 3, 3, 4, kFu | kGoteBit, 0, 0, 0);
  Kyokumen start;
  start.Init(kHirate);
  for (int end_code = 1; end_code <= 9; ++end_code) {
    for (const int plies : {1, 2}) {
      for (const int side : {0, 1}) {
        std::vector<testing::VkrRecord> records{{first, 0, 3}};
        if (plies == 2) records.push_back({second, 0, 4});
        records.push_back({Sashite(0, 0, 0, 0, kOu | (side ? kGoteBit : 0), 0, 0, 0), end_code, 0});
        KifuHolder original;
        const std::string what = "end code " + std::to_string(end_code) + " of side " + std::to_string(side) +
                                 " after " + std::to_string(plies);
        ASSERT_TRUE(kifu_load_bytes(original, testing::vkr_game_file(start, records, plies), nullptr,
                                    kFormatVkr, false))
            << what;
        const int winner = winner_of(original.kifu);
        if (end_code == 2 || end_code == 3 || end_code == 8) {
          EXPECT_EQ(winner, -1) << what;  // 中断, 待った and 千日手 decide nothing
        } else {
          EXPECT_NE(winner, -1) << what;
        }
        expect_winner_kept(original.kifu, winner, what);
      }
    }
  }
}

TEST(GameResults, AFoulOfTheSideThatHasJustMovedIsWrittenWithWordsOtherProgramsRead) {
  // Gote's 18th move was a foul: sente, to move, wins.
  KifuHolder h;
  int code = 0;
  ASSERT_TRUE(kifu_load_file(h, (std::string(VELKORA_TEST_DATA) + "/ki2/other_program.ki2").c_str(), &code,
                             false));
  EXPECT_NE(written(h.kifu, kFormatKif).find("\n  19 反則勝ち     "), std::string::npos);
  EXPECT_NE(written(h.kifu, kFormatCsa).find("\n%-ILLEGAL_ACTION\n"), std::string::npos);
  EXPECT_NE(written(h.kifu, kFormatKi2).find("\nまで18手で後手の反則負け\n"), std::string::npos);
  // The same foul read from KIF is sente's win by foul, which KI2 tells as
  // such and CSA by the side that lost by it.
  KifuHolder kif;
  ASSERT_EQ(write_and_read(h.kifu, kFormatKif, kif), 0);
  EXPECT_NE(written(kif.kifu, kFormatKi2).find("\nまで18手で先手の反則勝ち\n"), std::string::npos);
  EXPECT_NE(written(kif.kifu, kFormatCsa).find("\n%-ILLEGAL_ACTION\n"), std::string::npos);
}

}  // namespace
}  // namespace model
