// The depth-bounded search's attacker nodes: the smallest proof number of
// the checks and the sum of their disproof numbers.
#include "engine/board/move_rules.h"
#include "engine/tsume/bounded_search.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume::bounded {

Leaf or_visit(Search& s, TsumeContext& c, int r, int32_t pth, int32_t dth) {
  KTsumeEngine& e = s.e;
  const int n = c.move_count;
  for (int i = 0; i < n; ++i) e.leaves[c.move_base + i].known = 0;
  bool with_nonpromotions = false;
  for (;;) {
    int32_t pn = kInf, dn = 0, second = kInf, best_dn = kInf;
    int best = -1, proof = -1, bound = kForever;
    HandCounts refuted_hand = or_disproof_start(c.pos, c.attacker);
    Leaf proof_value{};
    uint8_t refuted_flags = 0;
    bool drop_mate = false;
    for (int i = 0; i < n; ++i) {
      const KMove& m = e.moves[c.move_base + i];
      if (!with_nonpromotions && skipped_nonpromotion(m)) continue;
      const Leaf v = child_leaf(s, c, i, r - 1, kWholeNode, false);
      if (v.flags & kDropMate) drop_mate = true;
      if (proven(v)) {
        if ((v.flags & kTerminal) && is_pawn_drop(m)) {  // a drop-pawn mate is no mate
          drop_mate = true;
          continue;
        }
        if (proof < 0 || v.length < proof_value.length) {
          proof = i;
          proof_value = v;
        }
        continue;
      }
      if (disproven(v)) {
        bound = std::min(bound, static_cast<int>(v.bound));
        refuted_flags |= v.flags & (kLooped | kExact);
        refuted_hand = hand_min(refuted_hand, or_disproof_hand_back(v.hand, m));
        continue;
      }
      if (v.pn < pn || (v.pn == pn && v.dn < best_dn)) {
        second = pn;
        pn = v.pn;
        best_dn = v.dn;
        best = i;
      } else {
        second = std::min(second, v.pn);
      }
      dn = sat_add(dn, v.dn);
    }
    if (drop_mate && !with_nonpromotions) {
      with_nonpromotions = true;  // count the non-promotions too
      continue;
    }
    if (proof >= 0) {
      const Leaf& v = proof_value;
      const KMove& m = e.moves[c.move_base + proof];
      return proof_leaf(v.length + 1, tsume_move_encode(m), tsume_or_proof_hand(v.hand, m),
                        static_cast<uint8_t>((v.flags & kExact) | (drop_mate ? kDropMate : 0)));
    }
    if (pn >= kInf) {
      if (drop_mate) {
        // A pawn drop that would mate stays a drop-pawn mate only while the
        // defender's hand and the attacker's do not change.
        for (int k = kRook; k <= kPawn; ++k) {
          refuted_hand.n[k] = std::min(refuted_hand.n[k], c.pos.hand[c.attacker][k] + c.pos.hand[c.defender][k]);
        }
      }
      return disproof_leaf(add_bound(bound, 1), static_cast<uint8_t>(refuted_flags | (drop_mate ? kDropMate : 0)),
                           pack_hand(refuted_hand));
    }
    if (pn >= pth || dn >= dth || stop_now(s)) {
      Leaf v = open_leaf(pn, dn);
      if (drop_mate) v.flags |= kDropMate;
      return v;
    }
    const int32_t child_dn = child_leaf(s, c, best, r - 1, kWholeNode, false).dn;
    search_move(s, c, best, r - 1, threshold(std::min<int64_t>(pth, int64_t{second} + kPnUnit)),
                threshold(std::max<int64_t>(int64_t{dth} - dn, kDnRoom) + child_dn));
    if (s.interrupted) return open_leaf(pn, dn);
  }
}

}  // namespace tsume::bounded
