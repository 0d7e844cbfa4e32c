#include "model/formats/ki2_closing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "model/formats/kif_header.h"
#include "model/position/game_result.h"
#include "model/text/byte_text.h"
#include "model/text/numerals.h"

namespace model {

namespace {

// The sides as the writer names them, and the handicap names read alike.
constexpr const char* kSides[2] = {"先手", "後手"};
constexpr const char* kHandicapSides[2] = {"下手", "上手"};
constexpr const char* kOf = "の";

// The words of the results. 詰み, 投了 and 負け name the side that lost,
// 勝ち words the side that won; 時間切れにより and 連続王手の千日手により tell why
// the side named after them won.
constexpr const char* kMate = "詰み";
constexpr const char* kMateFor = "詰みで";
constexpr const char* kResigned = "投了";
constexpr const char* kOnTime = "時間切れにより";
constexpr const char* kTimeRanOut = "時間切れ";
constexpr const char* kLostOnTime = "切れ負け";
constexpr const char* kLost = "負け";
constexpr const char* kWon = "勝ち";
constexpr const char* kFoul = "反則";
constexpr const char* kLostByFoul = "反則負け";
constexpr const char* kWonByFoul = "反則勝ち";
// A win of the side that has just moved, which "勝ち" alone would tell as a
// resignation of the side to move.
constexpr const char* kDeclaredWin = "宣言勝ち";
constexpr const char* kImpasse = "持将棋";
constexpr const char* kRepetition = "千日手";
constexpr const char* kPerpetualCheck = "連続王手の千日手により";
constexpr const char* kSuspended = "中断";
constexpr const char* kDraw = "引き分け";

// Where `word` first starts at a character of `t` (a byte search could meet
// it across two characters); -1 for nowhere.
int find_word(const ByteText& t, const char* word) {
  for (int i = 0; i < t.len; i += is_lead_byte(t.At(i)) ? 2 : 1) {
    if (t.Has(i, word)) return i;
  }
  return -1;
}

bool has_word(const ByteText& t, const char* word) { return find_word(t, word) >= 0; }

// The side named right in front of `at` (先手の投了, 後手不戦敗), or -1.
int side_before(const ByteText& t, int at) {
  const int of = static_cast<int>(std::strlen(kOf));
  if (at >= of && t.Has(at - of, kOf)) at -= of;
  for (int side = 0; side < 2; ++side) {
    for (const char* name : {kSides[side], kHandicapSides[side]}) {
      const int n = static_cast<int>(std::strlen(name));
      if (at >= n && t.Has(at - n, name)) return side;
    }
  }
  return -1;
}

// Appends "<side>の<word>".
void side_word(KString& out, int side, const char* word) {
  out.Append(kSides[side]);
  out.Append(kOf);
  out.Append(word);
}

}  // namespace

bool ki2_closing_text(const Sashite& m, int to_move, KString& out) {
  const int own = special_side(m, to_move);
  const int winner = special_winner(m, to_move);
  switch (m.special) {
    case kTsumi:
      // A mate of the side to move names no side; one of the side that has
      // just moved names the winner.
      if (own == to_move) {
        out.Append(kMate);
      } else {
        out.Append(kMateFor);
        side_word(out, winner, kWon);
      }
      return true;
    case kToryo:
      // The usual closing names the winner; a resignation of the side that
      // has just moved, which that would tell as a win of the side to move,
      // names the side that resigned.
      own == to_move ? side_word(out, winner, kWon) : side_word(out, own, kResigned);
      return true;
    case kKireMake:
      out.Append(kOnTime);
      side_word(out, winner, kWon);
      return true;
    case kMake: side_word(out, own, kLost); return true;
    case kHansokuMake: side_word(out, own, kLostByFoul); return true;
    case kHansokuKachi: side_word(out, own, kWonByFoul); return true;
    case kKachi: side_word(out, own, own == to_move ? kWon : kDeclaredWin); return true;
    case kJishogi: out.Append(kImpasse); return true;
    case kSennichite: out.Append(kRepetition); return true;
    case kSennichiteGoteOute:
    case kSennichiteSenteOute:
      out.Append(kPerpetualCheck);
      side_word(out, winner, kWon);
      return true;
    case kChudan: out.Append(kSuspended); return true;
    case kTaikyokuKaishi:
    case kMatta:
    case kSaikai: return false;
    default: out.Append(kDraw); return true;
  }
}

// The side the line names (先手 or 下手, else 後手 or 上手) wins, or loses when
// the line says 負け. A foul (反則負け, 反則勝ち), a loss on time (切れ負け,
// 時間切れ) and a mate (詰み) keep their codes, the special move holding the
// loser's king (the winner's for 反則勝ち); a repetition with a winner is the
// one lost by perpetual check. A word that names its side right in front of
// it (投了, 負け, other programs' words such as 不戦敗) tells that side's
// result; without any side named, these words, 詰み and the fouls concern the
// side to move, as KIF's end words do. Any other win is a resignation when the
// side to move lost, a win when it won. Without a winner, 中断 and the draws
// are kept as such.
bool ki2_read_closing(const KString& line, int to_move, int* code, int* side) {
  const ByteText t(line);
  int named = -1;
  if (has_word(t, kSides[0]) || has_word(t, kHandicapSides[0])) {
    named = 0;
  } else if (has_word(t, kSides[1]) || has_word(t, kHandicapSides[1])) {
    named = 1;
  }
  const bool lost = has_word(t, kLost);
  const int winner = named < 0 ? -1 : lost ? 1 - named : named;
  const int loser = winner < 0 ? to_move : 1 - winner;
  auto result = [&](int c, int s) {
    *code = c;
    *side = s;
    return true;
  };
  if (has_word(t, kWonByFoul)) return result(kHansokuKachi, winner < 0 ? to_move : winner);
  if (has_word(t, kFoul)) return result(kHansokuMake, loser);
  if (has_word(t, kLostOnTime) || has_word(t, kTimeRanOut)) return result(kKireMake, loser);
  if (has_word(t, kMate)) return result(kTsumi, loser);
  if (has_word(t, kRepetition) && winner >= 0) {
    return result(winner == 0 ? kSennichiteGoteOute : kSennichiteSenteOute, to_move);
  }
  // A word with its side right in front of it tells that side's result; one
  // without, the side to move's when the line names no side. A side named
  // elsewhere only leaves it to the rules below.
  auto by_side = [&](const KifEndWord& w) {
    const int at = find_word(t, w.text);
    if (at < 0) return false;
    const int s = side_before(t, at);
    if (s < 0 && named >= 0) return false;
    *code = w.code;
    *side = s < 0 ? to_move : s;
    return true;
  };
  if (by_side({kResigned, kToryo})) return true;
  for (const KifEndWord& w : kOtherProgramsEndWords) {
    if (by_side(w)) return true;
  }
  if (by_side({kLost, kMake})) return true;
  if (winner >= 0) return result(winner == to_move ? kKachi : kToryo, to_move);
  if (has_word(t, kSuspended)) return result(kChudan, loser);
  if (has_word(t, kRepetition)) return result(kSennichite, loser);
  if (has_word(t, kDraw) || has_word(t, kImpasse)) return result(kJishogi, loser);
  return false;
}

namespace {

constexpr const char* kUntil = "まで";
constexpr const char* kMoves = "手";
constexpr const char* kBy = "で";

// The count of the closing line at `at` (-1 for none), with `at` moved behind
// まで and, when there is a count, behind it and its 手.
int read_count(const ByteText& t, int& at) {
  constexpr int kCountCap = 1 << 30;  // no record is that long
  if (!t.Has(at, kUntil)) return -1;
  at += static_cast<int>(std::strlen(kUntil));
  int end = at;
  int64_t count = 0;
  int digits = 0;
  for (;; ++digits) {
    int digit = 0;
    if (t.IsDigit(end)) {
      digit = t.At(end++) - '0';
    } else if (end < t.len) {
      const int bytes = zenkaku_digit_to_int(t.p + end, &digit);
      if (bytes == 0) break;
      end += bytes;
    } else {
      break;
    }
    count = std::min<int64_t>(count * 10 + digit, kCountCap);
  }
  if (digits == 0 || !t.Has(end, kMoves)) return -1;
  at = end + static_cast<int>(std::strlen(kMoves));
  return static_cast<int>(count);
}

}  // namespace

int ki2_closing_count(const KString& line, int at) {
  return read_count(ByteText(line), at);
}

Ki2Closing ki2_read_closing_line(const KString& line, int at, int moves, int to_move) {
  Ki2Closing closing;
  const ByteText t(line);
  const int count = read_count(t, at);
  if (count >= 0 && count != moves) {
    closing.kind = Ki2Closing::kMismatch;
    closing.count = count;
    return closing;
  }
  int code = 0, side = 0;
  if (ki2_read_closing(line, to_move, &code, &side)) {
    closing.kind = Ki2Closing::kResult;
  } else {
    if (t.Has(at, kBy)) at += static_cast<int>(std::strlen(kBy));
    if (at >= t.len) return closing;
    closing.kind = Ki2Closing::kUnknownWord;
    closing.word.AssignBytes(t.p + at, t.len - at);
    code = kChudan;
    side = to_move;
  }
  closing.end = Sashite(0, 0, 0, 0, kOu | (side ? kGoteBit : 0), 0, 0, code);
  return closing;
}

}  // namespace model
