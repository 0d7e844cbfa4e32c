#include "engine/search/pv_learn.h"

#include <algorithm>

#include "engine/board/check_test.h"
#include "engine/board/kiki.h"
#include "engine/board/make_move.h"
#include "engine/board/move_legality.h"
#include "engine/board/move_rules.h"
#include "engine/board/pair_key.h"
#include "engine/board/threat_kind.h"
#include "engine/search/line_records.h"
#include "engine/search/node_common.h"
#include "engine/search/search_node.h"
#include "engine/search/think_context.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"

namespace search {

namespace {

using board::KHashKey;
using board::KMove;
using board::KPosition;

constexpr int kSlots = 2;
constexpr int kSlotMoves = 3;
KMove saved_lines[kSlots][kSlotMoves];

constexpr int kThreatTimeMs = 100;
constexpr int kTsumeMate = 0;
constexpr int kTsumeNoMate = 2;

bool slot_empty(int slot) { return saved_lines[slot][0].from == board::kPassSquare; }

// Makes m when it can be made here and leaves the mover's king safe.
bool make_if_legal(KPosition& p, const KMove& m) {
  if (!is_pass(m) && !board::sashite_is_legal(p, m)) return false;
  if (is_pass(m) && board::king_attacked(p, p.teban)) return false;
  const int mover = p.teban;
  board::do_move(p, m, 0);
  if (board::king_attacked(p, mover)) {
    board::undo_move(p, m, 0);
    return false;
  }
  return true;
}

// The table's best move for `key` when it can be made on the position: a
// pass or a legal move; false otherwise.
bool table_answer(KPosition& p, const KHashKey& key, KMove* out) {
  const board::KMoveWord w = board::hash_get_move(key);
  if (w == 0) return false;
  kmove_from_word_pos(p, *out, w);
  if (is_pass(*out)) return true;
  return board::sashite_is_legal(p, *out) != 0;
}

// True when the move, on the position, threatens nothing by the accept test.
bool threatens_nothing(const KPosition& p, const KMove& m) {
  if (is_pass(m)) return true;
  const int drop = is_drop(m) ? 1 : 0;
  return board::sashite_threat_kind(p, nullptr, m.piece, m.promote, drop, m.to, 0) == 0;
}

// The line root move, capture, answer on the edge-pawn push: 1 when saved.
int edge_push_line(KPosition& p, const KMove& move, const KHashKey& child_key) {
  const int s = 1 - p.teban;
  const int file = board::square_file(move.to);
  if (is_drop(move) || move.code != (board::kPawn | board::side_bit(s)) || move.captured_code != 0) return 0;
  if (file != 1 && file != 9) return 0;
  const int ahead = p.board[move.to + board::forward_step(s)];
  if (ahead >= board::kPieceCount || p.piece[ahead].code != (board::kPawn | board::side_bit(p.teban))) return 0;
  KMove capture;
  if (cheapest_recapture(p, move, &capture) == 0 || !make_if_legal(p, capture)) return 0;
  KHashKey key = child_key;
  board::hash_key_sashite(key, 0, capture);
  KMove answer;
  const bool found = table_answer(p, key, &answer);
  board::undo_move(p, capture, 0);
  if (!found) return 0;
  saved_pv_put(move, capture, answer);
  return 1;
}

}  // namespace

void saved_pv_clear() {
  for (auto& slot : saved_lines) {
    for (KMove& m : slot) m = board::pass_move();
  }
}

void saved_pv_put(const KMove& a, const KMove& b, const KMove& c) {
  const int slot = slot_empty(0) ? 0 : 1;
  saved_lines[slot][0] = a;
  saved_lines[slot][1] = b;
  saved_lines[slot][2] = c;
}

const KMove& saved_pv_move(int slot, int i) { return saved_lines[slot][i]; }

int cheapest_recapture(const KPosition& p, const KMove& move, KMove* reply) {
  const int s = p.teban;
  if (!board::is_playing_square(move.to) || board::kiki_at(p, move.to).direct_count[s] == 0) return 0;
  const int n = board::kiki_nth64(p, s, move.to, 0);
  const int from = p.piece[n].sq;
  const int code = p.piece[n].code;
  const bool promote = board::can_promote(code) && (board::in_camp(s, from) || board::in_camp(s, move.to));
  *reply = KMove{};
  board::write_board_move(*reply, p, n, from, move.to, promote ? 1 : 0);
  return 1;
}

int saved_pv_store(const ThinkContext& cx, KPosition& p, const KMove& move, const KSearchNode& child) {
  if (edge_push_line(p, move, child.key) != 0) return 1;
  if (move.captured_code != 0 && board::code_kind(move.captured_code) <= board::code_kind(move.code)) return 0;
  int saved = 0;

  // The child's own line: the reply on the move's square and the continuation.
  const int ply = cx.search_ply;
  const KPvHolder& line = child.pv;
  if (line.length >= ply) {
    KMove reply;
    kmove_from_word_pos(p, reply, line.moves[ply]);
    if (!is_pass(reply) && reply.to == move.to && board::sashite_pair_key(p, move, reply) != 0) {
      if (line.length >= ply + 1) {
        KMove next = kmove_from_word(line.moves[ply + 1]);
        if (is_pass(next)) {
          saved_pv_put(move, reply, board::pass_move());
          ++saved;
        } else if (make_if_legal(p, reply)) {
          kmove_from_word_pos(p, next, line.moves[ply + 1]);
          if (threatens_nothing(p, next)) {
            saved_pv_put(move, reply, next);
            ++saved;
          }
          board::undo_move(p, reply, 0);
        }
      }
    }
  }

  // The cheapest recapture and the table's answer to it.
  KMove capture;
  if (cheapest_recapture(p, move, &capture) != 0) {
    if (board::sashite_pair_key(p, move, capture) == 0) return 0;
    if (make_if_legal(p, capture)) {
      KHashKey key = child.key;
      board::hash_key_sashite(key, 0, capture);
      KMove answer;
      if (table_answer(p, key, &answer) && threatens_nothing(p, answer)) {
        saved_pv_put(move, capture, answer);
        ++saved;
      }
      board::undo_move(p, capture, 0);
    }
  }
  return saved;
}

int search_negated(ThinkContext& cx, KSearchNode& child, const KMoveNode* move, int alpha, int beta, int flags, int pass) {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (slot_empty(slot)) continue;
    KHashKey key = child.key;
    board::hash_key_sashite(key, 0, saved_lines[slot][1]);
    board::hash_invalidate(key);
    board::hash_key_sashite(key, 0, saved_lines[slot][2]);
    board::hash_invalidate(key);
  }
  pv_holder_init(child.pv, cx.search_ply - 1);
  const int score = search_node(cx, child, move, -beta, -alpha, flags, pass);
  saved_pv_clear();
  return -score;
}

int pv_mate_budget(int ply) { return ply < 3 ? 20000 : ply < 5 ? 5000 : 1250; }

int pv_mate_verify(KSearchNode& node, int start_ply) {
  KPosition& p = *node.position;
  KHashKey key = node.key;
  KMove mate;
  if (board::hash_get_tsume_mark(key) != board::kNoMateMark) {
    const int r = tsume::tsume_search(p, &key, &mate, pv_mate_budget(start_ply));
    if (r == kTsumeMate) {
      store_mate(key, board::move_word(mate));
      return 3;
    }
    if (r == kTsumeNoMate) board::hash_set_tsume_mark(key, board::kNoMateMark);
  }
  KMove made[KPvHolder::kMaxMoves];
  KHashKey keys[KPvHolder::kMaxMoves];
  int count = 0;
  int result = 0;
  const int last = std::min(node.pv.length, KPvHolder::kMaxMoves - 1);
  for (int k = start_ply + 1; k <= last; ++k) {
    KMove m;
    kmove_from_word_pos(p, m, node.pv.moves[k]);
    if (!make_if_legal(p, m)) break;
    keys[count] = key;
    made[count++] = m;
    board::hash_key_sashite(key, 0, m);
    if (board::hash_get_tsume_mark(key) == board::kNoMateMark) continue;
    const int r = tsume::tsume_search(p, &key, &mate, pv_mate_budget(k));
    if (r == kTsumeMate) {
      store_mate(key, board::move_word(mate));
      result = (k - start_ply) % 2 == 1 ? 2 : 1;
      break;
    }
    if (r == kTsumeNoMate) board::hash_set_tsume_mark(key, board::kNoMateMark);
  }
  // The positions before the mate: searched again by the next search.
  if (result != 0) {
    for (int i = 0; i < count; ++i) board::hash_invalidate(keys[i]);
  }
  while (count > 0) unmake_or_unpass(p, made[--count]);
  return result;
}

void pv_move_mate_threat(KPosition& p, KPvHolder& result) {
  result.threat = 0;
  if (result.length < 1) return;
  KMove m;
  kmove_from_word_pos(p, m, result.moves[0]);
  if (is_pass(m) || !make_if_legal(p, m)) return;
  if (!board::king_attacked(p, p.teban)) {
    const KMove pass = board::pass_move();
    board::do_move(p, pass, 0);
    KMove mate;
    if (tsume::tsume_search_limit(p, nullptr, &mate, kThreatTimeMs) == kTsumeMate) result.threat = 1;
    board::undo_move(p, pass, 0);
  }
  board::undo_move(p, m, 0);
}

void learn_ring_put(KLearnRing& ring, const board::KLearnRecord& r) {
  if (static_cast<int32_t>(ring.records.size()) < KLearnRing::kCapacity) {
    ring.records.push_back(r);
  } else {
    ring.records[ring.write_index] = r;
  }
  ring.write_index = (ring.write_index + 1) % KLearnRing::kCapacity;
}

namespace {

board::KLearnRecord learn_record(const KHashKey& key, int depth, int value, board::KMoveWord move) {
  return {key, static_cast<int16_t>(std::max(depth, 0)), static_cast<int16_t>(value), move};
}

}  // namespace

void learn_store_results(const KHashKey& key, int depth, int score, const KPvHolder& line, int root_only,
                         KLearnRing* ring) {
  if (ring == nullptr || line.length < 1) return;
  learn_ring_put(*ring, learn_record(key, depth - 1, score, line.moves[1]));
  if (root_only) return;
  const int length = std::min(line.length, KPvHolder::kMaxMoves - 1);
  KHashKey k = key;
  KHashKey after_first = key;
  board::hash_key_sashite(after_first, 0, kmove_from_word(line.moves[1]));
  for (int i = 1; i < length; ++i) {
    board::hash_key_sashite(k, 0, kmove_from_word(line.moves[i]));
    const int value = i % 2 == 1 ? -score : score;
    learn_ring_put(*ring, learn_record(k, depth - 1 - i, value, line.moves[i + 1]));
  }
  if (score == kScoreMate) learn_ring_put(*ring, learn_record(after_first, depth - 2, -kScoreMate, 0));
}

void learn_store_entry(const KHashKey& key, const KMove& mate, KLearnRing* ring) {
  if (ring == nullptr) return;
  learn_ring_put(*ring, learn_record(key, kProvenDepth, kScoreMate, board::move_word(mate)));
  KHashKey after = key;
  board::hash_key_sashite(after, 0, mate);
  learn_ring_put(*ring, learn_record(after, kProvenDepth, -kScoreMate, 0));
}

void unmake_or_unpass(KPosition& p, const KMove& m) { board::undo_move(p, m, 0); }

}  // namespace search
