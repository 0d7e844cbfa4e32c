// Piece codes across the two position types: the game model's Koma and the
// engine's code (model/position/move_word.h).
#pragma once

#include <cstdint>

#include "model/position/move_word.h"
#include "model/position/koma.h"

namespace model {

// Engine class code (kind and promotion, no side bits) by game-model type; 0 for none.
inline constexpr uint8_t kTypeToEngine[16] = {0,    7,    6,    5,    4, 3, 2,    1,
                                              8,    0x17, 0x16, 0x15, 0x14, 0, 0x12, 0x11};

// The game-model piece for an engine code (side bits ignored): 0 for no piece.
int koma_engine_to_gui(int code);
// The engine code for a game-model piece, with its side bit; 0 for no piece.
int koma_gui_to_engine(Koma k);

}  // namespace model
