#include "engine/search/threat_after.h"

#include "engine/board/move_rules.h"

namespace search {

namespace {

bool is_pass(const board::KMove& m) { return m.from == board::kPassSquare; }

// The class (kind with the promotion bit) of the piece after the move.
int class_after(const board::KMove& m) {
  return board::code_class(m.code) | (m.promote ? board::kPromotedBit : 0);
}

// Exchange order of the base kinds: a smaller value is the cheaper piece.
constexpr int kKindWorth[9] = {0, 9, 8, 6, 5, 4, 3, 1, 20};

// True when a piece of class `cls` of `side` on `from` reaches `to` by a step
// or along a line, squares between not examined.
bool reaches(int cls, int side, int from, int to) {
  if (cls < 0 || cls >= board::kMoveClasses) return false;
  const board::KomaMoves& mv = board::kKomaMoveTable[cls];
  for (int i = 0; i < mv.step_count; ++i) {
    if (from + board::side_offset(mv.step[i], side) == to) return true;
  }
  for (int i = 0; i < mv.slide_count; ++i) {
    const int d = board::side_offset(mv.slide[i], side);
    for (int sq = from + d; board::is_playing_square(sq); sq += d) {
      if (sq == to) return true;
    }
  }
  return false;
}

}  // namespace

uint32_t threat_word_of(int square_a, int square_b, int kind, int file) {
  return static_cast<uint32_t>(square_a & 0xff) | static_cast<uint32_t>(square_b & 0xff) << 8 |
         static_cast<uint32_t>(kind & 0xff) << 16 | static_cast<uint32_t>(file & 0xff) << 24;
}

uint32_t threat_after_move(const board::KPosition& p, const board::KMove& previous, const board::KMove& incoming,
                           int) {
  if (is_pass(previous) || is_pass(incoming) || !board::is_playing_square(incoming.to)) return 0;
  const int a = previous.to;
  if (!board::is_playing_square(a)) return 0;
  const int s = p.teban, o = 1 - s;
  const int target = p.board[a];
  if (!board::holds_piece_of(p, s, a) || board::code_kind(p.piece[target].code) == board::kKing) return 0;
  const int attacker = p.board[incoming.to];
  if (attacker >= board::kPieceCount) return 0;
  const board::KKiki& k = board::kiki_at(p, a);
  if (!board::kiki_has_direct(k, o, attacker)) return 0;
  const int attacker_kind = board::code_kind(p.piece[attacker].code);
  const bool cheaper = kKindWorth[attacker_kind] < kKindWorth[board::code_kind(p.piece[target].code)];
  if (!cheaper && k.direct_count[s] >= k.direct_count[o]) return 0;
  return threat_word_of(a, incoming.to, attacker_kind, board::square_file(incoming.to));
}

uint32_t threat_after_pass(const board::KMove& own, const board::KMove& between, const board::KMove& incoming) {
  if (is_pass(own) || is_pass(incoming)) return 0;
  const int a = own.to;
  if (!board::is_playing_square(a) || !board::is_playing_square(incoming.to)) return 0;
  if ((!is_pass(between) && between.to == a) || incoming.to == a) return 0;
  if (!reaches(class_after(incoming), board::code_side(incoming.code), incoming.to, a)) return 0;
  return threat_word_of(a, incoming.to, board::code_kind(incoming.code), board::square_file(incoming.to));
}

}  // namespace search
