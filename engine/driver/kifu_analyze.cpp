// The post-game review: the record's line is replayed on an engine position,
// and every move of the player that the computer's evaluations show to have
// been clearly worse than the position allowed gets one paragraph.
#include "engine/driver/kifu_analyze.h"

#include <string>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/think_board.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/commentary_judge.h"
#include "engine/driver/commentary_motifs.h"
#include "engine/eval/root_modes.h"
#include "model/record/kifu_text.h"

namespace driver {

namespace {

using board::KMove;
using board::KPosition;
using model::KifuSashite;

// Swings below this are no bad move; below kSureSwing the suggestion is sure.
constexpr int kBadSwing = -20;
constexpr int kSureSwing = -40;
// The suggestion needs at least this reliability.
constexpr int kSuggestReliability = 50;
constexpr int kSureReliability = 100;
// Piece numbers 0..2 (both kings and the first rook) swing strictly.
constexpr int kLastStrictPiece = 2;
// The game stage and playing style the review's exchange values are set for.
constexpr int kReviewStage = 0;
constexpr int32_t kReviewStyle = 0;

// The moves of the current line up to its first special move, and the two
// value series the review compares, both from the player's side.
struct ReviewLine {
  std::vector<const KifuSashite*> node;
  std::vector<int64_t> a;  // each move's own analysed value
  std::vector<int64_t> b;  // the value at the end of the stretch the player followed the engine's line

  int size() const { return static_cast<int>(node.size()); }
  int64_t A(int i) const { return i >= 0 && i < size() ? a[i] : kNoScore; }
  int64_t B(int i) const { return i >= 0 && i < size() ? b[i] : kNoScore; }
};

// The word the engine expected in reply to the move at `i` (the second move of
// the variation recorded there), 0 when there is none.
board::KMoveWord expected_after(const ReviewLine& line, int i) {
  if (i < 0 || i >= line.size()) return 0;
  const std::vector<board::KMoveWord>& pv = line.node[i]->hyouka.pv;
  return pv.size() >= 2 ? pv[1] : 0;
}

void read_line(const KifuSashite* root, int c, ReviewLine& line) {
  for (const model::KifuKyokumen* at = root->to; at != nullptr;) {
    const KifuSashite* m = at->next.Current();
    if (m == nullptr || m->sashite.special != model::kOrdinaryMove) break;
    line.node.push_back(m);
    at = m->to;
  }
  for (const KifuSashite* m : line.node) {
    const model::KifuHyouka& h = m->hyouka;
    // A book move's value 0 is no evaluation.
    const bool none = h.value == model::KifuHyouka::kNoValue || h.result_kind == model::KifuHyouka::kResultBook;
    line.a.push_back(none ? kNoScore : c == 0 ? int64_t{h.value} : -int64_t{h.value});
  }
  for (int i = 0; i < line.size(); ++i) {
    int64_t v = line.a[i];
    for (int j = i; j + 2 < line.size(); j += 2) {
      const board::KMoveWord e = expected_after(line, j);
      if (e == 0 || !model::engine_sashite_equals(line.node[j + 1]->sashite, e)) break;
      if (line.a[j + 2] != kNoScore) v = line.a[j + 2];
    }
    line.b.push_back(v);
  }
}

// The engine words the review judges with, set afresh for every review: the
// exchange values of the opening stage (piece plus strategy-square values, no
// strategy chosen), the evaluation prepared on the record's first position, and
// no threat filter on the generators. A think leaves its own game stage,
// strategies and threat word behind; reading those would make the text of a
// record depend on what the engine thought last, so that the review that
// thought through a record and a later review of the saved record disagree.
void prepare_review_words(const KPosition& p) {
  const int32_t no_strategy[2] = {0, 0};
  board::think_board.generator_words.game_stage = kReviewStage;
  board::think_board.generator_words.threat_word = 0;
  eval::eval_root_prepare(p, no_strategy, kReviewStyle);
  eval::eval_setup_stage(p, kReviewStage, no_strategy);
}

// The expected move's notation on the position before J, empty when it does
// not convert.
std::string expected_text(const ReviewLine& line, int j_index, const KMove& e) {
  const model::KifuKyokumen* before = line.node[j_index]->from;
  model::Sashite s;
  if (before == nullptr || bridge::kmove_to_sashite(s, before->kyokumen, e) != 0) return "";
  const KifuSashite* prev = j_index >= 1 ? line.node[j_index - 1] : nullptr;
  model::KString text;
  before->kyokumen.SashiteToText(s, prev ? prev->sashite.to_x : -1, prev ? prev->sashite.to_y : -1, text);
  return text.c_str();
}

// The suggestion line after a paragraph, empty when none is written.
std::string suggestion(const ReviewLine& line, int p, const KPosition& before, const KMove& j, const KMove& e,
                       board::KMoveWord word, int s1, int r, CommentaryEnding& ending) {
  if (word == 0 || word == board::kNoMoveWord || r <= kSuggestReliability) return "";
  const std::string t = expected_text(line, p - 1, e);
  if (t.empty()) return "";
  const int s = before.teban;
  const int64_t b = line.B(p - 2);
  const int64_t a = line.B(p);
  const bool pawn_hold = e.from == board::kInHand && board::code_kind(e.code) == board::kPawn &&
                         board::square_rank(e.to) == (s == 0 ? 7 : 3) &&
                         before.board[e.to + board::forward_step(s)] == board::kEmptyNumber;
  const int kind = pawn_hold ? 1 : e.captured_code != 0 ? 2 : 0;
  if (s1 < kSureSwing) {
    static constexpr const char* kKindWords[3] = {nullptr, "と辛抱しておけば", "と取っておけば"};
    const std::string verb = kind == 0 ? commentary_suggestion_verb(before, j, e, word, b) : kKindWords[kind];
    return "\r\nここでは" + t + verb + commentary_situation(b, r == kSureReliability, ending);
  }
  static constexpr const char* kHedges[4] = {"あまり自信はありませんが", "はっきりしませんが", "たとえば",
                                             "自信はないのですが"};
  std::string text = std::string("\r\n") + kHedges[word % 4] + t;
  const bool odd_before = b % 2 != 0;
  switch (kind) {
    case 1:
      return text + "と辛抱" +
             (a % 2 != 0 ? "するような手を予想していました。" : "するような手はどうだったでしょうか？");
    case 2:
      return text + (odd_before ? "と取る手を予想していました。" : "と取る手はどうだったでしょうか？");
    default:
      return text + (odd_before ? "というような手を予想していました。" : "というような手はどうだったでしょうか？");
  }
}

// The paragraph on the player's move J (index p - 1, move number p) that the
// computer answered with the move at p; empty for a move that needs none.
std::string judge(const ReviewLine& line, int p, const KPosition& before, const KMove& j, CommentaryEnding& ending) {
  const bool strict = j.piece <= kLastStrictPiece;
  const int s1 = commentary_swing(line.B(p - 2), line.B(p), strict);
  if (s1 >= kBadSwing) return "";
  const int s2 = commentary_swing(line.A(p - 2), line.A(p), strict);
  const int r = commentary_reliability(line.b.data(), line.size(), p, s1);
  const Verdict v = commentary_verdict(s1, line.B(p - 2), line.B(p), s2, r);
  if (v.a.empty()) return "";

  board::KMoveWord word = expected_after(line, p - 2);
  KMove e = board::pass_move();
  // A recorded word that does not fit the position is no expected move.
  if (word != 0 && ((word & 0xFF) == board::kPassSquare || !commentary_move(before, word, e))) {
    word = board::kNoMoveWord;
  }
  const std::string motif = commentary_motif(before, j, e, word, line.node[p], v.code);
  const std::string head = std::to_string(p) + "手目 " + model::kifu_node_text(line.node[p - 1]);
  std::string text = v.code == 1 ? v.a + motif + head + v.b : head + "は" + motif + v.a;
  return text + suggestion(line, p, before, j, e, word, s1, r, ending);
}

}  // namespace

void kifu_analyze(int side, const model::KifuSashite* root, model::KString& out, CommentaryEnding& ending) {
  out.Free();
  if (root == nullptr || root->to == nullptr) return;
  const int c = side == 0 ? 0 : 1;
  ReviewLine line;
  read_line(root, c, line);
  KPosition pos;
  if (line.size() == 0 || bridge::position_load(pos, root->to->kyokumen) != 0) return;
  prepare_review_words(pos);

  KPosition before = pos;
  KMove last = board::pass_move();
  for (int p = 0; p < line.size(); ++p) {
    KMove m;
    if (bridge::sashite_to_kmove(m, pos, line.node[p]->sashite) != 0) break;
    if (pos.teban == 1 - c && p >= 1 && before.teban == c) {
      const std::string paragraph = judge(line, p, before, last, ending);
      if (!paragraph.empty()) {
        out.Append(paragraph.c_str());
        out.Append("\r\n");
      }
    }
    before = pos;
    last = m;
    board::do_move(pos, m, 0);
  }
}

void kansou_text(int side, model::Kifu& kifu, model::KString& out, CommentaryEnding& ending) {
  out.Free();
  model::KifuSashite* last = kifu.root.get();
  for (model::KifuSashite* m = kifu.Start()->next.Current(); m;) {
    if (m->sashite.special != model::kOrdinaryMove) break;
    last = m;
    m = m->to ? m->to->next.Current() : nullptr;
  }
  if (last->Ply() <= 1) return;
  kifu_analyze(side, kifu.root.get(), out, ending);
  // An empty review leaves the comment the move already has.
  if (!out.empty()) kifu.SetComment(last->Ply(), out.c_str());
}

}  // namespace driver
