// The move list shown through the KifuListener: one line per ply of the line.
#include <cstdio>

#include "model/record/kifu.h"
#include "model/record/kifu_text.h"

namespace model {

namespace {

// The analysis column: the principal variation from the position before the
// move with the special mark behind it, or the analysis block's own text.
void analysis_text(const KifuSashite* move, KString& out) {
  const KifuHyouka& h = move->hyouka;
  if (h.pv.empty() || !move->from) {
    out = h.text;
    return;
  }
  const KifuSashite* prev = KifuSashite::GetCurrentPrev(move);
  pv_to_text(move->from->kyokumen, h.pv, prev ? prev->sashite.to_x : -1,
             prev ? prev->sashite.to_y : -1, out);
  KString mark;
  kifu_special_mark(h.result_kind, mark);
  out.AppendStr(mark);
}

}  // namespace

void Kifu::Changed(int ply) {
  if (notifying()) RefreshList(ply);
}

void Kifu::RefreshList(int ply) {
  if (!listener) return;
  notify = true;
  const int selection = listener->GetSelection();
  listener->BeginUpdate();
  if (ply < 0) ply = 0;
  KifuSashite* move = NodeAtTesu(ply);
  if (move) {
    listener->SelectPly(ply);
    listener->Truncate(ply);
    KString line, analysis, annotation;
    for (int p = ply; move && (list_limit < 0 || p <= list_limit); ++p) {
      line.Free();
      if (p > 0) {
        line.AppendInt(p);
        line.Append("：");
      }
      line.AppendStr(kifu_node_text_to(move));
      analysis_text(move, analysis);
      kifu_mark_name(move->hyouka.annotation, annotation);
      int flags = kifu_comment_flags(move);
      if (move->hyouka.display_flag) flags |= kLineShowAnalysis;
      const KifuSashite* prev = KifuSashite::GetCurrentPrev(move);
      if (prev && prev->hyouka.display_flag) flags |= kLinePrevShowAnalysis;
      listener->AddLine(p, line.c_str(), analysis.c_str(), annotation.c_str(), move->seconds,
                        move->hyouka.value, flags);
      move = move->to ? move->to->next.Current() : nullptr;
    }
  }
  listener->EndUpdate();
  if (selection >= 0) listener->SelectPly(selection);
}

}  // namespace model
