// Records made to hurt the readers and writers: numbers of any length, header
// texts that look like other lines, texts with half a character, and (in the
// optimised build) records far larger than any game.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/formats/kif_henka_reader.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/formats/round_trip.h"

namespace model {
namespace {

std::string data(const char* name) { return std::string(VELKORA_TEST_DATA) + "/" + name; }

bool load(KifuHolder& h, const std::string& path) {
  int code = 0;
  return kifu_load_file(h, path.c_str(), &code, false);
}

int read_text(Kifu& kifu, const std::string& text, int format) {
  MemTextReader r(text.c_str());
  switch (format) {
    case kFormatKif: return kifu_read_kif(kifu, r, false);
    case kFormatKi2: return kifu_read_ki2(kifu, r, false);
    case kFormatCsa: return kifu_read_csa(kifu, r, false, false);
    default: return kifu_read_kif_henka(kifu, r, false);
  }
}

std::vector<int> seconds_of_line(const Kifu& kifu) {
  std::vector<int> out;
  for (const KifuKyokumen* n = kifu.Start(); n->next.Count() > 0; n = n->next.At(0)->to) {
    out.push_back(n->next.At(0)->seconds);
  }
  return out;
}

// Ply numbers, variation numbers, change numbers and times of twenty digits
// are read whole, held to their caps, and never overflow (the sanitizer build
// stops at the first signed overflow).
TEST(HostileRecords, NumbersOfAnyLengthAreReadWithoutOverflow) {
  KifuHolder h;
  ASSERT_TRUE(load(h, data("ki2/long_variation_number.ki2")));
  EXPECT_EQ(h.kifu.GetTesu(), 2);                     // ▲２六歩 waits for a line it can join
  EXPECT_EQ(h.kifu.Start()->next.At(0)->to->next.Count(), 2);  // 変化：2手 gives △８四歩

  const std::string twenty = "99999999999999999999";
  const std::string kif = "手数----指手---------消費時間--\n" + twenty +
                          " ７六歩(77)\n   1 ７六歩(77)   (" + twenty + ":" + twenty + "/)\n";
  Kifu k;
  ASSERT_EQ(read_text(k, kif, kFormatKif), 0);
  EXPECT_EQ(seconds_of_line(k), std::vector<int>{kMaxMoveSeconds});
  ASSERT_EQ(read_text(k, "+\n+7776FU,T" + twenty + "\n-3334FU,T86399\n", kFormatCsa), 0);
  EXPECT_EQ(seconds_of_line(k), (std::vector<int>{kMaxMoveSeconds, 86399}));

  const std::string henka = testing::read_file_bytes(data("qvx/nested.qvx"));
  const size_t body = henka.find("▲７六歩");
  ASSERT_NE(body, std::string::npos);
  const std::string changed = henka.substr(0, body) + "▲７六歩\n変化：-" + twenty + "手\n変化：" +
                              twenty + "手\n△３四歩\n";
  ASSERT_EQ(read_text(k, changed, kFormatKifHenka), 0);
  EXPECT_EQ(k.GetTesu(), 2);
}

// A change-branch file whose header keys look like other lines (a diagram row,
// a comment, the move-list heading, a move, a hand line, the date) and whose
// texts end in half a character: every writer writes a file that its reader
// takes back with the same moves; the keys come back marked, as extra header
// lines, and the start position is the one read.
TEST(HostileRecords, HeaderKeysAndHalfCharactersCannotBreakAWrittenFile) {
  KifuHolder h;
  ASSERT_TRUE(load(h, data("qvx/hostile_header.qvx")));
  ASSERT_EQ(h.kifu.GetTesu(), 4);
  EXPECT_TRUE(testing::every_writer_reads_back(h.kifu));
  for (const int format : {kFormatKif, kFormatKi2}) {
    KifuHolder back;
    ASSERT_EQ(testing::write_and_read(h.kifu, format, back), 0) << testing::format_name(format);
    EXPECT_EQ(back.kifu.Start()->kyokumen, h.kifu.Start()->kyokumen);
    EXPECT_STREQ(back.kifu.GetHeader("_|場所"), "将棋会館");
    EXPECT_STREQ(back.kifu.GetHeader("記録係"), "山田");
    EXPECT_STREQ(back.kifu.GetHeader("_後手の持駒"), "飛");
    EXPECT_STREQ(back.kifu.GetHeader("_*メモ"), "先に読む");
    EXPECT_STREQ(back.kifu.GetHeader("_手数----指手"), "見出し");
    EXPECT_STREQ(back.kifu.GetHeader("_▲印"), "先手");
    // A key that fills a field stays as it is: an empty date line behind
    // it keeps it a header line.
    EXPECT_STREQ(back.kifu.GetHeader("開始日時"), "2024/05/18");
    EXPECT_TRUE(back.kifu.date.empty());
  }

  // Names with half a character, commas and line breaks stay names in CSA,
  // and a comment ending in half a character stays a comment in KIF.
  Kifu k;
  ASSERT_EQ(read_text(k, "+\n+7776FU\n", kFormatCsa), 0);
  k.names[0].Assign("a,b\x82");
  k.names[1].Assign("c\r\nd\x82,");
  k.Start()->next.At(0)->comment.Assign("line\x82\nnext\x82");
  EXPECT_TRUE(testing::every_writer_reads_back(k));
  KifuHolder csa, kif;
  ASSERT_EQ(testing::write_and_read(k, kFormatCsa, csa), 0);
  EXPECT_STREQ(csa.kifu.names[0].c_str(), "a，b");
  EXPECT_STREQ(csa.kifu.names[1].c_str(), "c  d ，");
  ASSERT_EQ(testing::write_and_read(k, kFormatKif, kif), 0);
  EXPECT_STREQ(kif.kifu.Start()->next.At(0)->comment.c_str(), "line\r\nnext");
}

// A header key that begins like the KI2 closing line "まで...": KI2 marks it,
// as its header reader would end there and take the line for the result, with
// or without moves behind it; KIF, whose header holds no closing line, keeps
// the key as it is.
TEST(HostileRecords, AHeaderKeyLikeTheClosingLineStaysAHeaderInKi2) {
  for (const char* moves : {"", "   1 ７六歩(77)\n"}) {
    Kifu k;
    ASSERT_EQ(read_text(k, std::string("まで後手：勝ち\n手数----指手\n") + moves, kFormatKif), 0);
    EXPECT_TRUE(testing::every_writer_reads_back(k)) << moves;
    KifuHolder ki2, kif;
    ASSERT_EQ(testing::write_and_read(k, kFormatKi2, ki2), 0);
    EXPECT_STREQ(ki2.kifu.GetHeader("_まで後手"), "勝ち");
    ASSERT_EQ(testing::write_and_read(k, kFormatKif, kif), 0);
    EXPECT_STREQ(kif.kifu.GetHeader("まで後手"), "勝ち");
  }
}

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
// Records far larger than any game: 10 MB of comments in 170,000 lines, a
// name of 1 MB and 50,000 moves that repeat four positions all through the
// record, in every format. Time linear in the size makes this a few seconds;
// the growth of strings by exact sizes and the fixed position table made it
// take hours. (Optimised build only: the sanitizer build is too slow for it.)
TEST(HostileRecords, LargeRecordsTravelThroughEveryFormat) {
  Kifu kifu;
  kifu.names[0].Assign(std::string(1 << 20, 'n').c_str());
  KifuKyokumen* node = kifu.Start();
  static constexpr int kShuffle[4][4] = {{5, 9, 4, 8}, {5, 1, 6, 2}, {4, 8, 5, 9}, {6, 2, 5, 1}};
  constexpr int kPlies = 50000;
  for (int ply = 0; ply < kPlies; ++ply) {
    const int* s = kShuffle[ply % 4];
    Sashite m(s[0], s[1], s[2], s[3], 0, 0, 0, 0);
    node->kyokumen.CompleteSashite(m);
    KifuSashite* move =
        Kifu::AddSashiteAtPos(node, m, 1, nullptr, -1, kifu.table.get(), KifuChooser::kNever, true);
    ASSERT_NE(move, nullptr);
    if (ply == 10) {
      std::string comment;
      while (comment.size() < (10u << 20)) comment += "長い解説の一行、同じ文を繰り返す。\r\n";
      move->comment.Assign(comment.c_str());
    }
    node = move->to;
  }
  EXPECT_GE(kifu.table->BucketCount(), kifu.table->Count() / PosTable::kMaxLoad);
  EXPECT_TRUE(testing::every_writer_reads_back(kifu));
  KifuHolder back;
  ASSERT_EQ(testing::write_and_read(kifu, kFormatKif, back), 0);
  EXPECT_EQ(back.kifu.NodeAtTesu(11)->comment.length(), kifu.NodeAtTesu(11)->comment.length() - 2);
  EXPECT_EQ(back.kifu.names[0].length(), 1 << 20);
}
#endif

}  // namespace
}  // namespace model
