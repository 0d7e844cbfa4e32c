#include "engine/driver/driver_words.h"

namespace driver {

uint32_t senkei_mask[2] = {0, 0};
uint32_t senkei_played[2] = {kAllStrategies, kAllStrategies};
int32_t hopeless_score[2] = {kNoHopelessScore, kNoHopelessScore};
int32_t senkei_sofar = 0;
int32_t senkei_result = 0;

std::atomic<int32_t> game_ply{0};
std::atomic<int32_t> think_time[3] = {0, 0, 0};
std::atomic<int32_t> max_depth{1};
int32_t book_any_ply = 0;
int32_t play_style = 0;
int32_t book_min = 0;
int32_t yosoku_given = 0;
std::atomic<uint32_t> think_start_ms{0};

}  // namespace driver
