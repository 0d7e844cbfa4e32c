// TEMPORARY: see gen_stamp_standin.h.
#include "engine/search/gen_stamp_standin.h"

namespace search {

void sashite_gen_stamp_clear() {}

}  // namespace search
