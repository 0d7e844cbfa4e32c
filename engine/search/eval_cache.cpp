#include "engine/search/eval_cache.h"

#include <algorithm>

#include "engine/eval/eval_position.h"
#include "engine/eval/eval_settings.h"
#include "engine/search/node_common.h"

namespace search {

namespace {

// 2^16 entries of 32 bytes: the positions of a few iterations' evaluations.
constexpr uint32_t kEntries = 1u << 16;
constexpr uint32_t kFilled = 1u << 31;
constexpr uint32_t kPassFlag = 1;
constexpr int kFields = 6;

struct Entry {
  board::KHashKey key;
  uint32_t tag;     // kFilled | square << 1 | pass flag; 0 empty
  uint32_t settings;  // eval::eval_settings_count when stored
  int16_t extra[kFields];
};
static_assert(sizeof(Entry) == 32);

Entry table[kEntries];

// The fields the full evaluation adds to, in the order the entries keep them.
struct Fields {
  int16_t* f[kFields];
  explicit Fields(board::KEvalRecord& r)
      : f{&r.att[0].attack_extra, &r.att[1].attack_extra,       &r.def[0].defence_extra,
          &r.def[1].defence_extra, &r.mat[0].material_extra, &r.mat[1].material_extra} {}
};

}  // namespace

void eval_cache_clear() { std::fill(std::begin(table), std::end(table), Entry{}); }

void eval_cache_prefetch(const board::KHashKey& key) { __builtin_prefetch(&table[key.word[0] & (kEntries - 1)]); }

void evaluate_cached(const board::KPosition& p, const board::KHashKey& key, board::KEvalRecord& r, int silver_square,
                     const board::KMove& last) {
  if (fully_evaluated(r)) return;
  // A record with one part done is completed without the cache (the entries
  // hold both parts together).
  if (r.flags & eval::kFullyEvaluated) {
    evaluate_fully(p, r, silver_square, last);
    return;
  }
  const uint32_t tag = kFilled | static_cast<uint32_t>(silver_square) << 1 | (is_pass(last) ? kPassFlag : 0);
  Entry& e = table[key.word[0] & (kEntries - 1)];
  const Fields fields(r);
  if (e.tag == tag && e.key == key && e.settings == eval::eval_settings_count) {
    for (int i = 0; i < kFields; ++i) *fields.f[i] = static_cast<int16_t>(*fields.f[i] + e.extra[i]);
    r.flags |= eval::kFullyEvaluated;
    return;
  }
  int16_t before[kFields];
  for (int i = 0; i < kFields; ++i) before[i] = *fields.f[i];
  evaluate_fully(p, r, silver_square, last);
  e.key = key;
  e.tag = tag;
  e.settings = eval::eval_settings_count;
  for (int i = 0; i < kFields; ++i) e.extra[i] = static_cast<int16_t>(*fields.f[i] - before[i]);
}

}  // namespace search
