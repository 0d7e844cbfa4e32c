#include "engine/driver/joseki_books.h"

#include <algorithm>

#include "engine/board/random.h"

namespace driver {

namespace {

// A strategy word with this bit marks a move that the modal choice draws by
// weight; the lookup copies it to bit 0.
constexpr uint32_t kSenkeiDrawBit = 1u << 30;
constexpr uint32_t kAllStrategies = 0x3FFFFF;

// The modal choice: one of the candidates of the best value, or, with
// `second_best` and a second-best value above 2, of that value; drawn evenly
// in list order.
int modal_choice(const BookMove* list, int n, bool second_best) {
  int best = 0, second = 0;
  for (int i = 0; i < n; ++i) best = std::max(best, book_move_value(list[i].code));
  for (int i = 0; i < n; ++i) {
    const int v = book_move_value(list[i].code);
    if (v < best) second = std::max(second, v);
  }
  const int target = (second_best && second > 2) ? second : best;
  const auto has_target = [target](const BookMove& m) { return book_move_value(m.code) == target; };
  uint32_t r = board::rand_next() % static_cast<uint32_t>(std::count_if(list, list + n, has_target));
  for (int i = 0; i < n; ++i) {
    if (has_target(list[i]) && r-- == 0) return i;
  }
  return 0;
}

}  // namespace

int BookTableSource::Lookup(const BookKey& key, BookMove* buf) const {
  if (current >= static_cast<uint32_t>(kSlots) || !table[current]) return 0;
  return table[current]->Lookup(key, buf);
}

int book_candidates_merge(BookMove* list, int count, const BookMove* moves, int n, uint8_t* tags, uint8_t tag) {
  const int known = count;
  for (int i = 0; i < n && count < kMaxBookCandidates; ++i) {
    const uint32_t id = book_move_id(moves[i].code);
    bool seen = false;
    for (int j = 0; j < known && !seen; ++j) seen = book_move_id(list[j].code) == id;
    if (seen) continue;
    if (tags) tags[count] = tag;
    list[count++] = moves[i];
  }
  return count;
}

int JosekiBooks::Lookup(const model::BookPosition& pos, BookMove* buf, uint8_t* tags) {
  BookMove* list = buf ? buf : scratch_;
  BookMove found[kMaxBookPositionMoves];
  int n = 0;
  if (sources & kSourceUser) {
    if (const OBEditableHash* book = user_books.Current()) {
      n = book->Lookup(pos, list);
      if (tags) std::fill(tags, tags + n, static_cast<uint8_t>(kSourceUser));
    }
  }
  // Joining an empty list takes every move: the first source that has moves
  // forms the list.
  if (sources & kSourceTable) {
    BookKey key;
    book_key(pos, &key);
    n = book_candidates_merge(list, n, found, table_source.Lookup(key, found), tags, kSourceTable);
  }
  if ((sources & kSourceDivided) && !((sources & kSourceDividedLast) && n > 0)) {
    n = book_candidates_merge(list, n, found, divided.Lookup(pos, found), tags, kSourceDivided);
  }
  for (int i = 0; i < n; ++i) {
    if (list[i].senkei & kSenkeiDrawBit) list[i].senkei |= 1;
  }
  return n;
}

int JosekiBooks::LookupSorted(const model::BookPosition& pos, BookMove* buf, uint8_t* tags) {
  const int n = Lookup(pos, buf, tags);
  BookMove* list = buf ? buf : scratch_;
  for (int i = 0; i < n; ++i) {
    int best = i;
    for (int j = i + 1; j < n; ++j) {
      if (book_move_value(list[j].code) > book_move_value(list[best].code)) best = j;
    }
    std::swap(list[i], list[best]);
    if (tags) std::swap(tags[i], tags[best]);
  }
  return n;
}

void JosekiBooks::Report(const BookMove& m) const {
  int fx, fy, tx, ty, promote;
  if (!candidate_report || book_code_decode(m.code, &fx, &fy, &tx, &ty, &promote) != 0) return;
  candidate_report(fx, fy, tx, ty, promote, book_move_value(m.code));
}

int JosekiBooks::SelectMove(const model::BookPosition& pos, BookMove* out, uint32_t mask, int* count) {
  BookMove list[kMaxBookCandidates];
  const int n = Lookup(pos, list, nullptr);
  if (count) *count = 0;
  const auto fail = [out] {
    out->code &= 0xFFFF0000u;
    return -1;
  };
  if (n == 0) return fail();
  if (n == 1) {
    Report(list[0]);
    if (count) *count = 1;
    *out = list[0];
    return 0;
  }

  if (mask == 0) mask = kAllStrategies;
  const auto fits = [mask](const BookMove& m) { return m.senkei == 0 || (m.senkei & mask) != 0; };
  const bool some_fit = std::any_of(list, list + n, fits);
  uint32_t weight[kMaxBookCandidates], cum[kMaxBookCandidates];
  uint32_t total = 0;
  for (int i = 0; i < n; ++i) {
    weight[i] = (some_fit && !fits(list[i])) ? 0 : book_weight(list[i].code);
    total += weight[i];
    cum[i] = total;
  }
  if (total == 0) return fail();

  int reported = 0;
  for (int value = kMaxBookValue; value >= 1; --value) {
    for (int i = 0; i < n; ++i) {
      if (max_listed > 0 && reported >= static_cast<int>(max_listed)) break;
      if (book_move_value(list[i].code) != value || weight[i] == 0) continue;
      Report(list[i]);
      ++reported;
    }
  }
  if (count) *count = reported;

  const auto draw = [&] {
    const uint32_t r = board::rand_next() % total;
    return static_cast<int>(std::upper_bound(cum, cum + n, r) - cum);
  };
  const bool modal = (sources & (kSourceModal | kSourceModalSecond)) != 0 &&
                     std::none_of(list, list + n, [](const BookMove& m) { return (m.senkei & 1) != 0; });
  const int chosen = modal ? modal_choice(list, n, (sources & kSourceModalSecond) != 0) : draw();
  *out = list[chosen];
  return 0;
}

}  // namespace driver
