// Opening and closing a game: the strategy profile of each side and the
// problem-solving mate instance.
#include <array>

#include "engine/board/hash_table.h"
#include "engine/board/repetition.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/driver_words.h"
#include "engine/driver/mate_jobs.h"
#include "engine/tsume/tsume_entry.h"

namespace driver {

namespace {

// Profiles 0-5: any, static rook, ranging rook, yagura, and two player
// profiles (all strategies; ranging rook) that give up earlier.
constexpr uint32_t kProfileMask[6] = {kAllStrategies, 0x8FAD3, 0x5F92C, 0x4000F801, kAllStrategies, 0x5F92C};
constexpr int32_t kPlayerProfileHopeless = -3000;
constexpr int32_t kFirstPlayerProfile = 4;
constexpr int32_t kLastPlayerProfile = 5;

// Codes 6-33 index the tournament table: seven named opponents with their own
// strategies, then the class players, who may play anything.
constexpr int32_t kFirstTournamentCode = 6;
constexpr int32_t kLastRequestCode = 33;
constexpr uint32_t kOpponentMask[7] = {0x4, 0x10000, 0x4, 0x100, 0x80, 0x240, 0x13};
constexpr std::array<uint32_t, kLastRequestCode - kFirstTournamentCode + 1> kTournamentMask = [] {
  std::array<uint32_t, kLastRequestCode - kFirstTournamentCode + 1> t{};
  for (size_t i = 0; i < t.size(); ++i) t[i] = i < std::size(kOpponentMask) ? kOpponentMask[i] : kAllStrategies;
  return t;
}();

// A request outside the table counts as "any strategy".
int32_t known_code(int32_t code) { return code < 0 || code > kLastRequestCode ? 0 : code; }

}  // namespace

uint32_t senkei_request_mask(int32_t code) {
  code = known_code(code);
  if (code < kFirstTournamentCode) return kProfileMask[code];
  return kTournamentMask[code - kFirstTournamentCode];
}

int32_t senkei_request_hopeless(int32_t code) {
  code = known_code(code);
  return code >= kFirstPlayerProfile && code <= kLastPlayerProfile ? kPlayerProfileHopeless : kNoHopelessScore;
}

int game_init(CompJob& job) {
  game_exit(job);
  board::hash_clear();
  board::kifu_rep_clear();
  for (int side = 0; side < 2; ++side) {
    job.game.senkei_played[side] = kAllStrategies;
    job.game.senkei_mask[side] = senkei_request_mask(job.senkei_request[side]);
    job.game.hopeless_score[side] = senkei_request_hopeless(job.senkei_request[side]);
  }
  if (job.want_ktsume) {
    std::lock_guard<std::mutex> lock(ktsume_instance_lock());
    tsume::ktsume_free_default();  // an instance a mate job left behind
    tsume::ktsume_alloc_default();
    job.ktsume_open = 1;
  } else {
    job.ktsume_open = 0;
  }
  return 0;
}

int game_exit(CompJob& job) {
  if (job.ktsume_open) {
    std::lock_guard<std::mutex> lock(ktsume_instance_lock());
    tsume::ktsume_free_default();
    job.ktsume_open = 0;
  }
  return 1;
}

}  // namespace driver
