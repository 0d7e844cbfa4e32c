// The attack-record writer shared by the rebuild, the ray helpers and make and
// unmake: the attacks of one piece and of one ray, added or removed, with every
// count change optionally mirrored into a layer of the per-ply square table.
// The ray helpers kiki_ray_add, kiki_ray_remove_ply and kiki_bit_remove are
// written once, here, on a writer: make and unmake call them with the writer of
// their track (and undo log), kiki.h's forms with the writer of their flag.
// Internal to engine/board.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/move_tables.h"
#include "engine/board/ply_table.h"
#include "engine/board/position.h"

namespace board::detail {

// Count changes go nowhere. `touch(p, sq)` runs before the writer first
// changes square sq's record in a write (a hook for a writer that keeps the
// records it changes).
struct NoTrack {
  void operator()(int, int, int) const {}
  void touch(const KPosition&, int) const {}
};

// Count changes go into the change counters of one layer.
struct LayerTrack {
  KPlySquare* layer;
  void operator()(int side, int sq, int delta) const {
    int8_t& c = layer[sq - kFirstSquare].change[side];
    c = static_cast<int8_t>(c + delta);
  }
  void touch(const KPosition&, int) const {}
};

struct NoHook {
  void operator()(int) const {}
};

// A piece code's moves split into its one steps and its slides, each already
// turned to the code's side, so that the writer's loops neither look at the
// slide flag nor turn a step per move. The move table's order is kept: a piece
// that both steps and slides (dragon, horse) does all of one kind first, and
// `slides_first` says which (the capture list records squares in that order).
struct PieceSteps {
  uint8_t step_count;
  uint8_t slide_count;
  uint8_t slides_first;
  int8_t step[8];
  int8_t slide[4];
};

inline constexpr int kPieceCodes = kGoteBit | 0x20;  // every code of either side

inline constexpr auto kPieceSteps = [] {
  std::array<PieceSteps, kPieceCodes> t{};
  for (int code = 0; code < kPieceCodes; ++code) {
    if ((code & (kSenteBit | kGoteBit)) == 0 || (code & kSenteBit && code & kGoteBit)) continue;
    const int s = code_side(code);
    const MoveRow& row = koma_move_table[code_class(code)];
    PieceSteps& e = t[code];
    for (uint32_t i = 0; i < row.count; ++i) {
      const auto step = static_cast<int8_t>(side_step(row.m[i].step, s));
      if (row.m[i].slides) {
        if (e.step_count == 0) e.slides_first = 1;
        e.slide[e.slide_count++] = step;
      } else {
        e.step[e.step_count++] = step;
      }
    }
  }
  return t;
}();

template <class Track>
struct KikiWriter;

}  // namespace board::detail

namespace board {

// The ray helpers on a writer, whose track stands for the per-ply flag. `hook(t)`
// runs before each count kiki_ray_add raises and after each count
// kiki_ray_remove_ply lowers. (Declared inline, as the writer's members are:
// the compiler then weighs inlining them into make as it does the members.)

// The sliding walk of piece n (side s) from square a in unit step u, starting
// at the given level (0 direct, 1 or more x-ray).
template <class Track, class Hook>
inline void kiki_ray_add(detail::KikiWriter<Track>& w, int s, int a, int u, int n, int level, Hook&& hook);

// Removes slider n's ray from square a in unit step u, square by square until
// n attacks nothing, after an enemy piece other than the king, or at a wall.
template <class Track, class Hook>
inline void kiki_ray_remove_ply(detail::KikiWriter<Track>& w, int s, int a, int u, int n, Hook&& hook);

// Takes slider n's attack off square t (direct, else x-ray) with its line bit:
// 1 when n attacks nothing there (nothing changed), else 0.
template <class Track>
inline int kiki_bit_remove(detail::KikiWriter<Track>& w, int s, int t, int n);

}  // namespace board

namespace board::detail {

template <class Track>
struct KikiWriter {
  KPosition& p;
  Track track;

  bool is_wall(int t) const { return p.board[t] >= kFirstWall; }

  // The record of square t, about to be changed.
  KKiki& record(int t) {
    track.touch(p, t);
    return kiki_at(p, t);
  }

  void raise_direct(int s, int t, int n) { raise_direct(record(t), s, t, n); }
  void raise_direct(KKiki& k, int s, int t, int n) {
    k.direct[s][n >> 5] |= 1u << (n & 31);
    ++k.direct_count[s];
    track(s, t, 1);
  }

  void raise_xray(int s, int t, int n) { raise_xray(record(t), s, t, n); }
  void raise_xray(KKiki& k, int s, int t, int n) {
    k.xray[s] |= 1u << n;
    ++k.xray_count[s];
    track(s, t, 1);
  }

  void lower_direct(int s, int t, int n) {
    KKiki& k = record(t);
    k.direct[s][n >> 5] &= ~(1u << (n & 31));
    --k.direct_count[s];
    track(s, t, -1);
  }

  // The walk of slider n reached square t (attacked at `level`) and found a
  // piece there: false when the ray ends at t (after the one square past an
  // enemy king or an own piece of reach 1, which it attacks without passing
  // it); true when it goes on past t one x-ray level up.
  template <class Hook>
  bool ray_goes_past(int s, int t, int u, int n, int& level, Hook&& hook) {
    const int code = p.piece[p.board[t]].code;
    if (code & side_bit(1 - s)) {
      // The attack goes through the enemy king: the square behind it is
      // attacked too, so the king cannot step back along the line.
      if (level == 0 && code_kind(code) == kKing && !is_wall(t + u)) {
        hook(t + u);
        raise_direct(s, t + u, n);
      }
      return false;
    }
    const int reach = class_reach(code_class(code), direction_number(u, s));
    if (reach == 0) return false;
    if (reach == 1) {
      if (!is_wall(t + u)) {
        hook(t + u);
        raise_xray(s, t + u, n);
      }
      return false;
    }
    ++level;
    return true;
  }

  // Walks slider n's ray on past square q of it, whose attack (direct at level
  // 0, else x-ray) stays as it is, by what stands on q now.
  template <class Hook>
  void ray_add_past(int s, int q, int u, int n, int level, Hook&& hook) {
    if (p.board[q] != kEmptyNumber && !ray_goes_past(s, q, u, n, level, hook)) return;
    kiki_ray_add(*this, s, q, u, n, level, hook);
  }

  // Raises the one-step attacks of piece n (side s, steps e) standing on q;
  // `hook(t)` runs before each count raised.
  template <class Hook>
  void add_steps(int s, int q, const PieceSteps& e, int n, Hook&& hook) {
    for (int i = 0; i < e.step_count; ++i) {
      const int t = q + e.step[i];
      if (is_wall(t)) continue;
      hook(t);
      raise_direct(s, t, n);
    }
  }

  // Lowers them; `hook(t)` runs after each count lowered.
  template <class Hook>
  void remove_steps(int s, int q, const PieceSteps& e, int n, Hook&& hook) {
    for (int i = 0; i < e.step_count; ++i) {
      const int t = q + e.step[i];
      if (is_wall(t)) continue;
      lower_direct(s, t, n);
      hook(t);
    }
  }

  // Adds every attack of piece n standing on q with the given code.
  template <class Hook>
  void add_piece(int n, int q, int code, Hook&& hook) {
    const int s = code_side(code);
    const PieceSteps& e = kPieceSteps[code];
    auto slides = [&] {
      for (int i = 0; i < e.slide_count; ++i) kiki_ray_add(*this, s, q, e.slide[i], n, 0, hook);
    };
    if (e.slides_first) slides();
    add_steps(s, q, e, n, hook);
    if (!e.slides_first) slides();
  }

  // Removes every attack of piece n standing on q with the given code; the
  // records must be those the board gives.
  template <class Hook>
  void remove_piece(int n, int q, int code, Hook&& hook) {
    const int s = code_side(code);
    const PieceSteps& e = kPieceSteps[code];
    auto slides = [&] {
      for (int i = 0; i < e.slide_count; ++i) kiki_ray_remove_ply(*this, s, q, e.slide[i], n, hook);
    };
    if (e.slides_first) slides();
    remove_steps(s, q, e, n, hook);
    if (!e.slides_first) slides();
  }
};

}  // namespace board::detail

namespace board {

template <class Track, class Hook>
inline void kiki_ray_add(detail::KikiWriter<Track>& w, int s, int a, int u, int n, int level, Hook&& hook) {
  for (int t = a + u;; t += u) {
    const int b = w.p.board[t];
    if (b >= kFirstWall) return;
    hook(t);
    // Sliders are numbered below 32: their direct bits are in word 0.
    KKiki& k = w.record(t);
    const uint32_t bit = 1u << n;
    if (level == 0) {
      k.direct[s][0] |= bit;
      ++k.direct_count[s];
    } else {
      k.xray[s] |= bit;
      ++k.xray_count[s];
    }
    k.line[s] |= bit;
    w.track(s, t, 1);
    if (b != kEmptyNumber && !w.ray_goes_past(s, t, u, n, level, hook)) return;
  }
}

template <class Track, class Hook>
inline void kiki_ray_remove_ply(detail::KikiWriter<Track>& w, int s, int a, int u, int n, Hook&& hook) {
  const int enemy = side_bit(1 - s);
  for (int t = a + u;; t += u) {
    const int b = w.p.board[t];
    if (b >= kFirstWall || kiki_bit_remove(w, s, t, n) != 0) return;
    hook(t);
    if (b != kEmptyNumber) {
      const int code = w.p.piece[b].code;
      if ((code & enemy) && code_kind(code) != kKing) return;
    }
  }
}

template <class Track>
inline int kiki_bit_remove(detail::KikiWriter<Track>& w, int s, int t, int n) {
  const uint32_t bit = 1u << n;
  const KKiki& seen = kiki_at(w.p, t);
  const bool direct = seen.direct[s][0] & bit;
  if (!direct && !(seen.xray[s] & bit)) return 1;
  KKiki& k = w.record(t);
  if (direct) {
    k.direct[s][0] &= ~bit;
    --k.direct_count[s];
  } else {
    k.xray[s] &= ~bit;
    --k.xray_count[s];
  }
  k.line[s] &= ~bit;
  w.track(s, t, -1);
  return 0;
}

}  // namespace board
