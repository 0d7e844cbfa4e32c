#include "engine/bridge/position_bridge.h"

#include <cstring>

#include "engine/board/position_setup.h"
#include "model/position/koma_convert.h"
#include "model/position/move_word.h"
#include "model/position/sashite_decode.h"

namespace bridge {

// The game record keeps the engine's move words and reads them, and converts
// piece codes, with a layout of its own (model/position/move_word.h): both
// sides hold the same squares, codes and words.
static_assert(model::kNoMoveWord == board::kNoMoveWord && model::kWordHand == board::kInHand);
static_assert(model::kWordPromoted == board::kPromotedBit && model::kWordSente == board::kSenteBit &&
              model::kWordGote == board::kGoteBit);
static_assert(model::kWordRook == board::kRook && model::kWordBishop == board::kBishop &&
              model::kWordGold == board::kGold && model::kWordSilver == board::kSilver &&
              model::kWordKnight == board::kKnight && model::kWordLance == board::kLance &&
              model::kWordPawn == board::kPawn && model::kWordKing == board::kKing);
consteval bool squares_agree() {
  for (int sq = 0; sq < 256; ++sq) {
    if (model::word_on_board(sq) != board::is_playing_square(sq)) return false;
    if (!board::is_playing_square(sq)) continue;
    if (model::word_file(sq) != board::square_file(sq) || model::word_rank(sq) != board::square_rank(sq)) return false;
    if (model::word_square(board::square_file(sq), board::square_rank(sq)) != sq) return false;
  }
  return true;
}
static_assert(squares_agree());
static_assert(model::word_pack(board::square_of(8, 8), board::square_of(2, 2), board::kSenteBit | board::kBishop,
                               board::kGoteBit | board::kBishop, 1) ==
              board::kmove_pack(board::square_of(8, 8), board::square_of(2, 2), board::kSenteBit | board::kBishop,
                                board::kGoteBit | board::kBishop, 1));
static_assert(model::word_drop(board::square_of(5, 5), board::kGoteBit | board::kGold) ==
              board::kmove_drop(board::square_of(5, 5), board::kGoteBit | board::kGold));

namespace {

using board::kInHand;
using board::kKindRange;
using board::kNotInPlay;
using model::koma_engine_to_gui;
using model::koma_gui_to_engine;

// A knight on its side's last rank has no move; its attack table would reach
// outside the board array.
bool dead_knight(int code, int rank) {
  if (board::code_class(code) != board::kKnight) return false;
  return board::code_side(code) == 0 ? rank == 1 : rank == 9;
}

// Fills `p` from `k`; false for a position the engine cannot hold.
bool load_into(board::KPosition& p, const model::Kyokumen& k) {
  board::pos_place_template(p);
  int used[9] = {};
  for (int n = 0; n < board::kPieceCount; ++n) p.piece[n].sq = kNotInPlay;
  p.piece[0].code = board::kKing | board::kSenteBit;
  p.piece[1].code = board::kKing | board::kGoteBit;

  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const model::Koma c = k.At(file, rank);
      const int sq = board::square_of(file, rank);
      if (c.code & 0xE0) return false;  // not a piece code (a wall inside the board)
      const int code = koma_gui_to_engine(c);
      if (code == 0) {
        p.board[sq] = board::kEmptyNumber;
        continue;
      }
      if (dead_knight(code, rank)) return false;
      const int kind = board::code_kind(code);
      int n;
      if (kind == board::kKing) {
        n = board::code_side(code);
        if (p.piece[n].sq != kNotInPlay) return false;  // two kings of one side
      } else {
        if (used[kind] >= kKindRange[kind].count) return false;
        n = kKindRange[kind].first + used[kind]++;
      }
      p.board[sq] = static_cast<uint8_t>(n);
      p.piece[n] = {static_cast<uint8_t>(sq), static_cast<uint8_t>(code)};
    }
  }

  for (int type = model::kFu; type <= model::kHi; ++type) {
    const int kind = model::kTypeToEngine[type];
    const int counts[2] = {k.mochigoma[0][type], k.mochigoma[1][type]};
    if (counts[0] < 0 || counts[1] < 0) return false;
    if (used[kind] + counts[0] + counts[1] > kKindRange[kind].count) return false;
    for (int side = 0; side < 2; ++side) {
      p.hand[side][kind] = static_cast<uint8_t>(counts[side]);
      for (int i = 0; i < counts[side]; ++i) {
        const int n = kKindRange[kind].first + used[kind]++;
        p.piece[n] = {kInHand, static_cast<uint8_t>(kind | board::side_bit(side))};
      }
    }
  }
  for (int kind = board::kRook; kind <= board::kPawn; ++kind) {
    for (int i = used[kind]; i < kKindRange[kind].count; ++i) {
      p.piece[kKindRange[kind].first + i] = {kNotInPlay, static_cast<uint8_t>(kind | board::kGoteBit)};
    }
  }

  p.teban = k.teban == 0 ? 0 : 1;
  board::pos_rebuild(p);
  return true;
}

}  // namespace

int position_load(board::KPosition& p, const model::Kyokumen& k) {
  // Built aside so that a position the engine cannot hold changes nothing.
  board::KPosition loaded;
  if (!load_into(loaded, k)) return -1;
  std::memcpy(&p, &loaded, sizeof p);
  return 0;
}

int position_export(model::Kyokumen& k, const board::KPosition& p) {
  const int32_t teaiwari = k.teaiwari;
  std::memset(&k, 0, sizeof k);
  for (model::Koma& c : k.ban) c.Set(model::kWall);
  int count[9] = {};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const int n = p.board[board::square_of(file, rank)];
      if (n >= board::kPieceCount) {
        k.At(file, rank).Set(model::kEmpty);
        continue;
      }
      const int code = p.piece[n].code;
      k.At(file, rank).Set(koma_engine_to_gui(code));
      ++count[board::code_kind(code)];
    }
  }
  for (int kind = board::kRook; kind <= board::kKing; ++kind) {
    const int type = koma_engine_to_gui(kind);
    int left = kKindRange[kind].count - count[kind];
    if (kind != board::kKing) {
      for (int side = 0; side < 2; ++side) {
        k.mochigoma[side][type] = static_cast<int8_t>(p.hand[side][kind]);
        left -= p.hand[side][kind];
      }
    }
    k.mochigoma[model::kBoxRow][type] = static_cast<int8_t>(left);
  }
  k.teban = p.teban;
  k.teaiwari = teaiwari;
  return 0;
}

int sashite_to_kmove(board::KMove& out, const board::KPosition& p, const model::Sashite& m) {
  out = board::pass_move();
  if (m.special != model::kOrdinaryMove || m.to_x < 1 || m.to_x > 9 || m.to_y < 1 || m.to_y > 9) return -1;
  const int to = board::square_of(m.to_x, m.to_y);
  const int code = koma_gui_to_engine(m.koma);
  board::KMove r = board::pass_move();
  r.to = static_cast<uint8_t>(to);
  if (m.IsDrop()) {
    const int kind = board::code_kind(code);
    if ((code & board::kPromotedBit) || kind < board::kRook || kind > board::kPawn || p.hand[p.teban][kind] < 1) return -1;
    if (p.board[to] != board::kEmptyNumber) return -1;
    const int total = p.hand[0][kind] + p.hand[1][kind];
    r.from = kInHand;
    r.piece = p.hand_slot[kKindRange[kind].first + total - 1];
    r.code = static_cast<uint8_t>(kind | board::side_bit(p.teban));
  } else {
    if (m.from_x < 1 || m.from_x > 9 || m.from_y < 1 || m.from_y > 9) return -1;
    const int from = board::square_of(m.from_x, m.from_y);
    const int n = p.board[from];
    const int captured = p.board[to];
    if (n >= board::kPieceCount || code == 0 || p.piece[n].code != code) return -1;
    if (captured > board::kEmptyNumber || (p.piece[captured].code & board::side_bit(board::code_side(code)))) {
      return -1;
    }
    r.from = static_cast<uint8_t>(from);
    r.piece = static_cast<uint8_t>(n);
    r.captured = static_cast<uint8_t>(captured);
    r.code = static_cast<uint8_t>(code);
    r.captured_code = p.piece[captured].code;
    r.promote = m.nari ? 1 : 0;
  }
  // A knight left on its last rank would have no move at all.
  if (dead_knight(r.promote ? r.code | board::kPromotedBit : r.code, m.to_y)) return -1;
  out = r;
  return 0;
}

int word_to_sashite(model::Sashite& out, board::KMoveWord w) { return model::sashite_decode(w, out); }

int word_to_sashite(model::Sashite& out, const model::Kyokumen& k, board::KMoveWord w) {
  model::Sashite s;
  if (word_to_sashite(s, w) != 0 || !k.CompleteSashite(s)) {
    out = model::Sashite{};
    return -1;
  }
  out = s;
  return 0;
}

int word_side(board::KMoveWord w) { return (board::kmove_piece(w) & board::kSenteBit) ? 0 : 1; }

int kmove_to_sashite(model::Sashite& out, const model::Kyokumen& k, const board::KMove& m) {
  return word_to_sashite(out, k, board::move_word(m));
}

}  // namespace bridge
