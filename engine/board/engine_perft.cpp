#include "engine/board/engine_perft.h"

#include "engine/board/evasion_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"

namespace board {

namespace {

// The candidate moves: evasions in check, else every move and the
// non-promoting twins.
int candidates(const KPosition& p, KMove* out) {
  if (king_attacked(p, p.teban)) return oute_nige_gen(p, out);
  const int n = gen_all_moves(p, out);
  return n + gen_funari_moves(p, out + n);
}

// With the candidate `m` made by `mover`: whether it stands. A dropped pawn that
// checks must leave the king an answer.
bool stands(const KPosition& p, const KMove& m, int mover) {
  if (king_attacked(p, mover)) return false;
  const bool pawn_drop = m.from == kInHand && code_kind(m.code) == kPawn;
  if (!pawn_drop || p.piece[1 - mover].sq != m.to + forward_step(mover)) return true;
  return oute_nige_count(p, 0) != 0;
}

void walk(KPosition& p, int ply, int depth, uint64_t* counts) {
  KMove moves[kMaxMoves];
  const int n = candidates(p, moves);
  const int mover = p.teban;
  for (int i = 0; i < n; ++i) {
    do_move(p, moves[i], 0);
    if (stands(p, moves[i], mover)) {
      ++counts[ply];
      if (ply + 1 < depth) walk(p, ply + 1, depth, counts);
    }
    undo_move(p, moves[i], 0);
  }
}

}  // namespace

int engine_legal_moves(KPosition& p, KMove* out) {
  const int n = candidates(p, out);
  const int mover = p.teban;
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    do_move(p, out[i], 0);
    const bool ok = stands(p, out[i], mover);
    undo_move(p, out[i], 0);
    if (ok) out[kept++] = out[i];
  }
  return kept;
}

void engine_perft(KPosition& p, int depth, uint64_t* counts) {
  for (int d = 0; d < depth; ++d) counts[d] = 0;
  if (depth > 0) walk(p, 0, depth, counts);
}

}  // namespace board
