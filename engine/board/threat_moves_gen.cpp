#include "engine/board/threat_moves_gen.h"

#include "engine/board/move_tables.h"
#include "engine/board/stage_rules.h"
#include "engine/board/threat_kind.h"

namespace board {

namespace {

// The gold's and the king's steps as sente makes them, in the order their
// off-line moves are tried: sideways and straight first, then diagonally ahead
// (and for the king behind).
constexpr int kGoldLeaveOrder[6] = {-1, 16, 1, -16, -17, -15};
constexpr int kKingLeaveOrder[8] = {-1, 16, 1, -16, -17, -15, 15, 17};

bool along(int step, int u) { return step == u || step == -u; }

bool gold_like(int cls) {
  return cls == kGold || cls == (kSilver | kPromotedBit) || cls == (kKnight | kPromotedBit) ||
         cls == (kLance | kPromotedBit) || cls == kTokin;
}

class ThreatMoves {
 public:
  ThreatMoves(const KPosition& p, KMove* out, const KMove* last, int depth)
      : p_(p), w_(p, out, true), last_(last), depth_(depth), side_(p.teban), opp_(1 - p.teban) {}

  int Run() {
    for (int r = kKindRange[kRook].first; r < kKindRange[kRook].first + 2; ++r) {
      if (Own(r)) {
        for (int u : kOrthogonalSteps) RookBattery(p_.piece[r].sq, u);
      }
    }
    for (int b = kKindRange[kBishop].first; b < kKindRange[kBishop].first + 2; ++b) {
      if (Own(b)) {
        for (int u : kDiagonalSteps) Battery(p_.piece[b].sq, u, true);
      }
    }
    for (int l = kKindRange[kLance].first; l < kKindRange[kLance].first + 4; ++l) {
      if (Own(l) && p_.piece[l].code == (kLance | side_bit(side_))) Battery(p_.piece[l].sq, forward_step(side_), false);
    }
    return w_.count();
  }

 private:
  bool Own(int n) const { return is_playing_square(p_.piece[n].sq) && (p_.piece[n].code & side_bit(side_)); }
  bool Empty(int sq) const { return p_.board[sq] == kEmptyNumber; }
  int First(int from, int u) const {
    int sq = from + u;
    while (Empty(sq)) sq += u;
    return sq;
  }
  bool Undefended(int sq) const { return attacks(p_, opp_, sq) == 0; }

  // The filtered writer: with the filter on, kept when the accept test or the
  // target list takes it.
  void Emit(int n, int from, int to, int promote) {
    if (filter_ && !target_listed_ && sashite_threat_kind(p_, last_, n, promote, 0, to, depth_) == 0) {
      return;
    }
    w_.Board(n, from, to, promote);
  }

  void SetTarget(int t, bool filter_off) {
    filter_ = threat_filter_on() && !filter_off;
    target_listed_ = filter_ && target_list_has(t);
  }

  // From `sq` (with `vacated` empty), does the piece see a worthwhile target
  // along `u`: an opponent rook, the king, or an undefended non-pawn piece.
  bool Sees(int sq, int u, int vacated, bool slide) const {
    int at = sq + u;
    while (slide && (Empty(at) || at == vacated)) at += u;
    const int n = piece_of(p_, opp_, at);
    if (n < 0) return false;
    const int cls = code_class(p_.piece[n].code);
    return cls == kRook || cls == kDragon || n == opp_ || (cls != kPawn && Undefended(at));
  }

  void RookBattery(int rook, int u) {
    const int front = First(rook, u);
    const int pn = piece_of(p_, side_, front);
    if (pn < 0) return;
    const int t = First(front, u);
    const int tn = piece_of(p_, opp_, t);
    if (tn < 0) return;
    const int pcls = code_class(p_.piece[pn].code);
    const int tcls = code_class(p_.piece[tn].code);
    SetTarget(t, false);
    if (pcls == kBishop || pcls == kHorse) {
      const bool worth = tn == opp_ || ((tcls == kRook || tcls == kBishop || tcls == kGold || tcls == kSilver ||
                                         tcls == kDragon || tcls == kHorse || tcls == (kSilver | kPromotedBit)) &&
                                        Undefended(t));
      if (!worth) return;
      for (int d : kDiagonalSteps) {
        for (int to = front + d; !blocked_for(p_, side_, to); to += d) {
          const bool capture = !Empty(to);
          const int promote = pcls == kBishop && (in_camp(side_, front) || in_camp(side_, to)) ? 1 : 0;
          bool keep = capture || promote;
          for (int e = 0; e < 4 && !keep; ++e) keep = Sees(to, kDiagonalSteps[e], front, true);
          for (int e = 0; e < 4 && !keep && pcls == kHorse; ++e) keep = Sees(to, kOrthogonalSteps[e], front, false);
          if (keep) Emit(pn, front, to, promote);
          if (capture) break;
        }
      }
    } else if (p_.piece[pn].code == (kLance | side_bit(side_)) && (u == 1 || u == -1)) {
      if (tcls == kPawn) return;
      const int to = First(front, forward_step(side_));
      if (piece_of(p_, opp_, to) >= 0) Emit(pn, front, to, in_camp(side_, to) ? 1 : 0);
    }
  }

  // A bishop (diagonal) or lance (file) battery along u from `back`.
  void Battery(int back, int u, bool bishop) {
    const int front = First(back, u);
    const int pn = piece_of(p_, side_, front);
    if (pn < 0) return;
    const int t = First(front, u);
    const int tn = piece_of(p_, opp_, t);
    if (tn < 0) return;
    const int tcls = code_class(p_.piece[tn].code);
    const bool weaker = support(p_, opp_, t) <= support(p_, side_, t);
    bool filter_off = false;
    if (bishop) {
      if (tcls == kPawn && !(weaker && in_camp(side_, t))) return;
      if ((gold_like(tcls) || tcls == kSilver || tcls == kKnight || tcls == kLance) && !weaker) return;
      const int a = static_cast<int>(think_board.generator_words.threat_word & 0xff);
      for (int sq = front + u; sq != t; sq += u) filter_off |= sq == a;
    } else {
      if (tcls == kLance) return;
      if (tcls == kPawn && (!weaker || (think_board.generator_words.game_stage == 2 && !in_camp(side_, t)))) return;
    }
    SetTarget(t, filter_off);
    LeaveLine(pn, front, u, bishop);
  }

  // The off-line moves of the front piece.
  void LeaveLine(int n, int from, int u, bool diagonal) {
    const int code = p_.piece[n].code;
    const int cls = code_class(code);
    const bool camp_from = in_camp(side_, from);
    auto step = [&](int s, int promote) {
      const int to = from + side_offset(s, side_);
      if (along(to - from, u) || blocked_for(p_, side_, to)) return;
      Emit(n, from, to, promote < 0 ? (camp_from || in_camp(side_, to) ? 1 : 0) : promote);
    };
    if (gold_like(cls)) {
      for (int s : kGoldLeaveOrder) step(s, 0);
    } else if (cls == kSilver) {
      for (int s : kSenteSilverSteps) step(s, -1);
    } else if (cls == kKnight) {
      for (int s : {-33, -31}) {
        const int to = from + side_offset(s, side_);
        if (blocked_for(p_, side_, to)) continue;
        if (in_camp(side_, to)) Emit(n, from, to, 1);
        if (!on_last_two_ranks(side_, to)) Emit(n, from, to, 0);
      }
    } else if (cls == kLance || cls == kPawn) {
      const int fwd = forward_step(side_);
      if (along(fwd, u)) return;
      for (int to = from + fwd; !blocked_for(p_, side_, to); to += fwd) {
        const bool empty = Empty(to);
        if (cls == kPawn) {
          Emit(n, from, to, in_camp(side_, to) ? 1 : 0);
          break;
        }
        if (!empty) break;  // the lance goes forward over empty squares only
        if (in_camp(side_, to)) Emit(n, from, to, 1);
        if (!on_last_rank(side_, to)) Emit(n, from, to, 0);
      }
    } else if (cls == kKing) {
      for (int s : kKingLeaveOrder) {
        const int to = from + s;
        if (!along(s, u) && !blocked_for(p_, side_, to) && attacks(p_, opp_, to) == 0) Emit(n, from, to, 0);
      }
    } else if (cls == kDragon && diagonal) {
      for (int d : kDiagonalSteps) {
        if (!along(d, u) && !blocked_for(p_, side_, from + d)) Emit(n, from, from + d, 0);
      }
    } else {
      // Rooks and bishops (and off a file a dragon or horse) slide off the
      // line: a rook along its lines, a bishop along its diagonals.
      const bool straight = cls == kRook || cls == kDragon;
      for (int d : straight ? kOrthogonalSteps : kDiagonalSteps) {
        if (along(d, u)) continue;
        for (int to = from + d; !blocked_for(p_, side_, to); to += d) {
          const bool promote = !(code & kPromotedBit) && (camp_from || in_camp(side_, to));
          Emit(n, from, to, promote ? 1 : 0);
          if (!Empty(to)) break;
        }
      }
    }
  }

  const KPosition& p_;
  MoveOut w_;
  const KMove* last_;
  const int depth_, side_, opp_;
  bool filter_ = false, target_listed_ = false;
};

}  // namespace

int gen_threat_moves(const KPosition& p, const KMove* last, int depth, KMove* out) {
  return ThreatMoves(p, out, last, depth).Run();
}

}  // namespace board
