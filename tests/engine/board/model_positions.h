// Engine positions made through the game model: positions built piece by piece
// or written as short texts, their turned twins, start positions for random
// games, and random legal moves with the game model as referee. The engine-side
// twin of a loaded position is in turned_twin.h.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <random>
#include <string_view>
#include <vector>

#include "engine/bridge/position_bridge.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"
#include "tests/engine/board/position_checker.h"
#include "tests/model/position/position_builder.h"

namespace board::testing {

// A position written as tokens separated by blanks: a piece letter (K R B G S N L
// P; upper case sente's, lower case gote's; a leading '+' promotes it) with its
// square as file then rank, or '*' and a letter for a piece in that side's hand.
inline model::Kyokumen scene(std::string_view text, int teban = 0) {
  model::Kyokumen k = model::testing::empty_position();
  k.teban = teban;
  constexpr std::string_view kLetters = "PLNSGBRK";
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const bool hand = text[i] == '*', promoted = text[i] == '+';
    if (hand || promoted) ++i;
    const char c = text[i++];
    const bool gote = c >= 'a' && c <= 'z';
    const int type = static_cast<int>(kLetters.find(gote ? static_cast<char>(c - 'a' + 'A') : c)) + 1;
    if (hand) {
      ++k.mochigoma[gote ? 1 : 0][type];
      continue;
    }
    model::testing::put(k, text[i] - '0', text[i + 1] - '0',
                        (promoted ? type + model::kPromoteBit : type) | (gote ? model::kGoteBit : 0));
    i += 2;
  }
  return k;
}

// The position turned by 180 degrees with the sides swapped.
inline model::Kyokumen twin(const model::Kyokumen& k) {
  model::Kyokumen t;
  t.Copy(k);
  t.Flip();
  t.teban = 1 - k.teban;
  return t;
}

inline KPosition load(const model::Kyokumen& k) {
  KPosition p;
  EXPECT_EQ(bridge::position_load(p, k), 0);
  return p;
}

// A game-model position built piece by piece (sente to move) or from a text
// (Scene{scene("K59 k51")}), loaded into the engine with its tables checked
// against a rebuild.
struct Scene {
  model::Kyokumen k = model::testing::empty_position();

  Scene& Put(int file, int rank, int code) {
    model::testing::put(k, file, rank, code);
    return *this;
  }
  Scene& Hand(int type) {
    k.mochigoma[0][type] = 1;
    return *this;
  }
  KPosition Load() const {
    const KPosition p = load(k);
    EXPECT_TRUE(matches_rebuild(p));
    return p;
  }
  // The engine move for (fx, fy) -> (tx, ty); fx 11 drops type fy.
  KMove Move(const KPosition& p, int fx, int fy, int tx, int ty, int nari = 0) const {
    KMove m;
    EXPECT_EQ(bridge::sashite_to_kmove(m, p, model::testing::move(k, fx, fy, tx, ty, nari)), 0);
    return m;
  }
};

// Hands by model type 1..7 (pawn .. rook).
using Hand = std::array<int, 8>;
constexpr Hand kHalfOfEveryPiece = {0, 9, 2, 2, 2, 2, 1, 1};
constexpr Hand kEveryPiece = {0, 18, 4, 4, 4, 4, 2, 2};

// Only the kings on the board, on squares written file * 10 + rank (59 is 5九).
inline model::Kyokumen kings_and_hands(const Hand& sente, const Hand& gote = {}, int sente_king = 59,
                                       int gote_king = 51) {
  model::Kyokumen k = model::testing::empty_position();
  model::testing::put(k, sente_king / 10, sente_king % 10, model::kOu);
  model::testing::put(k, gote_king / 10, gote_king % 10, model::testing::gote(model::kOu));
  for (int t = 1; t < 8; ++t) {
    k.mochigoma[0][t] = static_cast<int8_t>(sente[t]);
    k.mochigoma[1][t] = static_cast<int8_t>(gote[t]);
  }
  return k;
}

inline std::vector<model::Kyokumen> handicap_starts(std::initializer_list<int32_t> handicaps) {
  std::vector<model::Kyokumen> v;
  for (int32_t h : handicaps) v.emplace_back().Init(h);
  return v;
}

// Up to `limit` legal moves of the position, in random order.
inline int random_legal_moves(const model::Kyokumen& k, std::mt19937& rng, model::Sashite* out, int limit) {
  model::Sashite all[model::kMaxSashite];
  const int n = model::legal_moves(k, all);
  std::shuffle(all, all + n, rng);
  std::copy(all, all + std::min(n, limit), out);
  return std::min(n, limit);
}

// Positions of random legal games, one from each start: every `every`-th
// position of the first `plies` moves.
inline std::vector<model::Kyokumen> random_game_positions(const std::vector<model::Kyokumen>& starts,
                                                          std::mt19937& rng, int plies, int every) {
  std::vector<model::Kyokumen> out;
  for (const model::Kyokumen& start : starts) {
    model::Kyokumen k;
    k.Copy(start);
    for (int ply = 1; ply <= plies; ++ply) {
      model::Sashite m;
      if (random_legal_moves(k, rng, &m, 1) == 0) break;
      k.DoSashite(m);
      if (ply % every == 0) out.push_back(k);
    }
  }
  return out;
}

}  // namespace board::testing
