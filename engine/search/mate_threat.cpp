#include "engine/search/mate_threat.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "engine/board/attack_square_gen.h"
#include "engine/board/escape_gen.h"
#include "engine/board/hash_table.h"
#include "engine/board/move_legality.h"
#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"
#include "engine/search/line_records.h"
#include "engine/search/move_words.h"
#include "engine/search/node_common.h"
#include "engine/tsume/tsume_entry.h"

namespace search {

namespace {

using board::KMove;
using board::KMoveWord;
using board::KPosition;

constexpr int kProbeBudgetCap = 10000;
constexpr int kProbeBudgetFloor = 10;
constexpr int kProbeBonus = 20;
constexpr int kTsumeMate = 0;
constexpr int kTsumeNoMate = 2;
constexpr int kNotProbed = 1;

// The parts' outputs together before duplicates go: two words, each with its
// escapes, attackers, backing, drops, interpositions and protected pieces.
constexpr int kScratchRoom = 12 * board::kMaxMoves;
KMove scratch[kScratchRoom];

bool same_move(const KMove& a, const KMove& b) {
  const bool pa = a.from == board::kPassSquare, pb = b.from == board::kPassSquare;
  if (pa || pb) return pa && pb;
  if (a.from == board::kInHand || b.from == board::kInHand) {
    return a.from == b.from && a.to == b.to && a.code == b.code;
  }
  return a.from == b.from && a.to == b.to && (a.promote != 0) == (b.promote != 0) && a.code == b.code &&
         a.captured_code == b.captured_code;
}

bool holds_code(const KPosition& p, int sq, int code) {
  const int n = p.board[sq];
  return n < board::kPieceCount && p.piece[n].code == code;
}

// May a piece of `kind` be dropped by `side` on the empty square `sq`?
bool may_drop(const KPosition& p, int side, int kind, int sq) {
  if (p.hand[side][kind] == 0 || p.board[sq] != board::kEmptyNumber) return false;
  if (kind == board::kPawn && p.pawn_file[side][board::square_file(sq)] != 0) return false;
  return board::may_stay_unpromoted(kind | board::side_bit(side), sq);
}

struct Builder {
  const KPosition& p;
  int n = 0;
  void Drop(int kind, int sq) { board::write_drop(scratch[n++], p, kind, sq); }
  template <class Gen>
  void Run(Gen gen) {
    if (n + board::kMaxMoves <= kScratchRoom) n += gen(&scratch[n]);
  }
};

// Steps 1-3 of a threatening word of the opponent: a, q its squares.
void defend_word(Builder& b, KMoveWord w, int ply, int r) {
  const KPosition& p = b.p;
  const int s = p.teban, o = 1 - s;
  const int q = board::kmove_to(w);
  if (!board::is_playing_square(q)) return;
  const bool drop = board::kmove_is_drop(w);
  const int a = board::kmove_from(w);
  const int k = board::code_class(board::kmove_piece(w));
  const int c = board::code_class(board::kmove_captured(w));
  if (!drop && p.board[q] < board::kPieceCount) {
    const int here = board::code_class(p.piece[p.board[q]].code);
    const int dist = std::abs(q - a);
    if ((k == board::kBishop || k == board::kHorse) && dist != 1 && dist != 16 && board::holds_piece_of(p, s, q) &&
        (here == board::kBishop || here == board::kHorse)) {
      b.Run([&](KMove* out) { return board::gen_diagonal_side(p, q, a, r, 0, out); });
    } else {
      b.Run([&](KMove* out) { return board::gen_escape_from(p, q, r, 0, 0, out); });
    }
  }
  const bool pawn_takes_big = !drop && k == board::kPawn && c != 0 && board::code_kind(c) >= board::kRook &&
                              board::code_kind(c) <= board::kSilver;
  if (!pawn_takes_big) b.Run([&](KMove* out) { return board::gen_attack_square(p, q, r, 7, 0, out); });
  if (ply > 4) return;
  b.Run([&](KMove* out) { return board::gen_line_backing(p, q, out); });
  if (drop && p.board[q] == board::kEmptyNumber) {
    for (int kind : {board::kPawn, board::kLance, board::kKnight, board::kSilver}) {
      if (may_drop(p, s, kind, q)) {
        b.Drop(kind, q);
        break;
      }
    }
    const int king = p.piece[s].sq;
    if (board::is_playing_square(king) && std::abs(board::square_file(king) - board::square_file(q)) <= 1 &&
        std::abs(board::square_rank(king) - board::square_rank(q)) <= 1) {
      for (int kind : {board::kGold, board::kBishop}) {
        if (p.hand[s][kind] > 0) b.Drop(kind, q);
      }
    }
  }
  // Interpositions against the opponent's sliders aimed at q.
  const board::KKiki& kq = board::kiki_at(p, q);
  const int f = board::forward_step(s);
  for (uint64_t set = board::kiki_direct64(kq, o); set != 0;) {
    const int n = 63 - std::countl_zero(set);
    set &= ~(uint64_t{1} << n);
    if (n >= 32 || ((kq.line[o] >> n) & 1u) == 0) continue;
    const int from = p.piece[n].sq;
    const int step = line_step(q, from);
    if (step == 0) continue;
    for (int t = q + step; t != from; t += step) {
      if (p.board[t] != board::kEmptyNumber || board::kiki_at(p, t).direct_count[s] == 0) continue;
      const int behind = t - f;
      if (board::kiki_at(p, t).direct_count[s] >= 2 && board::is_playing_square(behind) &&
          holds_code(p, behind, board::kPawn | board::side_bit(s))) {
        board::write_board_move(scratch[b.n++], p, p.board[behind], behind, t, board::in_camp(s, t) ? 1 : 0);
      }
      for (int kind : {board::kPawn, board::kLance, board::kKnight, board::kSilver, board::kGold}) {
        if (may_drop(p, s, kind, t)) {
          b.Drop(kind, t);
          break;
        }
      }
    }
  }
}

// Step 4: the third word's capture; the pieces that the captured piece (or
// the reply that moved onto the square) protects, and at ply 2 a dragon's
// retreat to a square the opponent does not attack.
void protect_after_capture(Builder& b, KMoveWord w2, KMoveWord w3, int ply) {
  const KPosition& p = b.p;
  const int s = p.teban, o = 1 - s;
  const int c = board::kmove_captured(w3);
  if (board::kmove_is_drop(w3) || c == 0) return;
  const int cc = board::code_class(c);
  if (cc == board::kPawn || cc == board::kLance) return;
  int sq = board::kmove_to(w3);
  const bool reply_board = w2 != kPassWord && board::kmove_from(w2) != board::kPassSquare &&
                           !board::kmove_is_drop(w2);
  if (reply_board && board::kmove_to(w2) == sq) sq = board::kmove_from(w2);
  if (!board::is_playing_square(sq)) return;
  b.Run([&](KMove* out) { return board::gen_slider_line(p, sq, out); });
  if (ply != 2 || !holds_code(p, sq, board::kDragon | board::side_bit(s))) return;
  for (int step : board::kOrthogonalSteps) {
    int end = sq + step;
    while (p.board[end] == board::kEmptyNumber) end += step;
    for (int t = end; t != sq; t -= step) {
      if (!board::is_playing_square(t) || board::holds_piece_of(p, s, t)) continue;
      if (board::kiki_at(p, t).direct_count[o] > 0) continue;
      board::write_board_move(scratch[b.n++], p, p.board[sq], sq, t, 0);
      return;
    }
  }
}

}  // namespace

uint32_t mate_threat_mark(const KMove& m) { return threat_move_encode(m); }

int mate_threat_probe(KSearchNode& node, KSearchNode& child, KPosition& p, const KMove& move, int ply,
                      int, const KMove* stack, int flags) {
  if (ply < 2) return kNotProbed;
  const KMove& own = stack[ply - 2];
  if (is_pass(own)) return kNotProbed;
  int budget = static_cast<int>(child.counters[0] / 2);
  if (flags & 1) {
    if (move.to != own.to) budget += kProbeBonus;
  } else if ((stack[ply - 1].flag_word & 1u) && move.piece <= 1) {
    budget += kProbeBonus;
  }
  budget = std::min(budget, kProbeBudgetCap);
  if (budget <= kProbeBudgetFloor) return kNotProbed;
  KMove mate;
  const int r = tsume::tsume_search(p, &child.key, &mate, budget);
  if (r == kTsumeMate) {
    store_mate(child.key, board::move_word(mate));
    const int mover = 1 - p.teban;
    KMateThreat& record = node.threat[mover];
    if (record.key.word[0] == 0) {
      record.key = threat_record_key(p, mover);
      record.move = mate;
      record.ply = static_cast<uint32_t>(ply - 2);
    }
    board::hash_set_tsume_mark(node.key, mate_threat_mark(mate));
    return kTsumeMate;
  }
  if (r == kTsumeNoMate) {
    board::hash_set_tsume_mark(child.key, board::kNoMateMark);
    return kTsumeNoMate;
  }
  return kNotProbed;
}

int gen_mate_threat_defences(const KPosition& p, const KPassThreat& record, int ply, int horizon, KMove* out) {
  Builder b{p};
  const int r = horizon - ply;
  const int count = std::clamp(record.count, 0, 3);
  if (count >= 1 && record.words[0] != kPassWord) defend_word(b, record.words[0], ply, r);
  if (count == 3 && record.words[2] != kPassWord) {
    defend_word(b, record.words[2], ply, r);
    protect_after_capture(b, record.words[1], record.words[2], ply);
  }
  if (count >= 2 && record.words[1] != kPassWord && board::kmove_from(record.words[1]) != board::kPassSquare) {
    KMove reply = kmove_from_word(record.words[1]);
    if (reply.from == board::kInHand) {
      reply.captured_code = 0;
      reply.promote = 0;
    }
    if (board::sashite_is_legal(p, reply)) {
      const int kind = board::code_kind(reply.code);
      reply.piece = static_cast<uint8_t>(reply.from == board::kInHand ? board::drop_piece(p, kind) : p.board[reply.from]);
      reply.captured = p.board[reply.to];
      scratch[b.n++] = reply;
    }
  }
  int n = b.n;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < i; ++j) {
      if (same_move(scratch[i], scratch[j])) {
        scratch[i--] = scratch[--n];
        break;
      }
    }
  }
  n = std::min(n, board::kMaxMoves);
  std::copy(scratch, scratch + n, out);
  return n;
}

}  // namespace search
