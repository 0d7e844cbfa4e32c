// What the book tests share: positions of random games, and writers of the
// book files that the program only reads (JSD user books and the divided
// book's part files), following their layouts.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "../board/model_positions.h"
#include "engine/driver/book_key.h"
#include "engine/driver/book_move.h"
#include "engine/driver/divided_book.h"
#include "model/kyokumen.h"

namespace driver::testing {

using Bytes = std::vector<uint8_t>;

// Positions of random legal games from the even game, handicaps and the set-up
// without sente's king, each game `plies` long (shorter when it ends).
inline std::vector<model::Kyokumen> random_game_positions(uint32_t seed, int games, int plies) {
  std::mt19937 rng(seed);
  const int32_t starts[] = {model::kHirate, model::kKakuOchi, model::kRokumaiOchi, model::kNoSenteKing};
  std::vector<model::Kyokumen> out;
  for (int g = 0; g < games; ++g) {
    model::Kyokumen k;
    k.Init(starts[g % 4]);
    for (int ply = 0; ply < plies; ++ply) {
      out.push_back(k);
      model::Sashite m;
      if (board::testing::random_legal_moves(k, rng, &m, 1) == 0) break;
      k.DoSashite(m);
    }
  }
  return out;
}

inline void put_u16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put_u32(Bytes& b, uint32_t v) {
  put_u16(b, v & 0xFFFF);
  put_u16(b, v >> 16);
}
inline void put_position(Bytes& b, const model::BookPosition& pos) {
  const auto* p = reinterpret_cast<const uint8_t*>(&pos);
  b.insert(b.end(), p, p + sizeof pos);
}

inline void write_file(const std::string& path, const Bytes& b) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f) << path;
  if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}
inline Bytes read_file(const std::string& path) {
  Bytes b;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF;) b.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return b;
}

struct BookRecord {
  model::BookPosition pos;
  std::vector<BookMove> moves;
};

// A JSD file: the header, then per record the position, the count and 10-byte
// moves whose eight 4-bit levels all hold the move's value except level 7,
// which holds 15 - value.
inline Bytes jsd_image(const std::vector<BookRecord>& records) {
  Bytes b = {'J', 'S', 'D', 0};
  put_u32(b, 0x00030B64);
  for (char c : std::string("ver.400", 8)) b.push_back(static_cast<uint8_t>(c));
  for (const BookRecord& r : records) {
    put_position(b, r.pos);
    b.push_back(static_cast<uint8_t>(r.moves.size()));
    for (const BookMove& m : r.moves) {
      const uint32_t from = m.code & 0xFF, to = (m.code >> 8) & 0x7F;
      const uint32_t jsd_from = from / 11 * 10 + from % 11, jsd_to = to / 11 * 9 + to % 11;
      put_u16(b, (jsd_to * 90 + jsd_from) | ((m.code >> 15) & 1) << 13);
      const uint32_t v = static_cast<uint32_t>(book_move_value(m.code));
      put_u32(b, v * 0x01111111u | (15 - v) << 28);
      put_u32(b, m.senkei);
    }
  }
  return b;
}

// The inflated body of a part: entries sorted into their buckets by
// descending hi, then lo.
inline Bytes part_body(std::vector<std::pair<BookKey, std::vector<BookMove>>> entries, uint32_t nbuckets) {
  const auto bucket = [nbuckets](const BookKey& k) { return (k.lo ^ k.hi) % nbuckets; };
  std::sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
    if (bucket(a.first) != bucket(b.first)) return bucket(a.first) < bucket(b.first);
    return a.first.hi != b.first.hi ? a.first.hi > b.first.hi : a.first.lo > b.first.lo;
  });
  uint32_t nmoves = 0;
  for (const auto& e : entries) nmoves += static_cast<uint32_t>(e.second.size());
  Bytes b;
  put_u32(b, nbuckets);
  put_u32(b, static_cast<uint32_t>(entries.size()));
  put_u32(b, nmoves);
  for (uint32_t k = 0, first = 0; k < nbuckets; ++k) {
    uint32_t count = 0;
    while (first + count < entries.size() && bucket(entries[first + count].first) == k) ++count;
    put_u32(b, first);
    put_u16(b, count);
    first += count;
  }
  uint32_t move = 0;
  for (const auto& e : entries) {
    put_u32(b, e.first.lo);
    put_u32(b, e.first.hi);
    put_u32(b, move);
    b.push_back(static_cast<uint8_t>(e.second.size()));
    move += static_cast<uint32_t>(e.second.size());
  }
  for (const auto& e : entries) {
    for (const BookMove& m : e.second) {
      put_u32(b, m.code);
      put_u32(b, m.senkei);
    }
  }
  return b;
}

// A part file around an inflated body.
inline Bytes part_image(const Bytes& body) {
  uLongf packed = compressBound(body.size());
  Bytes z(packed);
  EXPECT_EQ(compress(z.data(), &packed, body.data(), body.size()), Z_OK);
  Bytes b = {'J', 'o', 'S', 'e', 'K', 'i', '5', 0};
  put_u32(b, static_cast<uint32_t>(packed));
  put_u32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), z.begin(), z.begin() + static_cast<long>(packed));
  return b;
}

// Writes the divided book of `records` under dir/joseki/, one part file per
// part number that occurs; returns the base name for DividedBook::SetName.
inline std::string write_divided_book(const std::string& dir, const std::vector<BookRecord>& records,
                                      uint32_t nbuckets = 7) {
  std::map<int, std::vector<std::pair<BookKey, std::vector<BookMove>>>> parts;
  for (const BookRecord& r : records) {
    BookKey key;
    book_key(r.pos, &key);
    parts[divided_book_part_number(r.pos)].emplace_back(key, r.moves);
  }
  ::mkdir((dir + "/joseki").c_str(), 0755);
  for (const auto& [n, entries] : parts) {
    char name[32];
    std::snprintf(name, sizeof name, "/joseki/b%02d.jdb", n);
    write_file(dir + name, part_image(part_body(entries, nbuckets)));
  }
  return dir + "/joseki/bXX.jdb";
}

}  // namespace driver::testing
