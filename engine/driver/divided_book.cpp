#include "engine/driver/divided_book.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>

#include "engine/driver/bin_file.h"
#include "platform/file_info.h"

namespace driver {

namespace {

constexpr char kPartMagic[8] = {'J', 'o', 'S', 'e', 'K', 'i', '5', 0};
constexpr uint64_t kCountBytes = 12;
constexpr uint64_t kBucketBytes = 6;
constexpr uint64_t kEntryBytes = 13;
constexpr uint64_t kMoveBytes = 8;
// zlib's deflate never packs better than about 1032:1, so a larger U is a lie;
// checked before the inflate buffer is allocated.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 1024;

// Little-endian reads over the inflated data; the sizes are checked before.
struct Cursor {
  const uint8_t* p;
  uint32_t U8() { return *p++; }
  uint32_t U16() {
    const uint32_t v = p[0] | p[1] << 8;
    p += 2;
    return v;
  }
  uint32_t U32() {
    const uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    p += 4;
    return v;
  }
};

std::unique_ptr<DividedBookPart> parse(const std::vector<uint8_t>& data) {
  Cursor c{data.data()};
  const uint64_t nbuckets = c.U32(), nentries = c.U32(), nmoves = c.U32();
  if (nbuckets < 1 ||
      data.size() != kCountBytes + kBucketBytes * nbuckets + kEntryBytes * nentries + kMoveBytes * nmoves) {
    return nullptr;
  }
  auto part = std::make_unique<DividedBookPart>();
  part->buckets.resize(nbuckets);
  for (DividedBookPart::Bucket& b : part->buckets) {
    b.first = c.U32();
    b.count = c.U16();
    if (b.first + uint64_t{b.count} > nentries) return nullptr;
  }
  part->entries.resize(nentries);
  for (DividedBookPart::Entry& e : part->entries) {
    e.key.lo = c.U32();
    e.key.hi = c.U32();
    e.first = c.U32();
    e.count = c.U8();
    if (e.first + uint64_t{e.count} > nmoves) return nullptr;
  }
  part->moves.resize(nmoves);
  for (BookMove& m : part->moves) {
    m.code = c.U32();
    m.senkei = c.U32();
    if (!book_move_is_sound(m)) return nullptr;
  }
  return part;
}

}  // namespace

std::unique_ptr<DividedBookPart> DividedBookPart::Read(BinFile& f, BookFileError* why) {
  BookFileError ignored;
  BookFileError& e = why ? *why : ignored;
  e = BookFileError::kDamaged;
  uint32_t packed, unpacked;
  if (!f.ReadU32(&packed) || !f.ReadU32(&unpacked)) return nullptr;
  if (packed > kMaxBookFileBytes || unpacked > kMaxBookFileBytes) {
    e = BookFileError::kTooLarge;
    return nullptr;
  }
  if (packed > f.Remaining() || unpacked < kCountBytes || unpacked > kMaxInflateRatio * packed + kInflateSlack) {
    return nullptr;
  }
  std::vector<uint8_t> source(packed);
  if (f.ReadBlock(packed, source.data()) != static_cast<int64_t>(packed)) return nullptr;
  std::vector<uint8_t> data(unpacked);
  uLongf length = unpacked;
  if (uncompress(data.data(), &length, source.data(), packed) != Z_OK || length != unpacked) return nullptr;
  std::unique_ptr<DividedBookPart> part = parse(data);
  if (part) e = BookFileError::kNone;
  return part;
}

int DividedBookPart::Lookup(const BookKey& key, BookMove* buf) const {
  const Bucket& b = buckets[(key.lo ^ key.hi) % buckets.size()];
  // Entries run by descending hi; among equal hi words only the equal lo is
  // the position's entry.
  for (uint32_t i = b.first; i < b.first + b.count; ++i) {
    const Entry& e = entries[i];
    if (e.key.hi > key.hi) continue;
    if (e.key.hi < key.hi) break;
    if (e.key.lo != key.lo) continue;
    if (buf) std::memcpy(buf, moves.data() + e.first, e.count * sizeof(BookMove));
    return static_cast<int>(e.count);
  }
  return 0;
}

int divided_book_part_number(const model::BookPosition& pos) {
  int kings = 0, rooks = 0, bishops = 0, golds = 0, silvers = 0, pawns = 0;
  for (int s = 0; s < 40; ++s) {
    const uint8_t b = pos.slot[s];
    if (b == kBookEmptySlot || (b & kBookOtherSide) || book_slot_promoted(pos, s)) continue;
    const int x = b % 10, y = b / 10;
    if (x >= kBookHandColumn || y >= 9) continue;
    const int file = x + 1, rank = y + 1;
    switch (book_slot_kind(s)) {
      case kBookKing: kings += rank == 9 || (rank == 8 && file >= 8); break;
      case kBookRook: rooks += file == 2; break;
      case kBookBishop: bishops += rank >= 7 && file >= 6; break;
      case kBookGold: golds += rank == 9 || (rank == 8 && file <= 5); break;
      case kBookSilver: silvers += rank >= 8 || (rank == 7 && file <= 5); break;
      case kBookPawn: pawns += rank >= 5 && rank <= 7; break;
      default: break;  // knights and lances do not count
    }
  }
  return (kings != 1) << 5 | (rooks != 1) << 4 | (bishops != 1) << 3 | (golds != 2) << 2 | (silvers != 2) << 1 |
         (pawns != 9);
}

int DividedBook::SetName(const char* name) {
  if (!name || std::strlen(name) < 6) return -1;
  Clear();
  name_ = name;
  return 0;
}

void DividedBook::Clear() {
  name_.clear();
  for (auto& part : parts_) part.reset();
  for (BookFileError& e : part_error_) e = BookFileError::kNone;
  for (int& e : part_os_error_) e = 0;
  nrecent_ = 0;
}

std::string DividedBook::PartPath(int n) const {
  if (name_.empty()) return {};
  std::string path = name_;
  path[path.size() - 6] = static_cast<char>('0' + n / 10);
  path[path.size() - 5] = static_cast<char>('0' + n % 10);
  return path;
}

bool DividedBook::AnyPartFile(int* os_error) const {
  if (os_error) *os_error = 0;
  for (int n = 0; n < kDividedBookParts && !name_.empty(); ++n) {
    const std::string path = PartPath(n);
    if (platform::path_exists(path.c_str())) return true;
    if (os_error && errno != ENOENT) *os_error = errno;
  }
  return false;
}

bool DividedBook::LoadPart(int n) {
  BookFileError& e = part_error_[n];
  e = BookFileError::kMissing;
  part_os_error_[n] = 0;
  if (name_.empty()) return false;
  std::unique_ptr<BinFile> f =
      BinFile::Open(PartPath(n).c_str(), BinFile::kDirect, kMaxBookFileBytes, &e, &part_os_error_[n]);
  if (!f) return false;
  char magic[sizeof kPartMagic];
  if (f->ReadBlock(sizeof magic, magic) != sizeof magic || std::memcmp(magic, kPartMagic, sizeof magic) != 0) {
    e = BookFileError::kNotABook;
    return false;
  }
  parts_[n] = DividedBookPart::Read(*f, &e);
  return parts_[n] != nullptr;
}

void DividedBook::Touch(int n) {
  int i = 0;
  while (i < nrecent_ && recent_[i] != n) ++i;
  if (i == nrecent_) {
    if (nrecent_ == kDividedBookRecent) {
      parts_[recent_[--nrecent_]].reset();
    }
    i = nrecent_++;
  }
  for (; i > 0; --i) recent_[i] = recent_[i - 1];
  recent_[0] = n;
}

int DividedBook::Lookup(const model::BookPosition& pos, BookMove* buf) {
  const int n = divided_book_part_number(pos);
  if (!parts_[n] && !LoadPart(n)) return 0;
  Touch(n);
  BookKey key;
  book_key(pos, &key);
  return parts_[n]->Lookup(key, buf);
}

}  // namespace driver
