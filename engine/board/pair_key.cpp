#include "engine/board/pair_key.h"

#include <cstdlib>

#include "engine/board/target_list.h"

namespace board {

namespace {

constexpr bool is_pass(const KMove& m) { return m.from == kPassSquare || m.to == kPassSquare; }
// An unpromoted pawn (the side bits and the promotion bit are read off).
constexpr bool unpromoted_pawn(int code) { return code_class(code) == kPawn; }

uint32_t base_key(const KMove& b) { return static_cast<uint32_t>(b.to) * 256 + b.from; }

// The key after a board move a (steps shared by the plain and the drop variant).
uint32_t board_move_key(const KMove& a, uint32_t key) {
  if (a.captured_code == 0) {
    return unpromoted_pawn(a.code) ? key + (static_cast<uint32_t>(square_file(a.to)) << 24) : key;
  }
  if (unpromoted_pawn(a.captured_code) && !unpromoted_pawn(a.code)) return key + 0x70000;
  const int kind = code_kind(a.captured_code);
  if (code_kind(a.code) >= kind) return 0;
  return key + static_cast<uint32_t>(kind) * 0x10000;
}

}  // namespace

uint32_t sashite_pair_key(const KPosition&, const KMove& a, const KMove& b) {
  if (is_pass(a) || is_pass(b) || a.to != b.to) return 0;
  const uint32_t key = base_key(b);
  if (a.from == kInHand) return key;
  return board_move_key(a, key);
}

uint32_t sashite_pair_key_recapture(const KPosition&, const KMove& c, const KMove& a, const KMove& b) {
  if (is_pass(a) || is_pass(b)) return 0;
  if (c.from == kInHand && unpromoted_pawn(a.code)) return 0;
  if (c.from < kInHand && c.captured_code != 0) return 0;
  if (c.to != b.from || a.to != b.to) return 0;
  const uint32_t key = base_key(b);
  if (a.from == kInHand) return key;
  if (a.captured_code == 0) {
    return unpromoted_pawn(a.code) ? key + (static_cast<uint32_t>(square_file(a.to)) << 24) : key;
  }
  if (unpromoted_pawn(a.captured_code) && !unpromoted_pawn(a.code)) return key;
  const int kind = code_kind(a.captured_code);
  if (code_kind(a.code) >= kind) return 0;
  if (kind == kPawn) return key;
  return key + static_cast<uint32_t>(kind) * 0x10000;
}

uint32_t sashite_pair_key_drop(const KPosition& p, const KMove& a, const KMove& b, int depth) {
  if (is_pass(a) || is_pass(b) || a.to != b.to) return 0;
  const int s = p.teban;
  if (a.from == kInHand) {
    // A pawn dropped on an edge file near the opponent's king, taken by a knight
    // or a lance: the taker is lured out of play.
    const int enemy_king = p.piece[1 - s].sq;
    const int b_class = code_class(b.code);
    const int a_file = square_file(a.to);
    const bool lance_ok = b_class == kLance && square_rank(b.to) != (s == 0 ? 2 : 8);
    if (depth >= 3 && (a_file == 1 || a_file == 9) && code_kind(a.code) == kPawn &&
        (b_class == kKnight || lance_ok) && is_playing_square(enemy_king) &&
        std::abs(a_file - square_file(enemy_king)) < 3) {
      return kPairReject;
    }
    // A gold-moving piece or a silver taking back onto the own back rank from
    // beside the own king pulls it out of the castle.
    const int own_king = p.piece[s].sq;
    const bool gold_or_silver = b_class == kGold || b_class == kSilver ||
                                (b_class >= (kSilver | kPromotedBit) && b_class <= kTokin);
    if (gold_or_silver && is_playing_square(b.from) && is_playing_square(own_king) &&
        square_rank(b.to) == (s == 0 ? 9 : 1) && square_rank(b.from) != square_rank(b.to)) {
      const int df = std::abs(square_file(b.from) - square_file(own_king));
      const int dr = std::abs(square_rank(b.from) - square_rank(own_king));
      if (df <= 3 && dr <= 2 && df + dr < 5 && df <= std::abs(square_file(b.to) - square_file(own_king))) {
        return kPairReject;
      }
    }
    return base_key(b);
  }
  const uint32_t key = board_move_key(a, base_key(b));
  if (key != 0) target_list_extend(p, a.from);
  return key;
}

}  // namespace board
