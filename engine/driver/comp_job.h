// The records the computer-thread jobs work on: the job block that the shell's
// requests fill (and the jobs answer in), the copy of a record's line a
// request hands over, and a game's first position with the moves played since.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/position.h"
#include "engine/search/pv_learn.h"
#include "engine/search/think_context.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite.h"
#include "model/record/kifu_hyouka.h"

namespace model {
class Kifu;
struct KifuSashite;
}  // namespace model

namespace driver {

class JosekiBooks;  // the opening-book set

// Where in a game record a request stands, copied from the record so that it
// may change while the job runs: the record's first position, the moves of
// its current line from there up to the current move, and the position after
// the current move. Without a copy (`set` false) there is nothing to load.
struct RecordCursor {
  model::Kyokumen start;
  std::vector<model::Sashite> moves;
  model::Kyokumen kyokumen;
  bool set = false;
};

// Copies into `out` the line of `kifu` up to `current` (the root pseudo-move:
// no move; null: the end of the line) with `kyokumen` as the position after
// it. The line ends before a special move, as the jobs' replay does. One step
// per move: time linear in the line's length, and the vector's room is kept
// from request to request.
void record_cursor_set(RecordCursor& out, const model::Kifu& kifu, const model::KifuSashite* current,
                       const model::Kyokumen& kyokumen);

// The playing styles, each with its own pair of learning rings.
constexpr int kStyleCount = 3;

constexpr uint32_t kAllStrategies = 0x3FFFFF;  // strategy codes 1-22
constexpr int32_t kNoHopelessScore = -32766;

// The strategy restrictions of the game being played, per side (0 sente,
// 1 gote): set by game_init from the sides' profiles and kept across the
// game's thinks; the book play narrows senkei_played as it goes.
struct GameSettings {
  uint32_t senkei_mask[2] = {0, 0};                                   // bit b allows strategy code b + 1
  uint32_t senkei_played[2] = {kAllStrategies, kAllStrategies};       // strategies still open after book play
  int32_t hopeless_score[2] = {kNoHopelessScore, kNoHopelessScore};  // the think gives up deepening below this score
};

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
  GameSettings game;                  // the game's strategy restrictions (game_init)
  // What the search keeps while it thinks: made at the job block's first
  // think and lent to each of its thinks.
  std::unique_ptr<search::ThinkContext> think_context;
};

// The job block's think context, made at its first use.
inline search::ThinkContext& job_think_context(CompJob& job) {
  if (!job.think_context) job.think_context = std::make_unique<search::ThinkContext>();
  return *job.think_context;
}

// A game's first position and the moves played from it, oldest first.
struct KPositionHistory {
  board::KPosition position;
  int32_t count = 0;
  std::vector<board::KMove> moves;
};

}  // namespace driver
