// JikanSettei: the time control of one player.
#pragma once

#include <cstdint>

namespace model {

struct JikanSettei {
  enum Mode : int32_t { kNoLimit = 0, kMainTime = 2, kByoyomiOnly = 3 };

  int32_t main_time = -1;   // seconds; -1 = no limit
  int32_t byoyomi = 0;      // seconds
  int32_t units = 0;        // one-minute extension units
  int32_t last_move = 0;    // seconds of the last move
  int32_t mode = kNoLimit;
  int32_t main_left = 0;    // seconds of main time left
  int32_t units_left = 0;

  // All three zero means no limit. The clock starts in main time when there is
  // some, in byoyomi when main time is 0 or less.
  void Init(int32_t main, int32_t byo, int32_t unit_count) {
    if (main == 0 && byo == 0 && unit_count == 0) main = -1;
    main_time = main;
    byoyomi = byo;
    units = unit_count;
    last_move = 0;
    mode = main == -1 ? kNoLimit : (main <= 0 ? kByoyomiOnly : kMainTime);
    main_left = main == -1 ? 0 : main;
    units_left = unit_count;
  }
};

static_assert(sizeof(JikanSettei) == 28);

}  // namespace model
