#include "engine/tsume/tsume_verify.h"

#include <algorithm>

#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume {

using namespace board;

namespace {

bool store_proven(KTsumeEngine& e, TsumeContext& c, uint32_t hand, uint16_t move, int length) {
  return tsume_store_proof(e.table, c.ply, with_hand(c.key, hand), move, length, 0) != nullptr;
}

int length_of(const KTsumeNode* proof) { return proof != nullptr ? proof->depth & kDepthMask : kNoLength; }

}  // namespace

bool tsume_verify_node(KTsumeEngine& e, TsumeContext& c) {
  if (tsume_limit_reached(e)) return false;
  if (c.ply >= e.max_ply || c.move_base >= kMovesPerPly * e.max_ply - 100) return false;
  if (tsume_path_find(e, c.key, c.ply)) return false;
  ++e.node_count;
  const KTsumeNode* node = tsume_lookup(e.table, c.key);
  if (node != nullptr && node->pn >= kInf) return false;
  if (c.pos.teban == c.attacker) {
    if (node == nullptr || node->dn < kInf) return false;
    KMove m;
    if (!tsume_move_decode_checked(c.pos, node->move, m)) return false;
    const uint16_t code = node->move;
    // The stored move must still give check.
    do_move(c.pos, m, 0);
    const bool check = king_attacked(c.pos, c.defender);
    undo_move(c.pos, m, 0);
    if (!check || c.move_base + 1 > kMovesPerPly * e.max_ply) return false;
    e.moves[c.move_base] = m;
    c.move_count = 1;
    tsume_descend(e, c, 0, false);
    const bool ok = tsume_verify_node(e, c);
    const KHashKey child = c.key;
    tsume_ascend(e, c);
    if (!ok) return false;
    const KTsumeNode* proof = tsume_lookup(e.table, child);
    const uint32_t hand = proof != nullptr ? tsume_or_proof_hand(key_hand(proof->key), m) : key_hand(c.key);
    return store_proven(e, c, hand, code, std::min(length_of(proof) + 1, kNoLength));
  }
  if (!tsume_list_moves(e, c)) return false;
  if (c.move_count == 0) {
    if (c.ply > 0 && c.last_move.from == kInHand && code_kind(c.last_move.code) == kPawn) return false;
    return store_proven(e, c, pack_hand(mated_proof_hand(c.pos, c.attacker)), kTerminalMove, 0);
  }
  HandCounts hand = mated_proof_hand(c.pos, c.attacker);
  int length = 0;
  const int count = c.move_count;
  for (int i = 0; i < count; ++i) {
    KHashKey child_key = c.key;
    hash_key_sashite(child_key, c.attacker, e.moves[c.move_base + i]);
    const KTsumeNode* child = tsume_lookup(e.table, child_key);
    if (child == nullptr || child->dn < kInf) return false;
    tsume_descend(e, c, i, false);
    const bool ok = tsume_verify_node(e, c);
    tsume_ascend(e, c);
    if (!ok) return false;
    const KTsumeNode* proof = tsume_lookup(e.table, child_key);
    length = std::max(length, std::min(length_of(proof) + 1, kNoLength));
    if (proof != nullptr) {
      const HandCounts h = unpack_hand(key_hand(proof->key));
      for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::max(hand.n[k], h.n[k]);
    }
  }
  for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::min<int>(hand.n[k], c.pos.hand[c.attacker][k]);
  return store_proven(e, c, pack_hand(hand), kNoNodeMove, length);
}

int tsume_verify_position(KTsumeEngine& e, KPosition& p, KMove* out, uint32_t time_limit_ms) {
  if (p.piece[1 - p.teban].sq >= kInHand) return 1;
  TsumeContext c;
  tsume_context_init(c, p, p.teban);
  e.node_limit = -1;
  e.time_limit.store(time_limit_ms);
  tsume_start_clock(e);
  std::fill(e.path_heads, e.path_heads + e.max_ply, -1);
  if (!tsume_verify_node(e, c)) return 1;
  const KTsumeNode* n = tsume_lookup(e.table, c.key);
  if (n == nullptr || n->dn < kInf || !tsume_move_decode_checked(p, n->move, *out)) return 1;
  return 0;
}

}  // namespace tsume
