#include "engine/driver/book_or_chuban.h"

#include <mutex>

#include "engine/board/generator_words.h"
#include "engine/driver/books_select.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/driver_words.h"
#include "engine/driver/message_queue.h"
#include "engine/driver/think_state.h"
#include "engine/search/chuban.h"
#include "engine/search/node_records.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "platform/clock.h"

namespace driver {

namespace {

// The book answers only up to this ply unless book_any_ply is set.
constexpr int32_t kBookPlyLimit = 10;
// A mate-match move that found nothing has this from byte.
constexpr uint8_t kNoMoveFrom = 255;

// True when the side to move attacks the enemy king (which must be on the board).
bool king_capturable(const board::KPosition& p) {
  const int king = p.piece[1 - p.teban].sq;
  return board::is_playing_square(king) && board::kiki_at(p, king).direct_count[p.teban] > 0;
}

// Sets think_phase unless a stop was asked for: false then.
bool enter_phase(uint32_t phase) {
  std::lock_guard<platform::CriticalSection> lock(engine_lock());
  uint32_t& word = think_word();
  if (think_state_of(word) == kThinkStopRequested) return false;
  word = (word & ~0xFF00u) | phase << 8;
  return true;
}

// The result kind of a searched move by the game stage.
int32_t searched_kind() {
  const int32_t stage = board::game_stage < 0 ? 0 : (board::game_stage > 2 ? 2 : board::game_stage);
  return model::KifuHyouka::kResultStage0 + stage;
}

}  // namespace

int book_count_threshold() { return book_min > 1 ? book_min : 1; }
bool book_normal_play() { return book_min == 0; }

void think_result_reset(model::KifuHyouka& hyouka) {
  hyouka.predicted_reply = 0;
  hyouka.value = model::KifuHyouka::kNoValue;
  hyouka.pv.clear();
  hyouka.result_kind = model::KifuHyouka::kResultStage2;
}

int choose_book_or_chuban(board::KPosition& cur, uint8_t learn_flag, search::KLearnRing* ring_a,
                          search::KLearnRing* ring_b, bool no_mask, uint8_t no_book,
                          JosekiBooks* book, KPositionHistory& root, board::KMove& out, model::KifuHyouka& hyouka) {
  think_result_reset(hyouka);
  const int side = cur.teban;
  if (king_capturable(cur)) {
    hyouka.value = side == 0 ? search::kScoreMate : -search::kScoreMate;
    return kChoiceKingCapturable;
  }

  if (!no_book && book != nullptr && (book_any_ply != 0 || game_ply.load() <= kBookPlyLimit)) {
    book_candidate_position(&cur);
    int count = 0;
    const bool found =
        books_select(*book, cur, &out, &senkei_played[side], no_mask ? 0 : senkei_mask[side], &count) == 0;
    book_candidate_position(nullptr);
    if (found) {
      hyouka.speed = 0;
      hyouka.value = 0;
      hyouka.result_kind = model::KifuHyouka::kResultBook;
      hyouka.pv.push_back(board::move_word(out));
      senkei_result = 0;
      if (count >= book_count_threshold()) return kChoiceMove;
    }
    // Fewer candidates than asked for: the search decides (and rewrites the result).
  }

  search::ThinkRequest request;
  for (int i = 0; i < 3; ++i) request.time[i] = think_time[i].load();
  if (!enter_phase(kPhaseClock)) return kChoiceStopped;
  think_start_ms.store(platform::tick_ms());
  if (!enter_phase(kPhaseSearch)) return kChoiceStopped;
  search::early_stop_score = hopeless_score[side];
  int32_t strategy = senkei_sofar;

  search::KPvHolder result{};
  result.length = 1;
  request.position = &cur;
  request.history = root.moves.data();
  request.history_count = root.count;
  request.max_depth = max_depth.load();
  request.result = &result;
  request.speed = &hyouka.speed;
  request.search_style = book_normal_play() ? 1 : 2;
  request.senkei = &strategy;
  request.senkei_hint_a = book_normal_play() ? senkei_played[side] : 0;
  request.senkei_hint_b = senkei_mask[side];
  request.normal_play = book_normal_play();
  request.best_count = book_count_threshold();
  request.play_style = play_style;
  request.learn_flag = learn_flag != 0;
  request.ring_a = ring_a;
  request.ring_b = ring_b;
  const int score = search::Chuban(request);

  hyouka.value = (score == search::kScoreNone || side == 0) ? score : -score;
  if (result.mate_at_root()) {
    hyouka.result_kind = model::KifuHyouka::kResultMate;
  } else {
    hyouka.result_kind = searched_kind();
    senkei_result = strategy;
    if (result.length == 0) return kChoiceNoMove;
  }
  hyouka.pv.assign(result.moves, result.moves + result.length);
  out = search::move_from_word(cur, result.moves[0]);
  if (result.length > 1) hyouka.predicted_reply = static_cast<int32_t>(result.moves[1]);
  hyouka.threat = result.threat != 0;
  return kChoiceMove;
}

int kelmor_book_or_mate(board::KPosition& cur, JosekiBooks* book, KPositionHistory& root, board::KMove& out,
                        int32_t limit) {
  if (book != nullptr && books_select(*book, cur, &out, nullptr, 0, nullptr) == 0) return 0;
  const board::KMove last = root.count > 0 ? root.moves.back() : board::pass_move();
  out.from = kNoMoveFrom;
  tsume::ktsume_solve_top(cur, last, &out, limit);
  return out.from != kNoMoveFrom ? 0 : kJobNoMove;
}

}  // namespace driver
