// Move lists as comparable sets for the generator tests, and the game model's
// legal moves of a position as engine moves (the reference).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/board/position.h"
#include "engine/bridge/position_bridge.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace board::testing {

// The fields that name a move: everything make reads (not the flag byte or the
// trailing word).
inline uint64_t move_key(const KMove& m) {
  return uint64_t{m.from} | uint64_t{m.to} << 8 | uint64_t{m.piece} << 16 | uint64_t{m.captured} << 24 |
         uint64_t{m.code} << 32 | uint64_t{m.captured_code} << 40 | uint64_t{m.promote != 0} << 48;
}

inline std::vector<uint64_t> sorted_keys(const KMove* moves, int n) {
  std::vector<uint64_t> v;
  for (int i = 0; i < n; ++i) v.push_back(move_key(moves[i]));
  std::sort(v.begin(), v.end());
  return v;
}
inline std::vector<uint64_t> sorted_keys(const std::vector<KMove>& moves) {
  return sorted_keys(moves.data(), static_cast<int>(moves.size()));
}

// "119->103+ code 39": squares as numbers, 252 a drop.
inline std::string key_name(uint64_t key) {
  return std::to_string(key & 0xff) + "->" + std::to_string((key >> 8) & 0xff) + ((key >> 48) & 1 ? "+" : "") +
         " code " + std::to_string((key >> 32) & 0xff);
}

// Equal sorted key lists, with the moves only one side has in the message.
inline ::testing::AssertionResult same_moves(const std::vector<uint64_t>& got, const std::vector<uint64_t>& want) {
  if (got == want) return ::testing::AssertionSuccess();
  std::vector<uint64_t> extra, missing;
  std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
  std::set_difference(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(missing));
  auto r = ::testing::AssertionFailure() << got.size() << " moves, expected " << want.size() << ";";
  for (uint64_t k : extra) r << " extra " << key_name(k);
  for (uint64_t k : missing) r << " missing " << key_name(k);
  if (extra.empty() && missing.empty()) r << " a move is listed twice";
  return r;
}

// The game model's verdict on the moves of a position, as engine moves of the
// loaded engine position.
struct ModelMoves {
  std::vector<KMove> legal;
  std::vector<KMove> checks;           // the legal moves that give check
  std::vector<model::Sashite> check_sashite;  // the same as game-model moves
  std::vector<KMove> pawn_drop_mates;  // pawn drops refused only because they mate
  std::vector<model::Sashite> legal_sashite;
};

inline ModelMoves model_moves(const model::Kyokumen& k, const KPosition& p) {
  ModelMoves r;
  model::Sashite all[model::kMaxSashite];
  const int n = k.GenerateAll(all);
  const int mover = k.teban;
  for (int i = 0; i < n; ++i) {
    model::Kyokumen next;
    next.Copy(k);
    if (!next.DoSashite(all[i]) || next.IsOute(mover)) continue;
    KMove m;
    EXPECT_EQ(bridge::sashite_to_kmove(m, p, all[i]), 0);
    if (!model::is_legal_result(next, all[i], mover)) {
      r.pawn_drop_mates.push_back(m);
      continue;
    }
    r.legal.push_back(m);
    r.legal_sashite.push_back(all[i]);
    if (next.IsOute(1 - mover)) {
      r.checks.push_back(m);
      r.check_sashite.push_back(all[i]);
    }
  }
  return r;
}

}  // namespace board::testing
