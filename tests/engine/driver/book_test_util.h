// What the book tests share: positions of random games, and writers of the
// book files the program only reads (JSD user books, the divided book's part
// files) and of JS5 images, following their layouts.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <zlib.h>

#include <csignal>
#include <set>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/engine/board/model_positions.h"
#include "engine/driver/book_key.h"
#include "engine/driver/book_move.h"
#include "engine/driver/divided_book.h"

namespace driver::testing {

using Bytes = std::vector<uint8_t>;

struct BookRecord {
  model::BookPosition pos;
  std::vector<BookMove> moves;
};

// Positions of random legal games from the even game, two handicaps and the
// set-up without sente's king.
inline std::vector<model::Kyokumen> random_game_positions(uint32_t seed, int games, int plies) {
  std::mt19937 rng(seed);
  const int32_t starts[] = {model::kHirate, model::kKakuOchi, model::kRokumaiOchi, model::kNoSenteKing};
  std::vector<model::Kyokumen> out;
  for (int g = 0; g < games; ++g) {
    model::Kyokumen k;
    k.Init(starts[g % 4]);
    model::Sashite m;
    for (int ply = 0; ply < plies && board::testing::random_legal_moves(k, rng, &m, 1) == 1; ++ply) {
      out.push_back(k);
      k.DoSashite(m);
    }
  }
  return out;
}

inline std::string temp(const std::string& name) { return ::testing::TempDir() + "/" + name; }

// The names in a folder (without "." and "..").
inline std::set<std::string> folder_names(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
    }
    closedir(d);
  }
  return names;
}

// While alive, a write that would make a file longer than `bytes` fails, as on
// a full disk (the signal that would end the process is ignored).
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    rlimit lower = old;
    lower.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
  rlimit old{};
};

// A pawn push on `file` in the mover's view, with its value and strategy word.
inline BookMove push(int file, int value, uint32_t senkei = 0) {
  uint32_t code = static_cast<uint32_t>(value) << 16;
  book_code_encode(&code, false, file, 7, file, 6, 0);
  return {code, senkei};
}

inline void put(Bytes& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> 8 * i));
}
inline void write_file(const std::string& path, const Bytes& b) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f) << path;
  if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

// A JSD image (`jsd`) or a JS5 image. JSD moves hold the move's value in the
// levels 0-6 and 15 - value in level 7.
inline Bytes book_image(const std::vector<BookRecord>& records, bool jsd) {
  Bytes b = {'J', 'S', static_cast<uint8_t>(jsd ? 'D' : '5'), 0};
  if (jsd) {
    put(b, 0x00030B64, 4);
    for (char c : std::string("ver.400", 8)) b.push_back(static_cast<uint8_t>(c));
  } else {
    put(b, static_cast<uint32_t>(records.size()), 4);
  }
  for (const BookRecord& r : records) {
    b.insert(b.end(), r.pos.slot, r.pos.slot + sizeof r.pos);
    b.push_back(static_cast<uint8_t>(r.moves.size()));
    for (const BookMove& m : r.moves) {
      const uint32_t from = m.code & 0xFF, to = (m.code >> 8) & 0x7F, v = book_move_value(m.code);
      if (!jsd) {
        put(b, m.code, 4);
      } else {
        put(b, ((to / 11 * 9 + to % 11) * 90 + from / 11 * 10 + from % 11) | ((m.code >> 15) & 1) << 13, 2);
        put(b, v * 0x01111111u | (15 - v) << 28, 4);
      }
      put(b, m.senkei, 4);
    }
  }
  return b;
}

// The inflated body of a part: entries in their buckets by descending hi,
// then lo.
inline Bytes part_body(std::vector<std::pair<BookKey, std::vector<BookMove>>> entries, uint32_t nbuckets) {
  const auto bucket = [nbuckets](const BookKey& k) { return (k.lo ^ k.hi) % nbuckets; };
  std::sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
    if (bucket(a.first) != bucket(b.first)) return bucket(a.first) < bucket(b.first);
    return a.first.hi != b.first.hi ? a.first.hi > b.first.hi : a.first.lo > b.first.lo;
  });
  Bytes head, table, moves;
  uint32_t first = 0, nmoves = 0;
  for (uint32_t k = 0; k < nbuckets; ++k) {
    uint32_t count = 0;
    while (first + count < entries.size() && bucket(entries[first + count].first) == k) ++count;
    put(head, first, 4);
    put(head, count, 2);
    first += count;
  }
  for (const auto& [key, list] : entries) {
    put(table, key.lo, 4);
    put(table, key.hi, 4);
    put(table, nmoves, 4);
    put(table, static_cast<uint32_t>(list.size()), 1);
    for (const BookMove& m : list) {
      put(moves, m.code, 4);
      put(moves, m.senkei, 4);
      ++nmoves;
    }
  }
  Bytes b;
  for (uint32_t v : {nbuckets, static_cast<uint32_t>(entries.size()), nmoves}) put(b, v, 4);
  for (const Bytes* part : {&head, &table, &moves}) b.insert(b.end(), part->begin(), part->end());
  return b;
}

// A part file around an inflated body.
inline Bytes part_image(const Bytes& body) {
  uLongf packed = compressBound(body.size());
  Bytes z(packed);
  EXPECT_EQ(compress(z.data(), &packed, body.data(), body.size()), Z_OK);
  Bytes b = {'J', 'o', 'S', 'e', 'K', 'i', '5', 0};
  put(b, static_cast<uint32_t>(packed), 4);
  put(b, static_cast<uint32_t>(body.size()), 4);
  b.insert(b.end(), z.begin(), z.begin() + static_cast<long>(packed));
  return b;
}

// Writes the divided book of `records` as dir/joseki/bNN.jdb, one file per part
// number that occurs; returns the base name for DividedBook::SetName.
inline std::string write_divided_book(const std::string& dir, const std::vector<BookRecord>& records) {
  std::map<int, std::vector<std::pair<BookKey, std::vector<BookMove>>>> parts;
  for (const BookRecord& r : records) {
    BookKey key;
    book_key(r.pos, &key);
    parts[divided_book_part_number(r.pos)].emplace_back(key, r.moves);
  }
  ::mkdir(dir.c_str(), 0755);
  ::mkdir((dir + "/joseki").c_str(), 0755);
  for (const auto& [n, entries] : parts) {
    char name[32];
    std::snprintf(name, sizeof name, "/joseki/b%02d.jdb", n);
    write_file(dir + name, part_image(part_body(entries, 7)));
  }
  return dir + "/joseki/bXX.jdb";
}

}  // namespace driver::testing
