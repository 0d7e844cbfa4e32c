#include "engine/board/hash_key.h"

#include <array>

#include "engine/board/hash_key_rows.h"

namespace board {

namespace {

// The piece index of a code: kind 1..8, plus 8 when promoted.
constexpr int piece_index(int code) { return (code & 0x0F) + ((code & kPromotedBit) ? 8 : 0); }

inline void xor_row(KHashKey& key, const KHashRow& r) {
  key.word[0] ^= r.word[0];
  key.word[1] ^= r.word[1];
  key.word[2] ^= r.word[2];
}

inline void xor_row(KHashKey& key, int sq, int piece_index, int owner) {
  xor_row(key, kHashRows[hash_row(sq, piece_index, owner)]);
}

// By piece code, its owner read from its side bit: the code's row among the
// rows of the first square. The update made for every move of the search then
// finds each row with one read and one add.
inline constexpr auto kCodeRow = [] {
  std::array<uint8_t, 0x80> t{};
  for (int code = 0; code < 0x80; ++code) {
    t[code] = static_cast<uint8_t>(hash_row(kFirstSquare, piece_index(code), (code & kSenteBit) ? 0 : 1));
  }
  return t;
}();

inline const KHashRow& code_row(int sq, int code) { return kHashRows[hash_row(sq, 0, 0) + kCodeRow[code]]; }

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
      xor_row(out, sq, piece_index(code), (code & kSenteBit) ? 0 : 1);
    }
  }
  uint32_t packed = 0;
  for (int kind : kPackOrder) packed = (packed << kHandFieldWidth[kind]) + p.hand[hand_side][kind];
  out.word[2] += (p.teban ? kHashSideBit : 0) + packed;
}

void hash_key_sashite(KHashKey& key, int hand_side, const KMove& m) {
  key.word[2] ^= kHashSideBit;
  if (m.from == kPassSquare) return;
  const int mover = code_side(m.code);
  if (m.from == kInHand) {
    if (mover == hand_side) key.word[2] -= hand_unit(code_kind(m.code));
  } else {
    xor_row(key, code_row(m.from, m.code));
    if (m.captured_code != 0) {
      // The captured piece's code carries the other side's bit.
      xor_row(key, code_row(m.to, m.captured_code));
      if (mover == hand_side) key.word[2] += hand_unit(code_kind(m.captured_code));
    }
  }
  // A promoting move's code is unpromoted.
  xor_row(key, code_row(m.to, m.promote ? (m.code | kPromotedBit) : m.code));
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
