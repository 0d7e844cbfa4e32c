// TEMPORARY: see mate_threat_probe_standin.h.
#include "engine/search/mate_threat_probe_standin.h"

namespace search {

int mate_threat_probe(board::KSearchNode&, board::KSearchNode&, board::KPosition&, const board::KMove&, int, int,
                      const board::KMove*, int) {
  return 1;
}

}  // namespace search
