// Recognising castles and rook placements for the strategy choice. Every test
// reads squares in the deciding side's own view: (5,9) is its king's start,
// (2,8) its rook's, files 1-4 its right half and files 6-9 its left half.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace eval {

// Whether the side's king stands on its right half (files 1-4) or left half (6-9).
bool senkei_king_on_right(const board::KPosition& p, int side);
bool senkei_king_on_left(const board::KPosition& p, int side);

// The static-rook castle to aim for: 18 (king already on the right), 3, 2 (both
// bishops in hands), 1 or 21.
int senkei_static_castle_kind(const board::KPosition& p, int side, uint32_t preference);

// Where the side's rook on the board keeps to the right: 2 in its own three
// ranks on files 1-4, 1 on (2,6) beside a piece on (3,6) or (4,6), else 0.
int senkei_rook_stays_right(const board::KPosition& p, int side);

// The static-rook plan against a ranging rook: 3, 5, 7 or 8 (may draw a random
// number through senkei_random_choice).
int senkei_against_ranging(const board::KPosition& p, int side, uint32_t preference);

// The ranging-rook castle: 9 (anaguma) or 3 (mino). The preference is not read.
int senkei_castle_test(const board::KPosition& p, int side, uint32_t preference);

// Both sides ranging: draws one random number and gives 6.
int senkei_mutual_ranging();

// Why a static-rook anaguma cannot be built: 0 when it can, else a reason code
// (100: the king is on the right).
int senkei_ibisha_anaguma_blocked(const board::KPosition& p, int side);
// Whether a left mino cannot be built: 0 when it can, 1 when the enemy holds a
// bishop, 2 when the gold on (6,8) has left (6,9) empty.
int senkei_left_mino_blocked(const board::KPosition& p, int side);
// Why a ranging anaguma cannot be built: 0 when it can, 1 or 2, or 100 with the
// king on the left.
int senkei_ranging_anaguma_blocked(const board::KPosition& p, int side);

// The castle already standing: 3 (mino), 7 (left mino), 9 (ranging anaguma),
// 8 (static anaguma) or 0.
int senkei_built_castle(const board::KPosition& p, int side);

}  // namespace eval
