// Packed hands: the counts clamp to what a hand can hold, and the full hand
// is the one every larger count packs to.
#include <gtest/gtest.h>

#include <vector>

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

TEST(ProofHands, MeetingTheFullHandCarriedBackNeedsNoUnpacking) {
  // Hands below, at and above the limits, met with the full hand carried back
  // through drops, captures of every kind and plain moves.
  std::vector<board::KMove> moves;
  for (int kind = board::kRook; kind <= board::kPawn; ++kind) {
    board::KMove drop{};
    drop.from = board::kInHand;
    drop.code = static_cast<uint8_t>(kind | board::kGoteBit);
    moves.push_back(drop);
    board::KMove capture{};
    capture.from = 77;
    capture.captured_code = static_cast<uint8_t>(kind | board::kPromotedBit | board::kSenteBit);
    moves.push_back(capture);
  }
  moves.push_back(board::KMove{});
  for (int fill : {-1, 0, 1, 3, 18, 25}) {
    HandCounts h;
    for (int k = board::kRook; k <= board::kPawn; ++k) h.n[k] = k == board::kSilver ? 2 : fill;
    for (const board::KMove& m : moves) {
      const HandCounts want = hand_min(h, or_disproof_hand_back(kFullHand, m));
      const HandCounts got = hand_min_full_back(h, m);
      for (int k = board::kRook; k <= board::kPawn; ++k) EXPECT_EQ(got.n[k], want.n[k]) << "fill " << fill << " kind " << k;
    }
  }
}

}  // namespace
}  // namespace tsume
