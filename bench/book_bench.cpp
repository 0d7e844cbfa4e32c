// The opening book on the think's path: the BookPosition of an engine position
// with its key, a lookup in a user book of some thousand positions, and
// books_select on a position with a few candidates (lookup, draw and the
// legality check of the chosen move). Also the load of a user book as large as
// a book file may be, one move per position, with the peak memory of the
// process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/bridge/position_bridge.h"
#include "engine/driver/books_select.h"
#include "engine/driver/joseki_edit.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

// Positions of random legal games from the even start, with one move each.
struct Walk {
  std::vector<model::Kyokumen> positions;
  std::vector<model::Sashite> moves;
};

Walk random_walk(int games, int plies) {
  std::mt19937 rng(7);
  Walk w;
  for (int g = 0; g < games; ++g) {
    model::Kyokumen k;
    k.Init(model::kHirate);
    for (int ply = 0; ply < plies; ++ply) {
      model::Sashite all[model::kMaxSashite];
      const int n = k.GenerateAll(all);
      bool moved = false;
      for (int tries = 0; tries < 64 && n > 0 && !moved; ++tries) {
        const model::Sashite m = all[rng() % n];
        model::Kyokumen next = k;
        if (!next.DoSashite(m) || !model::is_legal_result(next, m, k.teban)) continue;
        w.positions.push_back(k);
        w.moves.push_back(m);
        k = next;
        moved = true;
      }
      if (!moved) break;
    }
  }
  return w;
}

void BM_BookPositionAndKey(benchmark::State& state) {
  const Walk w = random_walk(20, 60);
  std::vector<board::KPosition> engine(w.positions.size());
  for (size_t i = 0; i < engine.size(); ++i) bridge::position_load(engine[i], w.positions[i]);
  size_t i = 0;
  for (auto _ : state) {
    model::BookPosition pos;
    driver::BookKey key;
    driver::book_position_from_kposition(&pos, engine[i++ % engine.size()]);
    driver::book_key(pos, &key);
    benchmark::DoNotOptimize(key);
  }
}

void BM_UserBookLookup(benchmark::State& state) {
  const Walk w = random_walk(40, 80);
  driver::OBEditableHash book;
  std::vector<model::BookPosition> keys(w.positions.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    driver::BookMove m;
    w.positions[i].ToBookKey(keys[i]);
    driver::book_move_from_sashite(w.positions[i], w.moves[i], 8, 0, &m);
    book.Insert(keys[i], m, 1);
  }
  state.counters["positions"] = book.npositions();
  driver::BookMove buf[driver::kMaxBookPositionMoves];
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(book.Lookup(keys[i++ % keys.size()], buf));
}

void BM_BooksSelect(benchmark::State& state) {
  model::Kyokumen k;
  k.Init(model::kHirate);
  driver::JosekiBooks books;
  books.user_books.NewSlot(0);
  for (int file = 1; file <= 9; ++file) {
    model::Sashite m(file, 7, file, 6, 0, 0, 0, 0);
    k.CompleteSashite(m);
    driver::joseki_set_move(books, k, m, file, 0, 1);
  }
  board::KPosition p;
  bridge::position_load(p, k);
  board::KMove out;
  for (auto _ : state) benchmark::DoNotOptimize(driver::books_select(books, p, &out, nullptr, 0, nullptr));
}

void BM_UserBookLoadAtTheSizeLimit(benchmark::State& state) {
  driver::OBEditableHash book;
  const Walk w = random_walk(3400, 100);
  for (size_t i = 0; i < w.positions.size(); ++i) {
    model::BookPosition pos;
    driver::BookMove m;
    w.positions[i].ToBookKey(pos);
    driver::book_move_from_sashite(w.positions[i], w.moves[i], 8, 0, &m);
    if (book.FileBytes() + sizeof pos + 1 + sizeof m > driver::kMaxBookFileBytes) break;
    book.Insert(pos, m, 1);
  }
  const std::string path = "/tmp/velkora_bench_" + std::to_string(getpid()) + ".js5";
  book.Save(path.c_str());
  for (auto _ : state) {
    driver::OBEditableHash loaded;
    benchmark::DoNotOptimize(loaded.Load(path.c_str(), 1, 0));
  }
  std::remove(path.c_str());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["positions"] = book.npositions();
  state.counters["file_MiB"] = static_cast<double>(book.FileBytes()) / (1 << 20);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

}  // namespace

BENCHMARK(BM_UserBookLoadAtTheSizeLimit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BookPositionAndKey);
BENCHMARK(BM_UserBookLookup);
BENCHMARK(BM_BooksSelect);
