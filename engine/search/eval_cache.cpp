#include "engine/search/eval_cache.h"

#include <algorithm>

#include "engine/eval/eval_position.h"
#include "engine/eval/eval_setup.h"
#include "engine/search/node_common.h"

namespace search {

namespace {

constexpr uint32_t kEntries = EvalCache::kEntries;
constexpr uint32_t kFilled = 1u << 31;
constexpr uint32_t kPassFlag = 1;
// The entry's terms are the same with either pass flag: it serves both.
constexpr uint32_t kEitherPass = 1u << 30;
constexpr int kFields = EvalCache::kFields;

// The fields the full evaluation adds to, in the order the entries keep them.
struct Fields {
  int16_t* f[kFields];
  explicit Fields(board::KEvalRecord& r)
      : f{&r.att[0].attack_extra, &r.att[1].attack_extra,       &r.def[0].defence_extra,
          &r.def[1].defence_extra, &r.mat[0].material_extra, &r.mat[1].material_extra} {}
};

}  // namespace

void eval_cache_clear(EvalCache& cache) {
  std::fill(std::begin(cache.table), std::end(cache.table), EvalCache::Entry{});
}

namespace {

// A miss: the full evaluation, whose added terms the entry then keeps. Out of
// line and reached by a tail call, so that a hit saves no registers; the
// silver rule's square is read back from the tag, which keeps the arguments
// to the six that registers pass (a seventh on the stack rules the tail call
// out).
[[gnu::noinline]] void evaluate_and_keep(EvalCache::Entry& e, const board::KPosition& p, const board::KHashKey& key,
                                         board::KEvalRecord& r, const board::KMove& last, uint32_t tag) {
  const int silver_square = static_cast<int>((tag & ~kFilled) >> 1);
  // The entry takes the fields' values before the evaluation, negated, and
  // their values after it added: nothing is held across the call but the
  // entry and the record.
  {
    const Fields fields(r);
    for (int i = 0; i < kFields; ++i) e.extra[i] = static_cast<int16_t>(-*fields.f[i]);
  }
  const bool pass_matters = evaluate_fully(p, r, silver_square, last);
  const Fields fields(r);
  for (int i = 0; i < kFields; ++i) e.extra[i] = static_cast<int16_t>(e.extra[i] + *fields.f[i]);
  e.key = key;
  e.tag = pass_matters ? tag : tag | kEitherPass;
  e.settings = eval::eval_setup.eval_settings_count;
}

}  // namespace

void evaluate_cached(EvalCache& cache, const board::KPosition& p, const board::KHashKey& key, board::KEvalRecord& r,
                     int silver_square, const board::KMove& last) {
  if (fully_evaluated(r)) return;
  // A record with one part done is completed without the cache (the entries
  // hold both parts together).
  if (r.flags & eval::kFullyEvaluated) {
    evaluate_fully(p, r, silver_square, last);
    return;
  }
  const uint32_t tag = kFilled | static_cast<uint32_t>(silver_square) << 1 | (is_pass(last) ? kPassFlag : 0);
  EvalCache::Entry& e = cache.table[key.word[0] & (kEntries - 1)];
  const uint32_t compared = e.tag & kEitherPass ? ~(kEitherPass | kPassFlag) : ~0u;
  if (((e.tag ^ tag) & compared) == 0 && e.key == key && e.settings == eval::eval_setup.eval_settings_count) {
    const Fields fields(r);
    for (int i = 0; i < kFields; ++i) *fields.f[i] = static_cast<int16_t>(*fields.f[i] + e.extra[i]);
    r.flags |= eval::kFullyEvaluated;
    return;
  }
  return evaluate_and_keep(e, p, key, r, last, tag);
}

}  // namespace search
