// TEMPORARY: see formation_seed_standin.h.
#include "engine/search/formation_seed_standin.h"

namespace search {

void formation_seed(const board::KPosition&, const board::KHashKey&, int) {}

}  // namespace search
