#include "engine/board/hash_key.h"

namespace board {

namespace {

using detail::hash_piece_index;

inline void xor_row(KHashKey& key, const KHashRow& r) {
  key.word[0] ^= r.word[0];
  key.word[1] ^= r.word[1];
  key.word[2] ^= r.word[2];
}

// Kinds in packing order, the most significant field first.
constexpr int kPackOrder[7] = {kRook, kBishop, kGold, kSilver, kKnight, kLance, kPawn};

// The three comparisons' common start: 0 for different boards or random bits, 3
// for identical keys, -1 when only the hand (and the side to move) may differ.
int same_board(const KHashKey& a, const KHashKey& b) {
  if (a.word[0] != b.word[0] || a.word[1] != b.word[1]) return 0;
  if (a.word[2] == b.word[2]) return 3;
  if ((a.word[2] ^ b.word[2]) & ~(kHashSideBit | kHashHandBits)) return 0;
  return -1;
}

}  // namespace

void hash_key_full(const KPosition& p, int hand_side, KHashKey& out) {
  out = KHashKey{};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const int sq = square_of(file, rank);
      const int code = p.piece[p.board[sq]].code;
      if (code == 0) continue;
      xor_row(out, kHashRows[hash_row(sq, hash_piece_index(code), (code & kSenteBit) ? 0 : 1)]);
    }
  }
  uint32_t packed = 0;
  for (int kind : kPackOrder) packed = (packed << kHandFieldWidth[kind]) + p.hand[hand_side][kind];
  out.word[2] += (p.teban ? kHashSideBit : 0) + packed;
}

uint32_t hash_hand_superior(const KHashKey& a, const KHashKey& b) {
  const int same = same_board(a, b);
  if (same >= 0) return static_cast<uint32_t>(same);
  for (int kind = kPawn; kind >= kRook; --kind) {
    if (hand_field(a.word[2], kind) < hand_field(b.word[2], kind)) return 0;
  }
  return 1;
}

uint32_t hash_hand_compare(const KHashKey& a, const KHashKey& b) {
  const int same = same_board(a, b);
  if (same >= 0) return static_cast<uint32_t>(same);
  uint32_t result = 0;
  for (int kind = kPawn; kind >= kRook; --kind) {
    const uint32_t fa = hand_field(a.word[2], kind), fb = hand_field(b.word[2], kind);
    if (fa > fb) {
      if (result == 2) return 0;
      result = 1;
    } else if (fa < fb) {
      if (result == 1) return 0;
      result = 2;
    }
  }
  return result;
}

}  // namespace board
