// Small helpers for building positions in tests.
#pragma once

#include <cstring>
#include <random>

#include "model/position/kyokumen.h"

namespace model::testing {

// The position Kyokumen::Init(teaiwari) sets up.
inline Kyokumen initial(int32_t teaiwari) {
  Kyokumen pos;
  pos.Init(teaiwari);
  return pos;
}

// An empty board (walls around it), empty hands and box, sente to move.
inline Kyokumen empty_position() {
  Kyokumen pos;
  pos.Init(0);
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) pos.At(x, y).Set(kEmpty);
  }
  std::memset(pos.mochigoma, 0, sizeof pos.mochigoma);
  return pos;
}

inline void put(Kyokumen& pos, int x, int y, int code) { pos.At(x, y).Set(code); }
constexpr int gote(int type) { return type | kGoteBit; }

// An empty board with only the kings on 5九 and 5一, sente to move.
inline Kyokumen kings_only() {
  Kyokumen pos = empty_position();
  put(pos, 5, 9, kOu);
  put(pos, 5, 1, gote(kOu));
  return pos;
}

// A move completed from the position: (fx, fy) -> (tx, ty); fx 11/12 drops the
// type fy.
inline Sashite move(const Kyokumen& pos, int fx, int fy, int tx, int ty, int nari = 0) {
  Sashite m(fx, fy, tx, ty, 0, 0, nari, 0);
  pos.CompleteSashite(m);
  return m;
}

// A legal move of the side to move, chosen by `rng`; false when none is found.
inline bool random_move(const Kyokumen& pos, std::mt19937& rng, Sashite& out) {
  Sashite moves[kMaxSashite];
  const int n = pos.GenerateAll(moves);
  for (int tries = 0; tries < 4 * n && n > 0; ++tries) {
    const Sashite& m = moves[rng() % n];
    Kyokumen after = pos;
    if (pos.IsLegal(m, true) != kIllegal && after.DoSashite(m) && after.Check()) {
      out = m;
      return true;
    }
  }
  return false;
}

}  // namespace model::testing
