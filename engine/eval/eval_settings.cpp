#include "engine/eval/eval_settings.h"

namespace eval {

uint32_t eval_settings_count = 0;

}  // namespace eval
