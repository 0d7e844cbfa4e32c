// The move-by-move update of the evaluation record: over random games from the
// even start, the handicaps, kingless and hand-heavy positions, with passes mixed
// in, every field after every move equals the terms computed from scratch; a
// position and its turned twin keep mirrored records; and the deltas of single
// constructed moves.
#include "engine/eval/eval_diff.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/stage_rules.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/senkei_table.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/eval/eval_record_reference.h"

namespace eval {
namespace {

using board::KEvalRecord;
using board::KMove;
using board::KPosition;
using board::square_of;
using testing::record_matches;
using testing::record_of;
using testing::terms_from_scratch;

// Moves checked; the sanitizer build plays a slice of the same games.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMoves = 30000;
#else
constexpr long kMoves = 100000;
#endif
constexpr int kMaxGamePlies = 240;

struct Coverage {
  long moves = 0, drops = 0, captures = 0, promotions = 0, king_moves = 0, king_file_changes = 0, passes = 0,
       kingless = 0;
};

model::Sashite twin_move(const model::Kyokumen& twin, const model::Sashite& m) {
  const bool drop = m.from_x == model::kSenteHand || m.from_x == model::kGoteHand;
  model::Sashite t(drop ? model::kSenteHand + model::kGoteHand - m.from_x : 10 - m.from_x,
                   drop ? m.from_y : 10 - m.from_y, 10 - m.to_x, 10 - m.to_y, 0, 0, m.nari, 0);
  twin.CompleteSashite(t);
  return t;
}

// One side of a game pair: the position, its strategy table and its record.
struct Line {
  model::Kyokumen k;
  KPosition p;
  board::KSenkeiTable table;
  KEvalRecord rec;
};

const eval::KEvalWeights& w() { return *eval::eval_setup.eval_weights; }

// The record without half of each king's square value: the stored square
// table is read with the rank mirrored for gote but the file as it is, and its
// ninth rank differs on files 2 and 8 (-10 and -50), so a king there and its
// twin's differ by 20 in that term alone.
KEvalRecord without_king_halves(KEvalRecord r, const KPosition& p) {
  for (int s = 0; s < 2; ++s) {
    const int king = p.piece[s].sq;
    if (!board::is_playing_square(king)) continue;
    const int half = w().rank_bonus[s][king - board::kFirstSquare] / 2;
    r.def[s].defence = static_cast<int16_t>(r.def[s].defence - half);
    r.att[1 - s].attack = static_cast<int16_t>(r.att[1 - s].attack + half);
  }
  return r;
}

::testing::AssertionResult mirrored(const KEvalRecord& record, const KPosition& p, const KEvalRecord& twin_record,
                                    const KPosition& twin) {
  const KEvalRecord a = without_king_halves(record, p), b = without_king_halves(twin_record, twin);
  for (int s = 0, o = 1; s < 2; ++s, --o) {
    if (a.att[s].attack != b.att[o].attack || a.att[s].open_file != b.att[o].open_file ||
        a.def[s].defence != b.def[o].defence || a.hand_b[s] != b.hand_b[o] || a.mat[s].material != b.mat[o].material) {
      return ::testing::AssertionFailure() << "side " << s << " differs from the twin's side " << o;
    }
  }
  return ::testing::AssertionSuccess();
}

// A random game played on a start and, in mirror, on its twin. The evaluation
// is prepared for the start with random codes and style; the start's strategy
// table gets noise on every cell (the base rows leave some layers 0), the
// twin's is that table turned; both stay as they are for the game.
class GamePair {
 public:
  GamePair(const model::Kyokumen& start, std::mt19937& rng) : rng_(rng) {
    line_[0].k.Copy(start);
    line_[1].k = board::testing::twin(start);
    for (Line& l : line_) EXPECT_EQ(bridge::position_load(l.p, l.k), 0);
    const int32_t codes[2] = {static_cast<int32_t>(rng_() % 23), static_cast<int32_t>(rng_() % 23)};
    eval_root_prepare(line_[0].p, codes, static_cast<int32_t>(rng_() % 3 + 16 * (rng_() % 256)));
    line_[0].table = eval_setup.senkei_table;
    for (int s = 0; s < 2; ++s) {
      for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
        for (int sq = square_of(1, 1); sq <= square_of(9, 9); ++sq) {
          if (!board::is_playing_square(sq)) continue;
          int32_t& cell = line_[0].table.cell[s][layer][sq - board::kFirstSquare];
          cell += static_cast<int32_t>(rng_() % 41) - 20;
          line_[1].table.cell[1 - s][layer][board::turned_square(sq) - board::kFirstSquare] = cell;
        }
      }
    }
    for (Line& l : line_) {
      board::eval_links.senkei_current = &l.table;
      l.rec = record_of(terms_from_scratch(w(), l.p));
    }
  }

  // Up to kMaxGamePlies moves, about one in twelve a pass; after each, the
  // start's record equals its terms from scratch and the twin's is its mirror.
  void Play(Coverage& cov) {
    for (int ply = 0; ply < kMaxGamePlies && cov.moves < kMoves; ++ply) {
      model::Sashite m[2];
      const bool pass = rng_() % 12 == 0 && !line_[0].k.IsOute(line_[0].k.teban);
      if (!pass) {
        if (board::testing::random_legal_moves(line_[0].k, rng_, &m[0], 1) == 0) return;
        m[1] = twin_move(line_[1].k, m[0]);
      }
      KMove km[2] = {board::pass_move(), board::pass_move()};
      for (int i = 0; i < 2; ++i) {
        Line& l = line_[i];
        if (pass) {
          l.k.teban = 1 - l.k.teban;
        } else {
          ASSERT_EQ(bridge::sashite_to_kmove(km[i], l.p, m[i]), 0);
          ASSERT_TRUE(l.k.DoSashite(m[i]));
        }
        board::do_move(l.p, km[i], 0);
        board::eval_links.senkei_current = &l.table;
        const KEvalRecord parent = l.rec;
        eval_sashite_diff(km[i], l.p, parent, l.rec);
      }
      const KMove& played = km[0];
      board::eval_links.senkei_current = &line_[0].table;
      const KPosition& p = line_[0].p;
      ASSERT_TRUE(record_matches(line_[0].rec, terms_from_scratch(w(), p)))
          << "move " << cov.moves << ": " << int(played.from) << "->" << int(played.to) << " code " << int(played.code);
      ASSERT_TRUE(mirrored(line_[0].rec, line_[0].p, line_[1].rec, line_[1].p)) << "move " << cov.moves;
      const bool king = !pass && board::code_kind(played.code) == board::kKing;
      ++cov.moves;
      cov.passes += pass;
      cov.drops += played.from == board::kInHand;
      cov.captures += played.captured_code != 0;
      cov.promotions += played.promote != 0;
      cov.king_moves += king;
      cov.king_file_changes += king && board::square_file(played.from) != board::square_file(played.to);
      cov.kingless += !board::is_playing_square(p.piece[0].sq) || !board::is_playing_square(p.piece[1].sq);
    }
  }

 private:
  std::mt19937& rng_;
  Line line_[2];
};

// Every field equals the from-scratch terms after every move (the open-file
// sums and their weighted terms, the promoted-pawn penalty and half of each
// king's square value included); the twin games keep mirrored records.
// Starts: the even game, the handicaps, the even game without sente's king (a
// mate-problem position; its twin lacks gote's), and kings with half of every
// piece in each hand.
TEST(EvalSashiteDiff, RandomGamesMatchFromScratchAndTheirTwins) {
  std::vector<model::Kyokumen> starts = board::testing::handicap_starts(
      {model::kHirate, model::kKyoOchi, model::kKakuOchi, model::kHishaOchi, model::kNimaiOchi, model::kRokumaiOchi,
       model::kNoSenteKing});
  starts.push_back(board::testing::kings_and_hands(board::testing::kHalfOfEveryPiece, board::testing::kHalfOfEveryPiece));
  std::mt19937 rng(20240615);
  Coverage cov;
  for (size_t game = 0; cov.moves < kMoves; ++game) {
    auto pair = std::make_unique<GamePair>(starts[game % starts.size()], rng);  // large: off the stack
    pair->Play(cov);
    board::eval_links.senkei_current = &eval_setup.senkei_table;
    ASSERT_FALSE(HasFatalFailure());
  }
  EXPECT_GT(cov.drops, kMoves / 50);
  EXPECT_GT(cov.captures, kMoves / 50);
  EXPECT_GT(cov.promotions, kMoves / 200);
  EXPECT_GT(cov.king_file_changes, kMoves / 200);
  EXPECT_GT(cov.king_moves, cov.king_file_changes);
  EXPECT_GT(cov.passes, kMoves / 50);
  EXPECT_GT(cov.kingless, kMoves / 20);
}

// Single moves on constructed positions, with every strategy bonus 0: the
// change of each field from a record built from scratch.
class EvalDiffDelta : public ::testing::Test {
 protected:
  void SetUp() override {
    eval_tables_init(eval_setup.eval_weight_block, 0x800);
    eval::eval_setup.eval_weights = &eval_setup.eval_weight_block;
    board::eval_links.senkei_current = &zero_;
  }
  void TearDown() override { board::eval_links.senkei_current = &eval_setup.senkei_table; }

  // The change of each field after sente's move on the position written as
  // board::testing::scene reads it.
  KEvalRecord Delta(const char* text, int fx, int fy, int tx, int ty, int nari = 0) {
    const board::testing::Scene scene{board::testing::scene(text)};
    p_ = scene.Load();
    const KMove km = scene.Move(p_, fx, fy, tx, ty, nari);
    root_ = record_of(terms_from_scratch(eval_setup.eval_weight_block, p_));
    board::do_move(p_, km, 0);
    eval_sashite_diff(km, p_, root_, after_);
    KEvalRecord d{};
    for (int s = 0; s < 2; ++s) {
      d.att[s].attack = static_cast<int16_t>(after_.att[s].attack - root_.att[s].attack);
      d.att[s].open_file = after_.att[s].open_file - root_.att[s].open_file;
      d.def[s].defence = static_cast<int16_t>(after_.def[s].defence - root_.def[s].defence);
      d.hand_b[s] = static_cast<int16_t>(after_.hand_b[s] - root_.hand_b[s]);
      d.mat[s].material = static_cast<int16_t>(after_.mat[s].material - root_.mat[s].material);
    }
    return d;
  }

  // king_rel of a class read by `side` for the king on kfr and the square fr
  // (both written file * 10 + rank).
  static int Rel(int side, int kfr, int cls, int fr) {
    return testing::king_rel(eval_setup.eval_weight_block, side, square_of(kfr / 10, kfr % 10), cls,
                             square_of(fr / 10, fr % 10));
  }

  KPosition p_;
  KEvalRecord root_{}, after_{};
  board::KSenkeiTable zero_{};
};

constexpr int kDrop = model::kSenteHand;

// The last piece of a kind dropped reads count index 0, as does the first piece
// of a kind captured; a side without a king gets no term around it.
TEST_F(EvalDiffDelta, CountIndexZeroAndAbsentKing) {
  KEvalRecord d = Delta("K59 k51 *G *S", kDrop, model::kKin, 5, 5);
  EXPECT_EQ(d.mat[0].material, 690 - 765);   // the gold's value less its first count value
  EXPECT_EQ(d.hand_b[0], -(765 - 306) + 5);  // the split's second part; one non-pawn piece left: 5
  EXPECT_EQ(d.att[0].attack, -306 + Rel(0, 51, 6, 55));

  d = Delta("K59 k51 P55 s54 *G", 5, 5, 5, 4);
  EXPECT_EQ(d.mat[0].material, 660);        // the first silver in hand
  EXPECT_EQ(d.hand_b[0], (680 - 272) - 5);  // now two non-pawn pieces: the second costs 5
  EXPECT_EQ(d.mat[1].material, -600);
  EXPECT_EQ(d.def[1].defence, -Rel(1, 51, 1, 54));

  d = Delta("K59 *G", kDrop, model::kKin, 5, 2);
  EXPECT_EQ(d.att[0].attack, -306);
  EXPECT_EQ(d.def[0].defence, Rel(0, 59, 0, 52));
}

// The flags and the extras of a fully evaluated parent are not carried over:
// after a board move and after a pass, the child equals the child of the same
// parent with them cleared, and its terms equal those from scratch.
TEST_F(EvalDiffDelta, ParentFlagsAndExtrasCleared) {
  const board::testing::Scene scene{board::testing::scene("K59 k51 G69 p53")};
  p_ = scene.Load();
  const KMove moves[2] = {scene.Move(p_, 6, 9, 5, 8), board::pass_move()};
  const KEvalRecord clean = record_of(terms_from_scratch(eval_setup.eval_weight_block, p_));
  KEvalRecord evaluated = clean;
  evaluated.flags = 0x30;
  for (int s = 0; s < 2; ++s) {
    evaluated.att[s].attack_extra = static_cast<int16_t>(-111 - s);
    evaluated.def[s].defence_extra = static_cast<int16_t>(222 + s);
    evaluated.mat[s].material_extra = static_cast<int16_t>(-333 - s);
  }
  for (const KMove& km : moves) {
    KPosition p = p_;
    board::do_move(p, km, 0);
    KEvalRecord from_clean{}, from_evaluated{};
    eval_sashite_diff(km, p, clean, from_clean);
    eval_sashite_diff(km, p, evaluated, from_evaluated);
    EXPECT_EQ(std::memcmp(&from_clean, &from_evaluated, sizeof(KEvalRecord)), 0) << int(km.from);
    EXPECT_TRUE(record_matches(from_evaluated, terms_from_scratch(eval_setup.eval_weight_block, p))) << int(km.from);
  }
}

// Gote's open files against sente's king: kept while the king keeps its file,
// refreshed when it changes file, and capped at 320 when weighted (gote holds
// four pawns: weight 80). Half the king's square value moves with it, into
// sente's defence and out of gote's attack.
TEST_F(EvalDiffDelta, KingMoveOpenFiles) {
  const char* centre = "K59 k51 p43 p53 p63 *p *p *p *p";
  const char* wide = "K59 k51 p13 p23 p33 p43 p53 p63 p73 *p *p *p *p";
  auto half = [](int king) {
    return eval_setup.eval_weight_block.rank_bonus[0][square_of(king / 10, king % 10) - board::kFirstSquare] / 2;
  };
  // The change of the gote pawns' terms around the king moved from 5九, and of
  // the king's half value.
  auto rebase = [&](int king, int first_file, int last_file) {
    int sum = half(59) - half(king);
    for (int f = first_file; f <= last_file; ++f) sum += Rel(1, king, 10, f * 10 + 3) - Rel(1, 59, 10, f * 10 + 3);
    return sum;
  };
  // Pawns on files 4-6: 922 open from file 5, 896 from file 4, both over the cap.
  KEvalRecord d = Delta(centre, 5, 9, 5, 8);
  EXPECT_EQ(root_.att[1].open_file, 102 + 154 + 205 + 205 + 154 + 102);
  EXPECT_EQ(d.att[1].open_file, 0);
  EXPECT_EQ(d.att[1].attack, rebase(58, 4, 6));
  d = Delta(centre, 5, 9, 4, 8);
  EXPECT_EQ(after_.att[1].open_file, 154 + 205 + 230 + 154 + 102 + 51);
  EXPECT_EQ(d.att[1].attack, rebase(48, 4, 6));
  // Pawns on files 1-7: 256 from file 5, 153 from file 4, below the cap.
  d = Delta(wide, 5, 9, 4, 8);
  EXPECT_EQ(after_.att[1].open_file, 153);
  EXPECT_EQ(d.att[1].attack, rebase(48, 1, 7) + (153 * 80 >> 8) - (256 * 80 >> 8));
  EXPECT_EQ(d.def[0].defence, half(48) - half(59));
}

// The king-move part alone, on the record of the position before a king move
// of either side: every king-relative term is then the one computed from
// scratch around the new square (the king's own square value, in material,
// is the caller's; every strategy bonus is 0 here). A king that keeps its
// file leaves the opponent's open-file sum as it was. The move update runs
// the same part: its record for the move is the same.
TEST_F(EvalDiffDelta, KingMoveBodyRebasesOnTheNewSquare) {
  struct Case {
    const char* scene;
    int teban, fx, fy, tx, ty;
  };
  const Case cases[] = {
      {"K59 k51 G69 S68 P57 s36 p45 *p *p", 0, 5, 9, 5, 8},
      {"K59 k51 G69 S68 P57 s36 p45 *p *p", 0, 5, 9, 4, 8},
      {"K59 k51 g61 s62 p53 S35 P44 *P", 1, 5, 1, 5, 2},
      {"K59 k51 g61 s62 p53 S35 P44 *P", 1, 5, 1, 4, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tx * 10 + c.ty);
    const board::testing::Scene scene{board::testing::scene(c.scene, c.teban)};
    KPosition p = scene.Load();
    const KMove km = scene.Move(p, c.fx, c.fy, c.tx, c.ty);
    KEvalRecord before = record_of(terms_from_scratch(eval_setup.eval_weight_block, p));
    before.flags = 0;
    for (int s = 0; s < 2; ++s) before.att[s].attack_extra = before.def[s].defence_extra = before.mat[s].material_extra = 0;
    board::do_move(p, km, 0);
    KEvalRecord r = before;
    eval_sashite_diff_body(p, c.teban, km.from, r);
    EXPECT_TRUE(record_matches(r, terms_from_scratch(eval_setup.eval_weight_block, p)));
    const int o = 1 - c.teban;
    if (c.fx == c.tx) {
      EXPECT_EQ(r.att[o].open_file, before.att[o].open_file);
    } else {
      EXPECT_NE(r.att[o].open_file, before.att[o].open_file);
    }
    KEvalRecord child{};
    eval_sashite_diff(km, p, before, child);
    EXPECT_EQ(std::memcmp(&child, &r, sizeof r), 0);
  }
}

// Moves that change a side's pawn files or pawns in hand weigh its open files
// anew: a captured pawn opens its owner's file, the capturer's pawns in hand
// reweigh its own sum. Gote, king 5一, holds four pawns (weight 80); sente
// none (weight 0) and then one.
TEST_F(EvalDiffDelta, PawnMovesReweighOpenFiles) {
  const int w0 = eval_setup.eval_weight_block.count_curve[0], w1 = eval_setup.eval_weight_block.count_curve[1];
  // Sente's silver takes gote's pawn on 5三: gote's file 5 opens (256 from
  // sente's king on file 5), and sente's sum, 256 + 2 x (230 + 205 + 154 +
  // 102) less file 4's 230 (its pawn on 4七), is weighed by one pawn in hand.
  const KEvalRecord d = Delta("K59 k51 S44 P47 p43 p53 p63 *p *p *p *p", 4, 4, 5, 3, 0);
  EXPECT_EQ(d.att[1].open_file, 256);
  const int sente_sum = 256 + 2 * (230 + 205 + 154 + 102) - 230;
  EXPECT_EQ(after_.att[0].open_file, sente_sum);
  EXPECT_EQ(d.att[0].attack - Rel(0, 51, 8, 53) + Rel(0, 51, 8, 44) -
                eval_setup.eval_weight_block.count_split[board::kPawn][0][0],
            (std::min(sente_sum, 320) * w1 >> 8) - (std::min(sente_sum, 320) * w0 >> 8));
}

// Each promoted pawn costs its side more than the one before: 0, 100, 300, 500,
// then 600; the penalty goes with the promotion and comes back with the capture.
TEST_F(EvalDiffDelta, PromotedPawnPenalty) {
  const int first = Delta("K59 k51 P24", 2, 4, 2, 3, 1).mat[0].material;
  EXPECT_EQ(Delta("K59 k51 P24 +P93", 2, 4, 2, 3, 1).mat[0].material, first - 100);
  EXPECT_EQ(Delta("K59 k51 P24 +P93 +P83", 2, 4, 2, 3, 1).mat[0].material, first - 300);
  // Taking one of gote's three promoted pawns gives back the third one's 300.
  const int one = Delta("K59 k51 G34 +p33", 3, 4, 3, 3).mat[1].material;
  EXPECT_EQ(Delta("K59 k51 G34 +p33 +p93 +p83", 3, 4, 3, 3).mat[1].material, one + 300);
}

// Rook and bishop placement pairs (attack, hand_b) and the promotion values.
TEST_F(EvalDiffDelta, PlacementPairGains) {
  struct Case {
    const char* scene;
    int from, to, nari, attack, hand_b, material;
  };
  const Case cases[] = {
      {"K59 k51 R28", 28, 23, 0, 400, -200, 0},      // rook entering the camp
      {"K59 k51 R23", 23, 22, 1, 100, 35, 320},      // rook promoting inside
      {"K59 k51 R28", 28, 23, 1, 500, -165, 320},    // rook promoting as it enters
      {"K59 k51 B88", 88, 33, 0, 100, 0, 0},         // bishop entering
      {"K59 k51 B33", 33, 22, 1, 100, -400, 260},    // bishop promoting inside
      {"K59 k51 B88", 88, 33, 1, 200, -400, 260},    // bishop promoting as it enters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from * 100 + c.to);
    const KEvalRecord d = Delta(c.scene, c.from / 10, c.from % 10, c.to / 10, c.to % 10, c.nari);
    EXPECT_EQ(d.att[0].attack, c.attack);
    EXPECT_EQ(d.hand_b[0], c.hand_b);
    EXPECT_EQ(d.mat[0].material, c.material);
    EXPECT_EQ(d.def[0].defence, c.scene[8] == 'B' && c.nari ? Rel(0, 59, 5, c.to) : 0);  // a new horse
  }
  // A captured dragon takes its pair and value from gote.
  const KEvalRecord d = Delta("K59 k51 R28 +r23", 2, 8, 2, 3);
  EXPECT_EQ(d.att[1].attack, -650);
  EXPECT_EQ(d.hand_b[1], -235);
  EXPECT_EQ(d.mat[1].material, -1150);
  EXPECT_EQ(d.mat[0].material, 1220);  // the first rook in hand
}

}  // namespace
}  // namespace eval
