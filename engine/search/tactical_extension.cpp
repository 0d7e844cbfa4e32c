#include "engine/search/tactical_extension.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"
#include "engine/board/ply_table.h"
#include "engine/board/target_list.h"
#include "engine/search/node_common.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

// Squares as sente sees them: turned for gote by 180 degrees (`point`) or
// with the rank alone mirrored (`rank`).
struct Squares {
  int side;
  int point(int file, int rank) const {
    return side == 0 ? board::square_of(file, rank) : board::square_of(10 - file, 10 - rank);
  }
  int rank(int file, int rank) const { return board::square_of(file, side == 0 ? rank : 10 - rank); }
};

struct Line {
  const KPosition& p;
  const KMove& e0;
  const KMove& e1;
  const KMove& e2;
  int x, y;

  int code(int side, int kind) const { return kind | board::side_bit(side); }
  bool lands(const KMove& e, int side, int kind, int sq) const {
    return !is_pass(e) && e.code == code(side, kind) && e.to == sq;
  }
  bool moves(const KMove& e, int side, int kind, int from, int to) const {
    return lands(e, side, kind, to) && e.from == from;
  }
  int king() const { return p.piece[x].sq; }
  int direct(int side, int sq) const { return board::kiki_at(p, sq).direct_count[side]; }
  int support(int side, int sq) const {
    const board::KKiki& k = board::kiki_at(p, sq);
    return k.direct_count[side] + k.xray_count[side];
  }
  bool lance_of_y_attacks(int sq) const {
    const board::KKiki& k = board::kiki_at(p, sq);
    for (uint64_t set = board::kiki_direct64(k, y); set != 0; set &= set - 1) {
      if (p.piece[std::countr_zero(set)].code == code(y, board::kLance)) return true;
    }
    return false;
  }
};

bool t1(const Line& l, const Squares& q) {
  return l.e2.from == q.point(3, 7) && l.e2.to == q.point(4, 5) && !is_pass(l.e2) &&
         l.moves(l.e1, l.y, board::kSilver, q.point(3, 3), q.point(4, 4)) && l.lands(l.e0, l.x, board::kPawn, q.point(2, 4));
}

bool t2(const Line& l, const Squares& q) {
  const int sq = q.point(9, 7);
  if (l.king() != q.point(8, 8)) return false;
  const bool pawn = l.lands(l.e2, l.x, board::kPawn, sq) && l.p.hand[l.x][board::kPawn] == 0;
  const bool lance = l.lands(l.e2, l.x, board::kLance, sq) && l.p.hand[l.y][board::kPawn] > 0;
  if (!pawn && !lance) return false;
  return (l.lands(l.e1, l.y, board::kLance, sq) || l.lands(l.e1, l.y, board::kSilver, sq)) &&
         l.lands(l.e0, l.x, board::kKnight, sq);
}

bool t3(const Line& l, const Squares& q) {
  const int sq = q.point(9, 5);
  return l.lands(l.e2, l.x, board::kBishop, sq) && !is_drop(l.e2) && l.e2.captured_code == 0 &&
         l.moves(l.e1, l.y, board::kPawn, q.point(9, 3), q.point(9, 4)) && !is_pass(l.e0) && l.e0.from == sq &&
         l.e0.captured_code == 0 && l.e0.promote == 0;
}

bool t4(const Line& l) {
  if (!is_drop(l.e2) || l.e2.code != l.code(l.x, board::kPawn)) return false;
  if (board::square_rank(l.e2.to) != (l.x == 0 ? 7 : 3)) return false;
  return l.lands(l.e1, l.y, board::kPawn, l.e2.to) && !is_pass(l.e0) && l.e0.to == l.e2.to;
}

bool t5(const Line& l) {
  if (!is_drop(l.e2) || (l.e2.code != l.code(l.x, board::kGold) && l.e2.code != l.code(l.x, board::kSilver))) {
    return false;
  }
  const int sq = l.e2.to;
  if (!l.lands(l.e1, l.y, board::kGold, sq) && !l.lands(l.e1, l.y, board::kSilver, sq)) return false;
  if (!l.lands(l.e0, l.x, board::kRook, sq) && !l.lands(l.e0, l.x, board::kDragon, sq)) return false;
  return l.e0.promote == 0 || (!is_drop(l.e0) && board::in_camp(l.x, l.e0.from));
}

bool t6(const Line& l, const Squares& q) {
  const int sq = q.point(3, 3);
  return l.lands(l.e2, l.x, board::kBishop, sq) && l.lands(l.e1, l.y, board::kRook, sq) &&
         l.lands(l.e0, l.x, board::kSilver, q.point(3, 5));
}

// D1 / D3: the enemy pawn pushed to the fifth rank of the king's edge file,
// backed by a lance, with nothing of X guarding the square behind it.
bool edge_push(const Line& l, const Squares& q, int file) {
  const int five = q.rank(file, 5);
  if (l.king() != q.rank(file, 8) || !l.moves(l.e1, l.y, board::kPawn, q.rank(file, 4), five)) return false;
  if (!l.lance_of_y_attacks(five) || l.direct(l.x, q.rank(file, 6)) != 0) return false;
  const int guards = l.direct(l.x, five);
  return guards == 0 || (guards == 1 && l.e0.to != five);
}

// D2 / D4: the enemy pawn on the sixth rank of the king's edge file with two
// supporters of the square behind it.
bool edge_sixth(const Line& l, const Squares& q, int file) {
  return l.king() == q.rank(file, 8) && l.lands(l.e1, l.y, board::kPawn, q.rank(file, 6)) &&
         l.support(l.y, q.rank(file, 7)) >= 2;
}

bool d5(const Line& l) {
  if (!is_drop(l.e1) || l.e1.code != l.code(l.y, board::kRook) || !is_drop(l.e0)) return false;
  const int kind = board::code_kind(l.e0.code);
  if (board::code_side(l.e0.code) != l.x ||
      (kind != board::kRook && kind != board::kBishop && kind != board::kGold && kind != board::kSilver)) {
    return false;
  }
  if ((l.e0.flag_word & 1u) == 0 || std::abs(l.e0.to - l.king()) != 1) return false;
  return l.support(l.x, l.e0.to) == 1;
}

bool d6(const Line& l) {
  if (is_pass(l.e1) || is_drop(l.e1) || l.e1.code != l.code(l.y, board::kBishop) || is_pass(l.e0)) return false;
  const int bishop = l.p.board[l.e1.to];
  const int mover = l.p.board[l.e0.to];
  if (bishop >= board::kPieceCount || mover >= board::kPieceCount) return false;
  for (int r = board::kKindRange[board::kRook].first; r < board::kKindRange[board::kRook].first + 2; ++r) {
    const int sq = l.p.piece[r].sq;
    if (board::code_side(l.p.piece[r].code) == l.y || !board::is_playing_square(sq)) continue;
    if (!board::kiki_has_direct(board::kiki_at(l.p, sq), l.y, bishop)) continue;
    return board::kiki_has_direct(board::kiki_at(l.p, sq), l.x, mover);
  }
  return false;
}

// O1 / O2: the own bishop dropped back beside the own edge king where nothing
// guards the square in front of the king's file.
bool bishop_home(const Line& l, const Squares& q, int file, int near_file) {
  return l.lands(l.e0, l.x, board::kBishop, q.point(file, 7)) && l.direct(l.x, q.point(file, 6)) == 0 &&
         (l.king() == q.point(file, 8) || l.king() == q.point(near_file, 8));
}

}  // namespace

int tactical_extension_match(const KPosition& p, int ply, const KMove* stack, KSearchNode* const* contexts) {
  if (ply < 1 || contexts == nullptr) return 0;
  const KSearchNode* c0 = contexts[ply + 1];
  const KSearchNode* c1 = contexts[ply];
  if (c0 == nullptr || c1 == nullptr) return 0;
  const int y = p.teban, x = 1 - y;
  const KMove none = board::pass_move();
  const KMove& e0 = stack[ply];
  const KMove& e1 = ply >= 2 ? stack[ply - 1] : none;
  const KMove& e2 = ply >= 3 ? stack[ply - 2] : none;
  const Line l{p, e0, e1, e2, x, y};
  const Squares q{x};
  const int x0 = c0->ext;
  if (ply >= 3 && contexts[ply - 2] != nullptr) {
    const int x3 = contexts[ply - 2]->ext;
    if (t1(l, q) || t2(l, q) || t3(l, q)) return std::min(24, x3 - x0 + 24);
    if (t4(l) || t5(l) || t6(l, q)) return std::min(12, x3 - x0 + 24);
  }
  if (ply >= 2 && contexts[ply - 1] != nullptr) {
    const int x2 = contexts[ply - 1]->ext;
    if (edge_push(l, q, 1) || edge_sixth(l, q, 1) || edge_push(l, q, 9) || edge_sixth(l, q, 9)) return x2 - x0 + 12;
    if (d5(l)) return std::min(12, x2 - x0 + 12);
    if (d6(l)) return x2 - x0 + 12;
  }
  if (bishop_home(l, q, 9, 8) || bishop_home(l, q, 1, 2)) return c1->ext - x0 + 12;
  return 0;
}

int king_zone_threat_test(const KPosition& p) {
  const int s = p.teban, o = 1 - s;
  const int king = p.piece[s].sq;
  if (!board::is_playing_square(king)) return 0;
  // The layer the last move wrote: the current ply's square table.
  const int layer = board::target_list_layer(board::think_board.ply_table.search_ply_counter);
  if (layer < 0) return 0;
  for (int step : board::kNeighbourStepsAscending) {
    const int sq = king + step;
    if (!board::is_playing_square(sq) || board::ply_record(layer, sq).change[s] <= 0) continue;
    const board::KKiki& k = board::kiki_at(p, sq);
    if (k.direct_count[o] + k.xray_count[o] >= k.direct_count[s] + k.xray_count[s]) return 1;
  }
  return 0;
}

}  // namespace search
