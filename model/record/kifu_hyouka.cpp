#include "model/record/kifu_hyouka.h"

namespace model {

void KifuHyouka::Reset() {
  value = kNoValue;
  counter1 = 0;
  counter2 = 0;
  predicted_reply = 0;
  pv.clear();
  result_kind = kResultNone;
  display_flag = 0;
  speed = 0;
  threat = 0;
}

}  // namespace model
