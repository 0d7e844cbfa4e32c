#include "engine/driver/compose_job.h"

#include "engine/board/position.h"
#include "engine/bridge/position_bridge.h"

namespace driver {

int compose_job(KComposeJob& job) {
  if (job.reseed) job.compose.Init(job.seed);
  job.result = 0;
  board::KPosition p;
  if (job.compose.Compose(p, job.pieces, job.time_ms, job.tesuu, job.tsume_time, job.expand_max) != 0) return -1;
  job.result = 1;
  job.length = job.compose.accepted_length;
  job.nodes = job.compose.accepted_nodes;
  bridge::position_export(job.problem, p);
  // Sente without a king and every other piece in play: a mate problem.
  job.problem.CalcTeaiwari();
  return 0;
}

}  // namespace driver
