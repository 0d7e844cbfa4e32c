#include "engine/search/move_words.h"

#include "engine/board/move_rules.h"

namespace search {

void kmove_unpack(const board::KPosition& p, board::KMove& out, board::KMoveWord w) {
  const int from = board::kmove_from(w);
  const int to = board::kmove_to(w);
  const int code = board::kmove_piece(w);
  if (from == board::kPassSquare || !board::is_playing_square(to)) {
    out = board::pass_move();
  } else if (from == board::kInHand) {
    const int kind = board::code_kind(code);
    const bool held = kind >= board::kRook && kind <= board::kPawn && p.hand[0][kind] + p.hand[1][kind] > 0;
    board::write_move(out, from, to, held ? board::drop_piece(p, kind) : board::kEmptyNumber, board::kEmptyNumber,
                      code, 0, 0);
  } else {
    board::write_move(out, from, to, p.board[from], p.board[to], code, board::kmove_captured(w),
                      board::kmove_promotes(w) ? 1 : 0);
  }
  out.flag = 0;
  out.flag_word = 0;
}

int kmove_equal_masked(board::KMoveWord a, board::KMoveWord b) { return ((a ^ b) & 0xbfff) == 0 ? 1 : 0; }

void kmove_set_promote(board::KMove& m, int flag) { m.promote = static_cast<uint8_t>(flag); }

int tried_moves_add(KSearchedSet& set, board::KMoveWord w) {
  set.bucket[tried_moves_bucket(w)] = set.stamp;
  set.list[set.count] = w;
  return ++set.count;
}

void node_move_list_push(KSearchedSet& set, const board::KMove& m) { tried_moves_add(set, kmove_pack_pass(m)); }

board::KMoveWord tried_moves_put_at(KSearchedSet& set, board::KMoveWord w, int index) {
  set.bucket[tried_moves_bucket(w)] = set.stamp;
  set.list[index] = w;
  set.count = index + 1;
  return w;
}

void refutation_list_add(KSearchNode& node, board::KMoveWord w) {
  if (node.refute_count >= 3) return;
  for (int i = 0; i < node.refute_count; ++i) {
    if (node.refute[i] == w) return;
  }
  node.refute[node.refute_count++] = w;
}

void pv_copy_child(KPvHolder& pv, const KPvHolder& child, int from_ply) {
  pv.length = child.length;
  for (int i = from_ply; i <= child.length && i < KPvHolder::kMaxMoves; ++i) {
    pv.moves[i] = child.moves[i];
    pv.flags[i] = child.flags[i];
  }
}

void search_context_copy(KSearchNode& dst, const KSearchNode& src) {
  dst.eval = src.eval;
  dst.refute_count = src.refute_count;
  for (int i = 0; i < 3; ++i) dst.refute[i] = src.refute[i];
  dst.hash_move = src.hash_move;
  dst.hash_stage = src.hash_stage;
  dst.ext = src.ext;
  dst.table_ext = src.table_ext;
  dst.tsume_mark = src.tsume_mark;
  dst.threat[0] = src.threat[0];
  dst.threat[1] = src.threat[1];
}

}  // namespace search
