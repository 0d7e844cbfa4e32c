// KCompose: makes mate problems. It draws random positions around a lone
// defending king from a table of per-kind percentages, keeps one when the mate
// solver (the composer instance) finds a mate, improves it by moving pieces
// between board and hands while the mate grows longer or more spectacular,
// and accepts it when the line is long enough, ends with the attacker's hand
// empty and has no shorter mate. The attacker is always sente (piece codes
// kind | 0x20) and has no king; gote defends with its king as piece 1.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/board/position.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {

// The piece table: 7 groups of 7 percentages, by kind 1 rook .. 7 pawn.
enum ComposeGroup : int {
  kAttackerShare = 0,       // a piece of the kind is the attacker's
  kAttackerOnBoard = 1,     // else in the attacker's hand
  kAttackerUnpromoted = 2,  // else promoted
  kAttackerCloseness = 3,   // pull towards the defending king
  kDefenderOnBoard = 4,
  kDefenderUnpromoted = 5,
  kDefenderCloseness = 6,
};
constexpr int kComposeGroups = 7;
constexpr int kComposeKinds = 7;
constexpr int kComposePieceTableSize = kComposeGroups * kComposeKinds;
constexpr int compose_entry(int group, int kind) { return group * kComposeKinds + kind - 1; }

// Memory of the composer instance and of the composer's own table.
constexpr uint32_t kComposeTableKb = 8192;
// The shorter-mate test: mates within this many plies, this long at most.
constexpr int kShortMatePlies = 9;
constexpr uint32_t kShortMateMs = 10000;

class KCompose {
 public:
  KCompose();
  ~KCompose();
  KCompose(const KCompose&) = delete;
  KCompose& operator=(const KCompose&) = delete;

  // ---- The compose job's entries ----

  // Sets up the engine's square tables and seeds the random numbers. 0.
  int Init(uint32_t seed);
  // One problem into `p` within `time_ms`: minimum length `tesuu` plies,
  // `tsume_time` ms and `expand_max` nodes per solve, 150 x `expand_max` nodes
  // per shorter-mate test. 0 when a problem was made, -1 when the time ran out.
  int Compose(board::KPosition& p, const int32_t* pieces, uint32_t time_ms, int32_t tesuu, uint32_t tsume_time,
              uint32_t expand_max);
  // Ends a running Compose soon (any thread): at its next time test, or
  // inside a solve or a shorter-mate search at the search's next time test.
  // A stop before Generate begins is forgotten. 0.
  int Stop();

  // ---- Generation ----

  // Seeds the engine's random numbers and zeroes the first three counters.
  void InitRandom(uint32_t seed);
  // Draws and improves positions until one is accepted (1, the position in
  // `p`, the counters updated) or the budget runs out or the composer
  // instance cannot be made (0).
  int Generate(board::KPosition& p, const int32_t* pieces, uint32_t budget_ms, int32_t min_length, uint32_t solve_ms,
               uint32_t solve_nodes, uint32_t short_nodes);
  // True when a stop was asked for or more than the budget has passed since
  // the start (records now).
  bool TimeUp();
  // 1..100 from the random numbers.
  static int Percent();
  // A square drawn around the king at (file, rank), weighted by the closeness
  // table pulled with strength `closeness` (percent); `r` is the random number.
  static int PlaceNear(int king_file, int king_rank, int closeness, uint32_t r);
  // A new random position: the defending king on a random square, pieces
  // 2..39 shared, placed and promoted by the piece table, attacker to move.
  void RandomPosition(board::KPosition& p, const int32_t* pieces);
  // True for an unpromoted knight, lance or pawn that could never move, or a
  // second unpromoted pawn of a side on a file.
  static bool IsIllegal(const board::KPosition& p);
  // The sacrifice score of a line: 4 per attacker move to a square only the
  // defender attacks, 2 per defender move to a square only the attacker does.
  static int Score(board::KPosition& p, const board::KMove* line, int length);
  // Rebuilds the derived data and solves: true with the line's length and
  // score when it mates.
  bool SolveAndScore(board::KPosition& p, int* length, int* score);
  // Recodes the in-hand pieces of a kind: the first as many as the attacker
  // holds carry its code, the rest the defender's.
  static void RecodeHand(board::KPosition& p, int kind);
  // Moves pieces between board and hands while the mate gets longer, or as
  // long with a score not lower; `length` and `score` follow the position.
  void Improve(board::KPosition& p, int& length, int& score);
  // The final tests: a mate of at least the minimum length, the attacker's
  // hand empty at its end, no shorter mate.
  bool Accept(board::KPosition& p);

  // Makes the composer instance, whose searches then heed Stop, and this
  // table (false when either fails), and frees them again.
  bool OpenTables();
  void CloseTables();

  uint32_t generated = 0;        // positions drawn
  uint32_t made = 0;             // problems accepted
  uint32_t mated = 0;            // positions that had a mate
  uint32_t accepted_length = 0;  // plies of the last accepted line
  uint32_t accepted_nodes = 0;   // solver nodes of the last accepted solve
  uint32_t solve_nodes = 0;      // node limit per solve
  uint32_t short_nodes = 0;      // node limit per shorter-mate test
  uint32_t short_ms = kShortMateMs;  // time limit per shorter-mate test
  uint32_t random_state = 0;     // the random state when the last position was drawn
  std::atomic<uint32_t> budget_ms{0};
  std::atomic<bool> stop_requested{false};  // Stop's word, also read inside the searches
  int32_t min_length = 0;
  uint32_t solve_ms = 0;
  uint32_t start_ms = 0;
  uint32_t now_ms = 0;
  KTsumeTable table;  // the shorter-mate test's

 private:
  enum class Trial { kWorse, kBetter, kTimeUp };
  // Solves the changed position between two time tests; better: `length` and
  // `score` take its values.
  Trial Try(board::KPosition& p, int& length, int& score);
  bool ImproveHands(board::KPosition& p, int& length, int& score, bool& improved);
  bool ImproveBoard(board::KPosition& p, int& length, int& score, bool& improved);
};

}  // namespace tsume
