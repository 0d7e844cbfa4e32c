#include "engine/driver/book_key.h"

#include <array>

namespace driver {

namespace {

constexpr int kSquares = 81;
constexpr int kOtherSideKinds = 14;  // the other side's board kinds follow the mover's
// Key kind of a promoted piece by BookKind: rook 8, bishop 9, silver 10,
// knight 11, lance 12, and 13 for the rest.
constexpr int kPromotedKind[8] = {8, 9, 13, 10, 11, 12, 13, 13};
// First hand entry of each BookKind, for the side to move and the other side
// (one entry per count 1..n); the king has none.
constexpr int kHandBase[2][7] = {{2268, 2270, 2272, 2276, 2280, 2284, 2288},
                                 {2306, 2308, 2310, 2314, 2318, 2322, 2326}};

void mix(BookKey& key, int index) {
  key.lo ^= book_key_table[index].w0;
  key.hi ^= book_key_table[index].w1;
}

// The kind of each slot, from the slot ranges.
constexpr auto kSlotKind = [] {
  std::array<uint8_t, 40> kinds{};
  for (int k = 0; k < 8; ++k) {
    for (int s = kBookSlots[k].first; s < kBookSlots[k].first + kBookSlots[k].count; ++s) kinds[s] = k;
  }
  return kinds;
}();

}  // namespace

int book_slot_kind(int s) { return kSlotKind[s]; }

bool book_position_is_sound(const model::BookPosition& pos) {
  bool taken[81] = {};
  for (int s = 0; s < 40; ++s) {
    const uint8_t b = pos.slot[s];
    if (b == kBookEmptySlot) continue;
    const int kind = book_slot_kind(s);
    const int x = (b & 0x7F) % 10, y = (b & 0x7F) / 10;
    if (x == kBookHandColumn) {
      if (kind == kBookKing || y != book_hand_kind(kind)) return false;
      continue;
    }
    if (y >= 9 || taken[y * 9 + x]) return false;
    taken[y * 9 + x] = true;
  }
  return true;
}

int book_key(const model::BookPosition& pos, BookKey* out) {
  BookKey key{0, 0};
  int hand[2][8] = {};
  for (int s = 0; s < 40; ++s) {
    const uint8_t b = pos.slot[s];
    if (b == kBookEmptySlot) continue;
    const int kind = book_slot_kind(s);
    const int owner = (b & kBookOtherSide) ? 1 : 0;
    const int x = (b & 0x7F) % 10, y = (b & 0x7F) / 10;
    if (x < kBookHandColumn) {
      if (y >= 9) continue;
      const int k = (book_slot_promoted(pos, s) ? kPromotedKind[kind] : kind) + owner * kOtherSideKinds;
      mix(key, k * kSquares + y * 9 + x);
    } else {
      ++hand[owner][kind];
    }
  }
  // A group holds no more slots than its kind has hand entries, so the counts
  // stay inside the table.
  for (int owner = 0; owner < 2; ++owner) {
    for (int kind = 0; kind < kBookKing; ++kind) {
      if (hand[owner][kind] > 0) mix(key, kHandBase[owner][kind] + hand[owner][kind] - 1);
    }
  }
  *out = key;
  return 0;
}

}  // namespace driver
