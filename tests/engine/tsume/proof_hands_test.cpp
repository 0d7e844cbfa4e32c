// Packed hands: the counts clamp to what a hand can hold, and the full hand
// is the one every larger count packs to.
#include <gtest/gtest.h>

#include "engine/tsume/proof_hands.h"

namespace tsume {
namespace {

TEST(ProofHands, CountsClampToWhatAHandCanHold) {
  HandCounts over;
  for (int k = board::kRook; k <= board::kPawn; ++k) over.n[k] = 18;
  EXPECT_EQ(pack_hand(over), kFullHand);
  const HandCounts full = unpack_hand(kFullHand);
  for (int k = board::kRook; k <= board::kPawn; ++k) EXPECT_EQ(full.n[k], kHandKindMax[k]) << "kind " << k;

  // A negative count (a refutation's hand with none of a kind left) packs as 0.
  HandCounts mixed;
  mixed.n[board::kRook] = -1;
  mixed.n[board::kGold] = 3;
  mixed.n[board::kPawn] = 20;
  const HandCounts back = unpack_hand(pack_hand(mixed));
  EXPECT_EQ(back.n[board::kRook], 0);
  EXPECT_EQ(back.n[board::kGold], 3);
  EXPECT_EQ(back.n[board::kPawn], kHandKindMax[board::kPawn]);
}

TEST(ProofHands, ADropCarriedBackIntoTheFullHandStaysFull) {
  // A disproof that holds whatever the attacker holds still does after a drop
  // taken back; a capture taken back leaves one piece fewer of its kind.
  board::KMove drop{};
  drop.from = board::kInHand;
  drop.code = static_cast<uint8_t>(board::kSilver | board::kSenteBit);
  EXPECT_EQ(pack_hand(or_disproof_hand_back(kFullHand, drop)), kFullHand);
  board::KMove capture{};
  capture.from = 60;
  capture.captured_code = static_cast<uint8_t>(board::kBishop | board::kGoteBit);
  EXPECT_EQ(or_disproof_hand_back(kFullHand, capture).n[board::kBishop], kHandKindMax[board::kBishop] - 1);
}

}  // namespace
}  // namespace tsume
