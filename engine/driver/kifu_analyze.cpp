#include "engine/driver/kifu_analyze.h"

namespace driver {

void kifu_analyze(int, const model::KifuSashite*, model::KString&) {}

void kansou_text(int side, model::Kifu& kifu, model::KString& out) {
  out.Free();
  model::KifuSashite* last = kifu.root.get();
  for (model::KifuSashite* m = kifu.Start()->next.Current(); m;) {
    if (m->sashite.special != model::kOrdinaryMove) break;
    last = m;
    m = m->to ? m->to->next.Current() : nullptr;
  }
  if (last->Ply() <= 1) return;
  kifu_analyze(side, kifu.root.get(), out);
  // An empty review leaves the comment the move already has.
  if (!out.empty()) kifu.SetComment(last->Ply(), out.c_str());
}

}  // namespace driver
