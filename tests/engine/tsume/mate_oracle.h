// A brute-force AND/OR search on the game model's rules, independent of the
// engine: whether the side to move forces mate by checks within n plies. Legal
// moves come from the game model's generator with its legality test (a king
// left attacked, a pawn drop that mates); results are remembered per position
// and depth.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace tsume::testing {

class MateOracle {
 public:
  // When set, the attacker may not decline a promotion it could make.
  bool forbid_non_promotion = false;

  // True when the side to move of `k` mates within `plies` plies (odd).
  bool MatesWithin(const model::Kyokumen& k, int plies) { return Or(k, plies); }

  uint64_t nodes() const { return nodes_; }

 private:
  uint64_t Key(const model::Kyokumen& k, int plies) const {
    uint32_t h[2];
    k.CalcHash(h);
    return (uint64_t{h[0]} << 32 | h[1]) * 31 + static_cast<uint64_t>(plies) * 2 + static_cast<uint64_t>(k.teban);
  }

  // The legal moves of the side to move, as positions after them.
  template <class F>
  bool AnyLegal(const model::Kyokumen& k, bool attacker, F&& f) {
    model::Sashite moves[model::kMaxSashite];
    const int n = k.GenerateAll(moves);
    const int mover = k.teban;
    for (int i = 0; i < n; ++i) {
      if (attacker && forbid_non_promotion && moves[i].nari == 0 && HasPromotingTwin(moves, n, moves[i])) continue;
      model::Kyokumen next;
      next.Copy(k);
      if (!next.DoSashite(moves[i]) || !model::is_legal_result(next, moves[i], mover)) continue;
      if (f(next)) return true;
    }
    return false;
  }

  static bool HasPromotingTwin(const model::Sashite* moves, int n, const model::Sashite& m) {
    for (int i = 0; i < n; ++i) {
      if (moves[i].nari != 0 && moves[i].from_x == m.from_x && moves[i].from_y == m.from_y && moves[i].to_x == m.to_x &&
          moves[i].to_y == m.to_y) {
        return true;
      }
    }
    return false;
  }

  bool Or(const model::Kyokumen& k, int plies) {
    if (plies < 1) return false;
    const uint64_t key = Key(k, plies);
    if (auto it = memo_.find(key); it != memo_.end()) return it->second;
    ++nodes_;
    const int defender = 1 - k.teban;
    const bool mate = AnyLegal(k, true, [&](const model::Kyokumen& next) {
      return next.IsOute(defender) && And(next, plies - 1);
    });
    memo_[key] = mate;
    return mate;
  }

  // Defender to move, in check: mated within `plies` more plies.
  bool And(const model::Kyokumen& k, int plies) {
    ++nodes_;
    return !AnyLegal(k, false, [&](const model::Kyokumen& next) { return plies == 0 || !Or(next, plies - 1); });
  }

  std::unordered_map<uint64_t, bool> memo_;
  uint64_t nodes_ = 0;
};

}  // namespace tsume::testing
