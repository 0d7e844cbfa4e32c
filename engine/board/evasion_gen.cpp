#include "engine/board/evasion_gen.h"

#include <bit>

#include "engine/board/check_test.h"
#include "engine/board/move_tables.h"

namespace board {

namespace {

// The king's steps are king_step_list, the same list for both sides.

// Interposing drops are tried cheapest kind first.
constexpr int kInterposeDropOrder[7] = {kPawn, kLance, kKnight, kSilver, kGold, kBishop, kRook};

// Sinks of the evasion walk: `add` returns true when the walk may stop.
struct ListSink {
  KMove* out;
  int n = 0;
  bool board_move(const KPosition& p, int piece, int from, int to, int promote) {
    write_board_move(out[n++], p, piece, from, to, promote);
    return false;
  }
  bool drop(const KPosition& p, int kind, int to) {
    write_drop(out[n++], p, kind, to);
    return false;
  }
};

struct CountSink {
  int limit;
  int n = 0;
  bool board_move(const KPosition&, int, int, int, int) { return ++n > limit; }
  bool drop(const KPosition&, int, int) { return ++n > limit; }
};

// Stops at the first evasion that is no drop.
struct BoardMoveSink {
  bool found = false;
  bool board_move(const KPosition&, int, int, int, int) { return found = true; }
  bool drop(const KPosition&, int, int) { return false; }
};

// A move of an unpinned piece onto `to`: the promoting version first when the
// piece may promote there, then the plain one unless it would be left without
// a move. True when the sink asks to stop.
template <class Sink>
bool move_onto(const KPosition& p, Sink& sink, int n, int to) {
  const int side = p.teban;
  const int from = p.piece[n].sq;
  const int code = p.piece[n].code;
  if (can_promote(code) && (in_camp(side, from) || in_camp(side, to))) {
    if (sink.board_move(p, n, from, to, 1)) return true;
  }
  if (may_stay_unpromoted(code, to)) return sink.board_move(p, n, from, to, 0);
  return false;
}

// The unpinned pieces of the side to move (the king excepted) that attack `to`,
// cheapest first, each moved there.
template <class Sink>
bool moves_onto(const KPosition& p, Sink& sink, int king, int to) {
  const int side = p.teban;
  for (uint64_t set = kiki_direct64(kiki_at(p, to), side); set != 0;) {
    const int n = 63 - std::countl_zero(set);
    set &= ~(uint64_t{1} << n);
    if (n == side) continue;
    if (is_discovered_oute(p, 1 - side, king, p.piece[n].sq, n) != 0) continue;
    if (move_onto(p, sink, n, to)) return true;
  }
  return false;
}

// Drops onto an empty square between the king and a distant checker.
template <class Sink>
bool drops_onto(const KPosition& p, Sink& sink, int sq) {
  const int side = p.teban;
  for (int kind : kInterposeDropOrder) {
    if (p.hand[side][kind] == 0) continue;
    if (kind == kPawn && p.pawn_file[side][square_file(sq)] != 0) continue;
    if (!may_stay_unpromoted(kind | side_bit(side), sq)) continue;
    if (sink.drop(p, kind, sq)) return true;
  }
  return false;
}

template <class Sink>
void evasions(const KPosition& p, Sink& sink) {
  const int side = p.teban;
  const int opp = 1 - side;
  const int king = p.piece[side].sq;
  if (king >= kInHand) return;
  const KKiki& kk = kiki_at(p, king);
  const int checkers = kk.direct_count[opp];
  if (checkers <= 0) return;
  const uint64_t attackers = kiki_direct64(kk, opp);
  const int checker = 63 - std::countl_zero(attackers);
  const int csq = p.piece[checker].sq;
  const int ccode = p.piece[checker].code;

  if (checkers < 2 && moves_onto(p, sink, king, csq)) return;

  for (int step : king_step_list) {
    const int to = king + step;
    if (blocked_for(p, side, to) || kiki_at(p, to).direct_count[opp] > 0) continue;
    if (sink.board_move(p, side, king, to, 0)) return;
  }
  if (checkers >= 2) return;

  const int cls = code_class(ccode);
  const bool distant_line = cls == kRook || cls == kBishop || cls == kDragon || cls == kHorse || cls == kLance;
  const int d = line_direction(king, csq);
  if (!distant_line || d == 0 || king + d == csq) return;
  for (int sq = king + d; sq != csq; sq += d) {
    if (drops_onto(p, sink, sq)) return;
    if (moves_onto(p, sink, king, sq)) return;
  }
}

}  // namespace

int oute_nige_gen(const KPosition& p, KMove* out) {
  ListSink sink{out};
  evasions(p, sink);
  return sink.n;
}

int oute_nige_count(const KPosition& p, int limit) {
  CountSink sink{limit};
  evasions(p, sink);
  return sink.n > limit ? 1 : 0;
}

int oute_nige_board_move_exists(const KPosition& p) {
  BoardMoveSink sink;
  evasions(p, sink);
  return sink.found ? 1 : 0;
}

int gyaku_oute_gen(const KPosition& p, KMove* out) {
  const int n = oute_nige_gen(p, out);
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    if (is_oute(p, out[i]) != 0) out[kept++] = out[i];
  }
  return kept;
}

}  // namespace board
