#include "engine/search/move_order.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "engine/board/exchange_eval.h"
#include "engine/board/kiki.h"
#include "engine/board/move_rules.h"
#include "engine/board/strategy_cells.h"
#include "engine/search/exchange_score.h"
#include "engine/search/root_list.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kLadderRows = 16;
constexpr int kLadderSteps = 4;
constexpr int kNoThreshold = 600;
constexpr int kLadder[kLadderRows][kLadderSteps] = {
    {10, 600, 600, 600}, {10, 600, 600, 600}, {15, 600, 600, 600}, {4, 25, 600, 600},
    {4, 16, 32, 600},    {6, 16, 32, 600},    {8, 16, 32, 593},    {8, 16, 32, 593},
    {8, 16, 32, 593},    {8, 16, 32, 593},    {8, 16, 32, 593},    {8, 16, 32, 593},
    {8, 16, 32, 593},    {8, 16, 32, 593},    {8, 16, 32, 593},    {8, 16, 32, 593}};
constexpr int kSelectFloor = -60;
constexpr int kSelectExchangeRow = 5;
constexpr int kCheapOrderReach = 60;

// By base kind (index 1 rook .. 8 king).
constexpr int kLanceTargetBonus[9] = {0, 500, 600, 500, 400, 400, 50, 10, 0};
// By the file distance between a dropped lance and the enemy king.
constexpr int kLanceFileBonus[9] = {400, 390, 360, 280, 200, 120, 40, 20, 10};
constexpr int kDistantPushScore = -250;
constexpr int kDistantPushList = 16;
constexpr int kDistantPushFiles = 5;
constexpr int kCornerDrop = 500;
constexpr int kPawnDropOwnCamp = -150;
constexpr int kPawnDropKnight = 150;
constexpr int kPawnDropKnightFar = 50;
constexpr int kPawnDropLever = 150;
constexpr int kKnightLever = 60;
constexpr int kKnightLeverExtra = 180;
constexpr int kRookEscape = 250;
constexpr int kRookFileOpened = 17;
constexpr int kMajorInCamp = 100;

bool holds(const KPosition& p, int sq, int code) {
  const int n = p.board[sq];
  return n < board::kPieceCount && p.piece[n].code == code;
}
int support(const KPosition& p, int side, int sq) {
  const board::KKiki& k = board::kiki_at(p, sq);
  return k.direct_count[side] + k.xray_count[side];
}
int direct(const KPosition& p, int side, int sq) { return board::kiki_at(p, sq).direct_count[side]; }

// The placed value of a piece of class `cls` on `sq` by the mode: the strategy
// model's (mode 0), else the king-relative model's, both made for the piece's side.
// Read two or three times for most moves: kept inline so that the models' values
// stay in registers.
[[gnu::always_inline]] inline int placed_value(const board::SideStrategyValues& strategy,
                                               const board::SideKingValues& kings, int cls, int sq, int mode) {
  if (mode == 0) return strategy(cls, sq);
  return kings(cls, sq);
}

int file_distance(int a, int b) { return std::abs(board::square_file(a) - board::square_file(b)); }

int drop_score(const KPosition& p, const KMove& m, int t) {
  const int s = p.teban, o = 1 - s;
  const int sb = board::side_bit(s), ob = board::side_bit(o);
  const int f = board::forward_step(s);
  const int kind = board::code_kind(m.code);
  const int q = m.to;
  int u = 0;
  const int v = board::koma_put_value(p, s, kind, q, &u);
  int score = v + t * u;
  const int king = p.piece[o].sq;
  const bool king_on_board = board::is_playing_square(king);

  // A gold or silver dropped beside a corner king's gold.
  const int back = s == 0 ? 1 : 9;
  const int front = s == 0 ? 2 : 8;
  int target = 0;
  if (king == board::square_of(9, back) && holds(p, board::square_of(7, back), board::kGold | ob)) {
    target = board::square_of(6, front);
  } else if (king == board::square_of(1, back) && holds(p, board::square_of(3, back), board::kGold | ob)) {
    target = board::square_of(4, front);
  }
  if (target != 0 && q == target && (kind == board::kGold || kind == board::kSilver) && direct(p, s, q) > 0) {
    const bool lone_rook = direct(p, s, q) == 1 && p.piece[board::kiki_nth64(p, s, q, 0)].code == (board::kRook | sb);
    if (!lone_rook) score += kCornerDrop;
  }

  if (kind == board::kLance && king_on_board && v >= u &&
      (p.hand[o][board::kPawn] == 0 || p.pawn_file[o][board::square_file(q)] != 0)) {
    const int d = file_distance(q, king);
    score += kLanceFileBonus[d];
    if (d <= 3) {
      int sq = q + f;
      while (p.board[sq] == board::kEmptyNumber) sq += f;
      if (board::holds_piece_of(p, o, sq)) score += kLanceTargetBonus[board::code_kind(p.piece[p.board[sq]].code)];
    }
  }

  if (kind == board::kPawn) {
    const int ahead = p.board[q + f];
    if (board::in_camp(o, q) && ahead < board::kPieceCount && board::code_class(p.piece[ahead].code) == board::kPawn) {
      return score + kPawnDropOwnCamp;
    }
    if (holds(p, q + f, board::kKnight | ob)) {
      score += kPawnDropKnight;
    } else if (board::is_playing_square(q + 2 * f) && holds(p, q + 2 * f, board::kKnight | ob)) {
      score += kPawnDropKnightFar;
      if (p.hand[s][board::kPawn] >= 2 && support(p, s, q + f) >= support(p, o, q + f) &&
          (holds(p, q + f, board::kPawn | ob) || holds(p, q + f, board::kSilver | ob) ||
           holds(p, q + f, board::kLance | ob))) {
        score += kPawnDropLever;
      }
    }
  }
  return score;
}

// What scoring a node's board moves reads alike for every move: the sides, the
// direction of play, the enemy king, the stage's mode, the side's rooks on
// the board (a move off a rook's file may open it) and the generator's
// exchange notes.
struct BoardMoveFrame {
  int s, o, sb, ob, f;
  int king;
  int t, mode;
  // The generator's notes of the moves from `noted` on, or null.
  const KMove* noted;
  const board::KExchangeNote* notes;
  int rooks = 0;
  int rook_number[2] = {};
  int rook_file[2] = {};
  uint32_t rook_files = 0;  // bit f: a rook of the side stands on file f
  // The strategy model's values of the mover's and the other side's pieces.
  board::SideStrategyValues own_values;
  board::SideStrategyValues enemy_values;
  // The king-relative model's values of the same pieces (the kings stay put
  // while the node's moves are scored).
  board::SideKingValues own_kings;
  board::SideKingValues enemy_kings;

  BoardMoveFrame(const KPosition& p, int t_, int mode_, const KMove* noted_, const board::KExchangeNote* notes_)
      : s(p.teban),
        o(1 - p.teban),
        sb(board::side_bit(s)),
        ob(board::side_bit(o)),
        f(board::forward_step(s)),
        king(p.piece[o].sq),
        t(t_),
        mode(mode_),
        noted(noted_),
        notes(notes_),
        own_values(s),
        enemy_values(o),
        own_kings(p, s),
        enemy_kings(p, o) {
    for (int r = board::kKindRange[board::kRook].first; r < board::kKindRange[board::kRook].first + 2; ++r) {
      const int rsq = p.piece[r].sq;
      const int cls = board::code_class(p.piece[r].code);
      if (!board::is_playing_square(rsq) || board::code_side(p.piece[r].code) != s) continue;
      if (cls != board::kRook && cls != board::kDragon) continue;
      rook_number[rooks] = r;
      rook_file[rooks] = board::square_file(rsq);
      rook_files |= 1u << rook_file[rooks];
      ++rooks;
    }
  }
};

// The last exchange played out on an attacked destination: a promotion and
// its non-promoting twin follow each other and play out the same exchange
// (the exchange decides promotion by itself).
struct LastExchange {
  int piece = -1, square = 0, captured = 0;
  int value = 0, first = 0;
};

int board_move_score(const KPosition& p, const BoardMoveFrame& w, LastExchange& last, const KMove& m, int n) {
  const int s = w.s, o = w.o;
  const int ob = w.ob;
  const int f = w.f;
  const int a = m.from, q = m.to;
  const int k = board::code_class(m.code);
  const int c = m.captured_code != 0 ? board::code_class(m.captured_code) : 0;
  const int king = w.king;
  const int mode = w.mode;
  const bool pawn = m.code == (board::kPawn | w.sb);

  if (n >= kDistantPushList && pawn && c == 0 && !m.promote && board::is_playing_square(king)) {
    const int rank = board::square_rank(q);
    const bool home_half = s == 0 ? rank >= 5 : rank <= 5;
    const int next = q + f;
    if (home_half && (p.board[next] == board::kEmptyNumber || holds(p, next, board::kPawn | ob)) &&
        file_distance(q, king) >= kDistantPushFiles) {
      return kDistantPushScore;
    }
  }

  int v = 0, first = 0;
  if (direct(p, o, q) > 0) {
    const board::KExchangeNote* note = w.notes != nullptr ? &w.notes[&m - w.noted] : nullptr;
    if (note != nullptr && note->value != board::kNoExchange) {
      last = {m.piece, q, c, note->value, note->first};
    } else if (m.piece != last.piece || q != last.square || c != last.captured) {
      last.value = mode == 0 ? board::exchange_eval_pos(p, s, c, q, m.piece, &first)
                             : board::exchange_eval(p, s, c, q, m.piece, &first);
      last = {m.piece, q, c, last.value, first};
    }
    v = last.value;
    first = last.first;
  } else {
    if ((k == board::kRook || k == board::kBishop) && board::in_camp(s, a)) {
      v = kMajorInCamp;
    } else {
      const int after = m.promote ? k | board::kPromotedBit : k;
      if (mode == 0 && after == k) {
        v = w.own_values.step(k, a, q);
      } else {
        v = placed_value(w.own_values, w.own_kings, after, q, mode) - placed_value(w.own_values, w.own_kings, k, a, mode);
      }
    }
    if (c != 0) {
      const int ck = board::code_kind(c);
      v += placed_value(w.enemy_values, w.enemy_kings, c, q, mode) + board::exchange_hand_value(ck, p.hand[s][ck]);
    }
    first = v;
  }

  int bonus = 0;
  const int kind = board::code_kind(k);
  if (holds(p, a + f, board::kPawn | ob)) {
    bonus += escape_bonus(kind);
  } else if (direct(p, o, a) > 0) {
    if (k == board::kRook || k == board::kDragon) {
      bonus += kRookEscape;
    } else if (direct(p, s, a) == 0) {
      bonus += escape_bonus(kind);
    }
  }

  if (pawn && c == 0 && !m.promote && board::is_playing_square(q + 2 * f) &&
      holds(p, q + 2 * f, board::kKnight | ob)) {
    bonus += kKnightLever;
    if (p.hand[s][board::kPawn] > 0 && support(p, s, q + f) >= support(p, o, q + f) &&
        (holds(p, q + f, board::kPawn | ob) || holds(p, q + f, board::kSilver | ob) ||
         holds(p, q + f, board::kLance | ob))) {
      bonus += kKnightLeverExtra;
    }
  }

  // A rook on the mover's file whose ray reaches the mover's square: the file
  // opens. Most moves leave a file without a rook of the side.
  const int file = board::square_file(a);
  if ((w.rook_files >> file) & 1u) {
    for (int i = 0; i < w.rooks; ++i) {
      const int r = w.rook_number[i];
      if (w.rook_file[i] != file) continue;
      const board::KKiki& ka = board::kiki_at(p, a);
      if (board::kiki_has_direct(ka, s, r) && ((ka.line[s] >> r) & 1u)) {
        bonus += kRookFileOpened;
        break;
      }
    }
  }
  return v + bonus + w.t * first;
}

int16_t clamp16(int v) { return static_cast<int16_t>(std::clamp(v, -32767, 32767)); }

}  // namespace

int order_depth_cut(int score, int bound, int stand, int index) {
  int r = 0;
  if (score < bound - 1000) {
    r = 6;
  } else if (score < bound - 500) {
    r = 3;
  }
  const int below = score - stand;
  if (below < 0) r += 6;
  if (below < -500) r += 6;
  if (below < -1000) r += 6;
  const int pos = 12 * index - 48;
  if (pos > 0) r += std::min(pos / 8, 24);
  return r;
}

void engine_sashite_order(const KPosition& p, int n, KMoveNode* head, const KMove* noted,
                          const board::KExchangeNote* notes) {
  const int mode = board::think_board.generator_words.game_stage;
  const int t = (mode + 1) / 2;
  const BoardMoveFrame frame(p, t, mode, noted, notes);
  LastExchange last;
  for (KMoveNode* ln = head; ln != nullptr; ln = ln->next) {
    const KMove& m = *ln->move;
    int score = 0;
    if (m.from == board::kPassSquare) {
      score = 0;
    } else if (m.from == board::kInHand) {
      score = drop_score(p, m, t);
    } else {
      score = board_move_score(p, frame, last, m, n);
    }
    ln->score = clamp16(score);
  }
}

void sashite_depth_ladder(KMoveNode* head, int base, int row, int flag, int floor) {
  const int* steps = kLadder[std::clamp(row, 0, kLadderRows - 1)];
  int k = 0, j = 0;
  int t = steps[0];
  int i = 0;
  for (KMoveNode* ln = head; ln != nullptr; ln = ln->next, ++i) {
    if (t <= i) {
      ++k;
      ++j;
      t = j < kLadderSteps ? steps[j] : INT_MAX;
    }
    int word = base + ln->depth_adj - 12 * k;
    if (row >= 2 && ln->score < 0) word -= 6;
    if (flag >= 101 && ln->score < 500 && t < kNoThreshold) word -= 12;
    ln->depth_adj = static_cast<int16_t>(std::max(word, floor));
  }
}

KMoveNode* sashite_order_select(ExchangePool& pool, KSearchNode& node, int n, KMoveNode* head, int depth, int base) {
  if (n < 2 || head == nullptr) return head;
  KPosition& p = *node.position;
  if (depth < kSelectExchangeRow) {
    engine_sashite_order(p, n, head);
  } else {
    for (KMoveNode* ln = head; ln != nullptr; ln = ln->next) {
      ln->score = clamp16(eval_sashite_exchange(pool, p, *ln->move, node.eval));
    }
  }
  head = sashite_list_sort(head);
  sashite_depth_ladder(head, base, depth, 0, kSelectFloor);
  return head;
}

KMoveNode* node_sashite_order(ExchangePool& pool, KSearchNode& node, int, const KMove& incoming, int n,
                              KMoveNode* head, int bound, int, int row, int base, int floor) {
  if (head == nullptr) return head;
  KPosition& p = *node.position;
  if (base + 12 * row < kCheapOrderReach) {
    if (n >= 2) {
      engine_sashite_order(p, n, head);
      head = sashite_list_sort(head);
    }
    sashite_depth_ladder(head, base, row, 0, floor);
    return head;
  }
  const int stand = exchange_static_value(p, node.eval, incoming);
  for (KMoveNode* ln = head; ln != nullptr; ln = ln->next) {
    ln->score = clamp16(eval_sashite_exchange(pool, p, *ln->move, node.eval));
  }
  head = sashite_list_sort(head);
  int i = 0;
  for (KMoveNode* ln = head; ln != nullptr; ln = ln->next, ++i) {
    ln->depth_adj = static_cast<int16_t>(std::max(base - order_depth_cut(ln->score, bound, stand, i), floor));
  }
  return head;
}

}  // namespace search
