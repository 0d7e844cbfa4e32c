// The static evaluation's term groups on constructed positions, each run alone
// with the values worked by hand: the king lines (rank blockers, forward lines,
// connected rooks, bishop diagonals, lances), exposed golds, promoted and
// advanced pawns, the king-neighbourhood examiner, the escape squares, the
// rook, bishop, pawn, silver, knight and over-advance placement terms, and the
// castle-shape rows with their turned twins.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/eval/castle_shape_terms.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/gold_pawn_terms.h"
#include "engine/eval/king_lines.h"
#include "engine/eval/king_safety.h"
#include "engine/eval/rook_bishop_pawn_terms.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/silver_knight_gold_terms.h"
#include "engine/eval/static_eval_tables.h"
#include "tests/engine/eval/eval_record_reference.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

using board::KEvalRecord;
using board::KPosition;
using board::square_of;

struct Sums {
  int attack[2], defence[2];
};

// The evaluation prepared for the even start with code 0 on both sides.
class StaticEvalCases : public ::testing::Test {
 protected:
  void SetUp() override {
    const KPosition home = testing::load(model::testing::initial(model::kHirate));
    const int32_t codes[2] = {0, 0};
    eval_root_prepare(home, codes, 0x800);
    eval_setup_stage(home, 0, codes);
  }

  static KPosition At(const std::string& text, int teban = 0) { return board::testing::Scene{testing::scene(text, teban)}.Load(); }

  // The record after eval_king_kiki on the position, from an empty record.
  static KEvalRecord KingLines(const char* text) {
    KEvalRecord r{};
    eval_king_kiki(At(text), r);
    EXPECT_EQ(r.flags, kKingLinesDone);
    return r;
  }

  // One group's per-side sums on the position.
  static Sums Run(const std::string& text, void (*group)(PositionTerms&)) {
    const KPosition p = At(text);
    KEvalRecord r{};
    PositionTerms t(p, 0, board::pass_move(), r);
    group(t);
    EXPECT_EQ(t.material[0] | t.material[1], 0);
    return {{t.attack[0], t.attack[1]}, {t.defence[0], t.defence[1]}};
  }

  // king_rel of the class as `side` reads it, squares written file * 10 + rank.
  static int Rel(int side, int king, int cls, int sq) {
    return testing::king_rel(eval_setup.eval_weight_block, side, square_of(king / 10, king % 10), cls,
                             square_of(sq / 10, sq % 10));
  }
};

// ---- King lines: blocker terms are weight x Balance[bal] x closeness >> 16 ----

TEST_F(StaticEvalCases, RookLines) {
  // Rook 8五 and the king 3五 on one rank with a gote gold between: bal = 1 (king
  // against rook) + 1 = 1 -> 256, Cheb 1 -> 256: 173 x 256 x 256 >> 16 = 173,
  // doubled. The forward line ends at 8一, Cheb 5: RookDist[6] = 0. One rank
  // lower the gold (4六, next to the king) counts once.
  KEvalRecord r = KingLines("K59 k35 R85 g45");
  EXPECT_EQ(r.att[0].attack_extra, 2 * 173);
  EXPECT_EQ(r.mat[0].material_extra, 0);  // the rook is not active
  EXPECT_EQ(r.att[1].attack_extra, 0);
  EXPECT_EQ(KingLines("K59 k35 R86 g46").att[0].attack_extra, 173);

  // Open to the edge: last square 2一, Cheb 2 to the king: RookDist[3] x 80 >> 8.
  // A gote pawn on 2一 instead: FileBlocker 80, bal 0 (only the rook sees it) ->
  // 307, RookDist[2] = 220. A sente silver on 2三 ends the line as the edge would.
  EXPECT_EQ(KingLines("K59 k42 R25").att[0].attack_extra, 196 * 80 >> 8);
  EXPECT_EQ(KingLines("K59 k42 R25 p21").att[0].attack_extra, 80 * 307 * 220 >> 16);
  EXPECT_EQ(KingLines("K59 k42 R25 S23").att[0].attack_extra, 196 * 80 >> 8);

  // Both rooks on rank 3 (active) see each other; the king 5一. Rook 2 (2三):
  // approach from two ranks away, m = 1, its first piece beyond the king's file:
  // RookLine[4] = 173; forward to the edge 2一, Cheb 3: 102 x 80 >> 8 = 31.
  // Rook 3 (8三): approach 173 from the other side; a gote pawn on 8一 ahead,
  // bal 0: 80 x 307 x 196 >> 16 = 73. Both approached along the rank, so
  // neither is active any more: no quarter.
  r = KingLines("K59 k51 R23 R83 p81");
  EXPECT_EQ(r.att[0].attack_extra, 31 + 73 + 2 * 173);
  EXPECT_EQ(r.mat[0].material_extra, 0);
  EXPECT_EQ(r.att[1].attack_extra, 0);

  // A dragon stops counting as active once it approaches: along the rank (7三,
  // two ranks from the king 5一: m = 1, the line runs past the king's file to
  // the edge: RookLine[4] = 173; forward edge 7一, Cheb 2: 196 x 80 >> 8 = 61),
  // along the file (5四: the walk over 5三 and 5二 brings d down to 1,
  // RookLine[0] = 355; its forward line ends at the king, weight 0), or by
  // lying four ranks or more away (7五: the forward edge alone, 61). None adds
  // a quarter of its sums to material_extra.
  const std::pair<const char*, int> dragons[] = {{"K59 k51 +R73", 173 + 61}, {"K59 k51 +R54", 355}, {"K59 k51 +R75", 61}};
  for (const auto& [text, attack] : dragons) {
    r = KingLines(text);
    EXPECT_EQ(r.att[0].attack_extra, attack) << text;
    EXPECT_EQ(r.mat[0].material_extra, 0) << text;
  }

  // A rook in hand, or a rook without the enemy king, scores nothing.
  const KEvalRecord zero{kKingLinesDone, {}, {}, {}, {}};
  for (const char* text : {"K59 k51 *R", "K59 R53 g41"}) {
    r = KingLines(text);
    EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0) << text;
  }
}

TEST_F(StaticEvalCases, BishopAndLanceLines) {
  // Bishop 5五, king 5一: the diagonals come nearest at 3三 and 7三 (Sq 8):
  // DiagNear[8] = 168, halved for an unpromoted bishop outside the camp. A gote
  // gold on 3三, held by nothing: bal 0 -> 307, Cheb 2 -> DiagDist 230.
  EXPECT_EQ(KingLines("K59 k51 B55").att[0].attack_extra, 168 >> 1);
  EXPECT_EQ(KingLines("K59 k51 B55 g33").att[0].attack_extra, ((194 * 307 * 230 >> 16) + 168) >> 1);
  // A bishop in a corner walks the whole long diagonal to the wall: 9九 to
  // 1一 passes 2二 and 1一, Sq 1 from the king 1二: DiagNear[1] = 252, halved.
  // Gote's bishop on 1一 walks to 9九 past 6六 and 7七, Sq 5 from the king 5八:
  // DiagNear[5] = 189, halved.
  EXPECT_EQ(KingLines("K59 k12 B99").att[0].attack_extra, 252 >> 1);
  EXPECT_EQ(KingLines("K58 k51 b11").att[1].attack_extra, 189 >> 1);
  // Lance 4八, king 5三: the line runs to the king's rank (4三); a lance
  // already past the king's rank stops on its first square; five files away it
  // scores nothing.
  EXPECT_EQ(KingLines("K59 k53 L48").att[0].attack_extra, Rel(0, 53, 10, 43));
  EXPECT_EQ(KingLines("K59 k53 L62").att[0].attack_extra, Rel(0, 53, 10, 61));
  EXPECT_EQ(KingLines("K59 k33 L88").att[0].attack_extra, 0);
  // Gote's lance 6二 toward the king 5七 stops on 6七; four files away (9二)
  // it still scores, its line blocked at once by its own pawn on 9三.
  EXPECT_EQ(KingLines("K57 k51 l62").att[1].attack_extra, Rel(1, 57, 10, 67));
  EXPECT_EQ(KingLines("K57 k51 l92 p93").att[1].attack_extra, Rel(1, 57, 10, 93));
}

// ---- Accessors, golds, pawns, the king's neighbourhood ------------------------

TEST_F(StaticEvalCases, DistancesAndAccessors) {
  EXPECT_EQ(cheb(square_of(9, 2), square_of(1, 1)), 8);  // file difference 8 on the next rank
  EXPECT_EQ(sq_distance(square_of(5, 1), square_of(2, 3)), 13);
  // The reference on files 1-4 counts q's file as it is, on 6-9 from the other
  // edge; d = -4 is the side's own back rank.
  EXPECT_EQ(eval_file_rank_bonus(0, 3, square_of(7, 9)), -58);
  EXPECT_EQ(eval_file_rank_bonus(1, 8, square_of(2, 1)), -66);
  EXPECT_EQ(eval_file_rank_bonus(1, 8, square_of(4, 7)), -10);
  EXPECT_EQ(eval_file_rank_bonus(0, 5, square_of(9, 9)), 0);
  // Gold 2, silver 2, knight 1, promoted lance 2 on the board, gold 2 and knight
  // 1 in hand; gote's lance 1.
  const KPosition p = At("K59 k51 G48 S68 N29 +L15 l91 *G *N");
  EXPECT_EQ(eval_defender_count(p, 0), 10);
  EXPECT_EQ(eval_defender_count(p, 1), 1);
  EXPECT_EQ(eval_king_table(1, board::kHorse, square_of(5, 9), square_of(4, 7)), Rel(1, 59, 11, 47));
  EXPECT_EQ(eval_king_table(0, board::kRook, square_of(5, 1), square_of(5, 3)), 0);
  // A pawn behind a square of its file, as each side sees the board, on every
  // file and pair of ranks; no pawn (0) is never behind.
  for (int side = 0; side < 2; ++side) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        const int sq = square_of(file, rank);
        EXPECT_FALSE(pawn_behind(side, 0, sq)) << side << " " << sq;
        for (int pawn_rank = 1; pawn_rank <= 9; ++pawn_rank) {
          const int pawn = square_of(file, pawn_rank);
          EXPECT_EQ(pawn_behind(side, pawn, sq), own_rank(side, pawn) > own_rank(side, sq)) << side << " " << sq;
        }
      }
    }
  }
}

TEST_F(StaticEvalCases, ExposedGoldsAndPawns) {
  // Gold 5七 with 6七 and 7七 empty and 7七 undefended: exposed. Defended only
  // by a bishop (3九): half the charge. By a silver, or twice: never. Closed on
  // both sides and from behind, on the third rank: not exposed.
  const int value = Rel(0, 49, 0, 57);
  ASSERT_NE(value / 10, 0);
  const std::pair<const char*, int> golds[] = {
      {"", -(value / 5)}, {"B39", -(value / 10)}, {"S58", 0}, {"B39 S58", 0}, {"P67 P47 N58", 0}};
  for (const auto& [extra, charge] : golds) {
    EXPECT_EQ(Run(std::string("K49 k51 G57 ") + extra, exposed_gold_terms).defence[0], charge) << extra;
  }

  // Promoted pawn 3三, gote king 5一: nothing to attack; a gote silver on 5三,
  // beside the square it can step to (4三), or a gote gold right behind it: 150.
  EXPECT_EQ(Run("K59 k51 +P33", pawn_threat_terms).attack[0], 0);
  EXPECT_EQ(Run("K59 k51 +P33 s53", pawn_threat_terms).attack[0], 150);
  EXPECT_EQ(Run("K59 k51 +P33 g34", pawn_threat_terms).attack[0], 150);
  // Pawn 5四, gote king 5一: v = KR(7) of 5三; bal 1 - 0 + 4 -> 3 (2048); shift
  // 14: d = v / 8; twice to the attack for two pieces in hand. A gote pawn on
  // 5二 blocks it: shift 16, and it holds the square (bal 4 -> 3).
  const int v = Rel(0, 51, 7, 53);
  ASSERT_GT(v, 7);
  const Sums sums = Run("K59 k51 P54 *G *S", pawn_threat_terms);
  EXPECT_EQ(sums.defence[1], -(2048 * v >> 14));
  EXPECT_EQ(sums.attack[0], 2 * (2048 * v >> 14));
  EXPECT_EQ(Run("K59 k51 P54 *G *S p52", pawn_threat_terms).defence[1], -(2048 * v >> 16));
}

// Sente king in the 1九 corner, gote king in the 9一 corner: each of a corner's
// three squares that only the king defends costs 30.
TEST_F(StaticEvalCases, KingNeighbourhood) {
  // A gote lance on 1五 attacks 1八 once: -30, then x = -3 + 4 = 1 -> Scale 151,
  // half each way. 2八 and 2九 cost 30 each; gote's corner 90.
  Sums sums = Run("K19 k91 l15", king_safety_terms);
  EXPECT_EQ(sums.defence[0], -30 - 75 - 30 - 30);
  EXPECT_EQ(sums.attack[1], 75);
  EXPECT_EQ(sums.defence[1], -90);
  EXPECT_EQ(sums.attack[0], 0);

  // Gote knights 3六 and 1六 both attack 2八, which only the king defends: the
  // flat 750 / 2, with or without every other piece in gote's hand.
  for (const char* hand : {"", " *p*p*p*p*p*p*p*p*p*p*p*p*p*p*p*p*p*p *l*l*l*l *n*n *s*s*s*s *g*g*g*g *b*b *r*r"}) {
    sums = Run(std::string("K19 k91 n36 n16") + hand, king_safety_terms);
    EXPECT_EQ(sums.defence[0], -30 - (30 + 375) - 30);
    EXPECT_EQ(sums.attack[1], 375);
  }

  // 1八 is defended three times (king, gold 2八, silver 2九) and attacked once
  // by a lance; gote holds a knight: x = 2 (H) - 9 + 4 = -3 -> M / 2 = 60, 30
  // each way. Space: 1八 bal 1 (25), 2八 and 2九 bal 2 (100 each), 3八 and 2七
  // held (80 each): 385, so gote's attack loses 155.
  sums = Run("K19 G28 S29 k91 l15 *n", king_safety_terms);
  EXPECT_EQ(sums.defence[0], -30);
  EXPECT_EQ(sums.attack[1], 30 - 155);

  // King 5五, outside its camp, with a gote silver on 4四: seven empty squares
  // around it, each defended by the king alone (-30 each). 4五 is attacked by
  // the silver and by a gote knight (3三): the unpromoted knight lowers a = 2 to
  // 1, so a <= c: x = 3 (0 - 1) + 4 = 1 -> Scale(1, 40) = 50, 25 each way. A
  // promoted silver (3四) as the second attacker lowers nothing: a = 2 > c, the
  // flat 125 / 2.
  sums = Run("K55 k51 s44 n33", king_safety_terms);
  EXPECT_EQ(sums.defence[0], -7 * 30 - 25);
  EXPECT_EQ(sums.attack[1], 25);
  sums = Run("K55 k51 s44 +s34", king_safety_terms);
  EXPECT_EQ(sums.defence[0], -7 * 30 - 62);
  EXPECT_EQ(sums.attack[1], 62);
}

TEST_F(StaticEvalCases, EveryEscapeRow) {
  struct EscapeRow {
    int king;                  // file * 10 + rank, sente
    std::vector<int> squares;  // the squares that must be taken
    int all_taken;             // the charge with all of them taken
    int last_free;             // with the last one free
  };
  const EscapeRow rows[] = {
      {17, {26, 16}, -150, 0},      {97, {86, 96}, -150, 0},       {39, {28, 29}, -150, 0},
      {49, {38, 39}, -150, 0},      {69, {78, 79}, -150, 0},       {79, {88, 89}, -150, 0},
      {28, {17, 18}, -100, -50},    {38, {27, 28, 29}, -150, 0},   {48, {37, 38, 39}, -150, 0},
      {68, {77, 78, 79}, -150, 0},  {78, {87, 88, 89}, -150, 0},   {88, {97, 98}, -100, -50},
      {59, {48, 49, 68, 69}, 0, 0}, {27, {16, 17, 18, 36}, 0, 0},
  };
  for (const EscapeRow& row : rows) {
    std::string text = "K";
    text.append(std::to_string(row.king)).append(" k51");
    for (size_t i = 0; i + 1 < row.squares.size(); ++i) text.append(" G").append(std::to_string(row.squares[i]));
    EXPECT_EQ(king_escape_terms(At(text), 0), row.last_free) << text;
    text.append(" G").append(std::to_string(row.squares.back()));
    EXPECT_EQ(king_escape_terms(At(text), 0), row.all_taken) << text;
  }
  // A square the enemy attacks directly is taken too: a gote pawn on 1六 covers
  // 1七 of a king on 2八.
  EXPECT_EQ(king_escape_terms(At("K28 k51 p16"), 0), -50);
}

// ---- Placement groups --------------------------------------------------------

// Two silvers and two golds on rank 6 count 2 x 54 + 2 x 90 = 288 toward
// over-advance; only the over-advance penalty is kept.
void over_advance_alone(PositionTerms& t) {
  working_silver_terms(t);
  gold_terms(t);
  EXPECT_EQ(t.advance[0], 288);
  t.material[0] = 0;
  over_advance_terms(t);
}

TEST_F(StaticEvalCases, PlacementValuesByHand) {
  struct Row {
    void (*group)(PositionTerms&);
    const char* text;
    int32_t material, attack;
    int teban = 0;
    int square = 0;                // the examined square, file * 10 + rank
    int root = 0, root_value = 0;  // a root placement cell of sente set first (kept)
  };
  const int32_t curve6 = eval_root_curve(6);
  const Row rows[] = {
      // Rook 2六, its file open to the wall: R 0 (10 - 1 + 6 steps), facing the
      // wall 0, width 5; it holds 2一 against no attacker: +100 to both fields
      // with sente to move, +50 with gote to move and the line uncovered,
      // nothing when a gote knight (3一) covers 2三.
      {rook_placement_terms, "K59 k51 R26", 15 + 100 + 5, 100},
      {rook_placement_terms, "K59 k51 R26", 15 + 50 + 5, 50, 1},
      {rook_placement_terms, "K59 k51 R26 n31", 15 + 5, 0, 1},
      // Hemmed in by its golds (w = -1); its line meets a gote pawn on 5三 after
      // 5 steps: 4 - 1 + 5, facing a pawn 1.
      {rook_placement_terms, "K59 k51 R58 G48 G68 p53", 8 + 1 - 1, 0},
      // Both forward diagonals end at once on own pawns of rank 7: curve entry
      // 6; less the length word with an own pawn behind the bishop. A gote pawn
      // on 3三 screening a gote silver: entry 2, + 5 x 800 >> 10.
      {bishop_placement_terms, "K59 k51 B88 P77 P97", curve6, 0},
      {bishop_placement_terms, "K59 k51 B88 P77 P97 P89", curve6 - eval_root_curve_length(), 0},
      {bishop_placement_terms, "K59 k51 B88 p33 s22", eval_root_curve(2) + 3, 0},
      // Files 1 and 9 score nothing; a free undefended pawn on rank 4 scores
      // 25, halved without a general behind it; defended by a silver behind it, 65.
      {pawn_placement_terms, "K59 k51 P14 P94 P24", 12, 0},
      {pawn_placement_terms, "K59 k51 P24 S25", 65, 0},
      // A lone silver: the larger of its root value and its file-and-rank bonus
      // (files from the king's side: 10 - 4, rank 7 -> -33).
      {working_silver_terms, "K69 k51 S47", -33, 0, 0, 0, 47, -40},
      {working_silver_terms, "K69 k51 S47", 12, 0, 0, 0, 47, 12},
      // Silvers 2九 (farther from the king: the working one) and 4九; a pawn
      // dropped on 2八 (held by gote's lance, worth -10 to gote) would leave 2九
      // no escape (golds 1八 and 3八, the edge behind: -200 each), which counts
      // only when 2九 is the examined square.
      {working_silver_terms, "K59 k51 S29 S49 G18 G38 l21 *p", 10, 0, 0, 0, 29, 10},
      {working_silver_terms, "K59 k51 S29 S49 G18 G38 l21 *p", 10, 0, 0, 49, 29, 10},
      {working_silver_terms, "K59 k51 S29 S49 G18 G38 l21 *p", -200, 0, 0, 29, 29, 10},
      // A knight on rank 5 without own pawns beside it: +5 twice. A gote pawn in
      // front, or one gote can drop there (worth -14 to it) on its turn: -100.
      // Nothing when a jump square holds a gote gold.
      {knight_terms, "K59 k51 N55 p54", -90, 0},
      {knight_terms, "K59 k51 N55 *p", -90, 0, 1},
      {knight_terms, "K59 k51 N55 *p g63", 10, 0, 1},
      // (288 - 100) / 3 = 62, twice that when gote holds a bishop.
      {over_advance_alone, "K59 k51 S46 S66 G36 G76", -62, 0},
      {over_advance_alone, "K59 k51 S46 S66 G36 G76 *b", -124, 0},
  };
  for (const Row& row : rows) {
    if (row.root)
      eval_setup.eval_weight_block.root.root_square[0][testing::view_square(0, row.root) - 20] = row.root_value;
    const KPosition p = At(row.text, row.teban);
    const board::KMove last{};  // not a pass
    KEvalRecord r{};
    PositionTerms t(p, row.square ? testing::view_square(0, row.square) : 0, last, r);
    row.group(t);
    EXPECT_EQ(t.material[0], row.material) << row.text << " teban " << row.teban << " square " << row.square;
    EXPECT_EQ(r.att[0].attack_extra, row.attack) << row.text << " teban " << row.teban;
  }
}

// ---- Castle shapes -----------------------------------------------------------

// The position of a row: its text plus, where it names none, the kings (5九,
// 5一; under the yagura flag with a gold on 5八 / 5二 covering the squares two
// ahead of each king) and the rooks (2八, 8二).
model::Kyokumen row_position(std::string text, bool yagura) {
  if (text.find('K') == std::string::npos) text += yagura ? " K59 G58" : " K59";
  if (text.find('k') == std::string::npos) text += yagura ? " k51 g52" : " k51";
  if (text.find_first_of("Rr") == std::string::npos) text += " R28 r82";
  return testing::scene(text);
}

// The group's sums for sente and gote under the codes.
std::pair<int, int> corrections(const model::Kyokumen& k, int32_t sente_code, int32_t gote_code) {
  eval_setup.root_senkei[0] = sente_code;
  eval_setup.root_senkei[1] = gote_code;
  eval_setup.root_yagura = sente_code == 1 || gote_code == 1;
  const KPosition p = testing::load(k);
  const board::KMove last{};
  KEvalRecord r{};
  PositionTerms t(p, 0, last, r);
  rook_placement_terms(t);
  working_silver_terms(t);
  t.material[0] = t.material[1] = 0;
  castle_shape_terms(t);
  return {t.material[0], t.material[1]};
}

// Each row fires with its amount and the others stay silent, and the turned
// twin (codes swapped) gives the mirrored amounts, except gote's row of its own.
TEST_F(StaticEvalCases, EveryCastleRowAndItsTwin) {
  struct Row {
    int32_t sente_code, gote_code;
    const char* text;
    int sente, gote;
    bool mirrored = true;
  };
  const Row rows[] = {
      // General rows.
      {0, 0, "K18", -6, 0}, {0, 0, "B88 P77 p75", -10, 0}, {0, 0, "B68 G57", -5, 0}, {0, 0, "B79 P57 G56", -10, 0},
      {0, 0, "S36 P37", -13, 0},
      // Code 6 while nobody ranges.
      {6, 0, "G48 G49", -5, 0}, {6, 0, "K39", -10, 0}, {6, 0, "N37", -8, 0}, {6, 0, "K49 G38 S28 P37 R19 r82", -8, 0},
      // Gote ranges (the twins: sente ranges).
      {0, 8, "b62 s73", 0, -10}, {0, 8, "n33", 0, -5}, {0, 8, "b53", 0, -5}, {0, 8, "p76 B88 P66 b44", -20, 0},
      {9, 8, "*b", -10, 0}, {9, 8, "G38", -8, 0}, {0, 5, "s62 g52", 0, 3}, {0, 5, "b33", 0, -5}, {0, 5, "k22", 0, -5},
      {0, 7, "b33", 0, -5},
      // Yagura rows.
      {1, 0, "K59 P57", -10, 0}, {1, 0, "R38 r82", -5, 0}, {1, 0, "S46", -5, 0}, {1, 0, "K79 G78 G49", -5, 0},
      {1, 0, "K88 P77 P97 p86 n75", -120, 0}, {1, 0, "S68 S37", -5, 0}, {1, 0, "S88 B77", -5, 0},
      {1, 0, "S88 S77", -15, 0}, {1, 0, "N25 S68", -12, 0}, {1, 0, "K89 G88 P47 S46 B26", -13, 0},
      {1, 0, "K89 G88 P47 S46 N37 P25", -8, 0}, {1, 0, "S37 P46", -5, 0}, {1, 0, "R68 r82 S26", -5, 0},
      {1, 0, "R68 r82 P25", -3, 0}, {1, 0, "B48 N37", -15, 0}, {1, 0, "B37 S26", -6, 0},
      {1, 0, "B46 N37 S48", -7, 0}, {1, 0, "B46 N37 S48 P16", -9, 0}, {1, 0, "B46 N37 S48 P17", -11, 0},
      {1, 0, "S86 G49", -5, 0}, {1, 0, "S36 P37 N29", -13 - 9, 0}, {1, 0, "P65", -7, 0}, {1, 0, "B79 G68", -100, 0},
      {1, 0, "B26 p44", 5, 0}, {1, 0, "B26 p44 N37", 10, 0},
      // Gote's row of its own: the knight ahead of its silver earns a bonus that
      // sente's does not.
      {1, 0, "S36 N37", 0, 0, false}, {1, 0, "s74 n73", 0, 5, false},
      // Skipped: an active rook (2三); both rooks sente's (one in hand).
      {0, 0, "S36 P37 R23 r82", 0, 0}, {0, 0, "S36 P37 R28 *R", 0, 0}, {1, 0, "S36 P37 R23 r82", 0, 0},
  };
  for (const Row& row : rows) {
    const model::Kyokumen k = row_position(row.text, row.sente_code == 1 || row.gote_code == 1);
    EXPECT_EQ(corrections(k, row.sente_code, row.gote_code), std::pair(row.sente, row.gote)) << row.text;
    if (row.mirrored) {
      EXPECT_EQ(corrections(testing::twin(k), row.gote_code, row.sente_code), std::pair(row.gote, row.sente))
          << "twin of " << row.text;
    }
  }
  // Under the yagura flag the three squares two ranks ahead of a king on ranks
  // 5-9 count, wherever it stands; on rank 4 none.
  for (int rank = 4; rank <= 9; ++rank) {
    const model::Kyokumen k = row_position("K5" + std::to_string(rank), true);
    EXPECT_EQ(corrections(k, 1, 0).first, rank >= 5 ? -15 : 0) << "king on rank " << rank;
  }
}

}  // namespace
}  // namespace eval
