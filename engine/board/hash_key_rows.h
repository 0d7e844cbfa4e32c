// The board key table of the engine's position keys: one row of three random
// words per (square, piece index, owner). Learning files store keys built from
// these rows, so the values are constants of the program: generated at compile
// time from a fixed seed.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/position.h"
#include "model/text/fixed_random.h"

namespace board {

// Piece index: the kind 1..8 for an unpromoted piece, kind + 8 for a promoted one.
constexpr int kHashPieceIndexes = 17;
// Row = owner + 2 x (piece index + 17 x (square - 20)); 4,658 rows.
constexpr int kHashKeyRows = 2 * kHashPieceIndexes * (kLastSquare - kFirstSquare + 1);
// Word 2 keeps its low 22 bits for the side to move and the packed hand.
constexpr uint32_t kHashRandomBits = ~((1u << 22) - 1);

constexpr int hash_row(int sq, int piece_index, int owner) {
  return owner + 2 * (piece_index + kHashPieceIndexes * (sq - kFirstSquare));
}

struct KHashRow {
  uint32_t word[3];
};

namespace detail {

constexpr uint64_t kHashRowSeed = 0x4B484153484B4559ULL;  // fixed: never change it

constexpr std::array<KHashRow, kHashKeyRows> make_hash_rows() {
  std::array<KHashRow, kHashKeyRows> rows{};
  uint64_t state = kHashRowSeed;
  for (KHashRow& r : rows) {
    const uint64_t a = model::splitmix64_next(state);
    const uint64_t b = model::splitmix64_next(state);
    r.word[0] = static_cast<uint32_t>(a);
    r.word[1] = static_cast<uint32_t>(a >> 32);
    r.word[2] = static_cast<uint32_t>(b >> 32) & kHashRandomBits;
  }
  return rows;
}

}  // namespace detail

inline constexpr std::array<KHashRow, kHashKeyRows> kHashRows = detail::make_hash_rows();

static_assert(sizeof(kHashRows) == 55896);

}  // namespace board
