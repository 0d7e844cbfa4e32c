#include "app/diagram.h"

namespace app {

namespace {

constexpr const char* kRankNames[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr const char* kHandNumerals[19] = {"",   "",   "二", "三", "四", "五", "六",
                                           "七", "八", "九", "十", "十一", "十二", "十三",
                                           "十四", "十五", "十六", "十七", "十八"};

std::string hand_line(const model::Kyokumen& pos, int side) {
  std::string s = side == 0 ? "先手の持駒：" : "後手の持駒：";
  bool any = false;
  for (int t = model::kHi; t >= model::kFu; --t) {
    const int n = pos.HandCount(side, t);
    if (n <= 0) continue;
    model::Koma k{static_cast<uint8_t>(t)};
    s += k.GetName(0);
    if (n >= 2 && n <= 18) s += kHandNumerals[n];
    s += "　";
    any = true;
  }
  if (!any) s += "なし";
  return s + "\n";
}

}  // namespace

std::string position_diagram(const model::Kyokumen& pos) {
  std::string s = hand_line(pos, 1);
  s += "  ９ ８ ７ ６ ５ ４ ３ ２ １\n+---------------------------+\n";
  for (int y = 1; y <= 9; ++y) {
    s += "|";
    for (int x = 9; x >= 1; --x) {
      const model::Koma k = pos.At(x, y);
      if (k.Side() < 0) {
        s += " ・";
      } else {
        s += k.Side() == 1 ? "v" : " ";
        s += k.GetName(0);
      }
    }
    s += "|";
    s += kRankNames[y];
    s += "\n";
  }
  s += "+---------------------------+\n";
  s += hand_line(pos, 0);
  s += pos.teban == 0 ? "先手番\n" : "後手番\n";
  return s;
}

}  // namespace app
