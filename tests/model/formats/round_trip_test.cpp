// Every record the program reads, written in every format and read back, three
// generations through every pair of formats (A, then B, then A): the start
// position, the moves and the result stay, and nothing changes beyond the
// losses each format is expected to have (listed in carried(), round_trip.h).
// The winner of the game always stays:
//   KIF, CKF  the end words name the side to move: an end of the side that has
//             just moved comes back told from the side to move, a repetition
//             lost by perpetual check as a foul; a special move without an end
//             word (a take-back) is not written;
//   KI2       one line, no times, no comment on the special move; the closing
//             line names the kind of the result and its side, so both come
//             back (an end that concerns no side as the side to move's);
//   CSA       one line, no time on the special move; the end statements name
//             the side to move, but for the foul of the side that has just
//             moved;
//   QVF       the start position only, with the names sente and gote.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "model/position/kyokumen.h"
#include "tests/model/formats/round_trip.h"
#include "tests/model/formats/vkr_test_writer.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::carried, testing::format_name, testing::random_move, testing::record_view, testing::write_and_read;

std::string data(const std::string& name) { return std::string(VELKORA_TEST_DATA) + "/" + name; }

// Plays up to `plies` random moves after `node` with times and some comments;
// returns the last move.
KifuSashite* play_random(Kifu& kifu, KifuKyokumen* node, int plies, std::mt19937& rng) {
  KifuSashite* last = nullptr;
  for (int i = 0; i < plies; ++i) {
    Sashite m;
    if (!random_move(node->kyokumen, rng, m)) break;
    last = Kifu::AddSashiteAtPos(node, m, static_cast<int>(rng() % 4000), nullptr, -1,
                                 kifu.table.get(), KifuChooser::kNever, true);
    if (!last) break;
    if (rng() % 5 == 0) last->comment.Assign(rng() % 2 ? "好手" : "一行目\r\n二行目");
    node = last->to;
  }
  return last;
}

// A generated game: names, header fields, a root comment, a main line with
// times and comments, a variation, and the result `result` (0: none).
void generate(Kifu& kifu, int32_t teaiwari, int result, uint32_t seed) {
  std::mt19937 rng(seed);
  kifu.Reset(teaiwari);
  kifu.names[0].Assign("先手名人");
  kifu.names[1].Assign("後手九段");
  kifu.date.Assign("2024/06/01");
  kifu.title.Assign("生成棋譜");
  kifu.event.Assign("研究会");
  kifu.SetHeader("場所", "東京");
  kifu.root->comment.Assign("開始前");
  KifuSashite* last = play_random(kifu, kifu.Start(), 20 + static_cast<int>(rng() % 60), rng);
  ASSERT_NE(last, nullptr);
  if (result != 0) {
    const Kyokumen& end = last->to->kyokumen;
    const Sashite special(0, 0, 0, 0, kOu | (end.teban ? kGoteBit : 0), 0, 0, result);
    KifuSashite* s = Kifu::AddSashiteAtPos(last->to, special, 0, nullptr, -1, kifu.table.get(),
                                           KifuChooser::kNever, true);
    s->comment.Assign("終局");
  }
  // A variation at ply 3: a second continuation that is not selected.
  KifuKyokumen* at = kifu.NodeAtTesu(3)->from;
  Sashite other;
  for (int i = 0; i < 8 && random_move(at->kyokumen, rng, other); ++i) {
    if (other == at->next.At(0)->sashite) continue;
    KifuSashite* side = Kifu::AddSashiteAtPos(at, other, 7, nullptr, -1, kifu.table.get(),
                                              KifuChooser::kNever, false);
    play_random(kifu, side->to, 4, rng);
    break;
  }
}

// The own game file of a record's main line, its result as an end code.
std::string vkr_of(const Kifu& kifu, int end_code) {
  std::vector<testing::VkrRecord> records;
  for (const KifuKyokumen* n = kifu.Start(); n->next.Count() > 0; n = n->next.At(0)->to) {
    const KifuSashite* m = n->next.At(0);
    if (m->sashite.special != kOrdinaryMove) break;
    records.push_back({m->sashite, 0, m->seconds});
  }
  records.push_back({Sashite(0, 0, 0, 0, kOu, 0, 0, 0), end_code, 0});
  return testing::vkr_game_file(kifu.Start()->kyokumen, records, static_cast<int>(records.size()) / 2);
}

TEST(RoundTrip, EveryRecordThroughEveryPairOfFormatsForThreeGenerations) {
  const std::string dir = ::testing::TempDir();
  std::vector<std::string> sources;
  for (const char* name :
       {"kif/variations.kif", "kif/handicap.kif", "kif/setup.kif", "kif/tsume.kif", "kif/labels.kif",
        "kif/other_program.kif", "kif/other_program_times.kif", "kif/cut_move.kif",
        "ki2/even_game.ki2", "ki2/handicap.ki2", "ki2/other_program.ki2", "ki2/setup.ki2",
        "csa/even_game.csa", "csa/handicap_pi.csa", "csa/other_program.csa", "csa/setup_chudan.csa",
        "csa/tsume_al.csa", "qvf/position.qvf", "qvx/nested.qvx", "qvx/nested.kif"}) {
    sources.push_back(data(name));
  }
  // Generated games: every result code the writers tell apart, from the even
  // game and two handicaps, as KIF files and as own game files.
  const int results[] = {0, kTsumi, kToryo, kKireMake, kMake, kHansokuMake, kHansokuKachi, kKachi,
                         kJishogi, kSennichite, kSennichiteGoteOute, kSennichiteSenteOute, kChudan};
  const int32_t handicaps[] = {kHirate, kKakuOchi, kNimaiOchi};
  for (int i = 0; i < static_cast<int>(std::size(results)); ++i) {
    KifuHolder h;
    generate(h.kifu, handicaps[i % 3], results[i], 1000u + i);
    const std::string path = dir + "/generated" + std::to_string(i) + ".kif";
    int code = 0;
    ASSERT_TRUE(kifu_save_file(h, path.c_str(), &code));
    sources.push_back(path);
    if (i < 2) {
      const std::string vkr = dir + "/generated" + std::to_string(i) + ".vkr";
      std::ofstream(vkr, std::ios::binary) << vkr_of(h.kifu, i == 0 ? 1 : 3);  // 投了, 待った
      sources.push_back(vkr);
    }
  }

  int conversions = 0;
  for (const std::string& source : sources) {
    KifuHolder original;
    int code = 0;
    ASSERT_TRUE(kifu_load_file(original, source.c_str(), &code, false)) << source;
    for (const int a : testing::kWrittenFormats) {
      for (const int b : testing::kWrittenFormats) {
        const int chain[] = {a, b, a};
        testing::RecordView expected = record_view(original.kifu);
        const Kifu* previous = &original.kifu;
        KifuHolder generations[3];
        for (int g = 0; g < 3; ++g) {
          const int format = chain[g];
          const std::string where = source + " as " + format_name(a) + ", " + format_name(b) +
                                    ": generation " + std::to_string(g + 1);
          ASSERT_EQ(write_and_read(*previous, format, generations[g], dir), 0) << where;
          expected = carried(format, expected);
          ASSERT_EQ(record_view(generations[g].kifu).Text(false), expected.Text(false)) << where;
          previous = &generations[g].kifu;
          ++conversions;
        }
      }
    }
  }
  EXPECT_EQ(conversions, static_cast<int>(sources.size()) * 75);
}

}  // namespace
}  // namespace model
