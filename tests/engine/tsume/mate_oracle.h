// A brute-force search on the game model's rules, independent of the engine:
// the length of the shortest forced mate by checks, as a mate problem counts
// it. The attacker mates as fast as it can, the defender holds out as long as
// it can, and a drop between the checking piece and the king is futile (left
// out) when, after the attacker's capture of it, the attacker mates without
// the captured piece (back in the defender's hand) no later than the
// defender's best defence without the drop: the best of its moves that are
// not drops and of the real drops on squares nearer the king. Legal moves come
// from the game model's generator with its legality test (a king left
// attacked, a pawn drop that mates); values are remembered per position and
// kind (attacker's or defender's): the exact length once known, else the
// largest limit known to hold no mate.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace tsume::testing {

class MateOracle {
 public:
  static constexpr int kNone = 1 << 20;  // no mate within the limit

  // When set, the attacker may not decline a promotion it could make.
  bool forbid_non_promotion = false;

  // True when the side to move of `k` mates within `plies` plies.
  bool MatesWithin(const model::Kyokumen& k, int plies) { return Or(k, plies) <= plies; }

  // The length of the shortest mate by the side to move, or kNone when there is
  // none within `limit` plies.
  int Shortest(const model::Kyokumen& k, int limit) { return Or(k, limit); }

  // True when the side to move (in check) is mated as a problem counts it: no
  // answer, or only futile drops.
  bool MatedAsProblem(const model::Kyokumen& k) { return And(k, 0) == 0; }

  uint64_t nodes() const { return nodes_; }

 private:
  struct Known {
    int exact = -1;          // the length, once found
    int none_within = -1;    // no mate within this many plies
  };

  uint64_t Key(const model::Kyokumen& k, int kind) const {
    uint32_t h[2];
    k.CalcHash(h);
    return (uint64_t{h[0]} << 32 | h[1]) * 4 + static_cast<uint64_t>(kind) * 2 + static_cast<uint64_t>(k.teban);
  }

  // The remembered answer within `limit`, or -2 when it must be searched.
  static int Recall(const Known& m, int limit) {
    if (m.exact >= 0) return m.exact <= limit ? m.exact : kNone;
    return m.none_within >= limit ? kNone : -2;
  }
  static void Remember(Known& m, int limit, int v) {
    if (v <= limit) {
      m.exact = v;
    } else {
      m.none_within = std::max(m.none_within, limit);
    }
  }

  struct Move {
    model::Sashite m;
    model::Kyokumen after;
  };

  // The legal moves of the side to move with the positions after them; for the
  // attacker, only checks.
  std::vector<Move> Moves(const model::Kyokumen& k, bool attacker) {
    model::Sashite moves[model::kMaxSashite];
    const int n = k.GenerateAll(moves);
    const int mover = k.teban;
    std::vector<Move> out;
    for (int i = 0; i < n; ++i) {
      if (attacker && forbid_non_promotion && moves[i].nari == 0 && HasPromotingTwin(moves, n, moves[i])) continue;
      Move mv;
      mv.m = moves[i];
      mv.after.Copy(k);
      if (!mv.after.DoSashite(moves[i]) || !model::is_legal_result(mv.after, moves[i], mover)) continue;
      if (attacker && !mv.after.IsOute(1 - mover)) continue;
      out.push_back(mv);
    }
    return out;
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

  // Attacker to move: the shortest mate within `limit`, or kNone.
  int Or(const model::Kyokumen& k, int limit) {
    if (limit < 1) return kNone;
    const uint64_t key = Key(k, 0);
    if (const int v = Recall(memo_[key], limit); v != -2) return v;
    ++nodes_;
    int best = kNone;
    for (const Move& mv : Moves(k, true)) {
      const int bound = std::min(limit, best - 2) - 1;  // only a shorter mate helps
      if (bound < 0) break;
      const int v = And(mv.after, bound);
      if (v <= bound) best = v + 1;
    }
    Remember(memo_[key], limit, best);
    return best;
  }

  // Defender to move, in check: the length of the mate within `limit`, or kNone.
  int And(const model::Kyokumen& k, int limit) {
    if (limit < 0) return kNone;
    const uint64_t key = Key(k, 1);
    if (const int v = Recall(memo_[key], limit); v != -2) return v;
    ++nodes_;
    const int v = AndValue(k, limit);
    Remember(memo_[key], limit, v);
    return v;
  }

  int AndValue(const model::Kyokumen& k, int limit) {
    int king_x = 0, king_y = 0;
    k.FindKing(k.teban, &king_x, &king_y);
    std::vector<Move> moves = Moves(k, false);
    int value = 0;  // the best defence among the moves that are not drops
    std::vector<std::pair<int, const Move*>> drops;
    for (const Move& mv : moves) {
      if (mv.m.IsDrop()) {
        drops.push_back({std::max(std::abs(mv.m.to_x - king_x), std::abs(mv.m.to_y - king_y)), &mv});
        continue;
      }
      const int v = Or(mv.after, limit - 1);
      if (v > limit - 1) return kNone;
      value = std::max(value, v + 1);
    }
    // Drops from the king outwards: each judged against the best defence of the
    // moves that are no drops and the real drops nearer the king.
    std::stable_sort(drops.begin(), drops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t i = 0;
    while (i < drops.size()) {
      const int distance = drops[i].first;
      const int reference = value;
      for (; i < drops.size() && drops[i].first == distance; ++i) {
        const Move& drop = *drops[i].second;
        if (Futile(drop, reference)) continue;
        const int v = Or(drop.after, limit - 1);
        if (v > limit - 1) return kNone;
        value = std::max(value, v + 1);
      }
    }
    return value;
  }

  // The drop (made) is futile: after a capture of the dropped piece the
  // attacker mates within `reference` plies without that piece.
  bool Futile(const Move& drop, int reference) {
    const int kind = drop.m.from_y;
    for (const Move& capture : Moves(drop.after, true)) {
      if (capture.m.to_x != drop.m.to_x || capture.m.to_y != drop.m.to_y) continue;
      // Both moves were made, so each piece has a side and the drop's kind is
      // a hand kind; the test says so to the compiler too, which otherwise
      // sees a side of -1 indexing the hands.
      const int taker = capture.m.koma.Side();
      const int dropper = drop.m.koma.Side();
      if (taker < 0 || dropper < 0 || kind < 1 || kind > 7) continue;
      model::Kyokumen without;
      without.Copy(capture.after);
      --without.mochigoma[taker][kind];
      ++without.mochigoma[dropper][kind];
      if (And(without, reference) <= reference) return true;
    }
    return false;
  }

  std::unordered_map<uint64_t, Known> memo_;
  uint64_t nodes_ = 0;
};

}  // namespace tsume::testing
