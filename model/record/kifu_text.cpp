#include "model/record/kifu_text.h"

#include <cstring>

#include "model/position/sashite_decode.h"

namespace model {

namespace {

constexpr const char* kMarkNames[5] = {"", "好手", "疑問手", "悪手", "逸機"};
constexpr const char* kPassMark = "～";
// No previous square: 同 is never written.
constexpr int kNoSquare = -1;

void write_node_text(const KifuSashite* move, KString& out) {
  if (!move->from) {
    move->sashite.ToText(kNoSquare, kNoSquare, out, 0);
    return;
  }
  const KifuSashite* prev = move->from->prev.Current();
  move->from->kyokumen.SashiteToText(move->sashite, prev ? prev->sashite.to_x : kNoSquare,
                                     prev ? prev->sashite.to_y : kNoSquare, out);
}

}  // namespace

const KString& kifu_node_text_to(KifuSashite* move) {
  write_node_text(move, move->text);
  return move->text;
}

std::string kifu_node_text(const KifuSashite* move) {
  KString text;
  write_node_text(move, text);
  return std::string(text.c_str());
}

void pv_to_text(const Kyokumen& kyokumen, const std::vector<KMoveWord>& pv, int prev_x,
                int prev_y, KString& out) {
  out.Free();
  Kyokumen pos;
  pos.Copy(kyokumen);
  KString text;
  for (size_t i = 0; i < pv.size(); ++i) {
    Sashite m;
    if (sashite_decode(pv[i], m) < 0) {
      Sashite following;
      if (i + 1 == pv.size() || sashite_decode(pv[i + 1], following) < 0) break;
      pos.teban ^= 1;
      out.Append(kPassMark);
      prev_x = prev_y = kNoSquare;
      continue;
    }
    Kyokumen after;
    after.Copy(pos);
    if (!pos.CompleteSashite(m) || !after.DoSashite(m)) break;
    pos.SashiteToText(m, prev_x, prev_y, text);
    out.AppendStr(text);
    pos.Copy(after);
    prev_x = m.to_x;
    prev_y = m.to_y;
  }
}

void kifu_mark_name(int code, KString& out) {
  out.Free();
  if (code >= 1 && code <= 4) out.Append(kMarkNames[code]);
}

int kifu_mark_code(const char* text) {
  if (!text) return 0;
  for (int code = 1; code <= 4; ++code) {
    if (!std::strcmp(text, kMarkNames[code])) return code;
  }
  return 0;
}

void kifu_special_mark(int code, KString& out) {
  out.Free();
  if (code == KifuHyouka::kResultBook) out.Append("(定跡)");
  if (code == KifuHyouka::kResultMate) out.Append("(詰み)");
}

bool engine_sashite_equals(const Sashite& sashite, KMoveWord word) {
  Sashite d;
  if (sashite_decode(word, d) < 0) return false;
  return d.from_x == sashite.from_x && d.from_y == sashite.from_y && d.to_x == sashite.to_x &&
         d.to_y == sashite.to_y && (d.nari != 0) == (sashite.nari != 0);
}

bool pv_head_equals(const Sashite& sashite, const KifuHyouka& hyouka) {
  return !hyouka.pv.empty() && engine_sashite_equals(sashite, hyouka.pv.front());
}

int kifu_comment_flags(const KifuSashite* move) {
  int flags = move->comment.empty() ? 0 : kLineComment;
  if (move->from && move->from->next.Count() > 1) flags |= kLineBranch;
  return flags;
}

}  // namespace model
