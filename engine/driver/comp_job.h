// The records the computer-thread jobs work on: the job block that the shell's
// requests fill (and the jobs answer in), the record cursor a request hands
// over, and a game's first position with the moves played since.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/position.h"
#include "engine/search/pv_learn.h"
#include "model/position/sashite.h"
#include "model/record/kifu_hyouka.h"

namespace model {
class Kifu;
struct KifuSashite;
struct Kyokumen;
}  // namespace model

namespace driver {

class JosekiBooks;  // the opening-book set

// Where in a game record a request stands: the record, the position after the
// current move, and the current move (the record's root pseudo-move at the
// first position; null means the end of the current line).
struct RecordCursor {
  const model::Kifu* kifu = nullptr;
  const model::Kyokumen* kyokumen = nullptr;
  const model::KifuSashite* current = nullptr;
};

// The playing styles, each with its own pair of learning rings.
constexpr int kStyleCount = 3;

struct CompJob {
  uint8_t ktsume_open = 0;            // the problem-solving mate instance is allocated
  int32_t senkei_request[2] = {0, 0}; // strategy profile code per side (0 sente, 1 gote)
  uint8_t want_ktsume = 0;            // game_init allocates the problem-solving instance
  RecordCursor cursor;
  JosekiBooks* book = nullptr;        // null: no book
  model::KifuHyouka hyouka;                  // the think result
  int32_t senkei_sofar = 0;           // strategy word carried from think to think
  uint32_t yosoku = 0;                // predicted opponent move (KMoveWord) for a ponder; 0 none
  model::Sashite result_move;         // the chosen move, or a special move
  int32_t time_a = 0;                 // main time left, in hundredths of a second
  int32_t time_b = 0;                 // byoyomi, in hundredths of a second
  int32_t time_c = 0;
  int32_t book_any_ply = 0;           // 0: the book only up to ply 10
  int32_t play_style = 0;             // 0 標準, 1 強引, 2 慎重; the low 4 bits pick the rings
  int32_t max_depth = 0;              // nominal depth, clamped to 1..16 by the think
  int32_t book_min = 0;               // 0 normal play; N asks for the N best moves
  uint8_t no_book = 0;
  uint8_t learn_flag = 0;             // preload the hash table from the rings
  search::KLearnRing learn_b[kStyleCount];
  search::KLearnRing learn_a[kStyleCount];
  int32_t kelmor_depth = 0;           // depth limit of the mate-match move (the job uses + 1)
};

// A game's first position and the moves played from it, oldest first.
struct KPositionHistory {
  board::KPosition position;
  int32_t count = 0;
  std::vector<board::KMove> moves;
};

}  // namespace driver
