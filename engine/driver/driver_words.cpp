#include "engine/driver/driver_words.h"

namespace driver {

uint32_t senkei_mask[2] = {0, 0};
uint32_t senkei_played[2] = {kAllStrategies, kAllStrategies};
int32_t hopeless_score[2] = {kNoHopelessScore, kNoHopelessScore};

std::atomic<int32_t> max_depth{1};
std::atomic<uint32_t> think_start_ms{0};

}  // namespace driver
