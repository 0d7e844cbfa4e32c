#include "engine/search/tsume_stand_in.h"

#include <atomic>

#include "engine/board/mate_in_one.h"
#include "engine/board/move_rules.h"
#include "engine/search/pv_holder.h"

namespace tsume {

namespace {

constexpr uint32_t kDefaultTimeLimit = 1000000;
constexpr uint32_t kKtsumeDefaultKb = 8192;

std::atomic<uint32_t> in_game_time_limit{kDefaultTimeLimit};
std::atomic<uint32_t> ktsume_time_limit{0};

// The mate in one of the side to move, when there is one.
int mate_in_one(board::KPosition& p, board::KMove* out) {
  const int side = p.teban;
  const int king = p.piece[1 - side].sq;
  if (board::is_playing_square(king) && board::kiki_at(p, king).direct_count[side] > 0) return kTsumeKingTaken;
  uint32_t word = 0;
  if (board::ichite_zume(p, &word) == 0) return kTsumeUndecided;
  *out = search::move_from_word(p, word);
  return kTsumeMate;
}

}  // namespace

int tsume_alloc(uint32_t) { return 1; }
void tsume_free() {}
void tsume_pool_reset() {}
void tsume_stop(uint32_t ms) { in_game_time_limit.store(ms); }
uint32_t tsume_time_limit() { return in_game_time_limit.load(); }

int tsume_search(board::KPosition& p, const board::KHashKey*, board::KMove* out, uint32_t) {
  in_game_time_limit.store(kDefaultTimeLimit);
  return mate_in_one(p, out);
}

int tsume_search_limit(board::KPosition& p, const board::KHashKey*, board::KMove* out, uint32_t time_limit_ms) {
  in_game_time_limit.store(time_limit_ms);
  return mate_in_one(p, out);
}

int tsume_hash_check(board::KPosition&, board::KMove*) { return kTsumeUndecided; }

int tsume_verify(const board::KHashKey&, const board::KMove&, int, const board::KMove*, board::KPosition&,
                 board::KMove*, uint32_t) {
  return kTsumeUndecided;
}

int ktsume_alloc(uint32_t) { return 1; }
int ktsume_alloc_default() { return ktsume_alloc(kKtsumeDefaultKb); }
void ktsume_free() {}
void ktsume_free_default() { ktsume_free(); }
void ktsume_pool_reset() {}
void ktsume_set_time_limit(uint32_t ms) { ktsume_time_limit.store(ms); }

int ktsume_solve_top(board::KPosition&, const board::KMove*, board::KMove* out, int) {
  out->from = 255;
  return kTsumeUndecided;
}

}  // namespace tsume
