// The written form of a move: the side mark, the target square (or 同), the piece,
// the words that tell like pieces apart, and 成/不成; and the texts of the record
// events. Sashite::ToText and Kyokumen::SashiteToText are implemented here.
#pragma once

#include "model/position/sashite.h"
#include "model/text/kstring.h"

namespace model {

// Modifier words of a move text, written in this bit order.
enum SashiteModifier : int {
  kModMigi = 0x001,   // 右
  kModHidari = 0x002, // 左
  kModNaka = 0x004,   // 中
  kModYoru = 0x008,   // 寄
  kModAgaru = 0x010,  // 上
  kModHiku = 0x020,   // 引
  kModSugu = 0x040,   // 直
  kModYuku = 0x080,   // 行
  kModUtsu = 0x100,   // 打
};

// The text of a special code 1..15 ("詰み", "投了", ..., "== 対局開始 =="); null for
// 0 and any code outside 1..15.
const char* special_text(int code);

// True for the special codes written without a side mark (8-12, 14, 15).
bool special_text_stands_alone(int code);

// Appends the square text: the file as a full-width digit and the rank in kanji
// (７六).
void append_square_text(KString& out, int x, int y);

}  // namespace model
