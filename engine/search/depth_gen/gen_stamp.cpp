#include "engine/search/depth_gen/gen_stamp.h"

#include <cstring>

#include "engine/board/position.h"

namespace search {

KGenStamp gen_stamp;
uint32_t sashite_gen_serial = 0;

namespace {

// The depth generator's generation is the serial plus this; the check
// generator's is kCheckGenerationBase less the serial. The serial restarts
// before it reaches kSerialLimit, so the ranges stay apart.
constexpr uint32_t kDepthGenerationOffset = 1;
constexpr uint32_t kCheckGenerationBase = 2100000000u;
constexpr uint32_t kSerialLimit = 1000000000u;

uint32_t next_serial() {
  if (sashite_gen_serial >= kSerialLimit) {
    sashite_gen_stamp_clear();
    sashite_gen_serial = 0;
  }
  return sashite_gen_serial++;
}

KGenStampEntry& entry_of(int piece, int sq, int promote) { return gen_stamp.entry[gen_stamp_key(piece, sq, promote)]; }

void append(int piece, int sq, int promote) {
  KGenRecord& r = gen_stamp.record[gen_stamp.record_count++];
  r.piece = static_cast<uint8_t>(piece);
  r.square = static_cast<uint8_t>(sq);
  r.promote = static_cast<uint8_t>(promote);
  r.spare = 0;
}

}  // namespace

void sashite_gen_stamp_clear() {
  gen_stamp.record_count = 0;
  std::memset(gen_stamp.entry, 0, sizeof gen_stamp.entry);
}

void sashite_gen_stamp_init() {
  sashite_gen_stamp_clear();
  gen_stamp.generation = 1;
}

void gen_stamp_begin_depth() {
  gen_stamp.generation = next_serial() + kDepthGenerationOffset;
  gen_stamp.record_count = 0;
}

void gen_stamp_begin_checks() {
  gen_stamp.generation = kCheckGenerationBase - next_serial();
  gen_stamp.record_count = 0;
}

int gen_stamp_key(int piece, int sq, int promote) {
  const int cell = (board::square_rank(sq) - 1) * 9 + board::square_file(sq) - 1;
  return (piece * 81 + cell) * 2 + (promote ? 1 : 0);
}

void gen_stamp_record(int piece, int sq, int promote, int tag) {
  KGenStampEntry& e = entry_of(piece, sq, promote);
  const uint32_t g = gen_stamp.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    e.word[tag] = g;
    append(piece, sq, promote);
  } else if (e.word[kStampAgain] != g) {
    e.word[kStampAgain] = g;
    e.word[kStampWeakOnly] = 0;
  }
}

void gen_stamp_weak(int piece, int sq, int promote, int tag) {
  KGenStampEntry& e = entry_of(piece, sq, promote);
  const uint32_t g = gen_stamp.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    e.word[tag] = g;
    e.word[kStampWeakOnly] = g;
    append(piece, sq, promote);
    return;
  }
  if (tag == kTagTarget && e.word[kTagTarget] == g) e.word[kStampAgain] = g;
  e.word[kStampWeakOnly] = 0;
}

void gen_stamp_strong(int piece, int sq, int promote) {
  KGenStampEntry& e = entry_of(piece, sq, promote);
  const uint32_t g = gen_stamp.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    e.word[kStampAgain] = g;
    append(piece, sq, promote);
  } else if (e.word[kStampAgain] != g) {
    e.word[kStampAgain] = g;
    e.word[kStampWeakOnly] = 0;
  }
}

void gen_stamp_admitted(int piece, int sq, int promote) {
  KGenStampEntry& e = entry_of(piece, sq, promote);
  const uint32_t g = gen_stamp.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    append(piece, sq, promote);
  }
  e.word[kStampAgain] = g;
}

}  // namespace search
