#include "engine/eval/senkei_set.h"

namespace eval {

namespace {

constexpr const char* kSenkeiNames[kSenkeiCodes] = {
    "未決定",     "居矢倉",     "角換わり",   "四間美濃",
    "攻向飛車",   "舟囲い急戦", "相振金無双", "ひだり美濃",
    "いびあな",   "振飛車穴熊", "中住まい",   "筋違い角(振飛車美濃風の囲い)",
    "２枚落上手", "２枚落下手", "飛車落上手", "飛車落下手",
    "角落上手",   "力戦中飛車", "右玉",       "振り穴３八金(暫定)",
    "玉頭位取り", "カダル玉",   "ミレニアム", "----",
    "----",       "----",       "----",       "----",
    "----",       "----",       "----",       "真矢倉",
};

}  // namespace

const char* senkei_name(int code) { return kSenkeiNames[senkei_table_index(code)]; }

}  // namespace eval
