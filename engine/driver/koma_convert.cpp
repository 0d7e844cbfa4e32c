#include "engine/driver/koma_convert.h"

namespace driver {

int koma_engine_to_gui(int code) {
  const int bare = code & 0x9F;
  int type = 0;
  for (int t = 1; t < 16; ++t) {
    if (kTypeToEngine[t] != 0 && kTypeToEngine[t] == bare) {
      type = t;
      break;
    }
  }
  if (type == 0) return 0;
  return (code & kEngineGote) ? type | model::kGoteBit : type;
}

int koma_gui_to_engine(model::Koma k) {
  const int engine = kTypeToEngine[k.Type()];
  if (engine == 0 || k.code == model::kWall) return 0;
  return engine | ((k.code & model::kGoteBit) ? kEngineGote : kEngineSente);
}

}  // namespace driver
