// Sashite: the eight-byte move of the game model, also used for record events
// (mate, resignation, repetition, ...) that have no effect on the board.
#pragma once

#include <cstdint>

#include "model/position/koma.h"

namespace model {

class KString;

// Source files of drops and of board-editor moves.
constexpr int kSenteHand = 11;
constexpr int kGoteHand = 12;
constexpr int kPieceBox = 13;

// Record events kept in `special`.
enum SpecialCode : int {
  kOrdinaryMove = 0,
  kTsumi = 1,            // mate ends the game
  kToryo = 2,            // resignation
  kKireMake = 3,         // loss on time
  kMake = 4,             // loss (other)
  kHansokuMake = 5,      // loss by foul
  kHansokuKachi = 6,     // win by foul
  kKachi = 7,            // win (other)
  kJishogi = 8,          // impasse draw
  kSennichite = 9,       // repetition draw
  kSennichiteGoteOute = 10,   // gote gave perpetual check and loses
  kSennichiteSenteOute = 11,  // sente gave perpetual check and loses
  kTaikyokuKaishi = 12,  // start of game: the root of every record
  kMatta = 13,           // take-back
  kChudan = 14,          // game suspended
  kSaikai = 15,          // game resumed
};

struct Sashite {
  int8_t from_x = 0;  // 1..9 a board file; 11/12 a hand; 13 the piece box
  int8_t from_y = 0;  // 1..9, or for a drop the piece type taken
  int8_t to_x = 0;
  int8_t to_y = 0;
  Koma koma{0};       // the piece that moves, before the move
  Koma tori{0};       // the piece captured (0 = none)
  int8_t nari = 0;    // nonzero: the piece promotes
  int8_t special = 0; // SpecialCode

  Sashite() = default;
  Sashite(int fx, int fy, int tx, int ty, int k, int t, int n, int s) { Set(fx, fy, tx, ty, k, t, n, s); }

  void Set(int fx, int fy, int tx, int ty, int k, int t, int n, int s) {
    from_x = static_cast<int8_t>(fx);
    from_y = static_cast<int8_t>(fy);
    to_x = static_cast<int8_t>(tx);
    to_y = static_cast<int8_t>(ty);
    koma.Set(k);
    tori.Set(t);
    nari = static_cast<int8_t>(n);
    special = static_cast<int8_t>(s);
  }
  Koma GetKoma() const { return koma; }
  // True for a drop from either hand.
  bool IsDrop() const { return from_x == kSenteHand || from_x == kGoteHand; }
  // The move's text ("▲７六歩", "△同　銀右", "投了", ...) with the modifier words
  // of `flags` (sashite_text.h), written "同　" when it goes to (prev_x, prev_y);
  // -1 (with only the side mark in `out`) for an unknown special code.
  int ToText(int prev_x, int prev_y, KString& out, int flags) const;

  bool operator==(const Sashite&) const = default;
};

static_assert(sizeof(Sashite) == 8, "Sashite is stored and passed as eight bytes");

}  // namespace model
