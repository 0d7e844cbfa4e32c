#include "model/formats/pv_text_reader.h"

#include "model/formats/move_text_parser.h"
#include "model/position/sashite_decode.h"
#include "model/text/byte_text.h"

namespace model {

namespace {

// What pv_to_text writes where the side to move passes.
constexpr const char* kPassMark = "～";
constexpr int kNoSquare = -1;

}  // namespace

bool pv_from_text(const Kyokumen& kyokumen, const KString& text, int prev_x, int prev_y,
                  std::vector<KMoveWord>& out) {
  std::vector<KMoveWord> words;
  Kyokumen pos;
  pos.Copy(kyokumen);
  const ByteText t(text);
  int at = 0;
  while (at < t.len) {
    if (t.Has(at, kPassMark)) {
      words.push_back(kNoMoveWord);
      pos.teban ^= 1;
      prev_x = prev_y = kNoSquare;
      at += 2;
      continue;
    }
    Sashite m;
    int seconds = 0;
    if (!kifu_parse_move_text(m, pos, prev_x, prev_y, text, at, seconds) || pos.IsLegal(m, true) == kIllegal ||
        !pos.DoSashite(m)) {
      return false;
    }
    words.push_back(sashite_encode(m));
    prev_x = m.to_x;
    prev_y = m.to_y;
  }
  out.swap(words);
  return true;
}

}  // namespace model
