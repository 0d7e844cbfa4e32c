#include "engine/driver/driver_words.h"

namespace driver {

std::atomic<int32_t> max_depth{1};
std::atomic<uint32_t> think_start_ms{0};

}  // namespace driver
