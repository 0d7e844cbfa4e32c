// The engine's packed move word as a game record keeps it: a move's analysis
// block holds the think's variation in these words, and the record's readers and
// writers turn them into moves and texts. Only the layout they read is here, with
// names of the game model; the engine's own codes live with its board
// (engine/board/engine_codes.h, kmove_word.h), and the position bridge checks at
// compile time that the two agree.
//
// A word is from | to << 8 | piece code << 16 | captured code << 23 | promote
// << 30. A square byte is 16 x rank + file + 3; 252 is the from-square of a drop
// and the word 253 alone is no move. A piece code is the engine kind (1 rook,
// 2 bishop, 3 gold, 4 silver, 5 knight, 6 lance, 7 pawn, 8 king) with 0x10 for
// promoted, 0x20 for sente and 0x40 for gote.
#pragma once

#include <cstdint>

namespace model {

using KMoveWord = uint32_t;

inline constexpr KMoveWord kNoMoveWord = 253;
inline constexpr int kWordHand = 252;  // the from-square of a drop

// Piece codes of the words: the kinds, then the promoted and side bits.
inline constexpr int kWordRook = 1;
inline constexpr int kWordBishop = 2;
inline constexpr int kWordGold = 3;
inline constexpr int kWordSilver = 4;
inline constexpr int kWordKnight = 5;
inline constexpr int kWordLance = 6;
inline constexpr int kWordPawn = 7;
inline constexpr int kWordKing = 8;
inline constexpr int kWordPromoted = 0x10;
inline constexpr int kWordSente = 0x20;
inline constexpr int kWordGote = 0x40;

// Square bytes.
constexpr int word_square(int file, int rank) { return 16 * rank + file + 3; }
constexpr int word_file(int sq) { return (sq & 15) - 3; }
constexpr int word_rank(int sq) { return sq >> 4; }
// True for the 81 squares of the board.
constexpr bool word_on_board(int sq) {
  return word_rank(sq) >= 1 && word_rank(sq) <= 9 && word_file(sq) >= 1 && word_file(sq) <= 9;
}

// A board move; `promote` counts as a flag.
constexpr KMoveWord word_pack(int from, int to, int code, int captured_code, int promote) {
  return static_cast<KMoveWord>(from) | static_cast<KMoveWord>(to) << 8 | static_cast<KMoveWord>(code) << 16 |
         static_cast<KMoveWord>(captured_code) << 23 | (promote ? 1u : 0u) << 30;
}
// A drop of the piece `code` (side bit and kind) onto `to`.
constexpr KMoveWord word_drop(int to, int code) {
  return static_cast<KMoveWord>(kWordHand) | static_cast<KMoveWord>(to) << 8 | static_cast<KMoveWord>(code) << 16;
}

constexpr int word_from(KMoveWord w) { return static_cast<int>(w & 0xFF); }
constexpr int word_to(KMoveWord w) { return static_cast<int>((w >> 8) & 0xFF); }
// The mover's code before the move (for a drop: side bit and kind).
constexpr int word_piece(KMoveWord w) { return static_cast<int>((w >> 16) & 0x7F); }
constexpr bool word_promotes(KMoveWord w) { return ((w >> 30) & 3) != 0; }
constexpr bool word_is_drop(KMoveWord w) { return word_from(w) == kWordHand; }

}  // namespace model
