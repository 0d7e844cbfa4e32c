#include "engine/search/line_records.h"

#include "engine/board/check_test.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/hash_table.h"
#include "engine/board/move_rules.h"
#include "engine/board/repetition.h"
#include "engine/search/think_context.h"

namespace search {

namespace {

using board::KHashKey;
using board::KMove;
using board::KPosition;

constexpr int kReplayLastIndex = 17;
constexpr uint32_t kZobristUnit = 4194304;  // one unit of the random field in bits 22-31

void add_after(const KHashKey& key, const KMove& m, uint32_t ply) {
  KHashKey k = key;
  board::hash_key_sashite(k, 0, m);
  board::path_rep_add(k, ply, kPathOneMoveAway);
}

void set_counts_from(ThinkContext& cx, int ply) {
  for (int i = ply; i < kPlyEntries; ++i) cx.path_ply_count[i] = board::path_rep_count();
}

bool is_pass(const KMove& m) { return m.from == board::kPassSquare; }

// 10 x file + rank of a square.
int digit_square(int sq) { return board::square_file(sq) * 10 + board::square_rank(sq); }

}  // namespace

void root_path_register(ThinkContext& cx, const KSearchNode& node) {
  board::path_rep_add(node.key, 0, kPathOnPath);
  const KPosition& p = *node.position;
  KMove moves[board::kMaxMoves];
  const int n = board::king_attacked(p, p.teban) ? board::oute_nige_gen(p, moves) : board::gen_all_moves(p, moves);
  for (int i = 0; i < n; ++i) add_after(node.key, moves[i], 0);
  set_counts_from(cx, 0);
}

void rook_file_register(ThinkContext& cx, const KPosition& p, const KHashKey& key, int ply) {
  if (ply < 1 || ply > kLastPly) return;
  board::path_rep_truncate(cx.path_ply_count[ply - 1]);
  board::path_rep_add(key, static_cast<uint32_t>(ply), kPathOnPath);
  const int s = p.teban, f = board::forward_step(s);
  for (int n = board::kKindRange[board::kRook].first; n < board::kKindRange[board::kRook].first + 2; ++n) {
    const int from = p.piece[n].sq, code = p.piece[n].code;
    if (!board::is_playing_square(from) || board::code_side(code) != s) continue;
    if (p.pawn_file[s][board::square_file(from)] != 0) continue;
    int sq = from + f;
    while (board::is_playing_square(sq) && p.board[sq] == board::kEmptyNumber) sq += f;
    if (!board::is_playing_square(sq) || sq == from + f) continue;
    const int target = p.board[sq];
    if (p.piece[target].code != (board::kPawn | board::side_bit(1 - s))) continue;
    const bool unpromoted = (code & board::kPromotedBit) == 0;
    auto move_to = [&](int to) {
      KMove m;
      const int promote = unpromoted && (board::in_camp(s, from) || board::in_camp(s, to)) ? 1 : 0;
      board::write_board_move(m, p, n, from, to, promote);
      add_after(key, m, static_cast<uint32_t>(ply));
    };
    for (int to = from + f;; to += f) {
      move_to(to);
      if (to == sq) break;
    }
    for (int to = from - f; board::is_playing_square(to) && !board::holds_piece_of(p, s, to); to -= f) {
      move_to(to);
      if (p.board[to] != board::kEmptyNumber) break;
    }
  }
  set_counts_from(cx, ply);
}

PathRepetition path_repetition_found(const board::KPathRepEntry& e, const KPosition& p, const KMove& move, int ply,
                                     const KMove* stack, int flag) {
  using R = PathRepetition;
  const int s = static_cast<int>(e.first_value);
  const int d = ply - s;
  if (d < 3) return R::kNone;
  auto any_pass = [&](int first, int end) {
    for (int i = first; i < end; i += 2) {
      if (is_pass(stack[i])) return true;
    }
    return false;
  };
  auto all_flagged = [&](int first) {
    for (int i = first; i < ply; i += 2) {
      if ((stack[i].flag_word & 1) == 0) return false;
    }
    return true;
  };
  if (e.second_value == kPathOneMoveAway) {
    if (d % 2 == 0) return R::kNone;
    return any_pass(s + 1, ply + 1) ? R::kPassedDetour : R::kPassOver;
  }
  if (d % 2 == 1) return R::kPassOver;
  if (any_pass(s + 1, ply)) return R::kPassOver;
  if (any_pass(s + 2, ply)) return R::kWinsForMover;
  if (board::is_oute(p, move) == 0) {
    if (flag == 0) return R::kDraw;
    return all_flagged(s + 2) ? R::kWinsForMover : R::kDraw;
  }
  return all_flagged(s + 3) ? R::kPassOver : R::kDraw;
}


uint32_t threat_move_encode(const KMove& m) {
  if (is_pass(m)) return kThreatPresent | kThreatPassBits;
  const int origin = m.from == board::kInHand ? board::code_kind(m.code) : digit_square(m.from);
  return kThreatPresent | static_cast<uint32_t>(origin) << 8 | static_cast<uint32_t>(digit_square(m.to));
}

KMove threat_move_decode(const KPosition& p, uint32_t word, int mover) {
  KMove m = board::pass_move();
  const uint32_t bits = word & kThreatPassBits;
  if (bits == kThreatPassBits) return m;
  const int to_code = static_cast<int>(bits & 0xff), from_code = static_cast<int>(bits >> 8);
  const int to = board::square_of(to_code / 10, to_code % 10);
  if (to_code / 10 < 1 || to_code / 10 > 9 || to_code % 10 < 1 || !board::is_playing_square(to)) return m;
  if (from_code < 10) {
    const int kind = from_code;
    if (kind < board::kRook || kind > board::kPawn || p.hand[mover][kind] == 0) return m;
    board::write_drop(m, p, kind, to);
    m.code = static_cast<uint8_t>(kind | board::side_bit(mover));
    return m;
  }
  const int from = board::square_of(from_code / 10, from_code % 10);
  if (from_code % 10 < 1 || !board::is_playing_square(from) || !board::holds_piece_of(p, mover, from)) return m;
  const int code = p.piece[p.board[from]].code;
  const int promote = board::can_promote(code) && (code & board::kPromotedBit) == 0 &&
                              (board::in_camp(mover, from) || board::in_camp(mover, to))
                          ? 1
                          : 0;
  board::write_board_move(m, p, p.board[from], from, to, promote);
  return m;
}

KHashKey threat_record_key(KPosition& p, int s) {
  KHashKey key;
  p.teban = static_cast<uint8_t>(1 - p.teban);
  board::hash_key_full(p, 0, key);
  p.teban = static_cast<uint8_t>(1 - p.teban);
  if (s == 0) key.word[2] += kZobristUnit;
  return key;
}

namespace {

// The mate remembered against the side that made the move: kept only while
// the side to move stands in check (the move gave check).
inline void mover_threat_update(KSearchNode& child, const KSearchNode& parent, int s) {
  mate_threat_mover_record(child, parent, 1 - s, board::king_attacked(*child.position, s));
}

// The update when the table gave a threat move. Rare, so kept out of line and
// reached by a tail call: the common path calls nothing and saves no
// registers.
[[gnu::noinline]] void threat_record_from_move(const ThinkContext& cx, KSearchNode& child, const KSearchNode& parent) {
  KPosition& p = *child.position;
  const int s = p.teban;
  child.threat[s].key = threat_record_key(p, s);
  child.threat[s].move = threat_move_decode(p, child.threat_move, 1 - s);
  child.threat[s].ply = static_cast<uint32_t>(cx.search_ply);
  mover_threat_update(child, parent, s);
}

}  // namespace

void mate_threat_record_update(const ThinkContext& cx, KSearchNode& child, const KSearchNode& parent) {
  if (threat_move_present(child.threat_move)) return threat_record_from_move(cx, child, parent);
  const int s = child.position->teban;
  mate_threat_record_carry(child, parent, s, board::king_attacked(*child.position, s));
}

KMove kmove_from_word(board::KMoveWord w) {
  KMove m = board::pass_move();
  const int from = board::kmove_from(w);
  if (from == board::kPassSquare) return m;
  board::write_move(m, from, board::kmove_to(w), 0, 0, board::kmove_piece(w),
                    from == board::kInHand ? 0 : board::kmove_captured(w), board::kmove_promotes(w) ? 1 : 0);
  return m;
}

namespace {

// A word that names a pass, a drop or a board move (re-keying reads its squares and codes).
bool keyable(board::KMoveWord w) {
  const int from = board::kmove_from(w), to = board::kmove_to(w);
  if (from == board::kPassSquare) return true;
  const int kind = board::code_kind(board::kmove_piece(w));
  return board::is_playing_square(to) && (from == board::kInHand || board::is_playing_square(from)) &&
         kind >= board::kRook && kind <= board::kKing;
}

}  // namespace

int pv_replay(KSearchNode& node, int i) {
  int n = node.pv.length;
  if (n <= i || n >= KPvHolder::kMaxMoves) return 0;
  KHashKey key = node.key;
  for (int j = i + 1; j <= n; ++j) {
    if (!keyable(node.pv.moves[j])) return 0;
    board::hash_key_sashite(key, 0, kmove_from_word(node.pv.moves[j]));
  }
  bool last_pass = board::kmove_from(node.pv.moves[n]) == board::kPassSquare;
  int appended = 0;
  while (n < kReplayLastIndex) {
    const board::KMoveWord w = board::hash_get_move(key);
    if (w == 0 || !keyable(w)) break;
    const bool pass = board::kmove_from(w) == board::kPassSquare;
    if (pass && last_pass) break;
    node.pv.moves[++n] = w;
    node.pv.flags[n] = 0;
    board::hash_key_sashite(key, 0, kmove_from_word(w));
    last_pass = pass;
    ++appended;
  }
  node.pv.length = n;
  return appended;
}

}  // namespace search
