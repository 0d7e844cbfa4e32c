#include "engine/board/move_list_filter.h"

namespace board {

namespace {

// The moves of a class as bits: 0x01 forward step, 0x02 forward slide, 0x04
// knight jump, 0x08 diagonal steps, 0x10 the gold's other steps, 0x20 diagonal
// slides, 0x40 orthogonal slides.
int move_set_bits(int cls) {
  switch (cls) {
    case kRook: return 0x43;
    case kBishop: return 0x20;
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin: return 0x11;
    case kSilver: return 0x09;
    case kKnight: return 0x04;
    case kLance: return 0x03;
    case kPawn: return 0x01;
    case kDragon: return 0x5B;
    case kHorse: return 0x39;
    default: return 0;
  }
}

bool gold_like(int cls) { return cls == kGold || (cls >= (kSilver | kPromotedBit) && cls <= kTokin); }

// The class rule: the last move is one that its maker may well take back.
bool retreatable(const KMove& p) {
  const int cls = code_class(p.code);
  const bool same_file = square_file(p.from) == square_file(p.to);
  const bool same_rank = square_rank(p.from) == square_rank(p.to);
  if (gold_like(cls)) return same_file || same_rank;
  if (cls == kSilver) return !same_file;
  return cls == kRook || cls == kBishop || cls == kKing || cls == kDragon || cls == kHorse;
}

bool removed(const KMove& m, const KMove& p, const KMove& q) {
  const bool m_drop = m.from == kInHand;
  const bool q_drop = q.from == kInHand;
  if (m.to == p.from && q_drop && m.from == q.to && p.captured_code == 0) return true;
  if (q_drop && q.to == p.to && m_drop && m.to == p.from) return true;
  if (m_drop && m.to == q.from && q.captured_code == 0 && p.to == q.to) {
    const int m_bits = move_set_bits(code_class(m.code));
    return (m_bits & ~move_set_bits(code_class(q.code))) == 0;
  }
  return false;
}

}  // namespace

int sashite_list_filter(int count, KMove* moves, const KMove* p, const KMove* q) {
  if (p == nullptr || q == nullptr || p->from >= kInHand || !retreatable(*p)) return count;
  for (int i = 0; i < count;) {
    if (moves[i].from != kPassSquare && removed(moves[i], *p, *q)) {
      moves[i] = moves[--count];
    } else {
      ++i;
    }
  }
  return count;
}

}  // namespace board
