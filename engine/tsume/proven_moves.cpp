#include "engine/tsume/proven_moves.h"

#include <algorithm>

#include "engine/board/hash_key.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

namespace {

// Whether the proven entry `n` proves the position of `key`: the same board,
// and the identical hand or (for an entry not tied to its own hand) one that
// the key's hand dominates.
bool proves(const KTsumeNode& n, const KHashKey& key) {
  if (n.path_key != 0 || n.dn < kInf) return false;
  if (n.key.word[0] != key.word[0] || n.key.word[1] != key.word[1]) return false;
  if (!board::hash_hand_only_differs(n.key.word[2], key.word[2])) return false;
  if (n.key.word[2] == key.word[2]) return true;
  return !(n.flags & kFlagExactHand) && board::hash_hand_compare(key, n.key) == 1;
}

}  // namespace

int tsume_collect_proven_moves(const KTsumeTable& t, KTsumeEngine& e, TsumeContext& c) {
  c.move_count = 0;
  if (t.buckets == nullptr) return 0;
  const int room = kMovesPerPly * e.max_ply - c.move_base;
  KMove* listed = e.moves + c.move_base;
  int count = 0;
  for (uint32_t i = t.buckets[t.bucket_divisor.Remainder(c.key.word[1])]; i != kNoNode && count < room;
       i = t.at(i).next) {
    const KTsumeNode& n = t.at(i);
    if (!proves(n, c.key) || n.move == kNoNodeMove || n.move == kTerminalMove) continue;
    KMove m;
    if (!tsume_move_decode_checked(c.pos, n.move, m)) continue;
    const bool seen =
        std::any_of(listed, listed + count, [&](const KMove& o) { return tsume_move_encode(o) == n.move; });
    if (!seen) listed[count++] = m;
  }
  c.move_count = count;
  return count;
}

}  // namespace tsume
