// The 64-bit key of a BookPosition, made from the program's fixed table of 2,344
// random keys (the same table as the game model's position hash, so the key of
// a position's BookPosition equals that position's hash), and the layout facts
// of BookPosition that the book code shares.
#pragma once

#include <cstdint>

#include "model/position/book_position.h"
#include "model/position/position_hash_keys.h"

namespace driver {

struct BookKey {
  uint32_t lo;
  uint32_t hi;

  bool operator==(const BookKey&) const = default;
};

// The 2,344 random keys a book key is made from: the game model's position
// hash keys, so that a book key matches the position's hash.
inline constexpr const auto& book_key_table = model::kHashKeyTable;

// A key function: the books use book_key; tests may put in another to force
// particular keys.
using BookKeyFunction = int (*)(const model::BookPosition&, BookKey*);

// Fills `out` with the key of the position; always returns 0. The key does not
// depend on the order of the slots. A piece in hand counts for its slot's kind;
// board bytes beyond the ninth rank and kings in hand are left out, so every
// byte pattern stays inside the table.
int book_key(const model::BookPosition& pos, BookKey* out);

// Slot groups of BookPosition, by unpromoted kind in key order (0 rook .. 6 pawn,
// 7 king).
enum BookKind : int { kBookRook, kBookBishop, kBookGold, kBookSilver, kBookKnight, kBookLance, kBookPawn, kBookKing };
// The kind whose pieces fill slot `s` (0..39).
int book_slot_kind(int s);
// The first slot and the slot count of each BookKind.
struct BookSlotRange {
  int first;
  int count;
};
inline constexpr BookSlotRange kBookSlots[8] = {{2, 2}, {4, 2}, {6, 4}, {10, 4}, {14, 4}, {18, 4}, {22, 18}, {0, 2}};

constexpr uint8_t kBookEmptySlot = 0xFF;
constexpr uint8_t kBookOtherSide = 0x80;  // the piece belongs to the side not to move
constexpr int kBookHandColumn = 9;        // x of a piece in hand; its y is the hand kind

// The hand kind (1 rook .. 7 pawn) of a BookKind.
constexpr int book_hand_kind(int kind) { return kind + 1; }
inline bool book_slot_promoted(const model::BookPosition& pos, int s) { return (pos.promoted[s / 8] >> (s % 8)) & 1; }

// True when every slot byte is 255, a board square, or the hand kind of its
// slot's group (kings are never in hand), and no two pieces share a square.
// Positions read from files are checked with this before they are used.
bool book_position_is_sound(const model::BookPosition& pos);

}  // namespace driver
