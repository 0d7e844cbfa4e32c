#include "engine/board/threat_kind.h"

#include <array>
#include <cstdlib>

#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"
#include "engine/board/target_list.h"
#include "engine/board/think_board.h"

namespace board {

namespace {

// The threat word's four bytes.
struct ThreatWord {
  int a;     // square A
  int b;     // square B
  int kind;  // piece kind K
  int file;  // file F
};

ThreatWord read_threat_word() {
  const uint32_t w = think_board.generator_words.threat_word;
  return {static_cast<int>(w & 0xFF), static_cast<int>((w >> 8) & 0xFF), static_cast<int>((w >> 16) & 0xFF),
          static_cast<int>(w >> 24)};
}

// The current ply's target list as a set, read once per test.
class TargetSet {
 public:
  TargetSet() {
    target_list_walk([this](int sq) {
      const int i = sq - kFirstSquare;
      bits_[i >> 6] |= uint64_t{1} << (i & 63);
    });
  }
  bool has(int sq) const {
    if (!is_playing_square(sq)) return false;
    const int i = sq - kFirstSquare;
    return (bits_[i >> 6] >> (i & 63)) & 1u;
  }

 private:
  uint64_t bits_[(kKikiSquares + 63) / 64] = {};
};

// A candidate move of the side to move, seen before it is made.
struct Candidate {
  const KPosition& p;
  const TargetSet& list;
  int s;     // side to move
  int e;     // the opponent
  int fwd;   // the side's forward step
  int n;     // the moving piece
  int from;  // kInHand for a drop
  int to;

  Candidate(const KPosition& pos, const TargetSet& l, int piece, int origin, int dest)
      : p(pos), list(l), s(pos.teban), e(1 - pos.teban), fwd(forward_step(pos.teban)), n(piece), from(origin),
        to(dest) {}

  bool dropping() const { return from == kInHand; }
  int code_at(int t) const { return p.piece[p.board[t]].code; }
  // The mover's own square counts as empty: the piece leaves it.
  bool empty(int t) const { return t == from || p.board[t] == kEmptyNumber; }
  bool enemy_on(int t) const { return t != from && holds_piece_of(p, e, t); }
  bool own_on(int t) const { return t != from && holds_piece_of(p, s, t); }
  // An unpromoted enemy pawn on cell t (a wall cell reads as none).
  bool enemy_pawn(int t) const { return code_at(t) == (kPawn | side_bit(e)); }
  // The piece attacked t from where it stood; never for a drop.
  bool attacked_before(int t) const { return !dropping() && kiki_has_direct(kiki_at(p, t), s, n); }
  // An empty listed square worth aiming at: deep enough, and no enemy pawn one
  // step beyond it to cover it.
  bool counting(int t, int depth) const { return empty(t) && depth > 3 && !enemy_pawn(t + fwd); }
  // A listed square, not attacked before, holding an enemy piece or empty and counting.
  bool new_target(int t, int depth) const {
    return is_playing_square(t) && list.has(t) && !attacked_before(t) && (enemy_on(t) || counting(t, depth));
  }
  // The unit step of the move's own line (0 for a drop or a knight).
  int move_line() const { return dropping() ? 0 : line_direction(from, to); }
  bool off_line(int u) const {
    const int line = move_line();
    return line == 0 || (u != line && u != -line);
  }
  int step(int sente_step) const { return side_offset(sente_step, s); }
};

// Whether one of the single steps of class `cls` from the destination hits a
// square that `hit` accepts.
template <class Hit>
bool any_step(const Candidate& c, int cls, Hit&& hit) {
  const KomaMoves& m = kKomaMoveTable[cls];
  for (int i = 0; i < m.step_count; ++i) {
    if (hit(c.to + c.step(m.step[i]))) return true;
  }
  return false;
}

int lance_test(const Candidate& c, int depth, const ThreatWord& w) {
  bool reaches_b = false;
  bool hits = false;
  for (int t = c.to + c.fwd; is_playing_square(t); t += c.fwd) {
    if (depth > 2 && is_playing_square(w.b) && t == w.b - c.fwd) reaches_b = true;
    if (c.list.has(t)) {
      if (c.enemy_on(t)) {
        hits = true;
      } else if (!c.empty(t)) {
        break;  // a listed square holding an own piece ends the class tests
      } else if (depth > 2 && !c.enemy_pawn(t + c.fwd)) {
        hits = true;
      }
    }
    if (!c.empty(t)) break;
  }
  return reaches_b ? 25 : hits ? 26 : 0;
}

int pawn_test(const Candidate& c, int depth, const ThreatWord& w) {
  if (depth >= 3 && is_playing_square(w.b) && w.b == c.to + 2 * c.fwd) return 27;
  const int t = c.to + c.fwd;
  if (is_playing_square(t) && c.list.has(t) && (depth > 3 || c.enemy_on(t))) return 28;
  return 0;
}

// Rook lines, off the move's own line: 10 for a listed enemy piece that is the
// first enemy piece met and was not attacked before, else 11 for a listed empty
// square not attacked before (depth 3 or more; at 3 and 4 not with an enemy pawn
// one step beyond). The walk passes own rooks and, forward, own lances.
int rook_lines(const Candidate& c, int depth) {
  bool piece_hit = false;
  bool square_hit = false;
  for (int u : kOrthogonalSteps) {
    if (!c.off_line(u)) continue;
    for (int t = c.to + u; is_playing_square(t); t += u) {
      if (c.empty(t)) {
        if (c.list.has(t) && !c.attacked_before(t) && depth >= 3 && (depth >= 5 || !c.enemy_pawn(t + c.fwd))) {
          square_hit = true;
        }
        continue;
      }
      if (c.own_on(t)) {
        const int cls = code_class(c.code_at(t));
        if (code_kind(cls) == kRook || (u == c.fwd && cls == kLance)) continue;
        break;
      }
      if (c.list.has(t) && !c.attacked_before(t)) piece_hit = true;
      break;
    }
  }
  return piece_hit ? 10 : square_hit ? 11 : 0;
}

// Bishop lines, off the move's own line: 15 for a listed square not attacked
// before (squares attacked before are not tested) holding an enemy piece or
// empty and counting, else 16 when a line reaches square A off the edge files
// and ranks. A line ends at an own piece and after an enemy piece.
int bishop_lines(const Candidate& c, int depth, const ThreatWord& w) {
  const int a = w.a;
  const bool a_inner = is_playing_square(a) && square_file(a) != 1 && square_file(a) != 9 && square_rank(a) != 1 &&
                       square_rank(a) != 9;
  bool hits = false;
  bool reaches_a = false;
  for (int u : kDiagonalSteps) {
    if (!c.off_line(u)) continue;
    for (int t = c.to + u; is_playing_square(t) && !c.own_on(t); t += u) {
      if (a_inner && t == a) reaches_a = true;
      if (!c.attacked_before(t) && c.list.has(t) && (c.enemy_on(t) || c.counting(t, depth))) hits = true;
      if (!c.empty(t)) break;
    }
  }
  return hits ? 15 : reaches_a ? 16 : 0;
}

int class_test(const Candidate& c, int cls, int depth, const ThreatWord& w) {
  auto new_target = [&](int t) { return c.new_target(t, depth); };
  switch (cls) {
    case kGold: return any_step(c, kGold, new_target) ? 18 : 0;
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin: return any_step(c, kGold, new_target) ? 20 : 0;
    case kSilver: return any_step(c, kSilver, new_target) ? 22 : 0;
    case kKnight:
      return any_step(c, kKnight, [&](int t) {
               return is_playing_square(t) && c.list.has(t) && (c.enemy_on(t) || c.counting(t, depth));
             })
                 ? 24
                 : 0;
    case kLance: return lance_test(c, depth, w);
    case kPawn: return pawn_test(c, depth, w);
    case kDragon: return any_step(c, kDragon, new_target) ? 9 : rook_lines(c, depth);
    case kHorse: {
      const bool hit = any_step(c, kHorse, [&](int t) {
        return is_playing_square(t) && c.list.has(t) && !c.attacked_before(t) &&
               (c.enemy_on(t) || (c.empty(t) && (depth > 3 || !c.enemy_pawn(t + c.fwd))));
      });
      return hit ? 13 : bishop_lines(c, depth, w);
    }
    case kRook: return rook_lines(c, depth);
    case kBishop: return bishop_lines(c, depth, w);
    default: return 0;
  }
}

// Codes 29-33 and 40: a pawn on B's rank (or the rank behind it) whose push or
// drop opens the side's rook behind it, and two squares next to the enemy king.
int pattern_test(const Candidate& c, int cls, int mode, const ThreatWord& w) {
  const KPosition& p = c.p;
  const int s = c.s, e = c.e, fwd = c.fwd, to = c.to, b = w.b;
  if (!is_playing_square(b)) return 0;
  // Attacks here are direct plus x-ray.
  auto attacks = [&](int side, int t) {
    const KKiki& k = kiki_at(p, t);
    return k.direct_count[side] + k.xray_count[side];
  };
  auto rook_on_file = [&](int file) {
    for (int r : {2, 3}) {
      const int sq = p.piece[r].sq;
      if (is_playing_square(sq) && square_file(sq) == file) return true;
    }
    return false;
  };
  // Nothing between two squares of one rank.
  auto clear_between = [&](int x, int y) {
    const int u = x < y ? 1 : -1;
    for (int t = x + u; x != y && t != y; t += u) {
      if (!c.empty(t)) return false;
    }
    return true;
  };
  // The first piece met going backward from `start` is the side's unpromoted rook.
  auto own_rook_behind = [&](int start) {
    for (int t = start; is_playing_square(t); t -= fwd) {
      if (!c.empty(t)) return c.code_at(t) == (kRook | side_bit(s));
    }
    return false;
  };
  const int ahead = to + fwd;  // a wall cell at worst
  const bool pawn_ahead = code_class(c.code_at(ahead)) == kPawn;
  const int mine = attacks(s, to);
  const int theirs = attacks(e, to);

  if (square_rank(b) == square_rank(to) && clear_between(b, to)) {
    if (cls == kPawn && pawn_ahead && rook_on_file(square_file(to))) {
      if (!mode && theirs < mine && own_rook_behind(to - 2 * fwd)) return 29;
      if (mode && theirs <= mine && own_rook_behind(to - fwd)) return 30;
    }
    if ((code_kind(cls) == kPawn || !c.empty(to)) && code_class(c.code_at(b)) == kPawn &&
        attacks(e, b) < attacks(s, b) && rook_on_file(square_file(b)) &&
        (c.code_at(ahead) != (kPawn | side_bit(e)) || theirs == 1) && own_rook_behind(b - fwd)) {
      return 31;
    }
  }
  if (square_rank(b) == square_rank(ahead) && code_class(c.code_at(b)) == kLance && cls == kPawn && pawn_ahead &&
      p.pawn_file[s][square_file(b)] == 0 && rook_on_file(square_file(to)) && clear_between(b - fwd, to)) {
    const int pawns = p.hand[s][kPawn];
    if (!mode && pawns >= 1 && theirs < mine && own_rook_behind(to - 2 * fwd)) return 32;
    if (mode && pawns >= 2 && theirs <= mine && own_rook_behind(to - fwd)) return 33;
  }
  const int king = p.piece[e].sq;
  auto next_to_king = [&](int x) {
    const int d = std::abs(x - king);
    return d == 1 || d == 15 || d == 16 || d == 17;
  };
  if (is_playing_square(king) && next_to_king(b) && next_to_king(to)) return 40;
  return 0;
}

}  // namespace

int sashite_threat_kind(const KPosition& p, const KMove* last, int n, int promote, int mode, int to, int depth) {
  if (n < 0 || n >= kPieceCount || !is_playing_square(to)) return 0;
  const int s = p.teban;
  const int from = is_playing_square(p.piece[n].sq) ? p.piece[n].sq : kInHand;
  // A piece in hand carries no code of its own side: its number gives the kind.
  const int code = from == kInHand ? number_kind(n) | side_bit(s) : p.piece[n].code;
  const TargetSet list;
  const ThreatWord w = read_threat_word();
  const Candidate c(p, list, n, from, to);

  if (list.has(to)) return 1;
  bool major_listed = false;
  target_list_walk([&](int t) { major_listed = major_listed || (p.board[t] < 6 && holds_piece_of(p, s, t)); });
  if (major_listed) return 2;
  const int now = code_class(code);
  if (mode && last != nullptr && square_file(to) == w.file &&
      (now == kPawn || (now == kTokin && last[-1].promote != 0))) {
    return 3;
  }
  if (mode && code_kind(code) == w.kind && (w.kind != kPawn || p.hand[s][kPawn] == 1)) return 4;
  if (mode && to == w.a && is_playing_square(w.b)) {
    const int at_b = code_class(c.code_at(w.b));
    if (at_b == kPawn || at_b == kLance || at_b == kKnight ||
        (at_b == kSilver && square_file(w.b) == square_file(w.a))) {
      return 5;
    }
  }
  if (last != nullptr && to == last[-1].from) return 7;
  const int cls = now | (promote ? kPromotedBit : 0);
  if (const int k = class_test(c, cls, depth, w); k != 0) return k;
  return pattern_test(c, cls, mode, w);
}

int sashite_threat_kind2(const KPosition& p, int n, int code, int promote, int to) {
  if (!is_playing_square(to)) return 0;
  const ThreatWord w = read_threat_word();
  const bool drop = n < 0;
  if (drop && ((code_class(code) == kPawn && square_file(to) == w.file) || code_class(code) == w.kind)) return 1;
  const TargetSet list;
  if (list.has(to)) return 1;
  if (!drop && (n >= kPieceCount || !is_playing_square(p.piece[n].sq))) return 0;
  const Candidate c(p, list, drop ? 0 : n, drop ? kInHand : p.piece[n].sq, to);
  // A listed enemy piece that the piece newly attacks (a drop attacks nothing before).
  auto hit = [&](int t) { return is_playing_square(t) && c.list.has(t) && c.enemy_on(t) && !c.attacked_before(t); };
  // The lines of a slider: a listed enemy piece, or reaching square A.
  auto lines = [&](const std::array<int, 4>& dirs) {
    for (int u : dirs) {
      for (int t = c.to + u; is_playing_square(t); t += u) {
        if (t == w.a || hit(t)) return true;
        if (!c.empty(t)) break;
      }
    }
    return false;
  };
  switch (code_class(code) | (promote ? kPromotedBit : 0)) {
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin: return any_step(c, kGold, hit);
    case kSilver:
      return any_step(c, kSilver, [&](int t) { return is_playing_square(t) && list.has(t) && c.enemy_on(t); });
    case kKnight: return any_step(c, kKnight, hit);
    case kLance:
      for (int t = c.to + c.fwd; is_playing_square(t); t += c.fwd) {
        if (hit(t)) return 1;
        if (!c.empty(t)) break;
      }
      return 0;
    case kPawn: return hit(c.to + c.fwd);
    case kDragon: return any_step(c, kDragon, hit) || lines(kOrthogonalSteps);
    case kHorse: return any_step(c, kHorse, hit) || lines(kDiagonalSteps);
    case kRook: return lines(kOrthogonalSteps);
    case kBishop: return lines(kDiagonalSteps);
    default: return 0;
  }
}

}  // namespace board
