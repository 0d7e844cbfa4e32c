#include "model/position/koma.h"

#include <cstring>

namespace model {

namespace {

struct NameCode {
  const char* name;
  int type;
};

// Two-letter CSA names, matched after folding to lower case.
constexpr NameCode kCsaNames[] = {
    {"fu", kFu},      {"ky", kKyo},     {"ke", kKei},     {"gi", kGin},  {"ki", kKin},
    {"ka", kKaku},    {"hi", kHi},      {"ou", kOu},      {"to", kTo},   {"ny", kNariKyo},
    {"nk", kNariKei}, {"ng", kNariGin}, {"um", kUma},     {"ry", kRyu},
};

// One-character (two-byte) kanji names.
constexpr NameCode kKanjiNames[] = {
    {"歩", kFu},  {"香", kKyo},     {"桂", kKei},     {"銀", kGin},     {"金", kKin},
    {"角", kKaku}, {"飛", kHi},      {"王", kOu},      {"玉", kOu},      {"と", kTo},
    {"杏", kNariKyo}, {"圭", kNariKei}, {"全", kNariGin}, {"馬", kUma}, {"竜", kRyu},
    {"龍", kRyu},
};

// Two-character names of the promoted minor pieces.
constexpr NameCode kLongNames[] = {{"成香", kNariKyo}, {"成桂", kNariKei}, {"成銀", kNariGin}};

// Side marks: the code they leave (no piece, that side).
constexpr NameCode kMarks[] = {{"▲", 0}, {"　", 0}, {"・", 0}, {"△", kGoteBit}, {"▽", kGoteBit}};

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int Koma::ParseName(const char* text) {
  if (!text || !*text) return 0;
  const unsigned char first = static_cast<unsigned char>(text[0]);
  const int side_bit = code & kGoteBit;
  if (first >= 32 && first <= 126) {
    const char a = fold(text[0]);
    const char b = fold(text[1]);
    for (const NameCode& n : kCsaNames) {
      if (n.name[0] == a && n.name[1] == b) {
        code = static_cast<uint8_t>(side_bit | n.type);
        return 2;
      }
    }
    return 0;
  }
  for (const NameCode& n : kKanjiNames) {
    if (std::strncmp(text, n.name, 2) == 0) {
      code = static_cast<uint8_t>(side_bit | n.type);
      return 2;
    }
  }
  for (const NameCode& n : kLongNames) {
    if (std::strncmp(text, n.name, 4) == 0) {
      code = static_cast<uint8_t>(side_bit | n.type);
      return 4;
    }
  }
  for (const NameCode& n : kMarks) {
    if (std::strncmp(text, n.name, 2) == 0) {
      code = static_cast<uint8_t>(n.type);
      return 2;
    }
  }
  return 0;
}

}  // namespace model
