#include "engine/driver/commentary_motifs.h"

#include <array>
#include <memory>

#include "engine/board/exchange_eval.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/stage_rules.h"
#include "engine/board/think_board.h"
#include "engine/search/depth_gen/gen_by_depth.h"

namespace driver {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kMaxGenLevel = 5;
constexpr int kMiddleRank = 5;
// Material lost by exchange from this value down counts as a loss.
constexpr int kLossBelow = -49;
// A capture worth more than this is a trap when the expected move takes nothing.
constexpr int kTrapValue = 500;

bool is_pass(const KMove& m) { return m.from == board::kPassSquare; }
bool is_drop(const KMove& m) { return m.from == board::kInHand; }
int rank_of(int sq) { return board::square_rank(sq); }
// The rank `n` counted from the side's own back rank (n = 1 is rank 9 for sente).
int own_rank(int side, int n) { return side == 0 ? 10 - n : n; }
// One square towards the opponent.
int ahead(int side, int sq) { return sq + board::forward_step(side); }

// The code standing on a square, 0 when empty.
int code_on(const KPosition& p, int sq) {
  const int n = p.board[sq];
  return n < board::kPieceCount ? p.piece[n].code : 0;
}

// The same move as the generator writes it: drops by square and code, board
// moves by squares, promotion and both codes.
bool generated_as(const KMove& a, const KMove& b) {
  if (is_drop(a) != is_drop(b)) return false;
  if (is_drop(a)) return a.to == b.to && a.code == b.code;
  return a.from == b.from && a.to == b.to && (a.promote != 0) == (b.promote != 0) && a.code == b.code &&
         a.captured_code == b.captured_code;
}

// The exchange value of a board move onto its square, for the side to move.
int move_exchange(const KPosition& p, const KMove& m) {
  return board::stage_exchange(p, p.teban, board::code_class(code_on(p, m.to)), m.to, m.piece);
}

// A capture gaining more than kTrapValue by exchange, else 0.
int trap_value(const KPosition& p, const KMove& m) {
  if (is_pass(m) || is_drop(m) || m.captured_code == 0) return 0;
  const int v = move_exchange(p, m);
  return v > kTrapValue ? v : 0;
}

bool holding_square(int side, int sq) {
  const int file = board::square_file(sq);
  return file == 1 || file == 9 || rank_of(sq) == own_rank(side, 2);
}

// The phrase of a motif by verdict code: k = 0, 1, and 2 or 3 (null: keep).
struct MotifWords {
  const char* by_code[3];
  const char* For(int k) const { return by_code[k < 2 ? k : 2]; }
};
constexpr MotifWords kLeftEnPrise = {
    {"うっかりかと思いますが駒取りを放置する", "駒取りを放置した", "駒取りを放置して"}};
constexpr MotifWords kRough = {{"少々乱暴な", "少々乱暴な", "少々乱暴で"}};
constexpr MotifWords kPointless = {{"少々意味不明な", "少々意味不明な", "少々意味不明で"}};
constexpr MotifWords kSilverAdvance = {{"銀の進出を許す", "銀の進出を許す", "銀の進出を許し"}};
constexpr MotifWords kKnightHead = {{"桂頭を攻めを喫する", "桂頭攻めを誘発した", "桂頭攻めを許し"}};
constexpr MotifWords kBishopGivenUp = {{"角を自陣に手放す", "角を自陣に手放した", nullptr}};
constexpr const char* kTrapCapture = "駒得になるので取りたくなるところですが、";
constexpr const char* kKnightAttack = "桂馬を使った普通の仕掛けですが、";

// J, an unpromoted pawn, took a pawn on the middle rank and the answer brought
// up a silver from behind it that the line does not pull back.
bool silver_advance(const KMove& j, const ReplayedLine& line, int computer) {
  if (board::code_class(j.code) != board::kPawn || board::code_class(j.captured_code) != board::kPawn) return false;
  if (rank_of(j.to) != kMiddleRank || line.count == 0) return false;
  const KMove& r = line.move[0];
  if (is_pass(r) || is_drop(r) || board::code_class(r.code) != board::kSilver || r.to != j.to) return false;
  const int from_rank = rank_of(r.from);
  if (computer == 0 ? from_rank < 6 : from_rank > 4) return false;
  const int back_rank = computer == 0 ? 6 : 4;
  for (int i = 2; i < line.count; i += 2) {
    const KMove& m = line.move[i];
    if (!is_pass(m) && m.piece == r.piece && rank_of(m.to) == back_rank) return false;
  }
  return true;
}

// J put an unpromoted knight on its third rank behind an own pawn, and the
// answer put a pawn on the middle rank.
bool knight_head(const KPosition& p, const KMove& j, const ReplayedLine& line) {
  const int s = p.teban;
  if (board::code_class(j.code) != board::kKnight || j.promote || rank_of(j.to) != own_rank(s, 3)) return false;
  const int front = code_on(p, ahead(s, j.to));
  if (front != (board::kPawn | board::side_bit(s)) || line.count == 0) return false;
  const KMove& r = line.move[0];
  return !is_pass(r) && board::code_class(r.code) == board::kPawn && rank_of(r.to) == kMiddleRank;
}

// J pushed a pawn to the middle rank against the opponent's pawn, with more
// support than the opponent and an unpromoted knight behind it.
bool knight_attack(const KPosition& p, const KMove& j) {
  const int s = p.teban;
  if (is_pass(j) || is_drop(j) || j.captured_code != 0 || board::code_class(j.code) != board::kPawn || j.promote) {
    return false;
  }
  if (rank_of(j.to) != kMiddleRank) return false;
  if (code_on(p, ahead(s, j.to)) != (board::kPawn | board::side_bit(1 - s))) return false;
  if (board::support(p, s, j.to) <= board::support(p, 1 - s, j.to)) return false;
  const board::KKiki& k = board::kiki_at(p, j.to);
  const board::KindRange knights = board::kKindRange[board::kKnight];
  for (int n = knights.first; n < knights.first + knights.count; ++n) {
    if (board::kiki_has_direct(k, s, n) && !(p.piece[n].code & board::kPromotedBit)) return true;
  }
  return false;
}

bool bishop_given_up(const KPosition& p, const KMove& j) {
  if (!is_drop(j) || board::code_kind(j.code) != board::kBishop) return false;
  const int rank = rank_of(j.to);
  if (p.teban == 0 ? rank < 4 : rank > 6) return false;
  return commentary_gen_level(p, j) != 1;
}

}  // namespace

bool commentary_move(const KPosition& p, board::KMoveWord w, KMove& out) {
  out = board::pass_move();
  const int from = board::kmove_from(w);
  const int to = board::kmove_to(w);
  const int code = board::kmove_piece(w);
  const int side = p.teban;
  if (!board::is_playing_square(to) || (code & (board::kSenteBit | board::kGoteBit)) != board::side_bit(side)) {
    return false;
  }
  const int target = p.board[to];
  if (from == board::kInHand) {
    const int kind = board::code_kind(code);
    if ((code & board::kPromotedBit) || kind < board::kRook || kind > board::kPawn) return false;
    if (p.hand[side][kind] == 0 || target != board::kEmptyNumber || !board::may_stay_unpromoted(code, to)) return false;
    board::write_drop(out, p, kind, to);
    return true;
  }
  if (!board::is_playing_square(from)) return false;
  const int n = p.board[from];
  if (n >= board::kPieceCount || p.piece[n].code != code) return false;
  if (target != board::kEmptyNumber) {
    // A king is never captured: it has no place in a hand.
    const int taken = code_on(p, to);
    if (taken == 0 || board::code_side(taken) == side || board::code_kind(taken) == board::kKing) return false;
  }
  const bool promote = board::kmove_promotes(w);
  if (promote && (!board::can_promote(code) || !(board::in_camp(side, from) || board::in_camp(side, to)))) {
    return false;
  }
  if (!promote && !board::may_stay_unpromoted(code, to)) return false;
  board::write_board_move(out, p, n, from, to, promote ? 1 : 0);
  return true;
}

void commentary_replay(const KPosition& before, const KMove& j, const model::KifuSashite* answer, ReplayedLine& line) {
  line.count = 0;
  if (answer == nullptr || is_pass(j)) return;
  KPosition p = before;
  board::do_move(p, j, 0);
  for (const board::KMoveWord w : answer->hyouka.pv) {
    if (line.count == kCommentaryLineMoves) break;
    KMove m = board::pass_move();
    if ((w & 0xFF) != board::kPassSquare && !commentary_move(p, w, m)) break;
    board::do_move(p, m, 0);
    line.move[line.count++] = m;
  }
}

int commentary_gen_level(const KPosition& p, const KMove& m) {
  if (is_pass(m)) return 0;
  const KMove history[2] = {board::pass_move(), board::pass_move()};
  const search::KSearchedSet none{};
  std::array<KMove, board::kMaxMoves> out;
  // A table of its own: the generator's answer does not depend on what a
  // table held before (every call takes a fresh generation).
  const auto stamp = std::make_unique<search::KGenStamp>();
  // The position is generated as a root, with no ply record of a move that
  // led to it: the counter the review's moves have raised would otherwise
  // point the generator at a layer a think wrote earlier.
  uint32_t& ply_counter = board::think_board.ply_table.search_ply_counter;
  const uint32_t walked = ply_counter;
  ply_counter = 0;
  int level = 0;
  for (int n = 1; n <= kMaxGenLevel && level == 0; ++n) {
    const int count = search::sashite_gen_by_depth(*stamp, p, &history[1], n, 0, none, out.data());
    for (int i = 0; i < count && level == 0; ++i) {
      if (generated_as(out[i], m)) level = n;
    }
  }
  ply_counter = walked;
  return level;
}

int commentary_king_move_type(const KPosition& p, const KMove& m) {
  const int s = p.teban;
  if (is_pass(m) || is_drop(m) || board::code_kind(m.code) != board::kKing || m.captured_code != 0) return 0;
  if (board::king_attacked(p, s)) return 0;
  const int from = rank_of(m.from);
  const int to = rank_of(m.to);
  if (s == 0 ? (from >= 4 && to <= 3) : (from <= 6 && to >= 7)) return 3;
  const int beyond = s == 0 ? 4 : 6;
  if ((to == kMiddleRank || to == beyond) && from != kMiddleRank && from != beyond) return 2;
  return 1;
}

bool commentary_holding_move(const KPosition& p, const KMove& m) {
  const int s = p.teban;
  if (is_pass(m)) return false;
  if (is_drop(m)) return holding_square(s, m.to);
  const int cls = board::code_class(m.code);
  if (cls != board::kGold && cls != board::kSilver && cls != (board::kSilver | board::kPromotedBit)) return false;
  return !holding_square(s, m.from) && holding_square(s, m.to);
}

int commentary_exchange_loss(const KPosition& before, const KMove& j, const KMove& e,
                             const model::KifuSashite* answer) {
  if (is_pass(j)) return 0;
  const int v =
      is_drop(j) ? board::koma_put_value(before, before.teban, j.code, j.to, nullptr) : move_exchange(before, j);
  if (v >= kLossBelow) return 0;
  ReplayedLine line;
  commentary_replay(before, j, answer, line);
  if (line.count == 0) return 0;
  const KMove& r = line.move[0];
  if (is_pass(r) || r.captured_code == 0) return 0;
  if (r.to == j.to) {
    const int level = commentary_gen_level(before, j);
    return level >= 1 && level <= 4 ? 3 : 4;
  }
  return !is_pass(e) && !is_drop(e) && r.to == e.from ? 1 : 0;
}

std::string commentary_motif(const KPosition& before, const KMove& j, const KMove& e, board::KMoveWord expected_word,
                             const model::KifuSashite* answer, int k) {
  std::string m;
  if (expected_word == 0) return m;
  const auto put = [&m, k](const MotifWords& w) {
    if (const char* text = w.For(k)) m = text;
  };
  switch (commentary_exchange_loss(before, j, e, answer)) {
    case 1:
      put(kLeftEnPrise);
      return m;
    case 3:
      put(kRough);
      return m;
    case 4:
      put(kPointless);
      break;
    default:
      break;
  }
  if (trap_value(before, j) != 0 && trap_value(before, e) == 0) {
    if (k != 3) m = kTrapCapture;
    return m;
  }
  ReplayedLine line;
  commentary_replay(before, j, answer, line);
  if (silver_advance(j, line, 1 - before.teban)) {
    put(kSilverAdvance);
    return m;
  }
  if (knight_head(before, j, line)) put(kKnightHead);
  if (knight_attack(before, j)) {
    if (k != 3) m = kKnightAttack;
    return m;
  }
  if (bishop_given_up(before, j)) put(kBishopGivenUp);
  return m;
}

std::string commentary_suggestion_verb(const KPosition& before, const KMove& j, const KMove& e,
                                       board::KMoveWord expected_word, int64_t before_score) {
  const int level = commentary_gen_level(before, e);
  const int type_e = commentary_king_move_type(before, e);
  const int type_j = commentary_king_move_type(before, j);
  if (level >= 1) {
    if (is_drop(e)) return level <= 2 && before_score < -200 ? "と打って勝負すれば" : "と打てば";
    if (type_e == 2 && type_j == 0) return "と入玉を目指せば";
    if (type_e == 3 && type_j == 0) return "と入玉すれば";
    return "と指せば";
  }
  if (commentary_holding_move(before, e) && !commentary_holding_move(before, j)) {
    if (expected_word % 2 != 0) return is_drop(e) ? "と打って辛抱すれば" : "と辛抱すれば";
    return is_drop(e) ? "と打って辛抱しておけば" : "と辛抱しておけば";
  }
  if (type_e != 0 && type_e != type_j) {
    static constexpr const char* kKingWords[4] = {"", "と早逃げすれば", "と入玉を目指せば", "と入玉すれば"};
    return kKingWords[type_e];
  }
  return is_drop(e) ? "と打てば" : "と指せば";
}

}  // namespace driver
