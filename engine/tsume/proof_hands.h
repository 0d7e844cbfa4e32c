// Proof and disproof hands: the attacker's hand stored with a result, chosen so
// that the result also answers every position of the same board with a larger
// hand (proofs) or a smaller one (disproofs).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace tsume {

// The most pieces of each kind 1..7 a hand can hold, all the game's pieces of
// the kind (index 0 unused).
inline constexpr auto kHandKindMax = [] {
  std::array<int, 8> t{};
  for (int k = board::kRook; k <= board::kPawn; ++k) t[k] = board::kKindRange[k].count;
  return t;
}();

// The packed hand that holds every piece of every kind: the hand of a
// disproof that holds whatever the attacker holds.
inline constexpr uint32_t kFullHand = [] {
  uint32_t packed = 0;
  for (int k = board::kRook; k <= board::kPawn; ++k) packed += static_cast<uint32_t>(kHandKindMax[k]) << board::kHandFieldShift[k];
  return packed;
}();

// Counts by kind 1..7 (index 0 unused) to and from the packed hand field
// (pack_hand clamps each count to 0..kHandKindMax).
struct HandCounts {
  int n[8] = {};
};
HandCounts unpack_hand(uint32_t packed);
uint32_t pack_hand(const HandCounts& h);

// The proof hand of a mated position, or the floor of an AND node's proof
// hand: for every kind the defender holds none of, the attacker's whole count
// (with fewer, the defender would hold some and could interpose); else 0.
HandCounts mated_proof_hand(const board::KPosition& p, int attacker);

// A child's proof hand carried back through the attacker's move: one less of
// a captured kind, one more of a dropped kind.
uint32_t tsume_or_proof_hand(uint32_t child_hand, const board::KMove& m);

// A child's disproof hand carried back through the attacker's move (capture
// -1, drop +1), to be met with the others by taking the minimum.
HandCounts or_disproof_hand_back(uint32_t child_hand, const board::KMove& m);

// The kind-by-kind minimum of two disproof hands: the hand that all of them allow.
inline HandCounts hand_min(const HandCounts& a, const HandCounts& b) {
  HandCounts h;
  for (int k = board::kRook; k <= board::kPawn; ++k) h.n[k] = std::min(a.n[k], b.n[k]);
  return h;
}

// hand_min(h, or_disproof_hand_back(kFullHand, m)) without unpacking the full
// hand: every kind is capped at what a hand can hold, and a capture taken back
// lowers its kind to one less (a drop taken back leaves the full hand full).
// The mate-in-one trial meets most refuted checks so.
inline HandCounts hand_min_full_back(HandCounts h, const board::KMove& m) {
  for (int k = board::kRook; k <= board::kPawn; ++k) h.n[k] = std::min(h.n[k], kHandKindMax[k]);
  if (m.from != board::kInHand && m.captured_code != 0) {
    const int k = board::code_kind(m.captured_code);
    h.n[k] = std::min(h.n[k], kHandKindMax[k] - 1);
  }
  return h;
}

// The largest hand an OR node's disproof can claim: every piece of the kinds
// the attacker holds, none of the kinds it lacks.
HandCounts or_disproof_start(const board::KPosition& p, int attacker);

// A position without a check: the attacker's count plus the defender's for
// every kind the attacker holds, 0 for the others.
uint32_t tsume_nocheck_disproof_hand(const board::KPosition& p, int attacker);

}  // namespace tsume
