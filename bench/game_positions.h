// The position sets the benchmarks share, built from random legal games with
// fixed seeds, and the position of a record file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/board/position.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/benchmark_positions.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace bench {

// The position after `ply` moves of the main line of the record file at
// `path` (0: its start position); none when the file cannot be read or its
// line is shorter.
inline std::optional<model::Kyokumen> record_position(const std::string& path, int ply = 0) {
  model::KifuHolder holder;
  int format = 0;
  if (!model::kifu_load_file(holder, path.c_str(), &format, false)) return std::nullopt;
  const model::KifuSashite* move = holder.kifu.NodeAtTesu(ply);
  if (move == nullptr || move->to == nullptr) return std::nullopt;
  return move->to->kyokumen;
}

// The even game after 40 to 60 random legal plies (driver's benchmark
// positions, the set the node-count signature thinks over).
inline std::vector<model::Kyokumen> middle_games(size_t count) { return driver::middle_game_positions(count); }

// Every fourth position from ply 30 to 90 of one random game from each of the
// even game and three handicaps, as engine positions.
inline const std::vector<board::KPosition>& handicap_game_positions() {
  static const std::vector<board::KPosition> set = [] {
    std::vector<board::KPosition> out;
    std::mt19937 rng(20240611);
    for (int32_t h : {model::kHirate, model::kKakuOchi, model::kHishaOchi, model::kNimaiOchi}) {
      model::Kyokumen k;
      k.Init(h);
      for (int ply = 0; ply <= 90; ++ply) {
        model::Sashite moves[model::kMaxSashite];
        const int n = model::legal_moves(k, moves);
        if (n == 0) break;
        if (ply >= 30 && ply % 4 == 0) {
          board::KPosition p;
          if (bridge::position_load(p, k) == 0) out.push_back(p);
        }
        k.DoSashite(moves[rng() % n]);
      }
    }
    return out;
  }();
  return set;
}

}  // namespace bench
