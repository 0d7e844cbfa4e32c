// Piece codes across the two position types. The engine's code holds the kind
// in bits 0-3 (1 rook, 2 bishop, 3 gold, 4 silver, 5 knight, 6 lance, 7 pawn,
// 8 king), bit 4 promoted, bit 5 sente, bit 6 gote.
#pragma once

#include <cstdint>

#include "model/position/koma.h"

namespace driver {

constexpr int kEngineSente = 0x20;
constexpr int kEngineGote = 0x40;
constexpr int kEnginePromoted = 0x10;

// Engine kind code (without side bits) by game-model type; 0 for none.
inline constexpr uint8_t kTypeToEngine[16] = {0,    7,    6,    5,    4, 3, 2,    1,
                                              8,    0x17, 0x16, 0x15, 0x14, 0, 0x12, 0x11};

// The game-model piece for an engine code (side bits ignored): 0 for no piece.
int koma_engine_to_gui(int code);
// The engine code for a game-model piece, with its side bit; 0 for no piece.
int koma_gui_to_engine(model::Koma k);

}  // namespace driver
