#include "engine/driver/driver_words.h"

namespace driver {

RunningThink running_think;

}  // namespace driver
