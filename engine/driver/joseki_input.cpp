#include "engine/driver/joseki_input.h"

namespace driver {

void JosekiInput::Push(const model::Kyokumen& k) {
  if (records_.size() >= kMaxRecords) records_.erase(records_.begin());
  Record& r = records_.emplace_back();
  r.kyokumen.Copy(k);
}

void JosekiInput::PushSashite(const model::Sashite& m) {
  if (!records_.empty()) records_.back().moves.push_back(m);
}

bool JosekiInput::PopKyokumen(model::Kyokumen* out) {
  if (records_.empty()) return false;
  out->Copy(records_.back().kyokumen);
  records_.pop_back();
  return true;
}

bool JosekiInput::PopSashite(model::Sashite* out) {
  if (IsSashiteEmpty()) return false;
  *out = records_.back().moves.back();
  records_.back().moves.pop_back();
  return true;
}

void JosekiInput::Rebuild() { records_.clear(); }

}  // namespace driver
