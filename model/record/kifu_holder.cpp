#include "model/record/kifu_holder.h"

#include <cstring>
#include <vector>

namespace model {

namespace {

// The repetition count that ends a game.
constexpr int kSennichiteCount = 4;

}  // namespace

KifuHolder::KifuHolder() : current(kifu.root.get()) { kyokumen.Copy(kifu.Start()->kyokumen); }

void KifuHolder::Reset(int32_t teaiwari) {
  current = kifu.root.get();
  kifu.Reset(teaiwari);
  kyokumen.Copy(kifu.Start()->kyokumen);
  modified = 0;
  name.Free();
}

void KifuHolder::SetCurrent(KifuSashite* move) {
  current = move;
  kyokumen.Copy(move->to->kyokumen);
}

int KifuHolder::CheckSennichite() const {
  Kyokumen p;
  p.Copy(kyokumen);
  // checked[s]: 1 while side s has been in check at every one of its turns
  // seen so far, 0 once it was not, -1 before its first turn is seen.
  int checked[2] = {-1, -1};
  checked[p.teban] = p.IsOute(p.teban) ? 1 : 0;
  int count = 1;
  const KifuSashite* m = current;
  if (!m || !m->to || m->to->tesu < 1) return 0;
  for (;;) {
    // A record event (resignation, ...) has no effect on the board.
    if (m->sashite.special == kOrdinaryMove) {
      if (!p.UndoSashite(m->sashite)) return 0;
      const int s = p.teban;
      if (checked[s] != 0) checked[s] = p.IsOute(s) ? 1 : 0;
      if (p == kyokumen && ++count == kSennichiteCount) break;
    }
    if (!m->from || m->from->tesu < 1) return 0;
    m = m->from->prev.Current();
    if (!m) return 0;
  }
  if (checked[0] == 1) return kSennichiteGoteOute;
  if (checked[1] == 1) return kSennichiteSenteOute;
  return kSennichite;
}

void KifuHolder::CalcClocks(JikanSettei clocks[2]) const {
  for (int side = 0; side < 2; ++side) {
    JikanSettei& c = clocks[side];
    if (c.mode == JikanSettei::kNoLimit || c.mode == 1) {
      c.main_left = 0;
      c.mode = JikanSettei::kNoLimit;
    } else {
      c.main_left = c.main_time;
      c.mode = c.main_time > 0 ? JikanSettei::kMainTime : JikanSettei::kByoyomiOnly;
    }
    c.last_move = 0;
    c.units_left = c.units;
  }
  if (!current || !current->to) return;
  // The moves from the first to the current one, in playing order.
  std::vector<const KifuSashite*> line;
  for (const KifuSashite* m = current; m && m->from; m = m->from->prev.Current()) {
    line.push_back(m);
    if (m->from->tesu < 1) break;
  }
  for (auto it = line.rbegin(); it != line.rend(); ++it) {
    const KifuSashite* m = *it;
    JikanSettei& c = clocks[m->from->kyokumen.teban == 0 ? 0 : 1];
    int t = m->seconds;
    switch (c.mode) {
      case JikanSettei::kNoLimit:
        c.main_left += t;  // with no limit the clock counts the time used
        c.last_move = t;
        break;
      case JikanSettei::kMainTime:
        if (c.main_left >= t) {
          c.main_left -= t;
          c.last_move = t;
          break;
        }
        t -= c.main_left;
        c.main_left = 0;
        c.mode = JikanSettei::kByoyomiOnly;
        [[fallthrough]];
      case JikanSettei::kByoyomiOnly:
        if (t <= c.byoyomi) {
          c.main_left = t;
          c.last_move = t;
          break;
        }
        t -= c.byoyomi;
        // Each extension unit buys another 60 seconds.
        while (t > 0) {
          --c.units_left;
          c.main_left = t;
          t -= 60;
        }
        if (c.units_left < 0) c.units_left = 0;
        c.last_move = t;
        break;
      default:
        c.last_move = t;
        break;
    }
  }
}

bool KifuHolder::MergeLine(const KifuSashite* source, bool select) {
  if (!source || !source->to || !current || !current->to) return false;
  KifuKyokumen* target = current->to;
  const KifuKyokumen* src = source->to;
  bool ok = true;
  while (src->next.Count() > 0) {
    if (target->kyokumen != src->kyokumen) {
      ok = false;
      break;
    }
    const KifuSashite* m = src->next.Current();
    KifuSashite* added = Kifu::AddSashiteAtPos(target, m->sashite, m->seconds, &m->hyouka, -1,
                                               kifu.table.get(), KifuChooser::kNever, false);
    if (!added || !added->to) {
      ok = false;
      break;
    }
    if (select && target->next.Count() > 1) target->next.current = target->next.IndexOf(added);
    target = added->to;
    src = m->to;
  }
  if (kifu.notify && kifu.listener) kifu.RefreshList(current->to->tesu);
  return ok;
}

bool KifuHolder::FindComment(const char* text) {
  if (!text || !*text) return false;
  KifuSashite* found = nullptr;
  for (KifuSashite* m = kifu.NextKifuSashite(nullptr); m; m = kifu.NextKifuSashite(m)) {
    if (std::strstr(m->comment.c_str(), text)) {
      found = m;
      break;
    }
  }
  if (!found || !found->to) return false;
  // Put the found move on the line: from its position back to the start, every
  // node continues along the way that leads to it.
  const bool was_on_line = kifu.FindOnLine(found) != nullptr;
  KifuSashite* way = found;
  while (way->from) {
    KifuKyokumen* node = way->from;
    node->next.current = node->next.IndexOf(way);
    KifuSashite* in = node->prev.Current();
    if (!in || !in->from) break;
    way = in;
  }
  Kifu::RenumberLineFrom(kifu.Start());
  SetCurrent(found);
  if (!was_on_line && kifu.notify && kifu.listener) kifu.RefreshList(0);
  kifu.NotifyTesu(found->to->tesu);
  return true;
}

}  // namespace model
