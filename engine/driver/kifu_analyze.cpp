#include "engine/driver/kifu_analyze.h"

namespace driver {

void kifu_analyze(int, const model::KifuSashite*, model::KString&) {}

}  // namespace driver
