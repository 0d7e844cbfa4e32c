#include "model/position/sashite_text.h"

#include "model/position/kyokumen.h"
#include "model/text/numerals.h"

namespace model {

namespace {

constexpr const char* kSpecialTexts[16] = {
    nullptr,    "詰み",     "投了",   "切れ負け",           "負け",
    "反則負け", "反則勝ち", "勝ち",   "持将棋",             "千日手",
    "千日手-後手連続王手",  "千日手-先手連続王手",  "== 対局開始 ==",
    "待った",   "中断",     "再開",
};

constexpr const char* kModifierTexts[9] = {"右", "左", "中", "寄", "上", "引", "直", "行", "打"};

constexpr const char* kSenteMark = "▲";
constexpr const char* kGoteMark = "△";
constexpr const char* kDou = "同　";
constexpr const char* kNari = "成";
constexpr const char* kFunari = "不成";

// Types that may promote and so are written 不成 when they decline.
bool may_promote(int type) {
  return type == kFu || type == kKyo || type == kKei || type == kGin || type == kKaku || type == kHi;
}

// Where a candidate's source lies against the target: 1 when the target has the
// smaller coordinate, 2 when equal, 3 when the larger.
int classify(int target, int source) { return target < source ? 1 : (target == source ? 2 : 3); }

int mirror(int c) { return 4 - c; }

}  // namespace

const char* special_text(int code) {
  return (code >= 1 && code <= 15) ? kSpecialTexts[code] : nullptr;
}

bool special_text_stands_alone(int code) {
  return (code >= kJishogi && code <= kTaikyokuKaishi) || code == kChudan || code == kSaikai;
}

void append_square_text(KString& out, int x, int y) {
  KString part;
  int_to_zenkaku(part, x);
  out.AppendStr(part);
  int_to_kanji(part, y);
  out.AppendStr(part);
}

int Sashite::ToText(int prev_x, int prev_y, KString& out, int flags) const {
  out.Free();
  if (special_text_stands_alone(special)) {
    out.Append(special_text(special));
    return 0;
  }
  // A code of 1..15 on the signed byte is sente's; anything else is written as gote's.
  const int mover = (koma.Get() > 0 && koma.Get() < 16) ? 0 : 1;
  out.Append(mover == 0 ? kSenteMark : kGoteMark);
  if (special != kOrdinaryMove) {
    const char* text = special_text(special);
    if (!text) return -1;
    out.Append(text);
    return 0;
  }
  if (to_x == prev_x && to_y == prev_y) {
    out.Append(kDou);
  } else {
    append_square_text(out, to_x, to_y);
  }
  out.Append(koma.GetName(1));
  for (int bit = 0; bit < 9; ++bit) {
    if (flags & (1 << bit)) out.Append(kModifierTexts[bit]);
  }
  if (nari) {
    out.Append(kNari);
  } else if (from_x < 10 && may_promote(koma.Type()) &&
             (in_promotion_zone(mover, from_y) || in_promotion_zone(mover, to_y))) {
    out.Append(kFunari);
  }
  return 0;
}

int Kyokumen::SashiteToText(const Sashite& m, int prev_x, int prev_y, KString& out) const {
  const bool on_board = m.to_x >= 1 && m.to_x <= 9 && m.to_y >= 1 && m.to_y <= 9;
  if (m.special != kOrdinaryMove || !on_board) return m.ToText(prev_x, prev_y, out, 0);
  Sashite list[kMaxSashite];
  // Every move of a piece of the same kind (promotion state included) to the
  // same square; drops come first in the list.
  const int n = GenerateSashite(list, -1, -1, m.to_x, m.to_y, m.koma.Type(), 0xFF, -1, -1);
  int same_source = 0;
  for (int i = 0; i < n; ++i) {
    same_source += list[i].from_x == m.from_x && list[i].from_y == m.from_y;
  }
  if (n == 0 || same_source == n) return m.ToText(prev_x, prev_y, out, 0);
  // Another piece could go there: a drop says so with 打.
  if (m.from_x > 10) return m.ToText(prev_x, prev_y, out, kModUtsu);

  const int h = classify(m.to_x, m.from_x);
  const int v = classify(m.to_y, m.from_y);
  int other_board_pieces = 0;
  int other_x = 0;
  bool h_shared = false;
  bool v_shared = false;
  for (int i = 0; i < n; ++i) {
    const Sashite& c = list[i];
    if (c.from_x > 10 || (c.from_x == m.from_x && c.from_y == m.from_y)) continue;
    ++other_board_pieces;
    other_x = c.from_x;
    h_shared |= classify(m.to_x, c.from_x) == h;
    v_shared |= classify(m.to_y, c.from_y) == v;
  }
  if (other_board_pieces == 0) return m.ToText(prev_x, prev_y, out, 0);
  // Two dragons or two horses that the vertical words do not tell apart are
  // told by 右 and 左 alone, never 直: the one whose source stands on the
  // mover's right of the other's is 右. Such sources never share a file.
  const bool promoted_major = m.koma.Type() == kUma || m.koma.Type() == kRyu;
  if (promoted_major && v_shared && other_board_pieces == 1 && other_x != m.from_x) {
    const bool on_right = teban == 0 ? m.from_x < other_x : m.from_x > other_x;
    return m.ToText(prev_x, prev_y, out, on_right ? kModMigi : kModHidari);
  }

  // Describe by the vertical class when it alone tells the pieces apart, else by
  // the horizontal class, else by both; classes are seen from the mover.
  int hc = v_shared ? h : 0;
  int vc = (!v_shared || h_shared) ? v : 0;
  if (teban == 1) {
    if (hc) hc = mirror(hc);
    if (vc) vc = mirror(vc);
  }
  int flags = 0;
  if (hc == 2) {
    flags = kModSugu;
  } else {
    if (hc == 1) flags |= kModHidari;
    if (hc == 3) flags |= kModMigi;
    if (vc == 1) flags |= kModAgaru;
    if (vc == 2) flags |= kModYoru;
    if (vc == 3) flags |= kModHiku;
  }
  return m.ToText(prev_x, prev_y, out, flags);
}

}  // namespace model
