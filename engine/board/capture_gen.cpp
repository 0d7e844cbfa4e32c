#include "engine/board/capture_gen.h"

#include <algorithm>

#include "engine/board/move_tables.h"
#include "engine/board/stage_rules.h"
#include "engine/board/threat_kind.h"

namespace board {

namespace {

constexpr int kLosingCapture = -400;  // a capture that loses more ends a list
constexpr int kUndefendedGain = 101;  // taking an undefended non-pawn piece
constexpr int kRecaptureGain = 51;

// The opponent's piece on a playing square, -1 otherwise.
int victim(const KPosition& p, int sq) { return is_playing_square(sq) ? piece_of(p, 1 - p.teban, sq) : -1; }

void capture(MoveOut& w, const KPosition& p, int a, int sq) {
  const int from = p.piece[a].sq;
  w.Board(a, from, sq, promote_when_possible(p.piece[a].code, from, sq));
}

}  // namespace

int gen_captures_scored(const KPosition& p, int sq, KMove* out, int* best_gain) {
  *best_gain = 0;
  const int v = victim(p, sq);
  if (v < 0) return 0;
  const int side = p.teban, opp = 1 - side;
  const int code = p.piece[v].code;
  const bool supported = support(p, opp, sq) > 0;
  const bool defended = attacks(p, opp, sq) > 0;
  MoveOut w(p, out);
  const int count = attacks(p, side, sq);
  for (int i = 0; i < count; ++i) {
    const int a = kiki_nth64(p, side, sq, i);
    if (a == side && supported) break;
    if (code_kind(code) > code_kind(p.piece[a].code)) {
      if (defended) {
        const int e = stage_exchange(p, side, code, sq, a);
        if (e < kLosingCapture) break;
        *best_gain = std::max(*best_gain, e);
      } else if (code_kind(code) != kPawn) {
        *best_gain = std::max(*best_gain, kUndefendedGain);
      }
    }
    capture(w, p, a, sq);
  }
  return w.count();
}

int gen_pawn_follow(const KPosition& p, const KMove& m, KMove* out) {
  if (m.from == kPassSquare || !is_playing_square(m.to) || m.piece >= kPieceCount) return 0;
  const int side = p.teban;
  const KPieceEntry& e = p.piece[m.piece];
  if (e.sq != m.to || e.code != (kPawn | side_bit(side))) return 0;
  const int front = m.to + forward_step(side);
  if (victim(p, front) < 0) return 0;
  MoveOut w(p, out);
  w.Board(m.piece, m.to, front, in_camp(side, front) ? 1 : 0);
  return 1;
}

int gen_recapture(const KPosition& p, const KMove& last, KMove* out) {
  if (last.from == kPassSquare) return 0;
  const int sq = last.to;
  const int v = victim(p, sq);
  if (v < 0) return 0;
  const int side = p.teban, opp = 1 - side;
  const int a = cheapest_attacker(p, side, sq);
  if (a >= kPieceCount) return 0;
  const int cls = code_class(p.piece[v].code);
  const bool minor = cls == kKnight || cls == kLance || cls == kPawn;
  if (a <= 5 && minor && support(p, side, sq) == 1 && support(p, opp, sq) > 0) return 0;
  if (stage_exchange(p, side, p.piece[v].code, sq, a) < kRecaptureGain) return 0;
  MoveOut w(p, out);
  capture(w, p, a, sq);
  return 1;
}

int gen_captures_on(const KPosition& p, const KMove* last, int sq, int depth, KMove* out) {
  const int v = victim(p, sq);
  if (v < 0) return 0;
  const int side = p.teban, opp = 1 - side;
  const bool supported = support(p, opp, sq) > 0;
  const bool filter = threat_filter_on();
  MoveOut w(p, out);
  const int count = attacks(p, side, sq);
  for (int i = 0; i < count; ++i) {
    const int a = kiki_nth64(p, side, sq, i);
    if (supported && stage_exchange(p, side, p.piece[v].code, sq, a) < kLosingCapture) break;
    const int from = p.piece[a].sq;
    const int promote = promote_when_possible(p.piece[a].code, from, sq);
    if (filter && sashite_threat_kind(p, last, a, promote, 0, sq, depth) == 0) continue;
    w.Board(a, from, sq, promote);
  }
  return w.count();
}

int gen_piece_captures(const KPosition& p, int sq, KMove* out) {
  if (!is_playing_square(sq)) return 0;
  const int side = p.teban, opp = 1 - side;
  const int n = piece_of(p, side, sq);
  if (n < 0) return 0;
  MoveOut w(p, out);
  const int cls = code_class(p.piece[n].code);
  // Gold and silver: a rook or bishop always, a gold, silver, knight or lance
  // only where the mover is the stronger.
  auto worth = [&](int to) {
    const int v = victim(p, to);
    if (v < kKindRange[kRook].first || v >= kKindRange[kPawn].first) return false;
    return v < kKindRange[kGold].first || support(p, side, to) > support(p, opp, to);
  };
  switch (cls) {
    case kGold:
      for (int s : kSenteGoldSteps) {
        const int to = sq + side_offset(s, side);
        if (worth(to)) w.Board(n, sq, to, 0);
      }
      break;
    case kSilver:
      for (int s : kSenteSilverSteps) {
        const int to = sq + side_offset(s, side);
        if (worth(to)) w.Board(n, sq, to, in_camp(side, to) ? 1 : 0);
      }
      break;
    case kKnight:
      for (int to : {sq + (side == 0 ? -33 : 31), sq + (side == 0 ? -31 : 33)}) {
        const int v = victim(p, to);
        if (v >= kKindRange[kRook].first && v < kKindRange[kKnight].first)
          w.Board(n, sq, to, in_camp(side, to) ? 1 : 0);
      }
      break;
    case kPawn: {
      const int to = sq + forward_step(side);
      const int v = victim(p, to);
      if (in_camp(side, to) && !blocked_for(p, side, to) && attacks(p, opp, to) == 0) {
        w.Board(n, sq, to, 1);
      } else if (v >= kKindRange[kRook].first && v < kKindRange[kPawn].first) {
        w.Board(n, sq, to, in_camp(side, to) ? 1 : 0);
      }
      break;
    }
    default:
      break;
  }
  return w.count();
}

}  // namespace board
