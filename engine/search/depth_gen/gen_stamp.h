// KGenStamp: the depth-selected generator's candidate table. The drop rules do
// not write moves; they propose drops here, and the table notes for each
// (piece number, destination, promote) key whether it was proposed, proposed
// again, under which tags, and whether its only proposal was a weak one. When
// every rule has run, the generator reads the records back in the order of
// first proposal and admits each candidate at most once.
//
// A word counts as set when it equals the current generation, so nothing is
// cleared between calls: every call takes a fresh generation from the table's
// call counter (serial). The depth generator's generations are the serial
// plus one, the check generator's 2,100,000,000 less the serial; the serial
// never reaches 1,000,000,000 (the table is cleared and the serial restarts
// first), so the two ranges never meet and no generation is 0.
//
// State: the caller owns the table and hands it to each call; the think keeps
// one in its context, made with it and kept from think to think (a later
// think's generations are new ones). A table of all zeros is ready for use.
#pragma once

#include <cstdint>

namespace search {

constexpr int kGenStampEntries = 40 * 81 * 2;  // piece number x square x promote

// Words of an entry.
enum GenStampWord : int {
  kStampProposed = 0,
  kStampAgain = 1,
  kStampTagFirst = 4,  // tags 4-7 mark words 4-7
  kStampWeakOnly = 8,
};

// Proposal tags: a drop attacking a target (the enemy king or an enemy piece),
// a square next to the enemy king, a square of the enemy camp, and the pawn
// drops in front of a target in the camp. The check generator's tag 1 proposes
// a drop as admitted at once.
enum GenStampTag : int {
  kTagAdmitted = 1,
  kTagTarget = 4,
  kTagKingSide = 5,
  kTagCamp = 6,
  kTagPawnBelow = 7,
};

struct KGenStampEntry {
  uint32_t word[9];
};

struct KGenRecord {
  uint8_t piece;
  uint8_t square;
  uint8_t promote;
  uint8_t spare;
};

struct KGenStamp {
  uint32_t generation;
  uint32_t serial;  // generator calls since the table was last emptied
  KGenStampEntry entry[kGenStampEntries];
  int32_t record_count;
  KGenRecord record[kGenStampEntries];
};

static_assert(sizeof(KGenStamp::entry) == 233280, "6480 entries of nine words");

// No records, every entry zero, generation 1.
void sashite_gen_stamp_init(KGenStamp& st);
// No records, every entry zero.
void sashite_gen_stamp_clear(KGenStamp& st);

// A new call of the depth generator (or of the check generator): takes the
// next serial, sets the generation and empties the record list.
void gen_stamp_begin_depth(KGenStamp& st);
void gen_stamp_begin_checks(KGenStamp& st);

// The entry of a key.
int gen_stamp_key(int piece, int sq, int promote);
inline bool gen_stamp_is_set(const KGenStamp& st, const KGenStampEntry& e, int word) {
  return e.word[word] == st.generation;
}

// The plain proposal: a new key is marked proposed with its tag and recorded;
// a known one is marked proposed again (and no longer weak-only).
void gen_stamp_record(KGenStamp& st, int piece, int sq, int promote, int tag);
// The weak proposal: a new key is also marked weak-only; a known one loses the
// weak-only mark and counts as proposed again only when both proposals are
// target proposals (tag 4).
void gen_stamp_weak(KGenStamp& st, int piece, int sq, int promote, int tag);
// The strong proposal counts as two at once.
void gen_stamp_strong(KGenStamp& st, int piece, int sq, int promote);
// The check generator's admitted proposal: proposed and proposed again.
void gen_stamp_admitted(KGenStamp& st, int piece, int sq, int promote);

}  // namespace search
