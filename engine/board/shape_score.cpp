#include "engine/board/shape_score.h"

#include <cstdlib>

#include "engine/board/move_tables.h"
#include "engine/board/stage_rules.h"

namespace board {

namespace {

// Castle families a strategy code builds, as flags.
enum ShapeFlag : uint8_t {
  kYagura = 1,       // silver and gold climb to 77 and 78, the bishop leaves its home diagonal
  kAnaguma = 2,      // the king burrows into the corner behind its silver
  kMino = 4,         // the ranging-rook castle on the right: king to 28, silver to 38
  kStaticRook = 8,   // the king stays on the left half
  kBishopBack = 16,  // the silver or bishop steps back from 77 to 88
};

// Flags by strategy code (the strategy-name table's order): 1 居矢倉,
// 2 角換わり, 3 四間美濃, 4 攻向飛車, 5 舟囲い急戦, 6 相振金無双, 7 ひだり美濃,
// 8 いびあな, 9 振飛車穴熊, 10 中住まい, 17 力戦中飛車, 20 玉頭位取り,
// 31 真矢倉; the handicap and remaining codes build nothing in particular.
constexpr uint8_t kShapeFlags[32] = {
    0,                                     // 0 undecided
    kYagura | kStaticRook,                 // 1
    kBishopBack | kStaticRook,             // 2
    kMino,                                 // 3
    kMino,                                 // 4
    kStaticRook,                           // 5
    0,                                     // 6
    kMino,                                 // 7
    kAnaguma | kBishopBack | kStaticRook,  // 8
    kAnaguma | kMino,                      // 9
    kStaticRook,                           // 10
    kMino,                                 // 11
    0,
    0,
    0,
    0,
    0,      // 12-16
    kMino,  // 17
    0,
    0,                      // 18, 19
    kYagura | kStaticRook,  // 20
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,                      // 21-30
    kYagura | kStaticRook,  // 31
};

// A castle pattern: a piece class moving from one square to another (squares
// as file * 10 + rank from the mover's side; 0 any), for strategies with the
// flag. `unattacked` asks that the opponent does not attack the destination.
struct Pattern {
  uint8_t flag;
  uint8_t cls;
  uint8_t from, to;
  int8_t score;
  bool unattacked;
};

constexpr Pattern kPatterns[] = {
    {kBishopBack, kSilver, 77, 88, 8, true}, {kBishopBack, kBishop, 77, 88, 8, true},
    {kAnaguma, kKing, 0, 99, 15, false},     {kAnaguma, kLance, 99, 98, 6, false},
    {kAnaguma, kSilver, 79, 88, 5, false},   {kMino, kKing, 0, 28, 12, false},
    {kMino, kSilver, 39, 38, 6, false},      {kMino, kGold, 69, 58, 4, false},
    {kYagura, kSilver, 68, 77, 5, false},    {kYagura, kGold, 69, 78, 4, false},
    {kYagura, kKing, 0, 69, 1, false},
};

int mine(int side, int sq) { return side_file(side, sq) * 10 + side_rank(side, sq); }

bool gold_or_silver(int cls) { return cls == kGold || cls == kSilver; }

// The king on its back two ranks with a gold and a silver among its neighbours.
bool castled(const KPosition& p, int side) {
  const int king = p.piece[side].sq;
  if (!is_playing_square(king) || side_rank(side, king) < 8) return false;
  bool gold = false, silver = false;
  for (int d : kNeighbourStepsAscending) {
    const int n = piece_of(p, side, king + d);
    if (n < 0) continue;
    gold |= code_class(p.piece[n].code) == kGold;
    silver |= code_class(p.piece[n].code) == kSilver;
  }
  return gold && silver;
}

bool next_to(int a, int b) {
  return a != b && std::abs(square_file(a) - square_file(b)) <= 1 && std::abs(square_rank(a) - square_rank(b)) <= 1;
}

int strategy_patterns(const KPosition& p, const KMove& m, int senkei) {
  const int side = p.teban;
  const uint8_t flags = senkei >= 0 && senkei < 32 ? kShapeFlags[senkei] : 0;
  const int cls = code_class(m.code);
  const int from = mine(side, m.from), to = mine(side, m.to);
  for (const Pattern& pt : kPatterns) {
    if (!(flags & pt.flag) || pt.cls != cls || pt.to != to || (pt.from != 0 && pt.from != from)) continue;
    if (pt.unattacked && attacks(p, 1 - side, m.to) > 0) continue;
    return pt.score;
  }
  // The bishop leaving its home diagonal: good when it lands where the
  // opponent does not attack it, hardly so otherwise.
  if ((flags & kYagura) && cls == kBishop && kaku_square_test(side, square_file(m.from), square_rank(m.from))) {
    return attacks(p, 1 - side, m.to) == 0 ? 10 : 1;
  }
  // Spoilers: a pawn exchange on 86 opens a yagura's head; a ranging-rook
  // king drifting to the rook's side; a static-rook king to the right.
  if ((flags & kYagura) && cls == kPawn && to == 86 && m.captured_code != 0) return -10;
  if ((flags & kMino) && cls == kKing && from / 10 <= 6 && to / 10 >= 7) return -9;
  if ((flags & kStaticRook) && cls == kKing && from / 10 >= 4 && to / 10 <= 3) return -3;
  return 0;
}

}  // namespace

int kaku_square_test(int side, int file, int rank) {
  const int t = side == 0 ? 1 : -1;
  return (file == 5 + 2 * t && rank == 5 + 4 * t) || (file == 6 - 2 * side && rank == 5 + 3 * t) ||
                 (file == 5 && rank == 5 + 2 * t)
             ? 1
             : 0;
}

int sashite_shape_score(const KPosition& p, const KMove& m, int stage, int senkei) {
  if (stage == 2) return 0;
  if (m.from == kInHand || m.from == kPassSquare || !is_playing_square(m.from) || !is_playing_square(m.to)) return 0;
  const int side = p.teban;
  const int cls = code_class(m.code);
  const int ff = side_file(side, m.from), fr = side_rank(side, m.from);
  const int tf = side_file(side, m.to), tr = side_rank(side, m.to);
  if (cls == kKing && (ff == 2 || ff == 3 || ff == 7 || ff == 8) && std::abs(tf - 5) < std::abs(ff - 5)) return 9;
  if (cls == kGold && ((fr == 7 && tr == 8) || (fr == 8 && tr == 9))) return 2;
  if (cls == kRook && tr == 7 && fr != 7) return 2;
  if (gold_or_silver(cls) && castled(p, side)) {
    const int king = p.piece[side].sq;
    if (next_to(m.from, king) && !next_to(m.to, king)) return -2;
  }
  if (gold_or_silver(cls) && fr == 7 && tr == 6 && ((ff == 2 && tf == 1) || (ff == 8 && tf == 9))) return -1;
  if ((cls == kRook || cls == kBishop || cls == kPawn) && !m.promote &&
      (in_camp(side, m.from) || in_camp(side, m.to))) {
    return 200;
  }
  return strategy_patterns(p, m, senkei);
}

}  // namespace board
