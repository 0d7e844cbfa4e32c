#include "model/position/kyokumen.h"

#include <cstddef>
#include <cstring>

#include "model/position/piece_rules.h"
#include "model/position/position_hash_keys.h"

namespace model {

static_assert(offsetof(Kyokumen, mochigoma) == 124);
static_assert(offsetof(Kyokumen, teban) == 152);

namespace {

struct EvenBoard {
  Koma cells[121];
};

constexpr EvenBoard build_even_board() {
  EvenBoard b{};
  for (int i = 0; i < 121; ++i) b.cells[i].Set(kWall);
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) b.cells[Kyokumen::Cell(x, y)].Set(kEmpty);
  }
  const int back[10] = {0, kKyo, kKei, kGin, kKin, kOu, kKin, kGin, kKei, kKyo};
  for (int x = 1; x <= 9; ++x) {
    b.cells[Kyokumen::Cell(x, 1)].Set(back[x] | kGoteBit);
    b.cells[Kyokumen::Cell(x, 3)].Set(kFu | kGoteBit);
    b.cells[Kyokumen::Cell(x, 7)].Set(kFu);
    b.cells[Kyokumen::Cell(x, 9)].Set(back[x]);
  }
  b.cells[Kyokumen::Cell(2, 2)].Set(kKaku | kGoteBit);
  b.cells[Kyokumen::Cell(8, 2)].Set(kHi | kGoteBit);
  b.cells[Kyokumen::Cell(8, 8)].Set(kKaku);
  b.cells[Kyokumen::Cell(2, 8)].Set(kHi);
  return b;
}

// The even-game board, built at compile time.
constexpr EvenBoard kEvenBoard = build_even_board();

const Koma* even_template() { return kEvenBoard.cells; }

// The piece each handicap bit removes: its square and its box column.
struct HandicapPiece {
  int bit, x, y, type;
};
constexpr HandicapPiece kHandicapPieces[] = {
    {0x001, 1, 1, kKyo}, {0x002, 9, 1, kKyo}, {0x004, 2, 1, kKei}, {0x008, 8, 1, kKei},
    {0x010, 3, 1, kGin}, {0x020, 7, 1, kGin}, {0x040, 4, 1, kKin}, {0x080, 6, 1, kKin},
    {0x100, 2, 2, kKaku}, {0x200, 8, 2, kHi}, {0x400, 5, 9, kOu},
};

// Hash class of a type (rook 0 .. と 13); the other side's pieces add 14.
constexpr int kHashClass[16] = {-1, 6, 5, 4, 3, 2, 1, 0, 7, 13, 12, 11, 10, -1, 9, 8};

// First hand key of each type 1..7 for the side to move and the other side.
constexpr int kHandKeyBase[2][8] = {
    {0, 2288, 2284, 2280, 2276, 2272, 2270, 2268},
    {0, 2326, 2322, 2318, 2314, 2310, 2308, 2306},
};

bool is_recognised(int32_t v) {
  for (int32_t r : kRecognisedTeaiwari) {
    if (r == v) return true;
  }
  return false;
}

}  // namespace

void Kyokumen::Init(int32_t handicap) {
  std::memcpy(ban, even_template(), sizeof ban);
  std::memset(pad0_, 0, sizeof pad0_);
  std::memset(mochigoma, 0, sizeof mochigoma);
  pad1_[0] = 0;
  for (const HandicapPiece& h : kHandicapPieces) {
    if (handicap & h.bit) {
      At(h.x, h.y).Set(kEmpty);
      ++mochigoma[kBoxRow][h.type];
    }
  }
  teaiwari = handicap;
  teban = (handicap == kHirate || handicap == kNoSenteKing) ? 0 : 1;
}

void Kyokumen::Copy(const Kyokumen& src) {
  std::memcpy(ban, src.ban, sizeof ban);
  std::memcpy(mochigoma, src.mochigoma, sizeof mochigoma);
  teban = src.teban;
  teaiwari = src.teaiwari;
}

bool Kyokumen::operator==(const Kyokumen& o) const {
  return std::memcmp(ban, o.ban, sizeof ban) == 0 &&
         std::memcmp(mochigoma, o.mochigoma, sizeof mochigoma) == 0 && teban == o.teban;
}

void Kyokumen::CalcHash(uint32_t out[2]) const {
  const auto& keys = kHashKeyTable;
  uint32_t h0 = 0, h1 = 0;
  const int me = teban == 0 ? 0 : 1;
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) {
      const Koma k = At(x, y);
      const int side = k.Side();
      if (side < 0) continue;
      const int cls = kHashClass[k.Type()] + (side == me ? 0 : 14);
      const int xx = me == 0 ? x : 10 - x;
      const int yy = me == 0 ? y : 10 - y;
      const auto& key = keys[81 * cls + 9 * (yy - 1) + (xx - 1)];
      h0 ^= key.w0;
      h1 ^= key.w1;
    }
  }
  for (int side = 0; side < 2; ++side) {
    const int rel = side == me ? 0 : 1;
    for (int t = kFu; t <= kHi; ++t) {
      int n = mochigoma[side][t];
      if (n <= 0) continue;
      // A count beyond the full set has no key of its own: it hashes as the
      // full set, never past the table.
      if (n > kPieceLimit[t]) n = kPieceLimit[t];
      const auto& key = keys[kHandKeyBase[rel][t] + n - 1];
      h0 ^= key.w0;
      h1 ^= key.w1;
    }
  }
  out[0] = h0;
  out[1] = h1;
}

bool Kyokumen::ToBookKey(BookPosition& out) const {
  if (!Check()) return false;
  // Slot ranges by base type (index = type 1..8).
  constexpr int kFirst[9] = {0, 22, 18, 14, 10, 6, 4, 2, 0};
  constexpr int kEnd[9] = {0, 40, 22, 18, 14, 10, 6, 4, 2};
  uint8_t slot[40];
  bool flag[40] = {};
  int next[9];
  for (int t = 1; t <= 8; ++t) next[t] = kFirst[t];
  const int me = teban == 0 ? 0 : 1;

  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) {
      const Koma k = At(x, y);
      const int side = k.Side();
      if (side < 0) continue;
      const int t = base_type(k.Type());
      const int xx = me == 0 ? x : 10 - x;
      const int yy = me == 0 ? y : 10 - y;
      const int s = next[t]++;
      slot[s] = static_cast<uint8_t>(10 * (yy - 1) + (xx - 1) + (side == me ? 0 : 0x80));
      flag[s] = k.Type() != t;
    }
  }
  for (int t = kFu; t <= kHi; ++t) {
    for (int side = 0; side < 2; ++side) {
      for (int i = 0; i < mochigoma[side][t]; ++i) {
        const int s = next[t]++;
        slot[s] = static_cast<uint8_t>(89 - 10 * t + (side == me ? 0 : 0x80));
        flag[s] = false;
      }
    }
    for (int s = next[t]; s < kEnd[t]; ++s) {
      slot[s] = 0xFF;
      flag[s] = false;
    }
  }
  // Kings: slot 0 for the side to move, slot 1 for the other.
  if (next[kOu] == 0) {
    slot[0] = slot[1] = 0xFF;
  } else if (next[kOu] == 1) {
    if (slot[0] & 0x80) {
      slot[1] = slot[0];
      slot[0] = 0xFF;
    } else {
      slot[1] = 0xFF;
    }
  }
  // Sort every kind's range ascending, flags travelling with their bytes.
  for (int t = 1; t <= 8; ++t) {
    for (int i = kFirst[t]; i < kEnd[t]; ++i) {
      int best = i;
      for (int j = i + 1; j < kEnd[t]; ++j) {
        if (slot[j] < slot[best]) best = j;
      }
      if (best != i) {
        const uint8_t b = slot[i];
        slot[i] = slot[best];
        slot[best] = b;
        const bool f = flag[i];
        flag[i] = flag[best];
        flag[best] = f;
      }
    }
  }
  if (slot[1] == 0xFF && (slot[0] & 0x80)) {
    slot[1] = slot[0];
    slot[0] = 0xFF;
  }
  std::memcpy(out.slot, slot, sizeof slot);
  std::memset(out.promoted, 0, sizeof out.promoted);
  for (int s = 0; s < 40; ++s) {
    if (flag[s]) out.promoted[s / 8] |= static_cast<uint8_t>(1 << (s % 8));
  }
  return true;
}

void Kyokumen::CalcTeaiwari() {
  int box[9];
  for (int t = 1; t <= 8; ++t) {
    box[t] = kPieceLimit[t] - (t == kOu ? 0 : mochigoma[0][t] + mochigoma[1][t]);
  }
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) {
      const Koma k = At(x, y);
      if (k.Side() >= 0) --box[base_type(k.Type())];
    }
  }
  int32_t v = 0;
  if (box[kFu] != 0) v |= kSonota;
  constexpr struct {
    int type, one, both;
  } kPairs[] = {{kKyo, 0x001, 0x003}, {kKei, 0x004, 0x00C}, {kGin, 0x010, 0x030}, {kKin, 0x040, 0x0C0}};
  for (const auto& p : kPairs) {
    if (box[p.type] == 1) {
      v |= p.one;
    } else if (box[p.type] == 2) {
      v |= p.both;
    } else if (box[p.type] != 0) {
      v |= kUnrecognised;
    }
  }
  constexpr struct {
    int type, bit;
  } kSingles[] = {{kKaku, 0x100}, {kHi, 0x200}, {kOu, 0x400}};
  for (const auto& s : kSingles) {
    if (box[s.type] == 1) {
      v |= s.bit;
    } else if (box[s.type] != 0) {
      v |= kUnrecognised;
    }
  }
  for (int t = 1; t <= 8; ++t) mochigoma[kBoxRow][t] = static_cast<int8_t>(box[t]);
  teaiwari = is_recognised(v) ? v : kSonota;
}

bool Kyokumen::FindKing(int side, int* x, int* y) const {
  const int want = kOu | (side ? kGoteBit : 0);
  for (int yy = 1; yy <= 9; ++yy) {
    for (int xx = 1; xx <= 9; ++xx) {
      if (At(xx, yy).code == want) {
        *x = xx;
        *y = yy;
        return true;
      }
    }
  }
  return false;
}

}  // namespace model
