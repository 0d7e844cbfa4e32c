#include "engine/search/formation_seed.h"

#include <initializer_list>

#include "engine/board/hash_table.h"
#include "engine/board/kiki.h"
#include "engine/board/move_rules.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kRecognizers = 14;
// Rows of (first word, ply limit); recognizers 1-6 read rows 0-5 and 7-14
// read rows 7-14. The first word and row 6 are not read here.
constexpr int kLimitRows[15][2] = {{2, 6}, {2, 2}, {2, 6}, {2, 10}, {2, 6}, {2, 4}, {2, 3}, {2, 3},
                                   {2, 6}, {2, 6}, {2, 4}, {3, 2},  {2, 2}, {2, 4}, {2, 4}};
constexpr int kMaxSequence = 4;
constexpr int kTagSeed = -1;

int limit_row(int recognizer) { return recognizer <= 6 ? recognizer - 1 : recognizer; }

// The position seen from the side to move: squares written for sente, turned
// for gote by 180 degrees (`sq`) or with the rank alone mirrored (`fr`, the
// rook-file recognizers that work on the board's own file).
struct Shape {
  const KPosition& p;
  const board::KHashKey& key;
  int s, o;

  int sq(int file, int rank) const {
    return s == 0 ? board::square_of(file, rank) : board::square_of(10 - file, 10 - rank);
  }
  int fr(int file, int rank) const { return board::square_of(file, s == 0 ? rank : 10 - rank); }
  int file_of(int square) const { return board::square_file(square); }
  int own_code(int kind) const { return kind | board::side_bit(s); }
  int opp_code(int kind) const { return kind | board::side_bit(o); }
  bool holds(int square, int code) const {
    const int n = p.board[square];
    return n < board::kPieceCount && p.piece[n].code == code;
  }
  bool own(int square, int kind) const { return holds(square, own_code(kind)); }
  bool opp(int square, int kind) const { return holds(square, opp_code(kind)); }
  bool empty(int square) const { return p.board[square] == board::kEmptyNumber; }
  int pawns_in_hand() const { return p.hand[s][board::kPawn]; }
  bool own_pawn_on_file(int file) const { return p.pawn_file[s][file] != 0; }
  int direct(int side, int square) const { return board::kiki_at(p, square).direct_count[side]; }
  int support(int side, int square) const {
    const board::KKiki& k = board::kiki_at(p, square);
    return k.direct_count[side] + k.xray_count[side];
  }
  // The side's first rook (pieces 2 and 3) on the board, promoted or not; 0 none.
  int first_rook(int side) const {
    for (int n = board::kKindRange[board::kRook].first; n < board::kKindRange[board::kRook].first + 2; ++n) {
      if (board::is_playing_square(p.piece[n].sq) && board::code_side(p.piece[n].code) == side) return n;
    }
    return 0;
  }
  // The first square of (2,2), (3,3), (4,4), (5,5) holding the opponent's bishop; 0 none.
  int opp_bishop_on_diagonal() const {
    for (int i = 2; i <= 5; ++i) {
      if (opp(sq(i, i), board::kBishop)) return sq(i, i);
    }
    return 0;
  }
  bool cheapest_is_bishop(int side, int square, int nth) const {
    const int n = board::kiki_nth64(p, side, square, nth);
    return n == board::kKindRange[board::kBishop].first || n == board::kKindRange[board::kBishop].first + 1;
  }

  // A move of the piece of `code` from `from` to `to` taking `taken` (0 none).
  KMove Move(int from, int to, int code, int taken, int promote = 0) const {
    KMove m = board::pass_move();
    board::write_move(m, from, to, 0, board::kEmptyNumber, code, taken, promote);
    return m;
  }
  KMove Drop(int to, int side) const {
    KMove m = board::pass_move();
    board::write_move(m, board::kInHand, to, 0, board::kEmptyNumber, board::kPawn | board::side_bit(side), 0, 0);
    return m;
  }
  void Seed(std::initializer_list<KMove> moves) const {
    KMove seq[kMaxSequence]{};
    int n = 0;
    for (const KMove& m : moves) seq[n++] = m;
    formation_seed_store(p, key, seq, n);
  }
};

// 1: the rook-file pawn exchange and its recaptures.
void rook_file_exchange(const Shape& z) {
  const int rook = z.first_rook(z.s);
  if (rook == 0) return;
  const int f = z.file_of(z.p.piece[rook].sq);
  const int five = z.fr(f, 5), four = z.fr(f, 4), three = z.fr(f, 3);
  if (!z.own(five, board::kPawn) || !z.opp(three, board::kPawn) || !z.empty(four)) return;
  const int back = -board::forward_step(z.s);
  int behind = five + back;
  while (z.empty(behind)) behind += back;
  if (behind != z.p.piece[rook].sq) return;
  const int pawn = z.own_code(board::kPawn), opp_pawn = z.opp_code(board::kPawn);
  const KMove push = z.Move(five, four, pawn, 0);
  const KMove take = z.Move(three, four, opp_pawn, pawn);
  for (int i = 0;; ++i) {
    const int n = board::kiki_nth64(z.p, z.s, four, i);
    if (n >= board::kPieceCount) break;
    const int code = z.p.piece[n].code;
    const int kind = board::code_kind(code);
    if (kind != board::kBishop && code != z.own_code(board::kSilver)) continue;
    z.Seed({push, take, z.Move(z.p.piece[n].sq, four, code, opp_pawn)});
    if (kind != board::kBishop) break;
  }
  if (z.direct(z.o, four) > 1) return;
  z.Seed({push, take, z.Move(z.p.piece[rook].sq, four, z.p.piece[rook].code, opp_pawn)});
}

// 3: the climbing silver takes on (2,4) and the bishop on (3,3) retreats.
void climbing_silver(const Shape& z) {
  const int b33 = z.sq(3, 3), p24 = z.sq(2, 4), e23 = z.sq(2, 3);
  if (!z.opp(b33, board::kBishop) || !z.opp(p24, board::kPawn) || !z.empty(e23)) return;
  int silver = -1;
  for (int i = 0;; ++i) {
    const int n = board::kiki_nth64(z.p, z.s, p24, i);
    if (n >= board::kPieceCount) return;
    if (z.p.piece[n].code == z.own_code(board::kSilver)) {
      silver = n;
      break;
    }
  }
  const int own_silver = z.own_code(board::kSilver), bishop = z.opp_code(board::kBishop);
  const KMove take = z.Move(z.p.piece[silver].sq, p24, own_silver, z.opp_code(board::kPawn));
  const KMove climb = z.Move(p24, e23, own_silver, 0, 1);
  const int near[2] = {z.sq(2, 2), z.sq(4, 2)};
  const int far[2] = {z.sq(1, 1), z.sq(5, 1)};
  for (int i = 0; i < 2; ++i) {
    if (!z.empty(near[i])) continue;
    z.Seed({take, z.Move(b33, near[i], bishop, 0), climb});
    if (z.empty(far[i])) z.Seed({take, z.Move(b33, far[i], bishop, 0), climb});
  }
}

// 4: the pawn thrust on the rook's file while the silver beside it is taken.
void silver_pawn_thrust(const Shape& z) {
  const int rook = z.first_rook(z.s);
  if (rook == 0) return;
  const int rsq = z.p.piece[rook].sq;
  const int f = z.file_of(rsq);
  const int rank = z.s == 0 ? board::square_rank(rsq) : 10 - board::square_rank(rsq);
  if (rank < 6) return;
  const int five = z.fr(f, 5), four = z.fr(f, 4), three = z.fr(f, 3);
  const bool pawn_on = z.own(five, board::kPawn);
  const bool drop = z.empty(five) && z.pawns_in_hand() > 0 && !z.own_pawn_on_file(f);
  if ((!pawn_on && !drop) || !z.empty(four) || !z.opp(three, board::kPawn)) return;
  for (int g : {f + 1, f - 1}) {
    if (g < 1 || g > 9 || !z.own(z.fr(g, 5), board::kSilver) || !z.opp(z.fr(g, 4), board::kPawn)) continue;
    const int pawn = z.own_code(board::kPawn);
    const KMove first = pawn_on ? z.Move(five, four, pawn, 0) : z.Drop(four, z.s);
    z.Seed({first, z.Move(z.fr(g, 4), z.fr(g, 5), z.opp_code(board::kPawn), z.own_code(board::kSilver)),
            z.Move(four, three, pawn, z.opp_code(board::kPawn), 1)});
    return;
  }
}

// 5: the counter against the opponent's rook file: a pawn put under its
// silver while its pawn breaks in.
void rook_file_counter(const Shape& z) {
  const int rook = z.first_rook(z.o);
  if (rook == 0) return;
  const int f = z.file_of(z.p.piece[rook].sq);
  if (!z.opp(z.fr(f, 6), board::kPawn) || !z.own(z.fr(f, 7), board::kPawn)) return;
  for (int g : {f + 1, f - 1}) {
    if (g < 1 || g > 9 || !z.opp(z.fr(g, 5), board::kSilver)) continue;
    const int six = z.fr(g, 6), seven = z.fr(g, 7);
    if (!z.empty(six)) return;
    const bool pawn_on = z.own(seven, board::kPawn);
    if (!pawn_on && (z.pawns_in_hand() == 0 || z.own_pawn_on_file(g))) return;
    const int pawn = z.own_code(board::kPawn), opp_pawn = z.opp_code(board::kPawn);
    z.Seed({pawn_on ? z.Move(seven, six, pawn, 0) : z.Drop(six, z.s), z.Move(z.fr(f, 6), z.fr(f, 7), opp_pawn, pawn, 1),
            z.Move(six, z.fr(g, 5), pawn, z.opp_code(board::kSilver))});
    return;
  }
}

// The opponent's rook met first walking from (3, rank) toward file 9, or
// standing on (1, rank); 0 none.
int rook_along(const Shape& z, int rank) {
  const int step = z.sq(4, rank) - z.sq(3, rank);
  for (int t = z.sq(3, rank); board::is_playing_square(t); t += step) {
    if (z.empty(t)) continue;
    if (z.opp(t, board::kRook)) return t;
    break;
  }
  return z.opp(z.sq(1, rank), board::kRook) ? z.sq(1, rank) : 0;
}

// 6: the bishop takes on (2,4) and the rook that comes to retake is met by a pawn.
void second_file_bishop(const Shape& z) {
  const int p24 = z.sq(2, 4);
  if (!z.opp(p24, board::kPawn) || z.direct(z.s, p24) != 2 || z.direct(z.o, p24) != 1) return;
  const int cheap = board::kiki_nth64(z.p, z.s, p24, 0), dear = board::kiki_nth64(z.p, z.s, p24, 1);
  if (z.p.piece[cheap].code != z.own_code(board::kBishop) || z.p.piece[dear].code != z.own_code(board::kRook)) return;
  const int guard = z.p.piece[board::kiki_nth64(z.p, z.o, p24, 0)].code;
  if (guard != z.opp_code(board::kBishop) && guard != z.opp_code(board::kHorse)) return;
  if (!z.empty(z.sq(2, 5)) || !z.empty(z.sq(2, 2)) || z.direct(z.s, z.sq(2, 2)) != 0) return;
  int rook = rook_along(z, 2), to = z.sq(2, 2);
  if (rook == 0) {
    if (!z.empty(z.sq(2, 1))) return;
    rook = rook_along(z, 1);
    to = z.sq(2, 1);
    if (rook == 0) return;
  }
  z.Seed({z.Move(z.p.piece[cheap].sq, p24, z.own_code(board::kBishop), z.opp_code(board::kPawn)),
          z.Move(rook, to, z.opp_code(board::kRook), 0), z.Drop(z.sq(2, 5), z.s)});
}

// 7 and 8: a pawn dropped on the edge file lures the lance forward.
void edge_lance_lure(const Shape& z, int lance_rank) {
  const int need = lance_rank == 1 ? 3 : 2;
  if (z.own_pawn_on_file(z.file_of(z.sq(1, 1))) || z.pawns_in_hand() < need) return;
  const int lance = z.sq(1, lance_rank), p24 = z.sq(2, 4), p25 = z.sq(2, 5);
  if (!z.opp(lance, board::kLance) || !z.opp(z.sq(2, 3), board::kPawn) || !z.empty(p24)) return;
  const bool pawn_on_two = z.own_pawn_on_file(z.file_of(p24));
  if (pawn_on_two) {
    if (!z.own(p25, board::kPawn) || z.support(z.s, p24) <= z.support(z.o, p24)) return;
  } else if (z.pawns_in_hand() < need + 1 || z.support(z.s, p24) < z.support(z.o, p24)) {
    return;
  }
  const int bait = z.sq(1, lance_rank + 1);
  const KMove drop = z.Drop(bait, z.s);
  const KMove take = z.Move(lance, bait, z.opp_code(board::kLance), z.own_code(board::kPawn));
  const KMove last = pawn_on_two ? z.Move(p25, p24, z.own_code(board::kPawn), 0)
                                 : z.Drop(lance_rank == 1 ? z.sq(1, 3) : p24, z.s);
  z.Seed({drop, take, last});
}

// 10, 12, 13: the opponent's bishop on the long diagonal attacks (6,6) and the
// pawn there opens the own bishop's diagonal.
bool bishop_aims_at_66(const Shape& z, int twice) {
  const int p66 = z.sq(6, 6);
  if (!z.own(p66, board::kPawn) || !z.empty(z.sq(6, 5))) return false;
  if (twice) return z.direct(z.o, p66) >= 2 && (z.cheapest_is_bishop(z.o, p66, 0) || z.cheapest_is_bishop(z.o, p66, 1));
  return z.direct(z.o, p66) > 0 && z.cheapest_is_bishop(z.o, p66, 0);
}

void knight_recapture(const Shape& z) {
  if (!z.own(z.sq(7, 7), board::kBishop) || !z.own(z.sq(8, 9), board::kKnight)) return;
  if (!bishop_aims_at_66(z, 0)) return;
  const int bishop = z.opp_bishop_on_diagonal();
  if (bishop == 0 || (!z.opp(z.sq(6, 4), board::kSilver) && !z.opp(z.sq(8, 4), board::kSilver))) return;
  z.Seed({z.Move(z.sq(6, 6), z.sq(6, 5), z.own_code(board::kPawn), 0),
          z.Move(bishop, z.sq(7, 7), z.opp_code(board::kBishop), z.own_code(board::kBishop)),
          z.Move(z.sq(8, 9), z.sq(7, 7), z.own_code(board::kKnight), z.opp_code(board::kBishop))});
}

// 11: the central pawn exchange while the opponent's rook swings to (6,2).
void central_exchange(const Shape& z) {
  if (!z.opp(z.sq(5, 3), board::kSilver) || !z.opp(z.sq(4, 3), board::kGold) || !z.own(z.sq(6, 6), board::kSilver)) {
    return;
  }
  if (!z.own(z.sq(6, 7), board::kRook) && !z.own(z.sq(6, 8), board::kRook) && !z.own(z.sq(6, 9), board::kRook)) return;
  if (!z.own(z.sq(5, 6), board::kPawn) || !z.opp(z.sq(5, 4), board::kPawn) || !z.own(z.sq(6, 5), board::kPawn) ||
      !z.opp(z.sq(6, 3), board::kPawn) || z.support(z.o, z.sq(6, 4)) >= 3) {
    return;
  }
  if (!z.opp(z.sq(8, 2), board::kRook) || !z.empty(z.sq(7, 2)) || !z.empty(z.sq(6, 2))) return;
  const int pawn = z.own_code(board::kPawn), opp_pawn = z.opp_code(board::kPawn);
  z.Seed({z.Move(z.sq(5, 6), z.sq(5, 5), pawn, 0), z.Move(z.sq(5, 4), z.sq(5, 5), opp_pawn, pawn),
          z.Move(z.sq(6, 6), z.sq(5, 5), z.own_code(board::kSilver), opp_pawn),
          z.Move(z.sq(8, 2), z.sq(6, 2), z.opp_code(board::kRook), 0)});
}

void seventh_file_exchange(const Shape& z) {
  if (!z.own(z.sq(7, 7), board::kBishop) || !z.own(z.sq(7, 6), board::kPawn) || !z.opp(z.sq(7, 5), board::kPawn) ||
      !z.own(z.sq(7, 8), board::kRook)) {
    return;
  }
  int silver = 0;
  for (int file : {6, 7, 8}) {
    if (z.opp(z.sq(file, 4), board::kSilver)) {
      silver = z.sq(file, 4);
      break;
    }
  }
  if (silver == 0 || !bishop_aims_at_66(z, 0) || z.opp_bishop_on_diagonal() == 0) return;
  const int pawn = z.own_code(board::kPawn);
  z.Seed({z.Move(z.sq(7, 6), z.sq(7, 5), pawn, z.opp_code(board::kPawn)),
          z.Move(silver, z.sq(7, 5), z.opp_code(board::kSilver), pawn), z.Move(z.sq(6, 6), z.sq(6, 5), pawn, 0)});
}

void rook_recapture(const Shape& z) {
  if (!z.opp(z.sq(7, 5), board::kSilver) || !z.empty(z.sq(7, 6)) || !z.own(z.sq(7, 8), board::kRook) ||
      !z.own(z.sq(7, 7), board::kBishop) || !bishop_aims_at_66(z, 1)) {
    return;
  }
  const int bishop = z.opp_bishop_on_diagonal();
  if (bishop == 0) return;
  z.Seed({z.Move(z.sq(6, 6), z.sq(6, 5), z.own_code(board::kPawn), 0),
          z.Move(bishop, z.sq(7, 7), z.opp_code(board::kBishop), z.own_code(board::kBishop)),
          z.Move(z.sq(7, 8), z.sq(7, 7), z.own_code(board::kRook), z.opp_code(board::kBishop))});
}

// 14: a pawn dropped on (2,5) is taken and the knight jumps.
void edge_knight_jump(const Shape& z) {
  if (!z.opp(z.sq(3, 3), board::kSilver) || !z.opp(z.sq(2, 4), board::kPawn) || z.pawns_in_hand() == 0) return;
  if (!z.own(z.sq(2, 6), board::kRook) && !z.own(z.sq(2, 7), board::kRook) && !z.own(z.sq(2, 8), board::kRook)) return;
  if (!z.own(z.sq(2, 9), board::kKnight) || z.own_pawn_on_file(z.file_of(z.sq(2, 5))) || !z.empty(z.sq(2, 5))) return;
  int to = 0;
  if (z.empty(z.sq(3, 7))) {
    to = z.sq(3, 7);
  } else if (z.empty(z.sq(1, 7))) {
    to = z.sq(1, 7);
  } else {
    return;
  }
  z.Seed({z.Drop(z.sq(2, 5), z.s), z.Move(z.sq(2, 4), z.sq(2, 5), z.opp_code(board::kPawn), z.own_code(board::kPawn)),
          z.Move(z.sq(2, 9), to, z.own_code(board::kKnight), 0)});
}

}  // namespace

int formation_seed_limit(int recognizer) {
  if (recognizer < 1 || recognizer > kRecognizers) return 0;
  return kLimitRows[limit_row(recognizer)][1];
}

void formation_seed_store(const KPosition&, const board::KHashKey& key, const KMove* sequence, int n) {
  if (n < 1) return;
  board::KHashKey k = key;
  for (int i = 0; i < n; ++i) board::hash_key_sashite(k, 0, sequence[i]);
  board::hash_store(k, 0, board::kBoundNone, board::kNoHashValue, 0, 12 * (n - 1), board::move_word(sequence[n - 1]),
                    0, kTagSeed);
}

void formation_seed(const KPosition& p, const board::KHashKey& key, int ply) {
  const Shape z{p, key, p.teban, 1 - p.teban};
  auto runs = [ply](int recognizer) { return formation_seed_limit(recognizer) >= ply; };
  if (runs(1)) rook_file_exchange(z);
  // Recognizers 2 and 9 look at squares beyond the edge files: they never match.
  if (runs(3)) climbing_silver(z);
  if (runs(4)) silver_pawn_thrust(z);
  if (runs(5)) rook_file_counter(z);
  if (runs(6)) second_file_bishop(z);
  if (runs(7)) edge_lance_lure(z, 1);
  if (runs(8)) edge_lance_lure(z, 2);
  if (runs(10)) knight_recapture(z);
  if (runs(11)) central_exchange(z);
  if (runs(12)) seventh_file_exchange(z);
  if (runs(13)) rook_recapture(z);
  if (runs(14)) edge_knight_jump(z);
}

}  // namespace search
