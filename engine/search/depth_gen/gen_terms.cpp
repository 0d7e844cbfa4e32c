#include "engine/search/depth_gen/gen_terms.h"

#include <algorithm>
#include <array>

#include "engine/board/exchange_eval.h"
#include "engine/board/kiki.h"
#include "engine/board/move_tables.h"
#include "engine/board/think_board.h"
#include "engine/board/threat_kind.h"

namespace search {

using board::KMove;
using board::KPosition;

GenCall::GenCall(const KPosition& pos, const KMove* last_move, const KMove* before, int level, uint32_t accept_word,
                 const KSearchedSet& searched, KMove* output, AcceptForm accept_form, int level_for_accept)
    : p(pos),
      last(last_move),
      m1(last_move[0]),
      m0(*before),
      n(level),
      accept(accept_word),
      set(searched),
      out(output),
      s(pos.teban),
      e(1 - pos.teban),
      f(board::forward_step(pos.teban)),
      king(pos.piece[1 - pos.teban].sq),
      form(accept_form),
      accept_level(level_for_accept) {
  if (!board::is_playing_square(king)) king = board::kNotInPlay;
}

bool GenCall::accepts(int piece, int piece_code, int promote, int drop, int to) const {
  if ((accept & 0xFFFFu) == 0) return true;
  if (form == AcceptForm::kThreatKind2) {
    return drop ? board::sashite_threat_kind2(p, -1, board::code_kind(piece_code), 0, to) != 0
                : board::sashite_threat_kind2(p, piece, piece_code, promote, to) != 0;
  }
  return board::sashite_threat_kind(p, last, piece, promote, drop, to, accept_level) != 0;
}

board::KMoveWord board_word(const KPosition& p, int piece, int from, int to, int promote) {
  return board::kmove_pack(from, to, p.piece[piece].code, p.piece[p.board[to]].code, promote);
}

bool GenCall::emit_board_unchecked(int piece, int from, int to, int promote) {
  if (searched(board_word(p, piece, from, to, promote))) return false;
  board::write_board_move(out[count++], p, piece, from, to, promote);
  return true;
}

bool GenCall::emit_board(int piece, int from, int to, int promote) {
  if (!accepts(piece, p.piece[piece].code, promote, 0, to)) return false;
  return emit_board_unchecked(piece, from, to, promote);
}

bool GenCall::emit_drop(int piece, int to) {
  const int code = board::number_kind(piece) | board::side_bit(s);
  if (!accepts(piece, code, 0, 1, to)) return false;
  if (searched(board::kmove_drop(to, code))) return false;
  board::write_move(out[count++], board::kInHand, to, piece, board::kEmptyNumber, code, 0, 0);
  return true;
}

bool GenCall::written_before(int from, int to, int piece_code, int promote) const {
  for (int i = 0; i < count; ++i) {
    const KMove& m = out[i];
    if (m.from == from && m.to == to && m.code == piece_code && (from == board::kInHand || m.promote == promote)) {
      return true;
    }
  }
  return false;
}

uint32_t return_class_of_kind(int kind) {
  switch (kind) {
    case board::kRook: return kReturnRookRule;
    case board::kBishop: return kReturnBishopRule;
    case board::kGold: return kReturnGoldRule;
    case board::kSilver: return kReturnSilverRule;
    case board::kKnight: return kReturnKnightRule;
    case board::kLance: return kReturnLanceRule;
    default: return kReturnPawnRule;
  }
}

namespace {

bool is_board_move(const KMove& m) { return m.from < board::kInHand; }
bool is_pass(const KMove& m) { return m.from == board::kPassSquare; }

}  // namespace

bool drop_return_fires(const GenCall& g, int d, uint32_t classes) {
  const KMove& m0 = g.m0;
  const KMove& m1 = g.m1;
  if (is_pass(m0) || is_pass(m1) || !is_board_move(m1) || m1.to != m0.to || !board::can_step_back(m1)) return false;
  if (m0.from == board::kInHand) return d == m1.from;
  return is_board_move(m0) && m0.captured_code == 0 && ((classes >> board::code_class(m0.code)) & 1u) &&
         d == m0.from;
}

bool board_return_fires(const GenCall& g, int from, int to) {
  const KMove& m0 = g.m0;
  const KMove& m1 = g.m1;
  return !is_pass(m0) && !is_pass(m1) && m0.from == board::kInHand && m0.to == from && is_board_move(m1) &&
         m1.from == to && m1.captured_code == 0 && board::can_step_back(m1);
}

bool pass_rule_fires(const GenCall& g, int piece, int from, int to) {
  const KMove& m0 = g.m0;
  if (!is_pass(g.m1) || !is_board_move(m0) || m0.piece != piece || m0.captured_code != 0 || m0.promote) {
    return false;
  }
  const int d0 = board::line_direction(m0.from, m0.to);
  const int d = board::line_direction(from, to);
  if (d == 0 || (d != d0 && d != -d0)) return false;
  const int cls = board::code_class(g.p.piece[piece].code);
  const bool orthogonal = d == 1 || d == -1 || d == 16 || d == -16;
  const bool single = to - from == d;
  if (single && cls == board::kHorse && orthogonal) return false;
  if (single && cls == board::kDragon && !orthogonal) return false;
  return true;
}

bool slider_return_fires(const GenCall& g, int piece, int from, int to) {
  return is_pass(g.m1) ? pass_rule_fires(g, piece, from, to) : board_return_fires(g, from, to);
}

int exchange_gain(const KPosition& p, int side, int cls, int sq, int first, int* out_first) {
  return exchange_mode() == 0 ? board::exchange_eval_pos(p, side, cls, sq, first, out_first)
                              : board::exchange_eval(p, side, cls, sq, first, out_first);
}

int enemy_gain_against(const GenCall& g, int cls, int sq) {
  return exchange_gain(g.p, g.e, cls, sq, board::kiki_nth64(g.p, g.e, sq, 0), nullptr);
}

namespace {

constexpr int kThresholdLevels = 40;

// Exchange mode 0 and 1 rows; the later entries repeat the last given value.
constexpr std::array<std::array<int, kThresholdLevels>, 2> kThreshold = [] {
  std::array<std::array<int, kThresholdLevels>, 2> t{};
  constexpr int kHead[2][4] = {{20, 10, 5, 0}, {100, 50, 25, 10}};
  for (int mode = 0; mode < 2; ++mode) {
    for (int n = 0; n < kThresholdLevels; ++n) t[mode][n] = kHead[mode][std::min(n, 3)];
  }
  return t;
}();

}  // namespace

int gen_threshold(int n) {
  return kThreshold[exchange_mode() == 0 ? 0 : 1][std::clamp(n, 0, kThresholdLevels - 1)];
}

int piece_worth(const KPosition& p, int owner, int cls, int sq) {
  return exchange_mode() == 0 ? board::exchange_flat_value(cls) : board::exchange_king_value(p, owner, cls, sq);
}

int open_camp_squares(GenCall& g) {
  if (g.open_squares >= 0) return g.open_squares;
  int count = 0;
  for (int sq = board::kFirstSquare; sq <= board::kLastSquare; ++sq) {
    if (!board::is_playing_square(sq) || !g.camp(sq) || !g.empty(sq)) continue;
    const int ce = g.c(g.e, sq);
    if (ce == 0 || (ce == 1 && g.c(g.s, sq) > 0)) ++count;
  }
  g.open_squares = count;
  return count;
}

}  // namespace search
