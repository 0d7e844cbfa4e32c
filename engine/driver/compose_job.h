// The computer thread's compose job: KCompose makes one mate problem with the
// job's limits and piece table, and the job hands it out as a game-model
// position. KCompose::Stop may be called on the user-interface thread while it
// runs.
#pragma once

#include <cstdint>

#include "engine/tsume/compose.h"
#include "model/position/kyokumen.h"

namespace driver {

struct KComposeJob {
  int32_t reseed = 0;       // seed the composer's random numbers first
  uint32_t time_ms = 0;     // the job's budget
  int32_t tesuu = 0;        // minimum length in plies
  uint32_t tsume_time = 0;  // ms per solve
  uint32_t expand_max = 0;  // nodes per solve
  uint32_t seed = 0;
  int32_t pieces[tsume::kComposePieceTableSize] = {};  // by tsume::compose_entry(group, kind)
  tsume::KCompose compose;
  int32_t result = 0;       // 1 when a problem was made
  model::Kyokumen problem;  // the problem, marked as a mate problem when complete
  uint32_t length = 0;      // its line's plies
  uint32_t nodes = 0;       // the solver's nodes for it
};

// Command 22: KCompose::Init with the seed when asked, then KCompose::Compose;
// a problem made is exported into the job. 0 made, -1 none.
int compose_job(KComposeJob& job);

}  // namespace driver
