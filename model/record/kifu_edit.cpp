// Editing a record: adding and deleting moves, the start position, headers,
// comments, move times and the clearing of analysis results.
#include <utility>

#include "model/record/kifu.h"
#include "model/record/kifu_text.h"

namespace model {

KifuSashite* Kifu::AddSashite(int ply, const Sashite& m, int seconds,
                              const KifuHyouka* hyouka, int index,
                              const KifuChooser& chooser) {
  KifuKyokumen* node = NodeOfPly(ply);
  if (!node) return nullptr;
  KifuSashite* move = AddSashiteAtPos(node, m, seconds, hyouka, index, table.get(), chooser, true);
  if (move) Changed(ply);
  return move;
}

bool Kifu::DeleteBranch(int ply, int index) {
  KifuKyokumen* node = NodeOfPly(ply);
  if (!node || node->next.Count() == 0) return false;
  DeleteNext(node, index, table.get());
  // The line may now continue through another move: keep its ways in and plies
  // in step with it.
  RenumberLineFrom(node);
  Changed(0);
  return true;
}

void Kifu::DeleteAllMoves() {
  while (Start()->next.Count() > 0) DeleteNext(Start(), 0, table.get());
}

bool Kifu::ClearMoves() {
  const bool had_moves = Start()->next.Count() > 0;
  DeleteAllMoves();
  root->comment.Free();
  root->bookmark.Free();
  Changed(0);
  if (notifying()) listener->SelectPly(0);
  return had_moves;
}

bool Kifu::SetStartPosition(const Kyokumen& kyokumen) {
  if (Start()->next.Count() > 0) return false;
  Start()->kyokumen.Copy(kyokumen);
  Start()->tesu = 0;
  table->Rehash(Start());
  return true;
}

void Kifu::Reset(int32_t teaiwari) {
  // One rebuild of the list at the end instead of one per step.
  const bool was_notifying = notify;
  notify = false;
  ClearMoves();
  Kyokumen start;
  start.Init(teaiwari);
  SetStartPosition(start);
  ClearHeaders();
  notify = was_notifying;
  Changed(0);
  if (notifying()) listener->SelectPly(0);
}

bool Kifu::SetHeader(const char* key, const char* value) {
  if (!key || !*key) return false;
  const KString new_value = KString::KStringFromC(value);
  for (int i = 0; i + 1 < headers.Count(); i += 2) {
    if (!(headers.GetAt(i) == key)) continue;
    KStringList rebuilt;
    for (int j = 0; j < headers.Count(); ++j) rebuilt.Add(j == i + 1 ? new_value : headers.GetAt(j));
    headers = rebuilt;
    return true;
  }
  headers.Add(KString::KStringFromC(key));
  headers.Add(new_value);
  return true;
}

void Kifu::ClearHeaders() {
  names[0].Free();
  names[1].Free();
  date.Free();
  title.Free();
  event.Free();
  headers.Clear();
}

bool Kifu::SetComment(int ply, const char* text) {
  KifuSashite* move = NodeAtTesu(ply);
  if (!move) return false;
  KString trimmed = KString::KStringFromC(text);
  trimmed.TrimRight();
  if (same_text(trimmed, move->comment)) return false;
  move->comment = std::move(trimmed);
  if (listener) listener->SetMarks(ply < 0 ? 0 : ply, kifu_comment_flags(move));
  return true;
}

void Kifu::ClearComments() {
  for (KifuSashite* m = NextKifuSashite(nullptr); m; m = NextKifuSashite(m)) m->comment.Free();
  Changed(0);
}

bool Kifu::SetSashiteTime(KifuSashite* move, int seconds) {
  if (!move || !FindOnLine(move)) return false;
  move->seconds = seconds;
  Changed(move->Ply());
  return true;
}

bool Kifu::SetAllTimes(int seconds) {
  bool any = false;
  for (KifuSashite* m = NextKifuSashite(root.get()); m; m = NextKifuSashite(m)) {
    m->seconds = seconds;
    any = true;
  }
  if (any) Changed(0);
  return any;
}

void Kifu::ClearHyoukaOnLine() {
  for (KifuSashite* m = NodeAtTesu(1); m; m = m->to ? m->to->next.Current() : nullptr) {
    if (m->sashite.special == kOrdinaryMove) m->hyouka.Reset();
  }
  Changed(0);
}

void Kifu::ClearHyoukaForSide(int side) {
  for (KifuSashite* m = NodeAtTesu(1); m; m = m->to ? m->to->next.Current() : nullptr) {
    if (m->sashite.special != kOrdinaryMove) break;
    if (m->from->kyokumen.teban == side) {
      m->hyouka.value = kNoValue;
      m->hyouka.counter2 = 0;
    }
  }
  Changed(0);
}

void Kifu::ClearVisitMarks() {
  for (KifuKyokumen* n : table->Nodes()) n->visit = 0;
}

}  // namespace model
