// The user-book files: JS5 (read and written) and the older JSD (read).
//
// JS5: "JS5\0", u32 npositions, then per position the 45-byte BookPosition,
// u8 n and n 8-byte BookMove records, up to the end of the file.
// JSD: "JSD\0", u32 0x00030B64, "ver.", "400\0", then records until the end of
// the file: the 45-byte BookPosition, u8 n and n 10-byte moves (u16 code, u32
// eight 4-bit ratings, u32 strategy bits). A JSD move code holds to * 90 + from
// in bits 0-12, with to = y * 9 + x and from = y * 10 + x (x = 9: a drop of
// hand kind y + 1), and promote in bit 13.

#include "engine/driver/bin_file.h"
#include "engine/driver/ob_editable_hash.h"

namespace driver {

namespace {

constexpr uint32_t kJs5Magic = 'J' | 'S' << 8 | '5' << 16;
constexpr uint32_t kJsdMagic = 'J' | 'S' << 8 | 'D' << 16;
constexpr uint32_t kJsdHeader[3] = {0x00030B64, '.' << 24 | 'r' << 16 | 'e' << 8 | 'v', '0' << 16 | '0' << 8 | '4'};
constexpr int kJsdLevels = 8;
constexpr int kJs5MoveBytes = 8;
constexpr int kJs5HeaderBytes = 8;
constexpr int kJsdMoveBytes = 10;
constexpr int kPositionBytes = sizeof(model::BookPosition);

bool read_position(BinFile& f, model::BookPosition* pos) {
  return f.ReadBlock(kPositionBytes, pos) == kPositionBytes && book_position_is_sound(*pos);
}

// The BookMove of a JSD move: from and to re-coded to squares 11 to a rank
// (x + 11 y; for a drop the hand column 9 in the kind's row), promote to bit 15.
BookMove jsd_move(uint16_t code, uint32_t levels, uint32_t flags, int level) {
  const uint32_t squares = code & 0x1FFF;
  const uint32_t from = squares % 90, to = squares / 90;
  const uint32_t from11 = from / 10 * 11 + from % 10;
  const uint32_t to11 = to / 9 * 11 + to % 9;
  const uint32_t value = (levels >> (4 * level)) & 15;
  return BookMove{from11 | to11 << 8 | ((code >> 13) & 1u) << 15 | value << 16, flags};
}

}  // namespace

bool OBEditableHash::ParseJs5(BinFile& f, OBEditableHash& staged, int mode, BookFileError* why) {
  uint32_t npositions;
  if (!f.ReadU32(&npositions)) return false;
  if (npositions == 0) {
    *why = BookFileError::kNoPositions;
    return false;
  }
  // Every record takes at least a position and its count byte.
  if (npositions > f.Remaining() / (kPositionBytes + 1)) return false;
  for (uint32_t i = 0; i < npositions; ++i) {
    model::BookPosition pos;
    uint8_t n;
    if (!read_position(f, &pos) || !f.ReadU8(&n)) return false;
    for (int j = 0; j < n; ++j) {
      BookMove m;
      if (!f.ReadU32(&m.code) || !f.ReadU32(&m.senkei)) return false;
      if (staged.Insert(pos, m, mode) < 0) return false;
    }
  }
  // Bytes after the last counted record are records that the count leaves
  // out: a save would drop them, so the file is taken as damaged.
  return f.Remaining() == 0;
}

bool OBEditableHash::ParseJsd(BinFile& f, OBEditableHash& staged, int mode, int ver4_lv) {
  if (ver4_lv < 0 || ver4_lv >= kJsdLevels) return false;
  for (uint32_t expected : kJsdHeader) {
    uint32_t w;
    if (!f.ReadU32(&w) || w != expected) return false;
  }
  // The file ends where fewer bytes than a position follow a whole record.
  while (f.Remaining() >= kPositionBytes) {
    model::BookPosition pos;
    uint8_t n;
    if (!read_position(f, &pos) || !f.ReadU8(&n)) return false;
    if (f.Remaining() < static_cast<uint64_t>(n) * kJsdMoveBytes) return false;
    for (int j = 0; j < n; ++j) {
      uint16_t code;
      uint32_t levels, flags;
      if (!f.ReadU16(&code) || !f.ReadU32(&levels) || !f.ReadU32(&flags)) return false;
      if (staged.Insert(pos, jsd_move(code, levels, flags, ver4_lv), mode) < 0) return false;
    }
  }
  return true;
}

int OBEditableHash::Load(const char* name, int mode, int ver4_lv, BookFileError* reason, int* os_error) {
  BookFileError ignored;
  BookFileError* why = reason ? reason : &ignored;
  std::unique_ptr<BinFile> f = BinFile::Open(name, 0, kMaxBookFileBytes, why, os_error);
  if (!f) return -1;
  uint32_t magic;
  if (!f->ReadU32(&magic) || (magic != kJs5Magic && magic != kJsdMagic)) {
    *why = BookFileError::kNotABook;
    return -1;
  }
  // The file goes into a book of its own first, so that a damaged file changes
  // nothing here.
  OBEditableHash staged(kDefaultBuckets, key_fn_);
  *why = BookFileError::kDamaged;
  if (magic == kJs5Magic ? !ParseJs5(*f, staged, mode, why) : !ParseJsd(*f, staged, mode, ver4_lv)) return -1;
  if (!MergeFits(staged)) {
    *why = BookFileError::kTooManyMoves;
    return -1;
  }
  for (const OBEditableEntry& e : staged.entries_) {
    for (const BookMove& m : e.moves) Insert(e.pos, m, mode);
  }
  *why = BookFileError::kNone;
  return 0;
}

int OBEditableHash::Save(const char* name) const {
  std::unique_ptr<BinFile> f = BinFile::Open(name, BinFile::kWrite);
  if (!f) return -1;
  bool ok = f->WriteU32(kJs5Magic) == 0 && f->WriteU32(npositions()) == 0;
  ForEachInFileOrder([&](const model::BookPosition& pos, const BookMove* moves, int n) {
    if (!ok) return;
    ok = f->WriteBlock(kPositionBytes, &pos) == 0 && f->WriteU8(static_cast<uint8_t>(n)) == 0;
    for (int i = 0; ok && i < n; ++i) ok = f->WriteU32(moves[i].code) == 0 && f->WriteU32(moves[i].senkei) == 0;
  });
  // A writer dropped unclosed leaves the file as it was.
  return ok && f->Close() == 0 ? 0 : -1;
}

uint64_t OBEditableHash::FileBytes() const {
  return kJs5HeaderBytes + uint64_t{npositions()} * (kPositionBytes + 1) + uint64_t{nmoves()} * kJs5MoveBytes;
}

}  // namespace driver
