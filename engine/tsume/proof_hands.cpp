#include "engine/tsume/proof_hands.h"

#include <algorithm>

namespace tsume {

using namespace board;

HandCounts unpack_hand(uint32_t packed) {
  HandCounts h;
  for (int k = kRook; k <= kPawn; ++k) h.n[k] = static_cast<int>(hand_field(packed, k));
  return h;
}

uint32_t pack_hand(const HandCounts& h) {
  uint32_t packed = 0;
  for (int k = kRook; k <= kPawn; ++k) {
    packed += static_cast<uint32_t>(std::clamp(h.n[k], 0, kHandKindMax[k])) << kHandFieldShift[k];
  }
  return packed;
}

HandCounts mated_proof_hand(const KPosition& p, int attacker) {
  HandCounts h;
  for (int k = kRook; k <= kPawn; ++k) h.n[k] = p.hand[1 - attacker][k] == 0 ? p.hand[attacker][k] : 0;
  return h;
}

uint32_t tsume_or_proof_hand(uint32_t child_hand, const KMove& m) {
  HandCounts h = unpack_hand(child_hand);
  if (m.from == kInHand) {
    ++h.n[code_kind(m.code)];
  } else if (m.captured_code != 0) {
    const int k = code_kind(m.captured_code);
    if (h.n[k] > 0) --h.n[k];
  }
  return pack_hand(h);
}

HandCounts or_disproof_hand_back(uint32_t child_hand, const KMove& m) {
  HandCounts h = unpack_hand(child_hand);
  if (m.from == kInHand) {
    const int k = code_kind(m.code);
    h.n[k] = std::min(h.n[k] + 1, kHandKindMax[k]);
  } else if (m.captured_code != 0) {
    const int k = code_kind(m.captured_code);
    if (h.n[k] > 0) --h.n[k];
  }
  return h;
}

HandCounts or_disproof_start(const KPosition& p, int attacker) {
  HandCounts h;
  for (int k = kRook; k <= kPawn; ++k) h.n[k] = p.hand[attacker][k] > 0 ? kHandKindMax[k] : 0;
  return h;
}

uint32_t tsume_nocheck_disproof_hand(const KPosition& p, int attacker) {
  HandCounts h;
  for (int k = kRook; k <= kPawn; ++k) {
    h.n[k] = p.hand[attacker][k] > 0 ? p.hand[attacker][k] + p.hand[1 - attacker][k] : 0;
  }
  return pack_hand(h);
}

}  // namespace tsume
