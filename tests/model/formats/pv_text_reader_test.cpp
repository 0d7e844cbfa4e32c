// Variation texts read back into move words: what pv_to_text writes (moves,
// 同, drops, promotions and passes) reads back word for word; a text that does
// not read as playable moves gives nothing.
#include <gtest/gtest.h>

#include <vector>

#include "model/formats/pv_text_reader.h"
#include "model/position/sashite_decode.h"
#include "model/record/kifu_text.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::gote;

// The words of `moves` played one after another from `k` (the pieces filled
// in as a record holds them); a pass where a move has from_x 0.
std::vector<KMoveWord> words_of(Kyokumen k, std::vector<Sashite> moves) {
  std::vector<KMoveWord> words;
  for (Sashite m : moves) {
    if (m.from_x == 0) {
      words.push_back(kNoMoveWord);
      k.teban ^= 1;
      continue;
    }
    EXPECT_TRUE(k.CompleteSashite(m));
    words.push_back(sashite_encode(m));
    EXPECT_TRUE(k.DoSashite(m));
  }
  return words;
}

TEST(PvTextReader, ReadsBackWhatTheVariationTextSays) {
  Kyokumen k;
  k.Init(kHirate);
  const std::vector<KMoveWord> opening = words_of(
      k, {Sashite(7, 7, 7, 6, 0, 0, 0, 0), Sashite(3, 3, 3, 4, 0, 0, 0, 0), Sashite(8, 8, 2, 2, 0, 0, 1, 0),
          Sashite(3, 1, 2, 2, 0, 0, 0, 0), Sashite(11, kKaku, 5, 5, 0, 0, 0, 0), Sashite(0, 0, 0, 0, 0, 0, 0, 0),
          Sashite(5, 5, 3, 3, 0, 0, 1, 0)});
  KString text;
  pv_to_text(k, opening, -1, -1, text);
  std::vector<KMoveWord> read;
  ASSERT_TRUE(pv_from_text(k, text, -1, -1, read)) << text.c_str();
  EXPECT_EQ(read, opening);

  // 同 against the square the move before the variation went to.
  Kyokumen after;
  after.Copy(k);
  Sashite first(7, 7, 7, 6, 0, 0, 0, 0);
  ASSERT_TRUE(after.CompleteSashite(first) && after.DoSashite(first));
  const Kyokumen near = testing::empty_position();
  Kyokumen capture = near;
  testing::put(capture, 5, 9, kOu);
  testing::put(capture, 5, 1, gote(kOu));
  testing::put(capture, 2, 8, kHi);
  testing::put(capture, 2, 3, gote(kFu));
  const std::vector<KMoveWord> takes = words_of(capture, {Sashite(2, 8, 2, 3, 0, 0, 1, 0)});
  pv_to_text(capture, takes, 2, 3, text);
  ASSERT_TRUE(pv_from_text(capture, text, 2, 3, read)) << text.c_str();
  EXPECT_EQ(read, takes);

  // Text that is no variation of the position leaves `read` as it was.
  // A word without its piece name is no king's move.
  for (const char* bad : {"hello", "▲７六歩▲２六歩", "△３四歩", "▲７六歩x", "▲５八"}) {
    EXPECT_FALSE(pv_from_text(k, KString::KStringFromC(bad), -1, -1, read)) << bad;
    EXPECT_EQ(read, takes) << bad;
  }
  EXPECT_TRUE(pv_from_text(k, KString(), -1, -1, read));
  EXPECT_TRUE(read.empty());
}

}  // namespace
}  // namespace model
