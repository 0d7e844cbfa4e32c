#include "engine/eval/root_globals.h"

namespace eval {

int32_t root_senkei[2] = {0, 0};
int32_t root_yagura = 0;

}  // namespace eval
