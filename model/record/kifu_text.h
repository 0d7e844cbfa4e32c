// Texts of a game record: a move node's notation, the principal-variation text,
// annotation and special-mark words, and comparisons of recorded moves with
// engine move words.
#pragma once

#include <string>
#include <vector>

#include "model/record/kifu.h"
#include "model/record/kifu_hyouka.h"
#include "model/text/kstring.h"

namespace model {

// The move's notation on its from-position, with the target of that position's
// current way in as the previous square (for 同); the root's text without a
// position. The first stores it in the node's `text` and returns it; the second
// returns it as a string of its own, so callers on any thread may keep it.
const KString& kifu_node_text_to(KifuSashite* move);
std::string kifu_node_text(const KifuSashite* move);

// The moves of an engine principal variation as text from `kyokumen`, 同 against
// (prev_x, prev_y); a pass inside the variation switches sides and writes "～".
// The text ends at a word that is no playable move.
void pv_to_text(const Kyokumen& kyokumen, const std::vector<KMoveWord>& pv, int prev_x,
                int prev_y, KString& out);

// Annotation words: 1 好手, 2 疑問手, 3 悪手, 4 逸機; anything else the empty text.
void kifu_mark_name(int code, KString& out);
// The code of an annotation word, 0 for any other text.
int kifu_mark_code(const char* text);
// Special marks of an analysis: 1 "(定跡)", 5 "(詰み)", otherwise empty.
void kifu_special_mark(int code, KString& out);

// True when the engine move word names the same from and to squares and the same
// promotion as `sashite`; pv_head_equals tests the variation's first move
// (false for an empty variation).
bool engine_sashite_equals(const Sashite& sashite, KMoveWord word);
bool pv_head_equals(const Sashite& sashite, const KifuHyouka& hyouka);

// KifuLineFlag bits kLineComment and kLineBranch of a move.
int kifu_comment_flags(const KifuSashite* move);

}  // namespace model
