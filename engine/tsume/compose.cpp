#include "engine/tsume/compose.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/ply_table.h"
#include "engine/board/position_setup.h"
#include "engine/board/random.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "platform/clock.h"

namespace tsume {

using namespace board;

namespace {

constexpr int kAttacker = 0;
constexpr int kDefender = 1;
constexpr int kDefenderKing = 1;
constexpr int kFirstComposedPiece = 2;
constexpr int kSquares = 81;
constexpr int kPercentSpan = 100;
// A drawn square that is taken is drawn again this many times at most.
constexpr int kPlaceTries = 101;
constexpr uint32_t kShortNodesPerSolveNode = 150;

// Pull of a square towards the defending king by file distance (row) and rank
// distance (column).
constexpr int kCloseness[9][9] = {
    {0, 30, 28, 22, 10, 4, 2, 1, 1}, {30, 30, 28, 20, 10, 4, 2, 1, 1}, {28, 28, 13, 16, 8, 4, 2, 1, 1},
    {22, 20, 16, 14, 6, 4, 2, 1, 1}, {10, 10, 8, 6, 6, 4, 2, 1, 1},    {4, 4, 4, 4, 4, 4, 2, 1, 1},
    {2, 2, 2, 2, 2, 2, 2, 1, 1},     {1, 1, 1, 1, 1, 1, 1, 1, 1},      {1, 1, 1, 1, 1, 1, 1, 1, 1},
};

// A piece the attacker gives up and the one it receives instead.
struct Exchange {
  int given;
  int received;
};
// In hand: rook for lance, bishop for silver, gold for silver, lance for pawn,
// silver for pawn (the lance's exchange is listed twice, as it always was).
constexpr Exchange kHandExchanges[] = {{kRook, kLance}, {kBishop, kSilver}, {kGold, kSilver},
                                       {kLance, kPawn}, {kSilver, kPawn},   {kLance, kPawn}};
// On the board, by the piece's kind with promotion.
constexpr Exchange kBoardDowngrades[] = {{kDragon, kRook},   {kHorse, kBishop}, {kGold, kSilver}, {kRook, kLance},
                                         {kBishop, kSilver}, {kSilver, kPawn},  {kLance, kPawn}};

int32_t node_limit(uint64_t nodes) {
  return static_cast<int32_t>(std::min<uint64_t>(nodes, std::numeric_limits<int32_t>::max()));
}

// One piece of a kind from one side's hand to the other's.
void hand_to_other(KPosition& p, int kind, int from_side) {
  --p.hand[from_side][kind];
  ++p.hand[1 - from_side][kind];
  KCompose::RecodeHand(p, kind);
}

// Piece n from the board to the defender's hand, unpromoted.
void to_defender_hand(KPosition& p, int n) {
  const int kind = code_kind(p.piece[n].code);
  p.board[p.piece[n].sq] = kEmptyNumber;
  p.piece[n] = {kInHand, static_cast<uint8_t>(kind | kGoteBit)};
  ++p.hand[kDefender][kind];
  KCompose::RecodeHand(p, kind);
}

// A piece of the kind out of the defender's hand onto `sq` for the attacker,
// unpromoted; the piece's number. The pieces of a kind in the hands are alike,
// and only the hand counts say whose they are: the code an in-hand piece
// carries is whatever its last move left (a drop taken back leaves the
// dropper's code on it, whoever holds it now). So the kind's last piece in
// hand goes, chosen by its number alone, and the codes are written again
// from the counts.
int defender_hand_to_board(KPosition& p, int kind, int sq) {
  const KindRange range = kKindRange[kind];
  int n = range.first + range.count - 1;
  while (p.piece[n].sq != kInHand) --n;  // the defender holds one: never below range.first
  p.piece[n] = {static_cast<uint8_t>(sq), static_cast<uint8_t>(kind | kSenteBit)};
  p.board[sq] = static_cast<uint8_t>(n);
  --p.hand[kDefender][kind];
  KCompose::RecodeHand(p, kind);
  return n;
}

void play(KPosition& p, const KMove* line, int from, int to) {
  for (int i = from; i < to; ++i) do_move(p, line[i], 0);
}
void take_back(KPosition& p, const KMove* line, int from, int to) {
  for (int i = to - 1; i >= from; --i) undo_move(p, line[i], 0);
}

}  // namespace

KCompose::KCompose() {
  table.kb_per_block = kComposeTableKb;
  table.grow = 1;
}

KCompose::~KCompose() { tsume_table_free_blocks(table); }

bool KCompose::OpenTables() {
  if (compose_instance_alloc(kComposeTableKb) != 1) return false;
  compose_instance()->stop_request = &stop_requested;
  if (table.buckets == nullptr && !tsume_table_init(table, kComposeTableKb)) {
    compose_instance_free();
    return false;
  }
  return true;
}

void KCompose::CloseTables() {
  compose_instance_free();
  tsume_table_free_blocks(table);
}

int KCompose::Init(uint32_t seed) {
  pos_table_init();
  InitRandom(seed);
  return 0;
}

int KCompose::Compose(KPosition& p, const int32_t* pieces, uint32_t time_ms, int32_t tesuu, uint32_t tsume_time,
                      uint32_t expand_max) {
  const uint32_t short_limit = static_cast<uint32_t>(node_limit(uint64_t{expand_max} * kShortNodesPerSolveNode));
  return Generate(p, pieces, time_ms, tesuu, tsume_time, expand_max, short_limit) != 0 ? 0 : -1;
}

int KCompose::Stop() {
  stop_requested.store(true);
  budget_ms.store(0);
  return 0;
}

void KCompose::InitRandom(uint32_t seed) {
  rand_seed(seed);
  generated = 0;
  made = 0;
  mated = 0;
}

bool KCompose::TimeUp() {
  now_ms = platform::tick_ms();
  return stop_requested.load() || platform::tick_elapsed(start_ms, now_ms) > budget_ms.load();
}

int KCompose::Percent() { return static_cast<int>(rand_next() % kPercentSpan) + 1; }

int KCompose::PlaceNear(int king_file, int king_rank, int closeness, uint32_t r) {
  int weight[kSquares];
  int64_t total = 0;
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const int pull = kCloseness[std::abs(file - king_file)][std::abs(rank - king_rank)];
      // A pull table from outside may give a negative weight: it counts as none.
      const int w = std::max(((pull - 1) * closeness + kPercentSpan) / kPercentSpan, 0);
      weight[(file - 1) * 9 + rank - 1] = w;
      total += w;
    }
  }
  if (total == 0) return square_of(9, 9);
  const int32_t signed_r = static_cast<int32_t>(r);
  const uint32_t magnitude = signed_r < 0 ? 0u - r : r;
  const int64_t target = magnitude % total;
  int64_t sum = 0;
  for (int i = 0; i < kSquares; ++i) {
    sum += weight[i];
    if (sum > target) return square_of(i / 9 + 1, i % 9 + 1);
  }
  return square_of(9, 9);
}

void KCompose::RandomPosition(KPosition& p, const int32_t* pieces) {
  random_state = rand_get();
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) p.board[square_of(file, rank)] = kEmptyNumber;
  }
  for (int n = 0; n < kPieceCount; ++n) p.piece[n] = {kNotInPlay, out_of_play_code(n)};
  std::fill(&p.hand[0][0], &p.hand[0][0] + sizeof p.hand, uint8_t{0});
  p.teban = kAttacker;
  const int king_file = static_cast<int>(rand_next() % 9) + 1;
  const int king_rank = static_cast<int>(rand_next() % 9) + 1;
  const int king_sq = square_of(king_file, king_rank);
  p.piece[kDefenderKing] = {static_cast<uint8_t>(king_sq), static_cast<uint8_t>(kKing | kGoteBit)};
  p.board[king_sq] = kDefenderKing;

  for (int n = kFirstComposedPiece; n < kPieceCount; ++n) {
    const int kind = number_kind(n);
    const int side = Percent() > pieces[compose_entry(kAttackerShare, kind)] ? kDefender : kAttacker;
    const int on_board = side == kAttacker ? kAttackerOnBoard : kDefenderOnBoard;
    const int unpromoted = side == kAttacker ? kAttackerUnpromoted : kDefenderUnpromoted;
    const int closeness = side == kAttacker ? kAttackerCloseness : kDefenderCloseness;
    int code = kind | side_bit(side);
    if (Percent() > pieces[compose_entry(on_board, kind)]) {
      p.piece[n] = {kInHand, static_cast<uint8_t>(code)};
      ++p.hand[side][kind];
      continue;
    }
    int sq = 0;
    for (int t = 0; t < kPlaceTries; ++t) {
      sq = PlaceNear(king_file, king_rank, pieces[compose_entry(closeness, kind)], rand_next());
      if (p.board[sq] == kEmptyNumber) break;
    }
    for (int index = (square_file(sq) - 1) * 9 + square_rank(sq) - 1; p.board[sq] != kEmptyNumber;) {
      index = (index + 1) % kSquares;
      sq = square_of(index / 9 + 1, index % 9 + 1);
    }
    if (kind != kGold && Percent() > pieces[compose_entry(unpromoted, kind)]) code |= kPromotedBit;
    p.piece[n] = {static_cast<uint8_t>(sq), static_cast<uint8_t>(code)};
    p.board[sq] = static_cast<uint8_t>(n);
  }
  ++generated;
}

bool KCompose::IsIllegal(const KPosition& p) {
  bool pawn_on_file[2][10] = {};
  for (int n = kFirstComposedPiece; n < kPieceCount; ++n) {
    const KPieceEntry e = p.piece[n];
    if (!is_playing_square(e.sq) || (e.code & kPromotedBit)) continue;
    const int side = code_side(e.code);
    // The rank counted from the side's far edge: 1 is the last rank.
    const int rank = side == kAttacker ? square_rank(e.sq) : 10 - square_rank(e.sq);
    switch (code_kind(e.code)) {
      case kKnight:
        if (rank <= 2) return true;
        break;
      case kLance:
        if (rank == 1) return true;
        break;
      case kPawn: {
        bool& seen = pawn_on_file[side][square_file(e.sq)];
        if (rank == 1 || seen) return true;
        seen = true;
        break;
      }
      default:
        break;
    }
  }
  return false;
}

int KCompose::Score(KPosition& p, const KMove* line, int length) {
  const int attacker = p.teban;
  int score = 0;
  for (int i = 0; i < length; ++i) {
    do_move(p, line[i], 0);
    const KKiki& k = kiki_at(p, line[i].to);
    const int mover = i % 2 == 0 ? attacker : 1 - attacker;
    if (k.direct_count[mover] == 0 && k.direct_count[1 - mover] > 0) score += mover == attacker ? 4 : 2;
  }
  take_back(p, line, 0, length);
  return score;
}

bool KCompose::SolveAndScore(KPosition& p, int* length, int* score) {
  pos_rebuild(p);
  const KMove* line = nullptr;
  int n = 0;
  if (compose_instance_solve(p, &line, &n, solve_ms, node_limit(solve_nodes)) != 0) return false;
  *length = n;
  *score = Score(p, line, n);
  return true;
}

void KCompose::RecodeHand(KPosition& p, int kind) {
  int attackers = p.hand[kAttacker][kind];
  const KindRange range = kKindRange[kind];
  for (int n = range.first; n < range.first + range.count; ++n) {
    if (p.piece[n].sq != kInHand) continue;
    p.piece[n].code = static_cast<uint8_t>(kind | (attackers-- > 0 ? kSenteBit : kGoteBit));
  }
}

KCompose::Trial KCompose::Try(KPosition& p, int& length, int& score) {
  if (TimeUp()) return Trial::kTimeUp;
  int l = 0, s = 0;
  const bool solved = SolveAndScore(p, &l, &s);
  if (TimeUp()) return Trial::kTimeUp;
  if (!solved || l < length || (l == length && s < score)) return Trial::kWorse;
  length = l;
  score = s;
  return Trial::kBetter;
}

bool KCompose::ImproveHands(KPosition& p, int& length, int& score, bool& improved) {
  for (int kind = kRook; kind <= kPawn; ++kind) {
    while (p.hand[kAttacker][kind] > 0) {
      hand_to_other(p, kind, kAttacker);
      Trial t = Try(p, length, score);
      if (t == Trial::kTimeUp) return false;
      if (t == Trial::kBetter) {
        improved = true;
        continue;
      }
      bool helped = false;
      for (const Exchange& x : kHandExchanges) {
        if (x.given != kind || p.hand[kDefender][x.received] == 0) continue;
        hand_to_other(p, x.received, kDefender);
        t = Try(p, length, score);
        if (t == Trial::kTimeUp) return false;
        if (t == Trial::kBetter) {
          helped = true;
          break;
        }
        hand_to_other(p, x.received, kAttacker);
      }
      if (!helped) {
        hand_to_other(p, kind, kDefender);
        break;
      }
      improved = true;
    }
  }
  return true;
}

bool KCompose::ImproveBoard(KPosition& p, int& length, int& score, bool& improved) {
  for (int n = kFirstComposedPiece; n < kPieceCount; ++n) {
    const KPieceEntry was = p.piece[n];
    if (!is_playing_square(was.sq)) continue;
    const int kind = code_kind(was.code);
    to_defender_hand(p, n);
    Trial t = Try(p, length, score);
    if (t == Trial::kTimeUp) return false;
    bool helped = t == Trial::kBetter;
    if (!helped && code_side(was.code) == kAttacker) {
      for (const Exchange& x : kBoardDowngrades) {
        if (x.given != code_class(was.code) || p.hand[kDefender][x.received] == 0) continue;
        const int m = defender_hand_to_board(p, x.received, was.sq);
        if (!IsIllegal(p)) {
          t = Try(p, length, score);
          if (t == Trial::kTimeUp) return false;
          if (t == Trial::kBetter) {
            helped = true;
            break;
          }
        }
        p.board[was.sq] = kEmptyNumber;
        p.piece[m] = {kInHand, static_cast<uint8_t>(x.received | kGoteBit)};
        ++p.hand[kDefender][x.received];
        RecodeHand(p, x.received);
      }
    }
    if (helped) {
      improved = true;
      continue;
    }
    --p.hand[kDefender][kind];
    p.piece[n] = was;
    p.board[was.sq] = static_cast<uint8_t>(n);
    RecodeHand(p, kind);
  }
  return true;
}

void KCompose::Improve(KPosition& p, int& length, int& score) {
  bool improved = true;
  while (improved && !TimeUp()) {
    improved = false;
    if (!ImproveHands(p, length, score, improved) || !ImproveBoard(p, length, score, improved)) return;
  }
}

bool KCompose::Accept(KPosition& p) {
  pos_rebuild(p);
  // A solve within the limits of a shorter-mate test, whose searches may take
  // what they need of them to show the length and the line at every ply.
  const KMove* solved = nullptr;
  int length = 0;
  compose_instance_set_line_budget(kLineWithinLimits);
  const int r = compose_instance_solve(p, &solved, &length, short_ms, node_limit(short_nodes));
  compose_instance_set_line_budget(kLineOwnBudget);
  if (TimeUp() || r != 0 || length < min_length || !compose_instance_line_shown().Whole()) return false;
  accepted_length = static_cast<uint32_t>(length);
  accepted_nodes = compose_instance_nodes();
  const std::vector<KMove> line(solved, solved + length);
  const int attacker = p.teban;
  play(p, line.data(), 0, length);
  bool hand_empty = true;
  for (int kind = kRook; kind <= kPawn; ++kind) hand_empty = hand_empty && p.hand[attacker][kind] == 0;
  take_back(p, line.data(), 0, length);
  return hand_empty;
}

int KCompose::Generate(KPosition& p, const int32_t* pieces, uint32_t budget, int32_t min_len, uint32_t per_solve_ms,
                       uint32_t per_solve_nodes, uint32_t per_short_nodes) {
  stop_requested.store(false);
  min_length = min_len;
  solve_ms = per_solve_ms;
  if (!OpenTables()) return 0;
  pos_clear(p);
  budget_ms.store(budget);
  solve_nodes = per_solve_nodes;
  short_nodes = per_short_nodes;
  start_ms = platform::tick_ms();
  now_ms = start_ms;
  int made_one = 0;
  for (;;) {
    RandomPosition(p, pieces);
    if (IsIllegal(p)) {
      if (TimeUp()) break;  // a table that only draws illegal positions still ends
      continue;
    }
    pos_rebuild(p);
    if (TimeUp()) break;
    const KMove* line = nullptr;
    int length = 0;
    const int r = compose_instance_solve(p, &line, &length, solve_ms, node_limit(solve_nodes));
    if (TimeUp()) break;
    if (r != 0) continue;
    ++mated;
    if (TimeUp()) break;
    int score = Score(p, line, length);
    Improve(p, length, score);
    if (TimeUp()) break;
    if (Accept(p)) {
      ++made;
      made_one = 1;
      break;
    }
    if (TimeUp()) break;
  }
  CloseTables();
  return made_one;
}

}  // namespace tsume
