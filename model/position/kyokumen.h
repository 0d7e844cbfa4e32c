// Kyokumen: the 160-byte position of the game model, with its handicap set-ups,
// hash, opening-book key and board-editor operations, and the rules of the game
// as the record code and the readers apply them.
#pragma once

#include <cstdint>

#include "model/position/book_position.h"
#include "model/position/koma.h"
#include "model/position/sashite.h"

namespace model {

class KString;

// Handicap bits: each names a piece that Init takes off gote's side.
enum Teaiwari : int32_t {
  kHirate = 0,
  kKyoOchi = 0x001,        // also 0x002: the other lance
  kKakuOchi = 0x100,
  kHishaOchi = 0x200,
  kHiKyoOchi = 0x201,
  kNimaiOchi = 0x300,
  kYonmaiOchi = 0x303,
  kRokumaiOchi = 0x30F,
  kHachimaiOchi = 0x33F,
  kJumaiOchi = 0x3FF,
  kNoSenteKing = 0x400,    // even set-up without sente's king (problem positions)
  kUnrecognised = 0x800,   // only from CalcTeaiwari: an unrecognised set
  kSonota = 2048,          // any other set-up
};

// Every value Init and CalcTeaiwari recognise.
inline constexpr int32_t kRecognisedTeaiwari[] = {kHirate,     kKyoOchi,     kKakuOchi,
                                                  kHishaOchi,  kHiKyoOchi,   kNimaiOchi,
                                                  kYonmaiOchi, kRokumaiOchi, kHachimaiOchi,
                                                  kJumaiOchi,  kNoSenteKing, kSonota};

// Rows of `mochigoma`.
constexpr int kBoxRow = 2;

// Room for every move the generator can write for one position. Drops reach at
// most 7 kinds x 81 squares = 567; board moves at most 332 (two rooks 2 x 32 and
// two bishops 2 x 40 with their promoting twins, golds 24, silvers 40, knights
// 16, lances 64, pawns 36, king 8). 567 + 332 < 1024. (The richest legal
// position has 593 moves.)
constexpr int kMaxSashite = 1024;

// Results of IsLegal.
enum LegalCode : int { kIllegal = 0, kNoPromotion = 1, kMustPromote = 2, kMayPromote = 3 };

struct Kyokumen {
  Koma ban[121];            // cell y * 11 + x; the border holds 0xFF
  uint8_t pad0_[3];
  int8_t mochigoma[3][9];   // [sente, gote, box][type 1..7; 8 = kings, box only]
  uint8_t pad1_[1];
  int32_t teban;            // 0 sente, 1 gote
  int32_t teaiwari;         // handicap bits

  static constexpr int Cell(int x, int y) { return y * 11 + x; }
  Koma& At(int x, int y) { return ban[Cell(x, y)]; }
  const Koma& At(int x, int y) const { return ban[Cell(x, y)]; }

  // The even game with the handicap bits applied; the giver (gote) moves first
  // except for 0 and 1024.
  void Init(int32_t handicap);
  void Copy(const Kyokumen& src);
  bool operator==(const Kyokumen& o) const;
  bool operator!=(const Kyokumen& o) const { return !(*this == o); }
  int HandCount(int side, int type) const { return mochigoma[side][type]; }

  // The 64-bit position hash as two words, always relative to the side to move.
  void CalcHash(uint32_t out[2]) const;
  // The opening-book key; false (nothing written) when Check rejects the position.
  bool ToBookKey(BookPosition& out) const;
  // Recomputes the box row and `teaiwari` from the pieces present.
  void CalcTeaiwari();

  // Board-editor operations.
  bool EditSashite(const Sashite& m);
  void Flip();
  void BanToMochi(int side);
  void GatherHands(int side);

  // Rules (kyokumen_rules.cpp).
  int IsLegal(const Sashite& m, bool strict) const;
  bool DoSashite(const Sashite& m);
  bool UndoSashite(const Sashite& m);
  bool Check() const;
  bool IsOute(int side) const;
  bool IsUchifuzume(const Sashite& m) const;
  bool HasLegalMove() const;
  // Pseudo-legal moves matching the filters (-1, or 0xFF for the two piece
  // filters, means any; piece filters compare types only); `side` outside 0..1
  // means the side to move. `out` must hold kMaxSashite moves.
  int GenerateSashite(Sashite* out, int from_x, int from_y, int to_x, int to_y, int koma, int tori,
                      int nari, int side) const;
  // All pseudo-legal moves of the side to move.
  int GenerateAll(Sashite* out) const { return GenerateSashite(out, -1, -1, -1, -1, 0xFF, 0xFF, -1, -1); }
  bool CompleteSashite(Sashite& m) const;
  int JishogiPoints(int threshold, int* points) const;

  // The text of move `m` made on this position, with the words that tell it
  // from other pieces of its kind able to reach the same square (sashite_text.cpp).
  int SashiteToText(const Sashite& m, int prev_x, int prev_y, KString& out) const;

  // Square of `side`'s king as (x, y), or false when it has none on the board.
  bool FindKing(int side, int* x, int* y) const;
};

static_assert(sizeof(Kyokumen) == 160, "positions are copied and stored as 160 bytes");

// Promotion zone of a side (ranks 1-3 for sente, 7-9 for gote).
constexpr bool in_promotion_zone(int side, int rank) { return side == 0 ? rank <= 3 : rank >= 7; }

}  // namespace model
