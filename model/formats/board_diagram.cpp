#include "model/formats/board_diagram.h"

#include "model/formats/kif_header.h"
#include "model/text/numerals.h"

namespace model {

namespace {

constexpr const char* kWideSpace = "　";

// "飛　角二　" for the hand of `side`, or "なし".
void write_hand(const Kyokumen& kyokumen, int side, TextWriter& w) {
  bool any = false;
  KString count;
  for (int t = kHi; t >= kFu; --t) {
    const int n = kyokumen.HandCount(side, t);
    if (n <= 0) continue;
    any = true;
    w.Puts(Koma{static_cast<uint8_t>(t)}.GetName(0));
    if (n > 1) {
      int_to_kanji(count, n);
      w.Puts(count.c_str());
    }
    w.Puts(kWideSpace);
  }
  if (!any) w.Puts("なし");
  w.Puts("\n");
}

}  // namespace

void kifu_write_diagram(const Kyokumen& kyokumen, TextWriter& w, bool handicap_names) {
  const bool handicap = handicap_names && !teaiwari_is_even(kyokumen.teaiwari);
  w.Puts(handicap ? "上手の持駒：" : "後手の持駒：");
  write_hand(kyokumen, 1, w);
  w.Puts("  ９ ８ ７ ６ ５ ４ ３ ２ １\n");
  w.Puts("+---------------------------+\n");
  KString rank;
  for (int y = 1; y <= 9; ++y) {
    w.Puts("|");
    for (int x = 9; x >= 1; --x) {
      const Koma k = kyokumen.At(x, y);
      w.Putc(k.Side() == 1 ? 'v' : ' ');
      w.Puts(k.GetName(0));
    }
    w.Puts("|");
    int_to_kanji(rank, y);
    w.Puts(rank.c_str());
    w.Puts("\n");
  }
  w.Puts("+---------------------------+\n");
  w.Puts(handicap ? "下手の持駒：" : "先手の持駒：");
  write_hand(kyokumen, 0, w);
  if (kyokumen.teban == 0) {
    w.Puts(handicap ? "下手番\n" : "先手番\n");
  } else {
    w.Puts(handicap ? "上手番\n" : "後手番\n");
  }
}

}  // namespace model
