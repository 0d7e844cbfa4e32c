// Koma: the one-byte piece of the game model. The low four bits give the type
// (a promoted type is its base type + 8), bit 0x10 marks gote's pieces, 0 is an
// empty square and 0xFF a wall cell of the board's border.
#pragma once

#include <cstdint>

namespace model {

enum KomaType : int {
  kEmpty = 0,
  kFu = 1,   // pawn
  kKyo = 2,  // lance
  kKei = 3,  // knight
  kGin = 4,  // silver
  kKin = 5,  // gold
  kKaku = 6, // bishop
  kHi = 7,   // rook
  kOu = 8,   // king
  kTo = 9,   // promoted pawn
  kNariKyo = 10,
  kNariKei = 11,
  kNariGin = 12,
  kNone13 = 13,  // a promoted gold does not exist; scans treat it as empty
  kUma = 14,     // promoted bishop
  kRyu = 15,     // promoted rook
};

constexpr int kGoteBit = 0x10;
constexpr int kPromoteBit = 0x08;
constexpr uint8_t kWall = 0xFF;

// Type of a code (low four bits).
constexpr int koma_type(int code) { return code & 15; }
// Types 0 and 13 hold no piece.
constexpr bool type_is_empty(int type) { return type == kEmpty || type == kNone13; }
// The unpromoted type (the king stays a king).
constexpr int base_type(int type) { return type == kOu ? kOu : (type & 7); }
// Side of a piece code tested on the signed byte: 0 sente, 1 gote, -1 no piece.
constexpr int koma_side(int code) {
  const int v = static_cast<int8_t>(static_cast<uint8_t>(code));
  if (v > 0 && v < 16 && !type_is_empty(v)) return 0;
  if (v > 16 && v < 32 && !type_is_empty(v & 15)) return 1;
  return -1;
}

// Names by style and type 0..15; index 0 is the empty square, 13 the type that
// does not exist.
inline constexpr const char* kKomaNames[4][16] = {
    {"・", "歩", "香", "桂", "銀", "金", "角", "飛", "玉", "と", "杏", "圭", "全", "・", "馬", "龍"},
    {"　", "歩", "香", "桂", "銀", "金", "角", "飛", "玉", "と", "成香", "成桂", "成銀", "　", "馬",
     "龍"},
    {"--", "FU", "KY", "KE", "GI", "KI", "KA", "HI", "OU", "TO", "NY", "NK", "NG", "--", "UM", "RY"},
    {".", "p", "l", "n", "s", "g", "b", "r", "k", "P", "L", "N", "S", ".", "B", "R"},
};

struct Koma {
  uint8_t code;

  constexpr void Set(int c) { code = static_cast<uint8_t>(c); }
  // The code as a signed value (the wall reads as -1).
  constexpr int Get() const { return static_cast<int8_t>(code); }
  constexpr int Type() const { return code & 15; }
  constexpr bool IsEmpty() const { return type_is_empty(code & 15) && code != kWall; }
  // 0 sente, 1 gote, -1 for an empty square or a wall.
  constexpr int Side() const { return koma_side(code); }

  // The piece's name in one of four styles: 0 short kanji, 1 KIF, 2 CSA,
  // 3 letters; null for any other style.
  constexpr const char* GetName(int style) const {
    if (style < 0 || style > 3) return nullptr;
    return kKomaNames[style][code & 15];
  }
  // Reads a piece name (or a side mark) at `text`; returns the bytes consumed
  // (0, 2 or 4). The side bit is kept unless a side mark is read; on 0 the piece
  // is unchanged.
  int ParseName(const char* text);

  bool operator==(const Koma&) const = default;
};

static_assert(sizeof(Koma) == 1);

}  // namespace model
