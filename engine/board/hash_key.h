// Position keys. Every engine table that remembers positions is keyed by a
// KHashKey: words 0 and 1 and the top ten bits of word 2 are the XOR of random
// board rows; bit 21 of word 2 is the side to move and bits 0-20 one chosen
// side's hand packed as counts. Because that hand is a number and not a hash,
// two keys of the same board can be compared for hand dominance; and since the
// board and one hand fix the other hand, the key names the whole position.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/hash_key_rows.h"
#include "engine/board/position.h"

namespace board {

struct KHashKey {
  uint32_t word[3];
};

constexpr bool operator==(const KHashKey& a, const KHashKey& b) {
  return a.word[0] == b.word[0] && a.word[1] == b.word[1] && a.word[2] == b.word[2];
}

// The bit a key word sets in a chained table's per-bucket sign byte (one bit
// per entry on the bucket's chain), picked by the word's top three bits: a
// lookup whose bit is clear need not walk the chain.
constexpr uint8_t chain_sign_bit(uint32_t word) { return static_cast<uint8_t>(1u << (word >> 29)); }

constexpr uint32_t kHashSideBit = 1u << 21;            // word 2: gote to move
constexpr uint32_t kHashHandBits = kHashSideBit - 1;   // word 2: the packed hand

// The packed hand's fields by kind (rook .. pawn): the low bit of the field and
// its width. Each width holds the largest count of its kind (2, 2, 4, 4, 4, 4,
// 18), so adding or removing one piece never reaches a neighbouring field.
inline constexpr int kHandFieldShift[8] = {0, 19, 17, 14, 11, 8, 5, 0};
inline constexpr int kHandFieldWidth[8] = {0, 2, 2, 3, 3, 3, 3, 5};

// Whether word 2 of two keys differs in the packed hand alone: the same side
// to move and the same board bits there, so that keys whose words 0 and 1
// also agree can be compared for hand dominance.
constexpr bool hash_hand_only_differs(uint32_t word2_a, uint32_t word2_b) {
  return ((word2_a ^ word2_b) & ~kHashHandBits) == 0;
}

// What one piece of the kind adds to the packed hand.
constexpr uint32_t hand_unit(int kind) { return 1u << kHandFieldShift[kind]; }
// The count of the kind in a packed hand.
constexpr uint32_t hand_field(uint32_t packed, int kind) {
  return (packed >> kHandFieldShift[kind]) & ((1u << kHandFieldWidth[kind]) - 1);
}

// The key of the position computed from scratch, with `hand_side`'s hand packed.
void hash_key_full(const KPosition& p, int hand_side, KHashKey& out);

// Updates `key`, which describes the position before `m`, to the position after
// it (the same as hash_key_full of that position with the same hand side).
// Inline (below): the search updates a key for every move it makes.
inline void hash_key_sashite(KHashKey& key, int hand_side, const KMove& m);

// Same board and random bits: 3 when the keys are identical, 1 when a's hand has
// at least b's count of every kind (the side to move is not looked at); else 0.
uint32_t hash_hand_superior(const KHashKey& a, const KHashKey& b);

// Same board and random bits: 3 identical, 1 a's hand dominates b's, 2 b's hand
// dominates a's; 0 for different boards, incomparable hands or equal hands with
// only the side to move differing.
uint32_t hash_hand_compare(const KHashKey& a, const KHashKey& b);

namespace detail {

// The piece index of a code: kind 1..8, plus 8 when promoted.
constexpr int hash_piece_index(int code) { return (code & 0x0F) + ((code & kPromotedBit) ? 8 : 0); }

// By piece code, its owner read from its side bit: the code's row among the
// rows of the first square. The update made for every move of the search then
// finds each row with one read and one add.
inline constexpr auto kHashCodeRow = [] {
  std::array<uint8_t, 0x80> t{};
  for (int code = 0; code < 0x80; ++code) {
    t[code] = static_cast<uint8_t>(hash_row(kFirstSquare, hash_piece_index(code), (code & kSenteBit) ? 0 : 1));
  }
  return t;
}();

inline const KHashRow& hash_code_row(int sq, int code) { return kHashRows[hash_row(sq, 0, 0) + kHashCodeRow[code]]; }

}  // namespace detail

inline void hash_key_sashite(KHashKey& key, int hand_side, const KMove& m) {
  // The words are worked on in locals and stored once: the key may sit
  // anywhere, so each store to it would make the compiler read the rows again.
  uint32_t w0 = key.word[0], w1 = key.word[1], w2 = key.word[2] ^ kHashSideBit;
  if (m.from != kPassSquare) {
    auto flip = [&](const KHashRow& r) {
      w0 ^= r.word[0];
      w1 ^= r.word[1];
      w2 ^= r.word[2];
    };
    const int mover = code_side(m.code);
    if (m.from == kInHand) {
      if (mover == hand_side) w2 -= hand_unit(code_kind(m.code));
    } else {
      flip(detail::hash_code_row(m.from, m.code));
      if (m.captured_code != 0) {
        // The captured piece's code carries the other side's bit.
        flip(detail::hash_code_row(m.to, m.captured_code));
        if (mover == hand_side) w2 += hand_unit(code_kind(m.captured_code));
      }
    }
    // A promoting move's code is unpromoted.
    flip(detail::hash_code_row(m.to, m.promote ? (m.code | kPromotedBit) : m.code));
  }
  key.word[0] = w0;
  key.word[1] = w1;
  key.word[2] = w2;
}

}  // namespace board
