#include "engine/board/engine_perft.h"

#include "engine/board/check_test.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"

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

// A dropped pawn that checks, made and tested: it must leave the king an answer.
bool pawn_drop_stands(KPosition& p, const KMove& m, int mover) {
  do_move(p, m, 0);
  const bool ok = stands(p, m, mover);
  undo_move(p, m, 0);
  return ok;
}

bool checking_pawn_drop(const KPosition& p, const KMove& m, int mover) {
  return m.from == kInHand && code_kind(m.code) == kPawn && p.piece[1 - mover].sq == m.to + forward_step(mover);
}

// The legal moves of the position counted without making them, from the
// attack records: evasions are legal as generated; out of check the king steps
// only onto unattacked squares, drops are free, and a pinned piece (the first
// piece from the own king on a line that an enemy slider attacks along) keeps
// to its pin line. Only a pawn drop that checks is made, for the rule against
// mating with a dropped pawn.
uint64_t count_legal(KPosition& p) {
  KMove moves[kMaxMoves];
  const int mover = p.teban;
  const int n = candidates(p, moves);
  uint64_t count = 0;
  if (king_attacked(p, mover)) {
    for (int i = 0; i < n; ++i) {
      count += !checking_pawn_drop(p, moves[i], mover) || pawn_drop_stands(p, moves[i], mover);
    }
    return count;
  }
  const int king = p.piece[mover].sq;
  int pin[kPieceCount];
  for (int& v : pin) v = -1;
  for (int i = 0; i < n; ++i) {
    const KMove& m = moves[i];
    if (m.from == kInHand) {
      count += !checking_pawn_drop(p, m, mover) || pawn_drop_stands(p, m, mover);
      continue;
    }
    if (m.piece == mover) {
      ++count;
      continue;
    }
    int& line = pin[m.piece];
    if (line < 0) line = is_discovered_oute(p, 1 - mover, king, m.from, m.piece);
    const int d = line == 0 ? 0 : line_direction(m.from, m.to);
    count += line == 0 || d == line || d == -line;
  }
  return count;
}

void walk(KPosition& p, int ply, int depth, uint64_t* counts) {
  if (ply + 1 == depth) {
    counts[ply] += count_legal(p);
    return;
  }
  KMove moves[kMaxMoves];
  const int n = candidates(p, moves);
  const int mover = p.teban;
  for (int i = 0; i < n; ++i) {
    do_move(p, moves[i], 0);
    if (stands(p, moves[i], mover)) {
      ++counts[ply];
      walk(p, ply + 1, depth, counts);
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
