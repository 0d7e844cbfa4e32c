#include "engine/board/kiki.h"

#include <bit>
#include <cassert>

#include "engine/board/kiki_update.h"
#include "engine/board/ply_table.h"

namespace board {

namespace {

// Rays start on a playing square and belong to sliders, all numbered below 32.
bool valid_ray(int sq, int n) { return is_playing_square(sq) && n >= 0 && n < 32; }

// The change-counter layer that a flagged helper writes, or null.
KPlySquare* current_layer(int flag) {
  if (flag == 0 || think_board.ply_table.search_ply_counter >= static_cast<uint32_t>(kPlyLayers)) return nullptr;
  return think_board.ply_table.ply_squares[think_board.ply_table.search_ply_counter];
}

}  // namespace

void kiki_add_piece(KPosition& p, int n) {
  assert(n >= 0 && n < kPieceCount);
  const KPieceEntry e = p.piece[n];
  if (e.sq >= kInHand) return;
  detail::KikiWriter<detail::NoTrack> w{p, {}};
  w.add_piece(n, e.sq, e.code, detail::NoHook{});
}

void kiki_ray_add(KPosition& p, int side, int sq, int u, int n, int level, int flag) {
  if (!valid_ray(sq, n)) return;
  if (KPlySquare* layer = current_layer(flag)) {
    detail::KikiWriter<detail::LayerTrack> w{p, {layer}};
    kiki_ray_add(w, side, sq, u, n, level, detail::NoHook{});
  } else {
    detail::KikiWriter<detail::NoTrack> w{p, {}};
    kiki_ray_add(w, side, sq, u, n, level, detail::NoHook{});
  }
}

void kiki_ray_remove_ply(KPosition& p, int side, int sq, int u, int n, int flag) {
  if (!valid_ray(sq, n)) return;
  if (KPlySquare* layer = current_layer(flag)) {
    detail::KikiWriter<detail::LayerTrack> w{p, {layer}};
    kiki_ray_remove_ply(w, side, sq, u, n, detail::NoHook{});
  } else {
    detail::KikiWriter<detail::NoTrack> w{p, {}};
    kiki_ray_remove_ply(w, side, sq, u, n, detail::NoHook{});
  }
}

int kiki_bit_remove(KPosition& p, int side, int sq, int n) {
  if (!valid_ray(sq, n)) return 1;
  detail::KikiWriter<detail::NoTrack> w{p, {}};
  return kiki_bit_remove(w, side, sq, n);
}

int kiki_nth32(const KPosition& p, int side, int sq, int n) {
  if (!is_playing_square(sq)) return kEmptyNumber;
  uint32_t set = kiki_at(p, sq).xray[side];
  for (; set != 0; --n) {
    const int top = 31 - std::countl_zero(set);
    if (n == 0) return top;
    set &= ~(1u << top);
  }
  return kEmptyNumber;
}

int square_attack_count(const KPosition& p, int side, int sq) {
  return is_playing_square(sq) ? kiki_at(p, sq).direct_count[side] : 0;
}

}  // namespace board
