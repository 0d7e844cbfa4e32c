// The checking generator's rook (and dragon) and bishop (and horse) families.
#include <cstdlib>

#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/check_families.h"
#include "engine/search/depth_gen/own_families.h"

namespace search {

using board::kBishop;
using board::kDragon;
using board::kHorse;
using board::kKing;
using board::kPawn;
using board::kRook;

namespace {

int first_piece(const GenCall& g, int from, int dir) {
  int q = from + dir;
  while (g.empty(q)) q += dir;
  return q;
}

bool big_piece(int cls) { return cls == kRook || cls == kBishop || cls == kDragon || cls == kHorse; }

// A piece other than the enemy's king and rooks attacks the square.
bool minor_attacks(const GenCall& g, int sq) { return g.enemy_attacks_from(sq, 4); }

// The bishop's safety test: its only supporter of a square the enemy
// attacks, leaving a square the enemy does not attack, for less than a king,
// rook or bishop (promoted or not).
bool bishop_unsafe(const GenCall& g, int q, int d) {
  if (g.c(g.e, q) != 0 || g.sup(g.s, d) != 1 || g.sup(g.e, d) <= 0) return false;
  const int cls = g.enemy(d) ? g.cls(d) : 0;
  return !(cls == kKing || big_piece(cls));
}

// The promotion-line test: back from where a forward diagonal ended, the first
// camp square the enemy does not attack at all.
int promotion_line(const GenCall& g, int end, int dir, int d) {
  for (int q = end - dir; q != d && g.camp(q); q -= dir) {
    if (g.sup(g.e, q) == 0) return 1;
  }
  return 0;
}

enum class Verdict { kCount, kWrite, kSkip };

// Threats a quiet rook move to d makes across its line (and, for a dragon or
// a promoting rook, on the diagonal neighbours).
int rook_threats(const GenCall& g, int piece, int code, int q, int d, int dir, int promote) {
  const bool dragon = board::code_class(code) == kDragon;
  const bool rook = !dragon;
  int count = 0;
  const auto judge = [&](int p, bool forward_line) {
    if (!g.enemy(p)) return;
    const int cls = g.cls(p);
    if (cls == kRook || cls == kDragon || cls == kKing) {
      ++count;
    } else if (cls == kBishop || cls == kHorse) {
      if (g.held(p)) ++count;
    } else if (cls != kPawn || (g.camp(p) && rook)) {
      if (g.held(p)) ++count;
      if (count == 0 && rook && !promote && forward_line) {
        for (int s = p - g.f; s != d && g.camp(s); s -= g.f) {
          if (g.c(g.e, s) == 0) {
            count = 1;
            break;
          }
        }
      }
    }
  };
  const bool along_rank = dir == 1 || dir == -1;
  const int first_line = along_rank ? 16 : -1;
  for (int a : {first_line, -first_line}) {
    const int p = first_piece(g, d, a);
    if (dragon && (std::abs(p - q) == 15 || std::abs(p - q) == 17)) continue;
    judge(p, a == g.f);
  }
  if (dragon || promote) {
    for (int a : board::kDiagonalSteps) judge(d + a, false);
  }
  static_cast<void>(piece);
  return count;
}

Verdict bishop_threats(const GenCall& g, int code, int q, int d, int dir) {
  const bool horse = board::code_class(code) == kHorse;
  int count = 0;
  // The result of one piece; `line` is the diagonal it was found on (0 for a
  // horse's neighbour).
  const auto judge = [&](int p, int line) -> Verdict {
    const bool forward_line = line != 0 && (line == g.f - 1 || line == g.f + 1);
    const auto promotion_test = [&] {
      if (!horse && forward_line) count += promotion_line(g, p, line, d);
    };
    if (g.enemy(p)) {
      const int cls = g.cls(p);
      if (cls == kRook || cls == kDragon || cls == kHorse) {
        ++count;
      } else if (cls == kBishop) {
        return Verdict::kSkip;
      } else if (cls == kKing) {
        return Verdict::kWrite;
      } else if (cls != kPawn && !(g.c(g.e, p) == 0 && g.c(g.s, p) > 0)) {
        if (g.held(p)) ++count;
        if (count == 0) promotion_test();
      }
      return Verdict::kCount;
    }
    if (!forward_line) return Verdict::kCount;
    if (g.own(p)) {
      const int cls = g.cls(p);
      if (big_piece(cls)) return Verdict::kCount;
      if (gold_like(cls) || cls == board::kSilver) {
        const int beyond = p + line;
        if (!g.own_or_wall(beyond) && g.sup(g.e, beyond) == g.sup(g.s, beyond)) {
          ++count;
        } else {
          promotion_test();
        }
        return Verdict::kCount;
      }
    }
    promotion_test();
    return Verdict::kCount;
  };
  const int across = (dir == 15 || dir == -15) ? 17 : 15;
  for (int a : {across, -across}) {
    const Verdict v = judge(first_piece(g, d, a), a);
    if (v != Verdict::kCount) return v;
  }
  if (horse) {
    for (int step : board::kOrthogonalSteps) {
      const int p = d + step;
      if (g.empty(p) || std::abs(p - q) == 1 || std::abs(p - q) == 16) continue;
      const Verdict v = judge(p, 0);
      if (v != Verdict::kCount) return v;
    }
  }
  return count >= 2 ? Verdict::kWrite : Verdict::kSkip;
}

void dragon_steps(GenCall& g, int piece, int q) {
  for (int a : board::kDiagonalSteps) {
    const int n = q + a;
    if (g.own_or_wall(n)) continue;
    const int own = g.sup(g.s, n), enemy = g.sup(g.e, n);
    if (g.enemy(n)) {
      if (g.enemy_pawn(n) && own <= enemy) continue;
      if (g.c(g.e, n) >= 1 && own == 1 && g.c(g.e, q) == 0) continue;
      if (g.enemy_pawn(n) && minor_attacks(g, n)) continue;
      g.emit_board(piece, q, n, 0);
      continue;
    }
    if (own <= enemy) continue;
    int count = 0;
    const auto worth = [&](int p) {
      if (!g.enemy(p) || g.enemy_pawn(p)) return 0;
      return g.cls(p) == kKing || g.held(p) ? 1 : 0;
    };
    for (int b : board::kDiagonalSteps) {
      const int p = n + b;
      if (p != q && !g.attacks(g.s, p, piece)) count += worth(p);
    }
    for (int b : board::kOrthogonalSteps) {
      const int p = first_piece(g, n, b);
      const bool by_q = std::abs(board::square_file(p) - board::square_file(q)) <= 1 &&
                        std::abs(board::square_rank(p) - board::square_rank(q)) <= 1;
      if (!by_q) count += worth(p);
    }
    if (count >= 2) g.emit_board(piece, q, n, 0);
  }
}

void horse_steps(GenCall& g, int piece, int q) {
  for (int a : board::kOrthogonalSteps) {
    const int n = q + a;
    if (g.own_or_wall(n)) continue;
    if (g.enemy(n)) {
      if (g.enemy_pawn(n) && g.sup(g.s, n) <= g.sup(g.e, n)) continue;
      if (bishop_unsafe(g, q, n)) continue;
      g.emit_board(piece, q, n, 0);
      continue;
    }
    if (g.sup(g.s, n) <= g.sup(g.e, n)) continue;
    int count = 0;
    const int beyond = n + a;
    if (g.enemy(beyond)) {
      const int cls = g.cls(beyond);
      if (cls == kRook || cls == kDragon) {
        g.emit_board(piece, q, n, 0);
        continue;
      }
      if (cls == kKing || (cls != kPawn && g.held(beyond))) count = 1;
    }
    for (int b : board::kDiagonalSteps) {
      const int p = first_piece(g, n, b);
      if (std::abs(p - q) == 1 || std::abs(p - q) == 16) continue;
      if (g.enemy(p)) {
        const int cls = g.cls(p);
        if (cls == kRook || cls == kKing || cls == kDragon) {
          ++count;
        } else if (cls != kPawn && g.held(p)) {
          ++count;
        }
      } else if (g.own(p) && (b == g.f - 1 || b == g.f + 1) && (gold_like(g.cls(p)) || g.cls(p) == board::kSilver)) {
        const int far = p + b;
        if (!g.own_or_wall(far) && g.sup(g.e, far) == g.sup(g.s, far)) ++count;
      }
    }
    if (count >= 2) g.emit_board(piece, q, n, 0);
  }
}

// The safety test of captures and promotions, unless the king-front state
// lets a capture of a gold (or silver) straight through (`direct`: no return
// rules either); true when the move goes on.
bool passes_safety(const GenCall& g, bool rook, int q, int d, int front, bool* direct) {
  *direct = false;
  const int cls = g.enemy(d) ? g.cls(d) : 0;
  if ((front != 0 && cls == board::kGold) || (front == 3 && (cls == board::kSilver || cls == 20))) {
    *direct = true;
    return true;
  }
  if (rook) {
    if (g.c(g.e, d) >= 1 && g.sup(g.s, d) == 1 && g.c(g.e, q) == 0) return false;
    if ((g.empty(d) || g.enemy_pawn(d)) && minor_attacks(g, d)) return false;
  } else if (bishop_unsafe(g, q, d)) {
    return false;
  }
  return true;
}

int slider_family(GenCall& g, int piece, int code, int q, int front, bool rook) {
  const int start = g.count;
  const bool promoted = (code & board::kPromotedBit) != 0;
  for (int dir : rook ? board::kOrthogonalSteps : board::kDiagonalSteps) {
    for (int d = q + dir; !g.own_or_wall(d); d += dir) {
      const bool capture = g.enemy(d);
      bool go = true;
      if ((!capture || g.enemy_pawn(d)) && g.sup(g.s, d) <= g.sup(g.e, d)) go = false;
      if (!capture && g.enemy_pawn(d + g.f)) go = false;
      const int promote = !promoted && (g.camp(q) || g.camp(d)) ? 1 : 0;
      bool direct = false;
      if (go) {
        const bool to_safety = rook ? ((promote && !g.camp(q)) || capture) : (promote || capture);
        if (to_safety) {
          go = passes_safety(g, rook, q, d, front, &direct);
        } else if (rook) {
          go = !minor_attacks(g, d) && rook_threats(g, piece, code, q, d, dir, promote) >= 2;
        } else {
          go = bishop_threats(g, code, q, d, dir) == Verdict::kWrite;
        }
      }
      if (go && !direct && slider_return_fires(g, piece, q, d)) go = false;
      if (go) g.emit_board(piece, q, d, promote);
      if (capture) break;
    }
  }
  if (promoted && rook) dragon_steps(g, piece, q);
  if (promoted && !rook) horse_steps(g, piece, q);
  return g.count - start;
}

}  // namespace

int gen1_move_hisha(GenCall& g, int piece, int code, int sq, int front) {
  return slider_family(g, piece, code, sq, front, true);
}

int gen1_move_kaku(GenCall& g, int piece, int code, int sq, int front) {
  return slider_family(g, piece, code, sq, front, false);
}

}  // namespace search
