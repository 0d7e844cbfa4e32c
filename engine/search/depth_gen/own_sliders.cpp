// The own-piece families of the rook (and dragon) and the bishop (and horse):
// captures and entries into the enemy camp go through on attack counts alone;
// a quiet move needs threats on the lines it newly controls.
#include <cstdlib>

#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/own_families.h"

namespace search {

using board::kBishop;
using board::kDragon;
using board::kHorse;
using board::kKing;
using board::kPawn;
using board::kRook;

namespace {

// What a threat case decides: go on counting, write the move, skip it.
enum class Verdict { kCount, kWrite, kSkip };

bool near_enemy_king(const GenCall& g, int t) {
  return g.king != board::kNotInPlay && std::abs(board::square_file(t) - board::square_file(g.king)) <= 2 &&
         std::abs(board::square_rank(t) - board::square_rank(g.king)) <= 2;
}

int first_piece(const GenCall& g, int from, int dir) {
  int q = from + dir;
  while (g.empty(q)) q += dir;
  return q;
}

bool orthogonal_neighbours(int a, int b) { return std::abs(a - b) == 1 || std::abs(a - b) == 16; }
bool diagonal_neighbours(int a, int b) { return std::abs(a - b) == 15 || std::abs(a - b) == 17; }

// The square beyond a gold-like own piece is open to the mover and balanced:
// a piece stepping there is backed as strongly as it is attacked.
bool open_and_balanced(const GenCall& g, int q) { return !g.own_or_wall(q) && g.sup(g.s, q) == g.sup(g.e, q); }

// The camp walk: back from the end of a forward line towards the moving
// piece, the first camp square the enemy leaves alone (by `any_attack`, x-ray
// attacks included) counts one threat.
int camp_walk(const GenCall& g, int end, int dir, int t, bool any_attack) {
  if (!g.camp(end)) return 0;
  for (int q = end - dir; q != t && g.camp(q); q -= dir) {
    if ((any_attack ? g.sup(g.e, q) : g.c(g.e, q)) == 0) return 1;
  }
  return 0;
}

// ---- Bishop ----------------------------------------------------------------

struct BishopCount {
  GenCall& g;
  int t;
  bool unpromoted;
  int count = 0;

  // A piece P found from t along `dir` (0 for a horse's neighbour).
  Verdict judge(int p, int dir, bool forward_line) {
    if (g.enemy(p)) {
      const int cls = g.cls(p);
      if (cls == kKing) return Verdict::kWrite;
      if (cls == kRook || cls == kDragon || cls == kHorse) {
        if (g.n >= 3) return Verdict::kWrite;
        ++count;
        return Verdict::kCount;
      }
      if (cls == kBishop) return g.n >= 3 ? Verdict::kWrite : Verdict::kSkip;
      if (cls == kPawn) {
        if (g.n >= 4 && dir != 0 && g.king == p + dir) return Verdict::kWrite;
        if (g.n < 4 && !g.camp(p)) return Verdict::kCount;
      }
      if (g.n < 4 && g.c(g.e, p) == 0 && g.c(g.s, p) > 0) return Verdict::kCount;
      if (g.sup(g.e, p) <= g.sup(g.s, p)) ++count;
      if (count == 0 && forward_line) count += walk(p, dir);
      return Verdict::kCount;
    }
    if (!forward_line) return Verdict::kCount;
    if (g.own(p)) {
      const int cls = g.cls(p);
      if (cls == kRook || cls == kBishop || cls == kDragon || cls == kHorse) return Verdict::kCount;
      if (gold_like(cls) || cls == board::kSilver) {
        count += open_and_balanced(g, p + dir) ? 1 : walk(p, dir);
        return Verdict::kCount;
      }
    }
    count += walk(p, dir);
    return Verdict::kCount;
  }
  int walk(int p, int dir) const { return unpromoted ? camp_walk(g, p, dir, t, true) : 0; }
};

Verdict bishop_quiet(GenCall& g, int code, int sq, int t, int dir) {
  const bool horse = board::code_class(code) == kHorse;
  BishopCount bc{g, t, !horse};
  const int across = (dir == 15 || dir == -15) ? 17 : 15;
  for (int a : {across, -across}) {
    const Verdict v = bc.judge(first_piece(g, t, a), a, a == g.f - 1 || a == g.f + 1);
    if (v != Verdict::kCount) return v;
  }
  if (horse) {
    for (int step : board::kOrthogonalSteps) {
      const int q = t + step;
      if (!g.enemy(q) || orthogonal_neighbours(q, sq)) continue;
      const Verdict v = bc.judge(q, 0, false);
      if (v != Verdict::kCount) return v;
    }
  }
  return bc.count >= (g.n <= 3 ? 2 : 1) ? Verdict::kWrite : Verdict::kSkip;
}

void horse_steps(GenCall& g, int piece, int sq) {
  const int need = g.n <= 3 ? 2 : 1;
  for (int d : board::kOrthogonalSteps) {
    const int t = sq + d;
    if (g.own_or_wall(t)) continue;
    if ((g.empty(t) || g.enemy_pawn(t)) && g.sup(g.s, t) <= g.sup(g.e, t)) continue;
    bool write = (g.n >= 2 && near_enemy_king(g, t)) || g.enemy(t);
    int count = 0;
    const int beyond = t + d;
    if (!write && g.enemy(beyond)) {
      const int cls = g.cls(beyond);
      if (cls == kRook || cls == kDragon) {
        write = true;
      } else if (cls == kKing) {
        count = 1;
        write = g.n >= 4;
      } else if (!(cls == kPawn && g.n < 4) && g.held(beyond)) {
        count = 1;
      }
    }
    for (int a : board::kDiagonalSteps) {
      if (write) break;
      const int p = first_piece(g, t, a);
      if (orthogonal_neighbours(p, sq)) continue;
      if (g.own(p)) {
        if ((a == g.f - 1 || a == g.f + 1) && (gold_like(g.cls(p)) || g.cls(p) == board::kSilver) &&
            open_and_balanced(g, p + a)) {
          ++count;
        }
        continue;
      }
      if (!g.enemy(p)) continue;
      const int cls = g.cls(p);
      if (cls == kRook || cls == kDragon) {
        if (g.n >= 3) write = true;
        ++count;
      } else if (cls == kKing) {
        ++count;
      } else if (!(cls == kPawn && g.n < 4) && g.held(p)) {
        ++count;
      }
    }
    if (write || count >= need) g.emit_board(piece, sq, t, 0);
  }
}

// ---- Rook --------------------------------------------------------------------

// The enemy horse on p has a square along its diagonals the mover does not
// attack directly.
bool horse_free(const GenCall& g, int p) {
  for (int a : board::kDiagonalSteps) {
    for (int q = p + a; !g.wall(q) && !g.enemy(q); q += a) {
      if (g.c(g.s, q) == 0) return true;
      if (!g.empty(q)) break;
    }
  }
  return false;
}

struct RookCount {
  GenCall& g;
  int t;
  bool dragon;
  bool walks;  // an unpromoted rook's non-promoting move may make the camp walk
  int count = 0;
  bool free_horse = false;

  int walk(int p) const { return walks ? camp_walk(g, p, g.f, t, false) : 0; }

  Verdict judge(int p, int dir, bool forward_line) {
    const auto held = [&](int q) { return g.sup(g.e, q) <= g.sup(g.s, q); };
    if (g.enemy(p)) {
      const int cls = g.cls(p);
      if (cls == kRook || cls == kDragon || cls == kKing) {
        ++count;
      } else if (cls == kBishop || cls == kHorse) {
        if (cls == kHorse && g.n < 6 && horse_free(g, p)) free_horse = true;
        if (g.n >= 4 || held(p)) ++count;
      } else if (cls == kPawn) {
        if ((g.n >= 5 || (g.camp(p) && !dragon)) && held(p)) ++count;
      } else {
        if (g.n >= 4 || held(p)) ++count;
        if (count == 0 && forward_line) count += walk(p);
      }
      return Verdict::kCount;
    }
    if (!forward_line) return Verdict::kCount;
    if (g.wall(p)) {
      count += walk(p);
      return Verdict::kCount;
    }
    const int cls = g.cls(p);
    if (gold_like(cls) || cls == board::kSilver) {
      if (g.n >= 4) count += open_and_balanced(g, p + g.f) ? 1 : walk(p);
    } else if (cls == board::kLance) {
      const int q = first_piece(g, p, dir);
      if (g.wall(q) || (g.own(q) && g.camp(q - g.f))) return Verdict::kWrite;
      if (g.enemy(q)) count += g.sup(g.s, q) == g.sup(g.e, q) ? 1 : walk(p);
    } else if (cls == kPawn) {
      if (g.camp(p + g.f) && g.n >= 3) ++count;
    } else if (cls == board::kKnight || cls == kKing) {
      count += walk(p);
    }
    return Verdict::kCount;
  }
};

Verdict rook_quiet(GenCall& g, int piece, int code, int sq, int t, int dir, bool promotes) {
  const bool dragon = board::code_class(code) == kDragon;
  RookCount rc{g, t, dragon, !dragon && !promotes};
  const bool along_rank = dir == 1 || dir == -1;
  const int across = along_rank ? 16 : 1;
  for (int a : {along_rank ? across : -across, along_rank ? -across : across}) {
    const int p = first_piece(g, t, a);
    if (dragon && diagonal_neighbours(p, sq)) continue;
    const Verdict v = rc.judge(p, a, along_rank && a == g.f);
    if (v != Verdict::kCount) return v;
  }
  if (dragon || promotes) {
    for (int a : board::kDiagonalSteps) {
      const int q = t + a;
      if (!g.enemy(q) || g.attacks(g.s, q, piece)) continue;
      rc.judge(q, 0, false);
    }
  }
  if (rc.count == 0) return Verdict::kSkip;
  if ((g.n == 4 || g.n == 5) && rc.count == 1 && rc.free_horse) return Verdict::kSkip;
  return Verdict::kWrite;
}

void dragon_steps(GenCall& g, int piece, int sq) {
  const auto worth = [&](int q) {
    if (!g.enemy(q)) return 0;
    const int cls = g.cls(q);
    if (cls == kPawn && g.n < 4) return 0;
    if (cls == kKing) return 1;
    const bool big = cls == kRook || cls == kBishop || cls == kDragon || cls == kHorse;
    return (big && g.n >= 4) || g.held(q) ? 1 : 0;
  };
  for (int a : board::kDiagonalSteps) {
    const int t = sq + a;
    if (g.own_or_wall(t)) continue;
    if (g.enemy(t)) {
      if (!g.enemy_pawn(t) || g.sup(g.s, t) > g.sup(g.e, t)) g.emit_board(piece, sq, t, 0);
      continue;
    }
    if (g.sup(g.s, t) <= g.sup(g.e, t)) continue;
    int count = 0;
    for (int b : board::kDiagonalSteps) {
      const int q = t + b;
      if (q != sq && !g.attacks(g.s, q, piece)) count += worth(q);
    }
    for (int b : board::kOrthogonalSteps) {
      const int p = first_piece(g, t, b);
      const bool by_from = std::abs(board::square_file(p) - board::square_file(sq)) <= 1 &&
                           std::abs(board::square_rank(p) - board::square_rank(sq)) <= 1;
      if (!by_from) count += worth(p);
    }
    if (count >= 2 || (count >= 1 && g.n >= 3)) g.emit_board(piece, sq, t, 0);
  }
}

}  // namespace

int gen_own_kaku(GenCall& g, int piece, int code, int sq) {
  const int start = g.count;
  const bool horse = board::code_class(code) == kHorse;
  for (int dir : board::kDiagonalSteps) {
    for (int t = sq + dir; !g.own_or_wall(t); t += dir) {
      const bool capture = g.enemy(t);
      const int promotes = !horse && (g.camp(sq) || g.camp(t)) ? 1 : 0;
      Verdict v = Verdict::kCount;
      if (!capture) {
        if (g.n >= 5 && g.c(g.e, t) == 1 && g.attacks(g.e, t, g.e)) {
          v = Verdict::kWrite;
        } else if (g.sup(g.s, t) <= g.sup(g.e, t) || g.enemy_pawn(t + g.f)) {
          v = Verdict::kSkip;
        }
      } else if (g.enemy_pawn(t) && g.n <= 5 && g.sup(g.s, t) <= g.sup(g.e, t)) {
        v = Verdict::kSkip;
      }
      if (v == Verdict::kCount) {
        if ((g.n >= 2 && (promotes || horse) && near_enemy_king(g, t)) || promotes || capture) {
          v = Verdict::kWrite;
        } else {
          v = bishop_quiet(g, code, sq, t, dir);
        }
      }
      if (v == Verdict::kWrite && !slider_return_fires(g, piece, sq, t)) g.emit_board(piece, sq, t, promotes);
      if (capture) break;
    }
  }
  if (horse) horse_steps(g, piece, sq);
  return g.count - start;
}

int gen_own_hisha(GenCall& g, int piece, int code, int sq) {
  const int start = g.count;
  const bool dragon = board::code_class(code) == kDragon;
  for (int dir : board::kOrthogonalSteps) {
    for (int t = sq + dir; !g.own_or_wall(t); t += dir) {
      const bool capture = g.enemy(t);
      const int promotes = !dragon && (g.camp(sq) || g.camp(t)) ? 1 : 0;
      Verdict v = Verdict::kCount;
      if ((!capture || g.enemy_pawn(t)) && g.sup(g.s, t) <= g.sup(g.e, t)) v = Verdict::kSkip;
      if (!capture && g.enemy_pawn(t + g.f)) v = Verdict::kSkip;
      if (v == Verdict::kCount) {
        if ((promotes && !g.camp(sq)) || capture) {
          v = Verdict::kWrite;
        } else if (g.n < 3 && g.enemy_attacks_from(t, 4)) {
          v = Verdict::kSkip;
        } else {
          v = rook_quiet(g, piece, code, sq, t, dir, promotes != 0);
        }
      }
      if (v == Verdict::kWrite && !slider_return_fires(g, piece, sq, t)) g.emit_board(piece, sq, t, promotes);
      if (capture) break;
    }
  }
  if (dragon) dragon_steps(g, piece, sq);
  return g.count - start;
}

}  // namespace search
