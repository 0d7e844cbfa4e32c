// The change of a stepping piece's attacks when it moves one of its own steps
// and keeps its code: which squares only the from-square's steps reach and
// which only the to-square's do. The squares both reach keep the piece's attack
// (a gold moving forward still attacks the squares beside it), so make and
// unmake change only the two lists. Internal to engine/board.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/kiki_update.h"

namespace board::detail {

struct StepDiff {
  uint8_t lose_count;  // offsets from the from-square: attacked before only
  uint8_t gain_count;  // offsets from the to-square: attacked after only
  int8_t lose[8];
  int8_t gain[8];
  // The lists are all of the steps off and on again, so a square may be on
  // both; otherwise no square is.
  bool whole;
};

// A one-step move's square differences: the eight king steps, then the
// knight's jumps of sente and of gote.
inline constexpr std::array<int, 12> kStepMoveDiffs = {16, 17, 1, -15, -16, -17, -1, 15, -33, -31, 31, 33};
inline constexpr int kMaxStepDiff = 33;

// Besides one slot per difference: all the code's steps off and on again (a
// move that no difference slot covers), and a promotion's (the code's steps
// off, the promoted code's on).
inline constexpr int kWholeSlot = 12;
inline constexpr int kPromotionSlot = 13;
inline constexpr int kStepSlots = 14;

// The slot of each difference -33..33.
inline constexpr auto kStepSlot = [] {
  std::array<int8_t, 2 * kMaxStepDiff + 1> t{};
  for (int8_t& e : t) e = kWholeSlot;
  for (int i = 0; i < static_cast<int>(kStepMoveDiffs.size()); ++i) {
    t[kMaxStepDiff + kStepMoveDiffs[i]] = static_cast<int8_t>(i);
  }
  return t;
}();

// The codes of both sides from sente's side bit on: sente's 0x20..0x3F, gote's
// 0x40..0x5F.
inline constexpr int kStepDiffCodes = kPieceCodes - kSenteBit;

// By piece code (less sente's bit) and slot.
inline constexpr auto kStepDiffs = [] {
  std::array<std::array<StepDiff, kStepSlots>, kStepDiffCodes> t{};
  for (int i = 0; i < kStepDiffCodes; ++i) {
    const PieceSteps& e = kPieceSteps[kSenteBit + i];
    const PieceSteps& promoted = kPieceSteps[(kSenteBit + i) | kPromotedBit];
    auto has = [&](int o) {
      for (int k = 0; k < e.step_count; ++k) {
        if (e.step[k] == o) return true;
      }
      return false;
    };
    for (int slot = 0; slot < kStepSlots; ++slot) {
      StepDiff& r = t[i][slot];
      r.whole = slot >= kWholeSlot;
      for (int k = 0; k < e.step_count; ++k) {
        const int o = e.step[k];
        if (slot < kWholeSlot) {
          // from + o is the to-square's step o - d; to + o is the from-square's step o + d.
          const int d = kStepMoveDiffs[slot];
          if (!has(o - d)) r.lose[r.lose_count++] = static_cast<int8_t>(o);
          if (!has(o + d)) r.gain[r.gain_count++] = static_cast<int8_t>(o);
        } else {
          r.lose[r.lose_count++] = static_cast<int8_t>(o);
        }
      }
      const PieceSteps& after = slot == kPromotionSlot ? promoted : e;
      for (int k = 0; slot >= kWholeSlot && k < after.step_count; ++k) r.gain[r.gain_count++] = after.step[k];
    }
  }
  return t;
}();

// The slot of a move of a piece that only steps.
inline int step_slot(int from, int to, bool promotes) {
  const unsigned at = static_cast<unsigned>(kMaxStepDiff + to - from);
  return promotes ? kPromotionSlot : at < kStepSlot.size() ? kStepSlot[at] : kWholeSlot;
}

// The change for the move of a piece that only steps, from its code before
// the move and its slot (step_slot), or its squares and whether it promotes.
inline const StepDiff& step_diff_at(int code, int slot) { return kStepDiffs[code - kSenteBit][slot]; }
inline const StepDiff& step_diff(int code, int from, int to, bool promotes) {
  return step_diff_at(code, step_slot(from, to, promotes));
}

// The same changes as sets of directions, bit i for the step kStepMoveDiffs[i]:
// the lost steps in the low half of a word, the gained in the high half. Make
// and unmake walk a set's bits that land on the board (kStepsOnBoard) instead
// of a list whose every step is tested against the walls, and a word is all an
// undo log keeps of them.
inline constexpr int kGainShift = 16;

constexpr int step_direction(int offset) {
  for (int i = 0; i < static_cast<int>(kStepMoveDiffs.size()); ++i) {
    if (kStepMoveDiffs[i] == offset) return i;
  }
  return -1;
}

inline constexpr auto kStepDiffDirections = [] {
  std::array<std::array<uint32_t, kStepSlots>, kStepDiffCodes> t{};
  for (int i = 0; i < kStepDiffCodes; ++i) {
    for (int slot = 0; slot < kStepSlots; ++slot) {
      const StepDiff& d = kStepDiffs[i][slot];
      uint32_t w = 0;
      for (int k = 0; k < d.lose_count; ++k) w |= 1u << step_direction(d.lose[k]);
      for (int k = 0; k < d.gain_count; ++k) w |= 1u << (kGainShift + step_direction(d.gain[k]));
      t[i][slot] = w;
    }
  }
  return t;
}();

// Every step of a piece that only steps is one of the twelve differences.
static_assert([] {
  for (const auto& row : kStepDiffs) {
    for (const StepDiff& d : row) {
      for (int k = 0; k < d.lose_count; ++k) {
        if (step_direction(d.lose[k]) < 0) return false;
      }
      for (int k = 0; k < d.gain_count; ++k) {
        if (step_direction(d.gain[k]) < 0) return false;
      }
    }
  }
  return true;
}());

inline uint32_t step_directions_at(int code, int slot) { return kStepDiffDirections[code - kSenteBit][slot]; }
inline uint32_t step_diff_directions(int code, int from, int to, bool promotes) {
  return step_directions_at(code, step_slot(from, to, promotes));
}

// By square: the directions whose step from it lands on a playing square.
inline constexpr auto kStepsOnBoard = [] {
  std::array<uint16_t, 256> t{};
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) continue;
    for (int i = 0; i < static_cast<int>(kStepMoveDiffs.size()); ++i) {
      if (is_playing_square(sq + kStepMoveDiffs[i])) t[sq] |= static_cast<uint16_t>(1u << i);
    }
  }
  return t;
}();

}  // namespace board::detail
