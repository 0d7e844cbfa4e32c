// KifuHyouka: the analysis and think-result block kept with every move of a game
// record and handed back by the computer thread.
#pragma once

#include <cstdint>
#include <vector>

#include "model/position/move_word.h"
#include "model/text/kstring.h"

namespace model {

struct KifuHyouka {
  static constexpr int32_t kNoValue = 32767;

  // Result kinds (the mark shown beside the analysis).
  enum ResultKind : int32_t {
    kResultNone = 0,
    kResultBook = 1,      // shown as "(定跡)"
    kResultStage0 = 2,    // searched in game stage 0, 1, or later
    kResultStage1 = 3,
    kResultStage2 = 4,
    kResultMate = 5,      // shown as "(詰み)"
  };

  int32_t annotation = 0;             // leading word: the user's annotation code, 0 none
  int32_t value = kNoValue;           // from sente's point of view
  int32_t counter1 = 0;
  int32_t counter2 = 0;
  int32_t predicted_reply = 0;        // KMoveWord of the variation's second move
  std::vector<KMoveWord> pv;  // principal variation, the move played first
  KString text;
  int32_t result_kind = kResultNone;
  uint8_t display_flag = 0;
  double speed = 0;                   // nodes per second
  uint8_t threat = 0;                 // the chosen move threatens mate

  // Clears the think result: value none, counters, variation (keeping its
  // storage), result kind, flag, speed and threat. The annotation and the text
  // are left as they are.
  void Reset();
};

}  // namespace model
