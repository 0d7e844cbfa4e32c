// A position as a KIF-style board diagram (Shift-JIS text, LF line ends).
#pragma once

#include <string>

#include "model/position/kyokumen.h"

namespace app {

std::string position_diagram(const model::Kyokumen& pos);

}  // namespace app
