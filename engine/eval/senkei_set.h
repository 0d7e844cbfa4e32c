// Strategy (senkei) codes and code sets. A code 0..31 names a strategy (0 is
// "undecided"); a set is a 32-bit word holding code k (1..32) at bit k - 1.
#pragma once

#include <cstdint>

namespace eval {

constexpr int kSenkeiCodes = 32;           // codes with a name; every per-code table has as many entries
constexpr int kLastChosenCode = 22;        // the highest code a choice keeps
constexpr uint32_t kAllSenkei = 0x3fffff;  // codes 1..22, the full set of a game

// The strategy's name (Shift-JIS); "----" for a code outside 0..31 as for 23..30.
const char* senkei_name(int code);

// A code as an index into the per-code tables: codes above 31 (and below 0)
// read like the unused codes 23..30.
constexpr int senkei_table_index(int code) { return code >= 0 && code < kSenkeiCodes ? code : kLastChosenCode + 1; }

constexpr uint32_t senkei_bit(int code) { return code >= 1 && code <= 32 ? 1u << (code - 1) : 0; }

constexpr bool senkei_has(uint32_t set, int code) { return (set & senkei_bit(code)) != 0; }
constexpr void senkei_add(uint32_t& set, int code) { set |= senkei_bit(code); }
constexpr uint32_t senkei_add_value(uint32_t set, int code) { return set | senkei_bit(code); }
constexpr uint32_t senkei_remove(uint32_t set, int code) { return set & ~senkei_bit(code); }

// The families of codes.
constexpr uint32_t kStaticCastleCodes =
    senkei_bit(1) | senkei_bit(2) | senkei_bit(10) | senkei_bit(18) | senkei_bit(21);
constexpr uint32_t kRangingCodes = senkei_bit(3) | senkei_bit(4) | senkei_bit(9) | senkei_bit(11);
constexpr uint32_t kMutualRangingCodes = senkei_bit(6);
constexpr uint32_t kAntiRangingCodes = senkei_bit(5) | senkei_bit(7) | senkei_bit(8) | senkei_bit(22);
constexpr uint32_t kHandicapUpperCodes = senkei_bit(12) | senkei_bit(14) | senkei_bit(16);
constexpr uint32_t kHandicapLowerCodes = senkei_bit(13) | senkei_bit(15);

constexpr bool senkei_has_static_castle(uint32_t set) { return (set & kStaticCastleCodes) != 0; }
constexpr bool senkei_has_ranging(uint32_t set) { return (set & kRangingCodes) != 0; }
constexpr bool senkei_has_mutual_ranging(uint32_t set) { return (set & kMutualRangingCodes) != 0; }
constexpr bool senkei_has_anti_ranging(uint32_t set) { return (set & kAntiRangingCodes) != 0; }
constexpr bool senkei_has_handicap_upper(uint32_t set) { return (set & kHandicapUpperCodes) != 0; }
constexpr bool senkei_has_handicap_lower(uint32_t set) { return (set & kHandicapLowerCodes) != 0; }

// True when the set is not empty and its codes do not mix the families: static
// castles with ranging or mutual ranging, or anti-ranging with any of the three.
constexpr bool senkei_set_is_single_family(uint32_t set) {
  if (set == 0) return false;
  const bool s = senkei_has_static_castle(set);
  const bool r = senkei_has_ranging(set);
  const bool m = senkei_has_mutual_ranging(set);
  if (s && (r || m)) return false;
  return !(senkei_has_anti_ranging(set) && (s || r || m));
}

}  // namespace eval
