// The own game file: games rebuilt from any stored ply, handicaps, end codes, and
// refusals of damaged files that leave the open record as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/position/piece_rules.h"
#include "tests/model/formats/record_snapshot.h"
#include "tests/model/formats/round_trip.h"
#include "tests/model/formats/vkr_test_writer.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::gote, testing::initial, testing::VkrRecord;

// A record of a move on `pos`, which it makes.
VkrRecord rec(Kyokumen& pos, int fx, int fy, int tx, int ty, int seconds = 0) {
  VkrRecord r{testing::move(pos, fx, fy, tx, ty), 0, seconds};
  EXPECT_TRUE(pos.DoSashite(r.m));
  return r;
}

VkrRecord end_record(int end_code, int koma) { return {Sashite(0, 0, 0, 0, koma, 0, 0, 0), end_code}; }

// 1.７六歩 ３四歩 ２六歩(26 s) ８四歩, and sente resigns.
std::vector<VkrRecord> sample_game() {
  Kyokumen p = initial(kHirate);
  return {rec(p, 7, 7, 7, 6), rec(p, 3, 3, 3, 4), rec(p, 2, 7, 2, 6, 26), rec(p, 8, 3, 8, 4),
          end_record(1, kOu)};
}

// Reads the bytes through a file, as the program reads its files.
int read(Kifu& kifu, const std::string& bytes, bool merge = false) {
  static const std::string path = ::testing::TempDir() + "vkr_" + std::to_string(getpid());
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (!fp) return -2;
  EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), fp), bytes.size());
  std::fclose(fp);
  FileTextReader in;
  EXPECT_EQ(in.Open(path.c_str()), 0);
  const int result = kifu_read_vkr(kifu, in, merge);
  std::remove(path.c_str());
  return result;
}

std::vector<const KifuSashite*> line(const Kifu& kifu) {
  std::vector<const KifuSashite*> out;
  for (const KifuKyokumen* n = kifu.Start(); n->next.Count() > 0; n = n->next.At(0)->to) {
    out.push_back(n->next.At(0));
  }
  return out;
}

TEST(VkrReader, RebuildsTheGameFromAnyStoredPly) {
  const std::vector<VkrRecord> game = sample_game();
  for (const int n : {0, 2, 5}) {
    Kifu kifu;
    ASSERT_EQ(read(kifu, testing::vkr_game_file(initial(kHirate), game, n)), 0) << n;
    EXPECT_STREQ(kifu.names[0].c_str(), "人間");
    EXPECT_STREQ(kifu.names[1].c_str(), "ボルカ将棋");
    EXPECT_EQ(kifu.Start()->kyokumen, initial(kHirate));
    const auto moves = line(kifu);
    ASSERT_EQ(moves.size(), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(moves[i]->sashite, game[i].m);
    EXPECT_EQ(moves[2]->seconds, 26);
    EXPECT_EQ(moves[4]->sashite, Sashite(0, 0, 0, 0, kOu, 0, 0, kToryo));
  }
}

// A promotion is stored as any nonzero byte, and a drop's capture byte may
// hold an empty square of gote; the move read is the one a text gives, so that
// it compares equal with it (merges and line comparisons) and every writer
// carries it, whether the stored position lies before or after it.
TEST(VkrReader, StoredBytesOfAMoveGiveTheMoveATextGives) {
  // The game stored with the position after `stored` moves, byte `offset` of
  // move `index` set to `byte`: its move `index` must read as `expected`.
  auto expect_read_as = [](const std::vector<VkrRecord>& records, int stored, int index, int offset, int byte,
                           const Sashite& expected) {
    std::string file = testing::vkr_game_file(initial(kHirate), records, stored);
    file[VkrLayout::kMoves + index * VkrLayout::kMoveBytes + offset] = static_cast<char>(byte);
    Kifu kifu;
    ASSERT_EQ(read(kifu, file), 0);
    const auto moves = line(kifu);
    ASSERT_EQ(moves.size(), records.size());
    EXPECT_EQ(moves[index]->sashite, expected);
    EXPECT_TRUE(testing::every_writer_reads_back(kifu));
  };
  Kyokumen p = initial(kHirate);
  std::vector<VkrRecord> game = {rec(p, 7, 7, 7, 6), rec(p, 3, 3, 3, 4)};
  const Sashite promotes = testing::move(p, 8, 8, 2, 2, 1);  // ２二角成
  game.push_back({promotes, 0, 0});
  for (const int byte : {1, 2, 0x44, 0x80, 0xFF}) {
    SCOPED_TRACE(byte);
    expect_read_as(game, 3, 2, 6, byte, promotes);
  }

  ASSERT_TRUE(p.DoSashite(promotes));
  game.push_back(rec(p, 3, 1, 2, 2));                              // 同銀
  const Sashite drop = testing::move(p, kSenteHand, kKaku, 5, 5);  // ５五角打
  game.push_back({drop, 0, 0});
  for (const int stored : {4, 5}) {
    SCOPED_TRACE(stored);
    expect_read_as(game, stored, 4, 5, kGoteBit, drop);
  }
}

// The start position is checked as the text readers check theirs: the box and
// the handicap are recounted from the pieces, and a set-up that no text format
// could carry back is refused.
TEST(VkrReader, RecountsTheBoxAndChecksTheStartAsTheTextReadersDo) {
  Kyokumen pos = initial(kKakuOchi);  // gote gives the bishop and moves first
  const std::vector<VkrRecord> game = {rec(pos, 3, 3, 3, 4), rec(pos, 7, 7, 7, 6)};
  Kyokumen stored = initial(kKakuOchi);
  stored.DoSashite(game[0].m);
  stored.mochigoma[kBoxRow][kKaku] = 0;  // the box as the file holds it
  Kifu kifu;
  ASSERT_EQ(read(kifu, testing::vkr_file(stored, kHirate, 1, game, 1, 0)), 0);
  const Kyokumen& k = kifu.Start()->kyokumen;
  EXPECT_EQ(k.teaiwari, kKakuOchi);
  EXPECT_EQ(k.teban, 1);
  EXPECT_TRUE(k.At(2, 2).IsEmpty());
  EXPECT_EQ(k.mochigoma[kBoxRow][kKaku], 1);
  EXPECT_STREQ(kifu.names[0].c_str(), "ボルカ将棋");
  EXPECT_EQ(line(kifu).size(), 2u);

  // A problem set-up (no sente king, every other piece on the board or in
  // gote's hand) is read; without any king, or with a pawn left in the box
  // beside the missing king, it is not.
  Kyokumen tsume = testing::empty_position();
  testing::put(tsume, 5, 1, gote(kOu));
  testing::put(tsume, 5, 3, kKin);
  for (int t = kFu; t <= kHi; ++t) tsume.mochigoma[1][t] = static_cast<int8_t>(kPieceLimit[t]);
  tsume.mochigoma[1][kKin] -= 1;
  EXPECT_EQ(read(kifu, testing::vkr_file(tsume, kNoSenteKing, 0, {})), 0);
  EXPECT_EQ(kifu.Start()->kyokumen.teaiwari, kNoSenteKing);
  const std::string before = testing::record_snapshot(kifu);
  Kyokumen boxed = tsume;
  boxed.mochigoma[1][kFu] -= 1;
  EXPECT_EQ(read(kifu, testing::vkr_file(boxed, kNoSenteKing, 0, {})), -1);
  Kyokumen kingless = tsume;
  testing::put(kingless, 5, 1, kEmpty);
  EXPECT_EQ(read(kifu, testing::vkr_file(kingless, kNoSenteKing, 0, {})), -1);
  EXPECT_EQ(testing::record_snapshot(kifu), before);
}

TEST(VkrReader, EndCodesBecomeSpecialMovesOnlyAtTheEnd) {
  // End code, piece byte, special code; a king of the side to move stands in
  // for a piece byte that names no piece.
  const int cases[][3] = {{1, kOu, kToryo}, {2, kOu, kChudan},  {3, gote(kOu), kMatta},
                          {4, kOu, kKachi}, {5, kOu, kKireMake}, {6, kOu, kHansokuMake},
                          {7, kOu, kMake},  {8, 0, kSennichite}, {9, kFu, kSennichiteSenteOute},
                          {9, gote(kFu), kSennichiteGoteOute}};
  for (const auto& c : cases) {
    Kyokumen pos = initial(kHirate);
    const std::vector<VkrRecord> game = {rec(pos, 7, 7, 7, 6), end_record(c[0], c[1])};
    Kifu kifu;
    ASSERT_EQ(read(kifu, testing::vkr_game_file(initial(kHirate), game, 0)), 0) << c[0];
    EXPECT_EQ(line(kifu).back()->sashite, Sashite(0, 0, 0, 0, c[1] ? c[1] : gote(kOu), 0, 0, c[2]));
  }
  EXPECT_EQ(vkr_special_code(10, Koma{kOu}), kOrdinaryMove);

  // Before the last move an end code refuses the file, also as the stored ply.
  Kyokumen pos = initial(kHirate);
  const std::vector<VkrRecord> game = {rec(pos, 7, 7, 7, 6), end_record(1, gote(kOu)),
                                       rec(pos, 3, 3, 3, 4)};
  Kifu kifu;
  for (const int n : {0, 2, 3}) {
    EXPECT_EQ(read(kifu, testing::vkr_game_file(initial(kHirate), game, n)), -1);
  }
}

// The format is read only: both writers refuse with -1 and write no byte, into
// a file or a text alike, so the reader finds nothing it could load and the
// record it is given stays as it was.
TEST(VkrWriter, BothWritersRefuseAndWriteNothing) {
  Kifu game;
  ASSERT_EQ(read(game, testing::vkr_game_file(initial(kHirate), sample_game(), 5)), 0);
  const Kyokumen& middle = game.NodeAtTesu(2)->to->kyokumen;

  const std::string path = ::testing::TempDir() + "vkr_written_" + std::to_string(getpid());
  for (const bool from : {false, true}) {
    FileTextWriter file;
    ASSERT_EQ(file.Open(path.c_str()), 0);
    EXPECT_EQ(from ? kifu_write_vkr_from(game, file, middle) : kifu_write_vkr(game, file), -1);
    EXPECT_EQ(file.Close(), 0);
    FILE* fp = std::fopen(path.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    std::string bytes;
    for (int c; (c = std::fgetc(fp)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(fp);
    EXPECT_EQ(bytes.size(), 0u) << from;
    Kifu reread;
    reread.title.Assign("kept");
    const std::string before = testing::record_snapshot(reread);
    EXPECT_EQ(read(reread, bytes), -1);
    EXPECT_EQ(testing::record_snapshot(reread), before);

    KString text;
    MemTextWriter memory(text, false);
    EXPECT_EQ(from ? kifu_write_vkr_from(game, memory, middle) : kifu_write_vkr(game, memory), -1);
    EXPECT_EQ(text.length(), 0);
  }
  std::remove(path.c_str());
}

TEST(VkrReader, RefusesDamagedFilesAndKeepsTheRecord) {
  const std::vector<VkrRecord> game = sample_game();
  const std::string good = testing::vkr_game_file(initial(kHirate), game, 2);
  Kifu kifu;
  ASSERT_EQ(read(kifu, testing::vkr_game_file(initial(kHirate), game, 5)), 0);
  kifu.title.Assign("loaded");
  const std::string before = testing::record_snapshot(kifu);

  using L = VkrLayout;
  const int patches[][3] = {{L::kPlyCount, -1, 4},         {L::kPlyCount, 6, 4},  // n < 0, n > m
                            {L::kHandicap, 0x1234, 2},     {L::kGrid + 85, kOu, 1},  // 2nd king
                            {L::kMoves + 35, 4, 1},        {L::kMoves + 38, 1, 1}};  // ２四歩, ２六歩成
  for (const auto& p : patches) {
    std::string bad = good;
    testing::put_le(bad, p[0], p[1], p[2]);
    EXPECT_EQ(read(kifu, bad), -1) << p[0];
  }
  // Moves that cannot be taken back from the stored position; a game from
  // another start cannot be merged.
  EXPECT_EQ(read(kifu, testing::vkr_file(initial(kHirate), 0, 2, game)), -1);
  EXPECT_EQ(read(kifu, testing::vkr_game_file(initial(kKakuOchi), {}, 0), true), -1);
  for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_EQ(read(kifu, good.substr(0, cut)), -1);
  EXPECT_EQ(testing::record_snapshot(kifu), before);

  for (size_t i = 0; i < good.size(); ++i) {
    for (const int v : {0x00, 0x01, 0x08, 0x18, 0x7F, 0x80, 0xFF}) {
      std::string mutated = good;
      mutated[i] = static_cast<char>(v);
      Kifu k;
      const std::string fresh = testing::record_snapshot(k);
      if (read(k, mutated) != 0) {
        EXPECT_EQ(testing::record_snapshot(k), fresh) << i;
      } else {
        ASSERT_TRUE(testing::every_writer_reads_back(k)) << i;
      }
    }
  }
}

}  // namespace
}  // namespace model
