#include "model/position/koma_convert.h"

namespace model {

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
  return (code & kWordGote) ? type | kGoteBit : type;
}

int koma_gui_to_engine(Koma k) {
  const int code = kTypeToEngine[k.Type()];
  if (code == 0 || k.code == kWall) return 0;
  return code | ((k.code & kGoteBit) ? kWordGote : kWordSente);
}

}  // namespace model
