#include "engine/tsume/pair_transposition.h"

#include "engine/board/make_move.h"
#include "engine/tsume/path_keys.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace {

bool open(const KTsumeNode* n) { return n != nullptr && n->pn > 0 && n->pn < kInf && n->dn > 0 && n->dn < kInf; }

// Follows the stored answers two plies on from the position after the
// evasion (made): the key of the position they reach, false when an entry is
// missing or decided or a stored move no longer plays.
bool follow_stored_line(KTsumeEngine& e, TsumeContext& c, KHashKey key, uint32_t path_key, KHashKey& end) {
  KMove line[2];
  int played = 0;
  bool ok = true;
  for (int step = 0; step < 2 && ok; ++step) {
    const KTsumeNode* n = tsume_lookup_path(e.table, key, path_key);
    ok = open(n) && tsume_move_decode_checked(c.pos, n->move, line[played]);
    if (!ok) break;
    path_key = path_key_after(path_key, line[played], c.ply + 1 + step);
    hash_key_sashite(key, c.attacker, line[played]);
    do_move(c.pos, line[played], 0);
    ++played;
  }
  if (ok) {
    const KTsumeNode* n = tsume_lookup_path(e.table, key, path_key);
    ok = open(n);
    end = key;
  }
  while (played > 0) undo_move(c.pos, line[--played], 0);
  return ok;
}

}  // namespace

bool tsume_pair_transposition(KTsumeEngine& e, TsumeContext& c, const KTsumeNode& node) {
  if (c.move_count != 2) return false;
  const KMove* moves = e.moves + c.move_base;
  if ((node.flags & kFlagTreeNode) == 0) {
    for (int i = 0; i < 2; ++i) {
      if (code_kind(moves[i].code) != kKing || moves[i].captured_code != 0) return false;
    }
  }
  KHashKey end[2];
  for (int i = 0; i < 2; ++i) {
    const KeyEntry& ent = e.entries[c.move_base + i];
    do_move(c.pos, moves[i], 0);
    const bool ok = follow_stored_line(e, c, ent.key, tsume_child_path_key(e, c, i), end[i]);
    undo_move(c.pos, moves[i], 0);
    if (!ok) return false;
  }
  return end[0] == end[1];
}

}  // namespace tsume
