#include "model/position/perft.h"

namespace model {

namespace {

void perft_walk(const Kyokumen& pos, int ply, int depth, uint64_t* counts) {
  Sashite moves[kMaxSashite];
  const int n = legal_moves(pos, moves);
  counts[ply] += static_cast<uint64_t>(n);
  if (ply + 1 == depth) return;
  for (int i = 0; i < n; ++i) {
    Kyokumen next;
    next.Copy(pos);
    next.DoSashite(moves[i]);
    perft_walk(next, ply + 1, depth, counts);
  }
}

}  // namespace

bool is_legal_result(const Kyokumen& after, const Sashite& m, int mover) {
  if (after.IsOute(mover)) return false;
  return !(m.IsDrop() && m.koma.Type() == kFu && after.IsUchifuzume(m));
}

int legal_moves(const Kyokumen& pos, Sashite* out) {
  Sashite moves[kMaxSashite];
  const int n = pos.GenerateAll(moves);
  int count = 0;
  for (int i = 0; i < n; ++i) {
    Kyokumen next;
    next.Copy(pos);
    if (next.DoSashite(moves[i]) && is_legal_result(next, moves[i], pos.teban)) out[count++] = moves[i];
  }
  return count;
}

void perft(const Kyokumen& start, int depth, uint64_t* counts) {
  for (int d = 0; d < depth; ++d) counts[d] = 0;
  if (depth > 0) perft_walk(start, 0, depth, counts);
}

}  // namespace model
