#include "engine/search/depth_gen/gen_stamp.h"

#include <cstring>

#include "engine/board/position.h"

namespace search {

namespace {

// The depth generator's generation is the serial plus this; the check
// generator's is kCheckGenerationBase less the serial. The serial restarts
// before it reaches kSerialLimit, so the ranges stay apart.
constexpr uint32_t kDepthGenerationOffset = 1;
constexpr uint32_t kCheckGenerationBase = 2100000000u;
constexpr uint32_t kSerialLimit = 1000000000u;

uint32_t next_serial(KGenStamp& st) {
  if (st.serial >= kSerialLimit) {
    sashite_gen_stamp_clear(st);
    st.serial = 0;
  }
  return st.serial++;
}

KGenStampEntry& entry_of(KGenStamp& st, int piece, int sq, int promote) {
  return st.entry[gen_stamp_key(piece, sq, promote)];
}

void append(KGenStamp& st, int piece, int sq, int promote) {
  KGenRecord& r = st.record[st.record_count++];
  r.piece = static_cast<uint8_t>(piece);
  r.square = static_cast<uint8_t>(sq);
  r.promote = static_cast<uint8_t>(promote);
  r.spare = 0;
}

}  // namespace

void sashite_gen_stamp_clear(KGenStamp& st) {
  st.record_count = 0;
  std::memset(st.entry, 0, sizeof st.entry);
}

void sashite_gen_stamp_init(KGenStamp& st) {
  sashite_gen_stamp_clear(st);
  st.generation = 1;
}

void gen_stamp_begin_depth(KGenStamp& st) {
  st.generation = next_serial(st) + kDepthGenerationOffset;
  st.record_count = 0;
}

void gen_stamp_begin_checks(KGenStamp& st) {
  st.generation = kCheckGenerationBase - next_serial(st);
  st.record_count = 0;
}

int gen_stamp_key(int piece, int sq, int promote) {
  const int cell = (board::square_rank(sq) - 1) * 9 + board::square_file(sq) - 1;
  return (piece * 81 + cell) * 2 + (promote ? 1 : 0);
}

void gen_stamp_record(KGenStamp& st, int piece, int sq, int promote, int tag) {
  KGenStampEntry& e = entry_of(st, piece, sq, promote);
  const uint32_t g = st.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    e.word[tag] = g;
    append(st, piece, sq, promote);
  } else if (e.word[kStampAgain] != g) {
    e.word[kStampAgain] = g;
    e.word[kStampWeakOnly] = 0;
  }
}

void gen_stamp_weak(KGenStamp& st, int piece, int sq, int promote, int tag) {
  KGenStampEntry& e = entry_of(st, piece, sq, promote);
  const uint32_t g = st.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    e.word[tag] = g;
    e.word[kStampWeakOnly] = g;
    append(st, piece, sq, promote);
    return;
  }
  if (tag == kTagTarget && e.word[kTagTarget] == g) e.word[kStampAgain] = g;
  e.word[kStampWeakOnly] = 0;
}

void gen_stamp_strong(KGenStamp& st, int piece, int sq, int promote) {
  KGenStampEntry& e = entry_of(st, piece, sq, promote);
  const uint32_t g = st.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    e.word[kStampAgain] = g;
    append(st, piece, sq, promote);
  } else if (e.word[kStampAgain] != g) {
    e.word[kStampAgain] = g;
    e.word[kStampWeakOnly] = 0;
  }
}

void gen_stamp_admitted(KGenStamp& st, int piece, int sq, int promote) {
  KGenStampEntry& e = entry_of(st, piece, sq, promote);
  const uint32_t g = st.generation;
  if (e.word[kStampProposed] != g) {
    e.word[kStampProposed] = g;
    append(st, piece, sq, promote);
  }
  e.word[kStampAgain] = g;
}

}  // namespace search
